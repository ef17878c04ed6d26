#pragma once
// Link extraction: the values of src=, onmouseover=, href= and background=
// (their names in any letter case) taken from an expanded page text, in pass
// order.
#include <functional>
#include <string_view>

namespace tavlori {

// A value names an HTML page when it holds ".htm" or ".HTM".
bool isHtmlLink(std::string_view value);

// Runs the four passes over `expanded` and calls `sink` with every value that
// passes isHtmlLink, in the order the passes take them. The views point into
// `expanded`.
void extractLinks(std::string_view expanded, const std::function<void(std::string_view)> &sink);

} // namespace tavlori

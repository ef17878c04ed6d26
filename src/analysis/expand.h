#pragma once
// Range expansion: every href value of a page is rewritten into one href
// attribute per member, with the eight sound-file range patterns expanded.
#include <string>
#include <string_view>

namespace tavlori {

std::string KAKUTYO(std::string_view s);
// The same, written into `out` (its capacity reused), or `s` itself when `s`
// holds no "href=" and so stays as it is. The view is valid while both live.
std::string_view KAKUTYO(std::string_view s, std::string &out);

} // namespace tavlori

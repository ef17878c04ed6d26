#pragma once
// Range expansion: every href value of a page (double-quoted, single-quoted or
// unquoted, the attribute name in any letter case) is rewritten into one
// lower-case href attribute per member, with the eight sound-file range
// patterns expanded.
#include <string>
#include <string_view>

namespace tavlori {

std::string expandLinkValues(std::string_view s);
// The same, written into `out` (its capacity reused), or `s` itself when `s`
// holds no "href=" (in any letter case) and so stays as it is. The view is
// valid while both live.
std::string_view expandLinkValues(std::string_view s, std::string &out);

} // namespace tavlori

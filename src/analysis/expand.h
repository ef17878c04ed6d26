#pragma once
// Range expansion: every href value of a page is rewritten into one href
// attribute per member, with the eight sound-file range patterns expanded.
#include <string>
#include <string_view>

namespace tavlori {

std::string KAKUTYO(std::string_view s);

} // namespace tavlori

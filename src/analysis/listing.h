#pragma once
// The page list: the files of a folder whose names match "*.htm*".
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tavlori {

// "*.htm*" under the platform's wildcard rules: ".htm" anywhere, letter case ignored.
bool matchesPageMask(std::string_view name);

// Ascending by name without regard to ASCII letter case, ties broken by the
// exact bytes, so the order is total.
bool pageNameLess(std::string_view a, std::string_view b);

// Sorts `names` by pageNameLess, each name's folded form computed once.
void sortPageNames(std::vector<std::string> &names);

// Names of the files of `folder` that match the mask, sorted by pageNameLess.
// Folders (also through symbolic links) and hidden names (starting with ".")
// are left out; a symbolic link that leads nowhere is listed.
// On failure returns an empty list and sets `error`. A large folder takes a
// while: `tick`, when given, is called after every kTickEntries entries read.
std::vector<std::string> listPages(const std::string &folder, std::error_code &error,
                                   const std::function<void()> &tick = {});
constexpr std::size_t kTickEntries = 4096;

} // namespace tavlori

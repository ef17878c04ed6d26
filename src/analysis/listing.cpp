#include "analysis/listing.h"

#include "analysis/ascii.h"

#include <algorithm>
#include <filesystem>

namespace tavlori {

bool matchesPageMask(std::string_view name)
{
    // "*" matches any run, dots included, so "*.htm*" holds exactly the names
    // that contain ".htm" somewhere.
    constexpr std::string_view kCore = ".htm";
    for (std::size_t at = name.find('.'); at != std::string_view::npos; at = name.find('.', at + 1)) {
        if (name.size() - at < kCore.size())
            return false;
        if (foldAscii(name[at + 1]) == 'h' && foldAscii(name[at + 2]) == 't'
            && foldAscii(name[at + 3]) == 'm')
            return true;
    }
    return false;
}

bool pageNameLess(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = foldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = foldAscii(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

std::vector<std::string> listPages(const std::string &folder, std::error_code &error)
{
    namespace fs = std::filesystem;
    error.clear();
    std::vector<std::string> names;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::directory_entry &entry = *it;
        std::string name = entry.path().filename().native();
        // Hidden names and names outside the mask are dropped before the
        // type is looked at, so most entries cost no system call at all.
        if (name.empty() || name.front() == '.' || !matchesPageMask(name))
            continue;
        // The type the directory read already gave; only a symbolic link or
        // an entry of unknown type is followed with a stat. A link that
        // leads nowhere (or cannot be followed) is not a folder: it is listed.
        std::error_code statError;
        if (entry.is_directory(statError))
            continue;
        names.push_back(std::move(name));
    }
    if (error)
        return {};
    std::sort(names.begin(), names.end(),
              [](const std::string &a, const std::string &b) { return pageNameLess(a, b); });
    return names;
}

} // namespace tavlori

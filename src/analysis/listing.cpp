#include "analysis/listing.h"

#include "analysis/ascii.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <utility>

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

namespace {

// The first eight bytes of a folded name as a number, most significant
// first, zeros after its end: comparing heads orders names as comparing
// their first eight bytes does, and a file name holds no zero byte, so a
// shorter name still comes first.
std::uint64_t headOf(std::string_view folded)
{
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 8; ++i)
        head = (head << 8) | (i < folded.size() ? static_cast<unsigned char>(folded[i]) : 0u);
    return head;
}

} // namespace

void sortPageNames(std::vector<std::string> &names)
{
    // Each name is folded once; the sort moves small (head, index) pairs and
    // reads the folded names only when two heads are equal.
    const std::size_t count = names.size();
    std::vector<std::string> folded(count);
    std::vector<std::pair<std::uint64_t, std::size_t>> order(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string &name = names[i];
        folded[i].resize(name.size());
        std::transform(name.begin(), name.end(), folded[i].begin(), [](char c) { return foldAscii(c); });
        order[i] = {headOf(folded[i]), i};
    }
    // The order of pageNameLess: folded bytes compared as unsigned, a
    // shorter name before a longer one it starts, ties broken by the exact bytes.
    std::sort(order.begin(), order.end(), [&](const auto &a, const auto &b) {
        if (a.first != b.first)
            return a.first < b.first;
        if (const int byFold = folded[a.second].compare(folded[b.second]); byFold != 0)
            return byFold < 0;
        return names[a.second] < names[b.second];
    });
    std::vector<std::string> sorted(count);
    for (std::size_t i = 0; i < count; ++i)
        sorted[i] = std::move(names[order[i].second]);
    names = std::move(sorted);
}

std::vector<std::string> listPages(const std::string &folder, std::error_code &error,
                                   const std::function<void()> &tick)
{
    namespace fs = std::filesystem;
    error.clear();
    std::vector<std::string> names;
    std::size_t untilTick = kTickEntries;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        if (--untilTick == 0) {
            untilTick = kTickEntries;
            if (tick)
                tick();
        }
        const fs::directory_entry &entry = *it;
        // The name is the part of the entry's path after its last separator,
        // taken from the path's own text: filename() would build a path.
        const std::string &full = entry.path().native();
        const std::size_t cut = full.rfind(fs::path::preferred_separator);
        const std::string_view name =
            cut == std::string::npos ? std::string_view(full) : std::string_view(full).substr(cut + 1);
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
        names.emplace_back(name);
    }
    if (error)
        return {};
    sortPageNames(names);
    return names;
}

} // namespace tavlori

#include "analysis/resolve.h"

#include <cstring>

namespace tavlori {

namespace {

bool holds(std::string_view text, char c)
{
    return !text.empty() && std::memchr(text.data(), c, text.size()) != nullptr;
}

// The first parent step ("..", then either slash) in `text`, or npos.
std::size_t findParentStep(std::string_view text, char sep, char otherSlash)
{
    for (auto at = text.find(".."); at != std::string_view::npos; at = text.find("..", at + 1)) {
        if (at + 2 < text.size() && (text[at + 2] == sep || text[at + 2] == otherSlash))
            return at;
    }
    return std::string_view::npos;
}

} // namespace

std::string BToEn(std::string_view s, std::string_view kijundir, char sep)
{
    std::string target;
    BToEn(s, kijundir, sep, target);
    return target;
}

void BToEn(std::string_view s, std::string_view kijundir, char sep, std::string &target)
{
    // Absolute web addresses, in-page anchors and paths already inside the
    // base folder are their own target.
    if (s.find("http") != std::string_view::npos || (!s.empty() && s.front() == '#')
        || (!kijundir.empty() && s.find(kijundir) != std::string_view::npos)) {
        target.assign(s);
        return;
    }

    // The fragment never names a file. Turning the other slash into the
    // separator moves no "#", so the link is cut before it is converted.
    const char otherSlash = sep == '\\' ? '/' : '\\';
    std::string_view rest = s;
    if (const auto hash = rest.find('#'); hash != std::string_view::npos)
        rest = rest.substr(0, hash);

    // Every parent step drops whatever stands before it in the link and one
    // level of the base folder; the folder text never goes below empty.
    std::string_view dir = kijundir;
    for (auto at = findParentStep(rest, sep, otherSlash); at != std::string_view::npos;
         at = findParentStep(rest, sep, otherSlash)) {
        rest.remove_prefix(at + 3);
        const auto lastSep = dir.rfind(sep);
        dir = lastSep == std::string_view::npos ? std::string_view() : dir.substr(0, lastSep);
    }

    target.clear();
    target.reserve(dir.size() + 1 + rest.size());
    target.append(dir).append(1, sep);
    const std::size_t linkStart = target.size();
    target.append(rest);
    for (std::size_t i = linkStart; i < target.size(); ++i) {
        if (target[i] == otherSlash)
            target[i] = sep;
    }

    // A "#" or "$" left in the path makes the target the folder that holds it.
    if (holds(target, '#') || holds(target, '$'))
        target.resize(target.rfind(sep));
}

} // namespace tavlori

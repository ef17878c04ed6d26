#include "analysis/resolve.h"

namespace tavlori {

std::string BToEn(std::string_view s, std::string_view kijundir, char sep)
{
    // Absolute web addresses, in-page anchors and paths already inside the
    // base folder are their own target.
    if (s.find("http") != std::string_view::npos)
        return std::string(s);
    if (!s.empty() && s.front() == '#')
        return std::string(s);
    if (!kijundir.empty() && s.find(kijundir) != std::string_view::npos)
        return std::string(s);

    const char otherSlash = sep == '\\' ? '/' : '\\';
    std::string link(s);
    for (char &c : link) {
        if (c == otherSlash)
            c = sep;
    }

    // The fragment never names a file.
    std::string_view rest = link;
    if (const auto hash = rest.find('#'); hash != std::string_view::npos)
        rest = rest.substr(0, hash);

    // Every parent step drops whatever stands before it in the link and one
    // level of the base folder; the folder text never goes below empty.
    const char parent[] = {'.', '.', sep};
    const std::string_view parentStep(parent, sizeof parent);
    std::string_view dir = kijundir;
    for (auto at = rest.find(parentStep); at != std::string_view::npos; at = rest.find(parentStep)) {
        rest.remove_prefix(at + parentStep.size());
        const auto lastSep = dir.rfind(sep);
        dir = lastSep == std::string_view::npos ? std::string_view() : dir.substr(0, lastSep);
    }

    std::string joined;
    joined.reserve(dir.size() + 1 + rest.size());
    joined.append(dir).append(1, sep).append(rest);

    // A "#" or "$" left in the path makes the target the folder that holds it.
    if (joined.find_first_of("#$") != std::string::npos)
        joined.resize(joined.rfind(sep));
    return joined;
}

} // namespace tavlori

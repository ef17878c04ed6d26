// Link-target resolution with either separator. The input is one byte
// choosing the separator ('/' gives '/', anything else '\'), then the base
// folder up to the first LF, then the link text.
#include "analysis/resolve.h"

#include "fuzzcheck.h"
#include "naive_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tavlori;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string input(reinterpret_cast<const char *>(data), size);
    const char sep = input[0] == '/' ? '/' : '\\';
    const char other = sep == '/' ? '\\' : '/';
    const std::string rest = input.substr(1);
    const std::size_t lf = rest.find('\n');
    const std::string baseFolder = rest.substr(0, lf);
    const std::string link = lf == std::string::npos ? std::string() : rest.substr(lf + 1);

    naive::ResolvedBy by;
    const std::string resolved = resolveLink(link, baseFolder, sep);
    check(resolved == naive::resolveLink(link, baseFolder, sep, &by), "resolveLink equals the literal steps",
          input);

    // An external address or an anchor, and any result holding the base
    // folder, is its own target.
    if (by == naive::ResolvedBy::External || by == naive::ResolvedBy::Anchor)
        check(resolved == link && resolveLink(resolved, baseFolder, sep) == resolved,
              "an unchanged result resolves to itself", input);
    if (!baseFolder.empty() && resolved.find(baseFolder) != std::string::npos)
        check(resolveLink(resolved, baseFolder, sep) == resolved,
              "a result inside the base folder resolves to itself", input);

    check(isExternalAddress(link) == (by == naive::ResolvedBy::External), "external addresses agree", input);

    // A joined result takes the other slash only from the base folder itself
    // (an escaped slash stays escaped).
    if (by == naive::ResolvedBy::Joined && baseFolder.find(other) == std::string::npos)
        check(resolved.find(other) == std::string::npos, "a joined result holds only the separator", input);
    return 0;
}

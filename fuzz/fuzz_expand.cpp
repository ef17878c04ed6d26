// Range expansion on arbitrary text: equal to the literal, consume-from-the-
// front rewriting, and a text without "href=" (in any letter case) passes
// through unchanged.
#include "analysis/expand.h"

#include "fuzzcheck.h"
#include "naive_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace tavlori;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const std::string expanded = expandLinkValues(text);
    if (naive::asciiLower(text).find("href=") == std::string::npos)
        check(expanded == text, "a text without href= in any case passes unchanged", text);
    check(expanded == naive::expandLinkValues(text), "expandLinkValues equals the literal rewriting", text);
    return 0;
}

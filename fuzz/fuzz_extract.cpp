// Link extraction after range expansion: every value is a piece of the
// expanded text that names an HTML page, and the values are those the four
// literal consume-from-the-front passes take, in the same order.
#include "analysis/expand.h"
#include "analysis/extract.h"

#include "fuzzcheck.h"
#include "naive_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace tavlori;
using fuzz::check;

namespace {

void checkPasses(const std::string &text, const std::string &input)
{
    const std::string_view whole = text;
    std::vector<std::string> values;
    extractLinks(whole, [&](std::string_view value) {
        check(value.data() >= whole.data() && value.data() + value.size() <= whole.data() + whole.size(),
              "a value is a view into the scanned text", input);
        check(isHtmlLink(value) && naive::htmlFilter(std::string(value)), "a value passes the HTML filter",
              input);
        values.emplace_back(value);
    });
    check(values == naive::extract(text), "the values equal the literal four passes", input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    // The scan as pages get it: range expansion first.
    checkPasses(expandLinkValues(input), input);
    // The passes on their own see texts range expansion never makes (an
    // unquoted "href=", a lone "&&&"), so run them on the input too.
    checkPasses(input, input);
    return 0;
}

#include "analysis/extract.h"

#include "analysis/textscan.h"

namespace tavlori {

namespace {

// One pass for an attribute whose value stands between the next two double
// quotes after the attribute text: "src=", "href=", "background=".
void quotedPass(std::string_view text, std::string_view attribute,
                const std::function<void(std::string_view)> &sink)
{
    scan::ForwardFinder attributes(text, attribute);
    scan::ForwardFinder quotes(text, "\"");
    std::size_t rest = 0;
    for (auto at = attributes.next(rest); at != scan::npos; at = attributes.next(rest)) {
        rest = scan::skipPast(quotes, at + attribute.size(), 1);
        const auto close = quotes.next(rest);
        if (close == scan::npos)
            continue; // the value is empty
        const std::string_view value = text.substr(rest, close - rest);
        rest = close + 1;
        if (isHtmlLink(value))
            sink(value);
    }
}

// The "onmouseover=" pass: the value is the first single-quoted text after the
// first double quote and the first comma that follows it. The value is not
// consumed; the next attribute search starts at its first character.
void mouseOverPass(std::string_view text, const std::function<void(std::string_view)> &sink)
{
    constexpr std::string_view attribute = "onmouseover=";
    scan::ForwardFinder attributes(text, attribute);
    scan::ForwardFinder quotes(text, "\"");
    scan::ForwardFinder commas(text, ",");
    scan::ForwardFinder apostrophes(text, "'");
    std::size_t rest = 0;
    for (auto at = attributes.next(rest); at != scan::npos; at = attributes.next(rest)) {
        rest = scan::skipPast(quotes, at + attribute.size(), 1);
        rest = scan::skipPast(commas, rest, 1);
        rest = scan::skipPast(apostrophes, rest, 1);
        const auto close = apostrophes.next(rest);
        if (close == scan::npos)
            continue; // the value is empty
        const std::string_view value = text.substr(rest, close - rest);
        if (isHtmlLink(value))
            sink(value);
    }
}

} // namespace

bool isHtmlLink(std::string_view value)
{
    return value.find(".htm") != std::string_view::npos || value.find(".HTM") != std::string_view::npos;
}

void extractLinks(std::string_view expanded, const std::function<void(std::string_view)> &sink)
{
    // Every pass reads the whole text; values reach the sink grouped by pass.
    quotedPass(expanded, "src=", sink);
    mouseOverPass(expanded, sink);
    quotedPass(expanded, "href=", sink);
    quotedPass(expanded, "background=", sink);
}

} // namespace tavlori

#include "analysis/extract.h"

#include "analysis/textscan.h"

#include <cstring>
#include <vector>

namespace tavlori {

namespace {

// Where each attribute text stands in the text, in text order, its letters
// in any case. Every one of them ends with "=", a rare byte in page text, so
// one walk from "=" to "=" finds them all: a text ending at an "=" is one of
// them when the bytes before that "=" spell it. No two of them end with the
// same letter, so the letter before an "=" names the only candidate, and an
// occurrence never holds another "=", so none is missed.
struct AttributePositions {
    std::vector<std::size_t> src, mouseOver, href, background;

    void find(std::string_view text)
    {
        src.clear();
        mouseOver.clear();
        href.clear();
        background.clear();
        const char *const begin = text.data();
        const char *const end = begin + text.size();
        for (const char *p = begin; p < end; ++p) {
            p = static_cast<const char *>(std::memchr(p, '=', static_cast<std::size_t>(end - p)));
            if (!p)
                break;
            const auto before = static_cast<std::size_t>(p - begin);
            if (before < 3)
                continue;
            switch (static_cast<unsigned char>(p[-1]) | 0x20u) {
            case 'c':
                record(src, p, before, "src");
                break;
            case 'f':
                record(href, p, before, "href");
                break;
            case 'r':
                record(mouseOver, p, before, "onmouseover");
                break;
            case 'd':
                record(background, p, before, "background");
                break;
            default:
                break;
            }
        }
    }

private:
    // Records the start of `name` when it stands just before the "=" at `equals`.
    static void record(std::vector<std::size_t> &positions, const char *equals, std::size_t before,
                       std::string_view name)
    {
        if (before >= name.size() && scan::spellsFolded(equals - name.size(), name))
            positions.push_back(before - name.size());
    }
};

// The first of the sorted `positions` at or after `rest`, from index `next`
// on (which moves forward with it), or npos.
std::size_t nextAt(const std::vector<std::size_t> &positions, std::size_t &next, std::size_t rest)
{
    while (next < positions.size() && positions[next] < rest)
        ++next;
    return next < positions.size() ? positions[next] : scan::npos;
}

// One pass for an attribute whose value is double-quoted, single-quoted or
// unquoted: "src=", "href=", "background=".
void valuePass(std::string_view text, const std::vector<std::size_t> &attributes, std::size_t attributeLength,
               const std::function<void(std::string_view)> &sink)
{
    scan::ForwardFinder quotes(text, "\"");
    scan::ForwardFinder apostrophes(text, "'");
    std::size_t rest = 0;
    std::size_t next = 0;
    for (auto at = nextAt(attributes, next, rest); at != scan::npos; at = nextAt(attributes, next, rest)) {
        const scan::AttributeValue taken = scan::takeValue(text, at + attributeLength, quotes, apostrophes);
        rest = taken.rest;
        if (isHtmlLink(taken.value))
            sink(taken.value);
    }
}

// The "onmouseover=" pass: the value is the first single-quoted text after the
// first double quote and the first comma that follows it. The value is not
// consumed; the next attribute search starts at its first character.
void mouseOverPass(std::string_view text, const std::vector<std::size_t> &attributes,
                   const std::function<void(std::string_view)> &sink)
{
    constexpr std::size_t attributeLength = std::string_view("onmouseover=").size();
    scan::ForwardFinder quotes(text, "\"");
    scan::ForwardFinder commas(text, ",");
    scan::ForwardFinder apostrophes(text, "'");
    std::size_t rest = 0;
    std::size_t next = 0;
    for (auto at = nextAt(attributes, next, rest); at != scan::npos; at = nextAt(attributes, next, rest)) {
        rest = scan::skipPast(quotes, at + attributeLength, 1);
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
    // The positions of the attribute texts are found once for all four; the
    // buffers are kept from page to page.
    thread_local AttributePositions at;
    at.find(expanded);
    valuePass(expanded, at.src, 4, sink);
    mouseOverPass(expanded, at.mouseOver, sink);
    valuePass(expanded, at.href, 5, sink);
    valuePass(expanded, at.background, 11, sink);
}

} // namespace tavlori

#include "analysis/expand.h"

#include "analysis/textscan.h"

#include <array>

namespace tavlori {

namespace {

constexpr std::string_view kHrefEquals = "href=";
constexpr std::string_view kMemberSeparator = "&&&";

struct RangePattern {
    std::string_view pattern;
    std::string_view members; // the 26 file names joined by "&&&"
};

// The member list of a range: the 26 names letter + digit + ".wav" from
// `first` on (no digit when `digit` is 0), joined by "&&&".
constexpr std::size_t memberListLength(char digit)
{
    const std::size_t memberLength = (digit ? 1 : 0) + 1 + 4;
    return 26 * memberLength + 25 * kMemberSeparator.size();
}
static_assert(memberListLength(0) == 205 && memberListLength('1') == 231);

template <char First, char Digit>
constexpr std::array<char, memberListLength(Digit)> buildMemberList()
{
    std::array<char, memberListLength(Digit)> text{};
    std::size_t at = 0;
    for (int k = 0; k < 26; ++k) {
        if (k > 0) {
            for (char c : kMemberSeparator)
                text[at++] = c;
        }
        text[at++] = static_cast<char>(First + k);
        if (Digit)
            text[at++] = Digit;
        for (char c : std::string_view(".wav"))
            text[at++] = c;
    }
    return text;
}

template <char First, char Digit>
inline constexpr auto kMemberList = buildMemberList<First, Digit>();

template <char First, char Digit>
constexpr std::string_view memberList()
{
    return {kMemberList<First, Digit>.data(), kMemberList<First, Digit>.size()};
}

// The range patterns in the order they are expanded.
constexpr std::array<RangePattern, 8> kRangePatterns = {{
    {"A-Z.wav", memberList<'A', 0>()},
    {"A1-Z1.wav", memberList<'A', '1'>()},
    {"A2-Z2.wav", memberList<'A', '2'>()},
    {"A3-Z3.wav", memberList<'A', '3'>()},
    {"a-z.wav", memberList<'a', 0>()},
    {"a1-z1.wav", memberList<'a', '1'>()},
    {"a2-z2.wav", memberList<'a', '2'>()},
    {"a3-z3.wav", memberList<'a', '3'>()},
}};

// Expands the range patterns of `value`. The patterns are taken in table order
// and each one is only looked for after the last expansion made so far, so a
// pattern standing before an expanded occurrence of an earlier one stays as it
// is. Returns `value` itself when nothing was expanded, else a view of `scratch`.
std::string_view expandRanges(std::string_view value, std::string &scratch)
{
    // Every pattern holds a "-"; most values hold none, and then no pattern.
    if (value.find('-') == std::string_view::npos)
        return value;
    std::size_t rest = 0;
    bool expanded = false;
    for (const RangePattern &range : kRangePatterns) {
        for (auto at = value.find(range.pattern, rest); at != std::string_view::npos;
             at = value.find(range.pattern, rest)) {
            if (!expanded) {
                scratch.clear();
                expanded = true;
            }
            scratch.append(value.substr(rest, at - rest)).append(range.members);
            rest = at + range.pattern.size();
        }
    }
    if (!expanded)
        return value;
    scratch.append(value.substr(rest));
    return scratch;
}

void appendAttribute(std::string &out, std::string_view member)
{
    out.append(" href=\"").append(member).append(1, '"');
}

// Writes `value` back: one href attribute per "&&&"-separated member, or, for a
// value without separators, one attribute followed by a space unless "href"
// stands inside the value after its first character (then the value goes bare).
void appendValue(std::string &out, std::string_view value)
{
    auto separator = value.find(kMemberSeparator);
    if (separator != std::string_view::npos) {
        std::size_t member = 0;
        for (; separator != std::string_view::npos; separator = value.find(kMemberSeparator, member)) {
            appendAttribute(out, value.substr(member, separator - member));
            member = separator + kMemberSeparator.size();
        }
        appendAttribute(out, value.substr(member));
        return;
    }
    // A split value starts with " href=": "href" past its first character leaves it bare, not wrapped.
    const auto href = value.find("href");
    if (href == std::string_view::npos || href == 0) {
        appendAttribute(out, value);
        out.append(1, ' ');
    } else {
        out.append(value);
    }
}

} // namespace

std::string expandLinkValues(std::string_view s)
{
    std::string out;
    return std::string(expandLinkValues(s, out));
}

std::string_view expandLinkValues(std::string_view s, std::string &out)
{
    scan::AttributeFinder hrefs(s, kHrefEquals);
    std::size_t rest = 0; // the front of the remaining text
    auto at = hrefs.next(rest);
    if (at == scan::npos)
        return s; // nothing to rewrite

    out.clear();
    out.reserve(s.size() + s.size() / 8 + 64);
    std::string scratch;
    scan::ForwardFinder quotes(s, "\"");
    scan::ForwardFinder apostrophes(s, "'");
    for (; at != scan::npos; at = hrefs.next(rest)) {
        out.append(s.substr(rest, at - rest));
        // "href=" in any letter case is consumed; the value and its quotes
        // are written back as one lower-case href attribute per member.
        const scan::AttributeValue taken = scan::takeValue(s, at + kHrefEquals.size(), quotes, apostrophes);
        rest = taken.rest;
        appendValue(out, expandRanges(taken.value, scratch));
    }
    out.append(s.substr(rest));
    return out;
}

} // namespace tavlori

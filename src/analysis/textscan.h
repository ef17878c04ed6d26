#pragma once
// Forward scanning helpers shared by range expansion and link extraction.
//
// Those rules consume a text from its front: find a delimiter, take what lies
// before it, drop everything through it. Here the "remaining text" is an offset
// into one string_view that only moves forward, and each delimiter keeps the
// answer of its last search, so a delimiter that is far away (or absent) is
// looked for once, not once per attribute: a whole scan stays linear.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tavlori::scan {

inline constexpr std::size_t npos = std::string_view::npos;

// True when the `lower.size()` bytes at `p` spell `lower`, a text of small
// ASCII letters, with any of its letters in either case. A byte folded by
// setting bit 0x20 equals a small letter only when it is that letter or its
// capital, so the test is exact for letters and matches nothing else.
inline bool spellsFolded(const char *p, std::string_view lower)
{
    // Eight and four bytes at a time: the small letters of `lower` have the
    // bit set already, so they compare unchanged.
    const char *q = lower.data();
    std::size_t n = lower.size();
    for (; n >= 8; p += 8, q += 8, n -= 8) {
        std::uint64_t a, b;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, q, 8);
        if ((a | 0x2020202020202020ull) != b)
            return false;
    }
    if (n >= 4) {
        std::uint32_t a, b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, q, 4);
        if ((a | 0x20202020u) != b)
            return false;
        p += 4;
        q += 4;
        n -= 4;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if ((static_cast<unsigned char>(p[i]) | 0x20u) != static_cast<unsigned char>(q[i]))
            return false;
    }
    return true;
}

// The first occurrence at or after `pos` of an attribute text `needle` (small
// ASCII letters, then "="), its letters in any case: found by looking for the
// "=" with memchr and comparing what stands before it. Fast because "=" is
// rare in page text; a search for the first letter would stop at every "h".
inline std::size_t findAttribute(std::string_view text, std::string_view needle, std::size_t pos)
{
    const std::string_view letters = needle.substr(0, needle.size() - 1);
    const std::size_t head = letters.size();
    if (pos > text.size() || text.size() - pos <= head)
        return npos;
    const char *const begin = text.data();
    const char *const end = begin + text.size();
    for (const char *p = begin + pos + head; p < end; ++p) {
        p = static_cast<const char *>(std::memchr(p, '=', static_cast<std::size_t>(end - p)));
        if (!p)
            return npos;
        if (spellsFolded(p - head, letters))
            return static_cast<std::size_t>(p - head - begin);
    }
    return npos;
}

// The first occurrence of `needle` at or after `pos`, by the quickest means
// for its shape.
inline std::size_t find(std::string_view text, std::string_view needle, std::size_t pos)
{
    if (needle.size() == 1) {
        if (pos >= text.size())
            return npos;
        const void *hit = std::memchr(text.data() + pos, needle.front(), text.size() - pos);
        return hit ? static_cast<std::size_t>(static_cast<const char *>(hit) - text.data()) : npos;
    }
    return text.find(needle, pos);
}

// Finds the first occurrence of one needle at or after a position, for
// positions that never decrease between calls, with the search `Find`.
template <std::size_t (*Find)(std::string_view, std::string_view, std::size_t)>
class BasicForwardFinder {
public:
    BasicForwardFinder(std::string_view text, std::string_view needle)
        : text_(text)
        , needle_(needle)
    {
    }

    // Index of the first occurrence starting at or after `pos`, or npos.
    std::size_t next(std::size_t pos)
    {
        // The cached answer holds for every pos in [from_, found_] (or every
        // pos from from_ on when nothing was found).
        if (searched_ && pos >= from_ && (found_ == npos || pos <= found_))
            return found_;
        from_ = pos;
        found_ = Find(text_, needle_, pos);
        searched_ = true;
        return found_;
    }

private:
    std::string_view text_;
    std::string_view needle_;
    std::size_t from_ = 0;
    std::size_t found_ = npos;
    bool searched_ = false;
};

// A delimiter, found exactly.
using ForwardFinder = BasicForwardFinder<find>;
// An attribute text (small ASCII letters, then "="), found with its letters
// in any case.
using AttributeFinder = BasicForwardFinder<findAttribute>;

// "Delete everything up to and including the first `finder` needle": the new
// front after it, or `pos` unchanged when there is none.
inline std::size_t skipPast(ForwardFinder &finder, std::size_t pos, std::size_t needleLength)
{
    const std::size_t at = finder.next(pos);
    return at == npos ? pos : at + needleLength;
}

// The characters skipped between an attribute's "=" and its value: space,
// tab, CR and LF (no other white space).
inline bool isValueSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A value taken after an attribute text, and where the remaining text
// starts after it.
struct AttributeValue {
    std::string_view value;
    std::size_t rest;
};

// Takes the value of an attribute of the "src=", "href=" and "background="
// kind whose "=" ends just before `pos`. After the spaces: a double quote, or
// the end of the text, keeps the double-quote rule (everything through the
// first double quote is dropped, the value runs to the next one; without one
// the value is empty and nothing more is consumed); a single quote opens a
// value that runs to the next single quote (without one the value is empty
// and only the opening quote is consumed); anything else starts an unquoted
// value that runs up to a space, tab, CR, LF or ">", which stays.
inline AttributeValue takeValue(std::string_view text, std::size_t pos, ForwardFinder &quotes,
                                ForwardFinder &apostrophes)
{
    std::size_t at = pos;
    while (at < text.size() && isValueSpace(text[at]))
        ++at;
    if (at == text.size() || text[at] == '"') {
        // The first double quote from `pos` on is the one at `at`, if any.
        const std::size_t open = at == text.size() ? pos : at + 1;
        const std::size_t close = quotes.next(open);
        if (close == npos)
            return {std::string_view(), open};
        return {text.substr(open, close - open), close + 1};
    }
    if (text[at] == '\'') {
        const std::size_t close = apostrophes.next(at + 1);
        if (close == npos)
            return {std::string_view(), at + 1};
        return {text.substr(at + 1, close - at - 1), close + 1};
    }
    std::size_t end = at;
    while (end < text.size() && !isValueSpace(text[end]) && text[end] != '>')
        ++end;
    return {text.substr(at, end - at), end};
}

} // namespace tavlori::scan

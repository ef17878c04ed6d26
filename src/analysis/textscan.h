#pragma once
// Forward scanning helpers shared by range expansion and link extraction.
//
// Those rules consume a text from its front: find a delimiter, take what lies
// before it, drop everything through it. Here the "remaining text" is an offset
// into one string_view that only moves forward, and each delimiter keeps the
// answer of its last search, so a delimiter that is far away (or absent) is
// looked for once, not once per attribute: a whole scan stays linear.
#include <cstddef>
#include <cstring>
#include <string_view>

namespace tavlori::scan {

inline constexpr std::size_t npos = std::string_view::npos;

// The first occurrence of `needle` (not empty) at or after `pos`, found by
// looking for its last byte with memchr and comparing what stands before it.
// Fast when that byte is rare in the text, as "=" is for the attribute texts
// ("href=", "src=", ...); string_view::find looks for the first byte, which
// for those is a common letter.
inline std::size_t findByLastByte(std::string_view text, std::string_view needle, std::size_t pos)
{
    const std::size_t head = needle.size() - 1;
    if (pos > text.size() || text.size() - pos <= head)
        return npos;
    const char *const begin = text.data();
    const char *const end = begin + text.size();
    const char last = needle.back();
    for (const char *p = begin + pos + head; p < end; ++p) {
        p = static_cast<const char *>(std::memchr(p, last, static_cast<std::size_t>(end - p)));
        if (!p)
            return npos;
        if (std::memcmp(p - head, needle.data(), head) == 0)
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
    if (needle.size() > 1 && needle.back() == '=')
        return findByLastByte(text, needle, pos);
    return text.find(needle, pos);
}

// Finds the first occurrence of one needle at or after a position, for
// positions that never decrease between calls.
class ForwardFinder
{
public:
    ForwardFinder(std::string_view text, std::string_view needle)
        : text_(text), needle_(needle)
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
        found_ = scan::find(text_, needle_, pos);
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

// "Delete everything up to and including the first `finder` needle": the new
// front after it, or `pos` unchanged when there is none.
inline std::size_t skipPast(ForwardFinder &finder, std::size_t pos, std::size_t needleLength)
{
    const std::size_t at = finder.next(pos);
    return at == npos ? pos : at + needleLength;
}

} // namespace tavlori::scan

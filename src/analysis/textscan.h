#pragma once
// Forward scanning helpers shared by range expansion and link extraction.
//
// Those rules consume a text from its front: find a delimiter, take what lies
// before it, drop everything through it. Here the "remaining text" is an offset
// into one string_view that only moves forward, and each delimiter keeps the
// answer of its last search, so a delimiter that is far away (or absent) is
// looked for once, not once per attribute: a whole scan stays linear.
#include <cstddef>
#include <string_view>

namespace tavlori::scan {

inline constexpr std::size_t npos = std::string_view::npos;

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
        found_ = text_.find(needle_, pos);
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

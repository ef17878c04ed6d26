#pragma once
// Eight bytes of text read as one machine word, for the scans and hashes
// that work a word at a time.
#include <cstdint>
#include <cstring>

namespace tavlori {

// The eight bytes at `p` in memory order, with no alignment required.
inline std::uint64_t loadWord(const void *p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

} // namespace tavlori

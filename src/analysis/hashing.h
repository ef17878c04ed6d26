#pragma once
// The one hash of texts, used by every set and index of the engine and the
// platform's listing cache.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "analysis/words.h"

namespace tavlori {

inline std::uint64_t finalMix(std::uint64_t h)
{
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93ull;
    h ^= h >> 32;
    return h;
}

// Every ASCII capital in the word made small, every other byte unchanged
// (foldAscii on eight bytes at once).
inline std::uint64_t foldAsciiWord(std::uint64_t word)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x80 * kOnes;
    const std::uint64_t low7 = word & (0x7f * kOnes);
    // A byte's high bit: set from 'A' up, set past 'Z', set in the byte itself.
    const std::uint64_t fromA = low7 + (0x80 - 'A') * kOnes;
    const std::uint64_t pastZ = low7 + (0x80 - 'Z' - 1) * kOnes;
    const std::uint64_t capital = fromA & ~pastZ & ~word & kHigh;
    return word | (capital >> 2);
}

namespace detail {

// Eight bytes at a time, each word (after `fold`) multiplied and folded into
// the state.
template <typename Fold>
std::uint64_t hashWords(std::string_view s, Fold fold)
{
    std::uint64_t h = 0x9e3779b97f4a7c15ull ^ s.size();
    const char *p = s.data();
    std::size_t n = s.size();
    auto mix = [&h](std::uint64_t word) {
        word *= 0x9fb21c651e98df25ull;
        word ^= word >> 29;
        h = (h ^ word) * 0xbf58476d1ce4e5b9ull;
    };
    for (; n >= 8; p += 8, n -= 8)
        mix(fold(loadWord(p)));
    if (n > 0) {
        std::uint64_t tail = 0;
        std::memcpy(&tail, p, n);
        mix(fold(tail));
    }
    return finalMix(h);
}

} // namespace detail

inline std::uint64_t hashBytes(std::string_view s)
{
    return detail::hashWords(s, [](std::uint64_t word) { return word; });
}

// The same hash with ASCII letters folded to small ones: equal for texts
// that equalFolded finds equal, and hashBytes of the folded text.
inline std::uint64_t hashFolded(std::string_view s)
{
    return detail::hashWords(s, foldAsciiWord);
}

// A hint that `p` will be read soon; nothing where the compiler offers none.
inline void prefetch(const void *p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

} // namespace tavlori

#pragma once
// The hashes of texts used by the engine's sets and indexes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "analysis/ascii.h"

namespace tavlori {

inline std::uint64_t loadWord(const char *p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline std::uint64_t finalMix(std::uint64_t h)
{
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93ull;
    h ^= h >> 32;
    return h;
}

// Eight bytes at a time, each word multiplied and folded into the state.
inline std::uint64_t hashBytes(std::string_view s)
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
        mix(loadWord(p));
    if (n > 0) {
        std::uint64_t tail = 0;
        std::memcpy(&tail, p, n);
        mix(tail);
    }
    return finalMix(h);
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

// FNV-1a over the bytes with ASCII letters folded to small ones: equal for
// texts that equalFolded finds equal. Only the detection of unrequested pages
// uses it, once per page and once per request.
inline std::uint64_t hashFolded(std::string_view s)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : s)
        h = (h ^ foldAscii(static_cast<unsigned char>(c))) * 0x100000001b3ull;
    return finalMix(h);
}

} // namespace tavlori

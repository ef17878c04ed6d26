#include "analysis/utf8.h"

#include "analysis/words.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavlori {

namespace {

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The index, in memory order, of the lowest-addressed byte whose bit is set
// in `bits` (a word loaded from memory, non-zero).
int firstSetByte(std::uint64_t bits)
{
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(bits) / 8;
    else
        return std::countl_zero(bits) / 8;
}

// The length of the well-formed sequence at `p` (`left` bytes readable, at
// least one), or 0. These are the well-formed sequences of the Unicode
// standard: no overlong form, no surrogate (ED A0..BF), nothing above
// U+10FFFF, no stray continuation byte, C0, C1 or F5..FF.
inline std::size_t sequenceLength(const unsigned char *p, std::size_t left)
{
    const unsigned char c = *p;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return left >= 2 && isContinuation(p[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3)
            return 0;
        const unsigned char lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = c == 0xED ? 0x9F : 0xBF;
        return p[1] >= lo && p[1] <= hi && isContinuation(p[2]) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4)
            return 0;
        const unsigned char lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = c == 0xF4 ? 0x8F : 0xBF;
        return p[1] >= lo && p[1] <= hi && isContinuation(p[2]) && isContinuation(p[3]) ? 4 : 0;
    }
    return 0;
}

// Checks the sequences from `p` to `end` one by one: ASCII runs sixteen
// bytes at a time, every other sequence by its lead byte.
bool isWellFormedScalar(const unsigned char *p, const unsigned char *const end)
{
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            // An ASCII run, sixteen bytes at a time, jumping straight to the
            // first byte with its high bit set.
            ++p;
            while (end - p >= 16) {
                const std::uint64_t first = loadWord(p) & kHighBits;
                const std::uint64_t second = loadWord(p + 8) & kHighBits;
                if ((first | second) != 0) {
                    p += first != 0 ? firstSetByte(first) : 8 + firstSetByte(second);
                    break;
                }
                p += 16;
            }
            continue;
        }
        const std::size_t length = sequenceLength(p, static_cast<std::size_t>(end - p));
        if (length == 0)
            return false;
        p += length;
    }
    return true;
}

#if defined(__SSE2__)
constexpr std::size_t kBlock = 16;

__m128i splat(unsigned char c)
{
    return _mm_set1_epi8(static_cast<char>(c));
}

__m128i loadBlock(const unsigned char *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// The faults among the sixteen bytes at `p`, judged with the three bytes
// before them (readable, zero before the text): a byte of the result is
// non-zero where that byte breaks a rule. Each byte is checked against what the bytes
// before it demand, all sixteen at once:
//  - a continuation (80..BF) exactly where the lead byte 1, 2 or 3 places
//    back (C0.., E0.., F0..) asks for one;
//  - never C0, C1 or F5..FF;
//  - after E0 at least A0 (no overlong form), after ED at most 9F (no
//    surrogate), after F0 at least 90 (no overlong form), after F4 at most
//    8F (nothing above U+10FFFF).
// Together these are exactly well-formed UTF-8, but for a sequence still
// open at the end of the text, which the caller checks.
__m128i blockFaults(const unsigned char *p)
{
    const __m128i cur = loadBlock(p);
    const __m128i prev1 = loadBlock(p - 1);
    const __m128i prev2 = loadBlock(p - 2);
    const __m128i prev3 = loadBlock(p - 3);
    // Saturating subtraction leaves a non-zero byte, at most 0x40, where the
    // byte is at least the bound: a lead byte wanting this byte.
    const __m128i wanted =
        _mm_or_si128(_mm_or_si128(_mm_subs_epu8(prev1, splat(0xBF)), _mm_subs_epu8(prev2, splat(0xDF))),
                     _mm_subs_epu8(prev3, splat(0xEF)));
    const __m128i mustContinue = _mm_cmpgt_epi8(wanted, _mm_setzero_si128());
    // As signed bytes, 80..BF are exactly those below C0 (-64) that are negative.
    const __m128i continues = _mm_cmplt_epi8(cur, splat(0xC0));
    __m128i faults = _mm_xor_si128(mustContinue, continues);

    // The byte moved so that unsigned order becomes signed order: 80..BF
    // become 0x00..0x3F, C0..FF 0x40..0x7F, ASCII negative.
    const __m128i rank = _mm_xor_si128(cur, splat(0x80));
    faults = _mm_or_si128(faults, _mm_cmpeq_epi8(_mm_and_si128(cur, splat(0xFE)), splat(0xC0)));
    faults = _mm_or_si128(faults, _mm_cmpgt_epi8(rank, splat(0xF4 ^ 0x80)));
    const auto after = [&](unsigned char lead, __m128i outOfRange) {
        faults = _mm_or_si128(faults, _mm_and_si128(_mm_cmpeq_epi8(prev1, splat(lead)), outOfRange));
    };
    after(0xE0, _mm_cmplt_epi8(rank, splat(0xA0 ^ 0x80)));
    after(0xED, _mm_cmpgt_epi8(rank, splat(0x9F ^ 0x80)));
    after(0xF0, _mm_cmplt_epi8(rank, splat(0x90 ^ 0x80)));
    after(0xF4, _mm_cmpgt_epi8(rank, splat(0x8F ^ 0x80)));
    return faults;
}

bool anyFault(__m128i faults)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi8(faults, _mm_setzero_si128())) != 0xFFFF;
}

// Checks whole sixteen-byte blocks of [p, end) (at least one block). Returns
// null at the first block with a fault (a page in a legacy encoding is
// usually told within its first lines), else where the scalar check is to go on: the start of the
// sequence that the last block ends in or before, so that a sequence running
// past the blocks is checked whole.
const unsigned char *wellFormedBlocksEnd(const unsigned char *const begin, const unsigned char *end)
{
    // The first block is judged from a copy with zero bytes before it.
    alignas(16) unsigned char first[3 + kBlock] = {};
    std::memcpy(first + 3, begin, kBlock);
    if (anyFault(blockFaults(first + 3)))
        return nullptr;
    const unsigned char *p = begin + kBlock;
    // A block of ASCII after a block of ASCII needs no further check.
    bool previousAscii = _mm_movemask_epi8(loadBlock(begin)) == 0;
    while (static_cast<std::size_t>(end - p) >= kBlock) {
        if (previousAscii) {
            // The rest of an ASCII run, two blocks at a time.
            while (static_cast<std::size_t>(end - p) >= 2 * kBlock
                   && _mm_movemask_epi8(_mm_or_si128(loadBlock(p), loadBlock(p + kBlock))) == 0)
                p += 2 * kBlock;
            if (static_cast<std::size_t>(end - p) < kBlock)
                break;
        }
        const bool ascii = _mm_movemask_epi8(loadBlock(p)) == 0;
        if (!(ascii && previousAscii) && anyFault(blockFaults(p)))
            return nullptr;
        previousAscii = ascii;
        p += kBlock;
    }
    // Back to the lead byte of the sequence holding the byte before `p`.
    const unsigned char *q = p;
    while (q > begin && isContinuation(q[-1]))
        --q;
    return q > begin && q[-1] >= 0xC0 ? q - 1 : q;
}
#endif

} // namespace

std::size_t wellFormedSequenceLength(std::string_view bytes, std::size_t at)
{
    return sequenceLength(reinterpret_cast<const unsigned char *>(bytes.data()) + at, bytes.size() - at);
}

bool isWellFormedUtf8(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = p + bytes.size();
#if defined(__SSE2__)
    if (bytes.size() >= kBlock)
        p = wellFormedBlocksEnd(p, end);
    if (!p)
        return false;
#endif
    return isWellFormedScalar(p, end);
}

} // namespace tavlori

#pragma once
// The one test of UTF-8 text: page bytes, decoded link escapes.
#include <cstddef>
#include <string_view>

namespace tavlori {

// True when the bytes are well-formed UTF-8 (no overlong form, no surrogate,
// no truncated or invalid sequence).
bool isWellFormedUtf8(std::string_view bytes);

// The length of the well-formed sequence that starts at `at` (< size), 1 for
// an ASCII byte, or 0 when the byte there starts none (a stray continuation
// byte, an overlong form, a surrogate, a code point above U+10FFFF, a
// truncated or invalid sequence), for a writer that replaces what is not
// well-formed.
std::size_t wellFormedSequenceLength(std::string_view bytes, std::size_t at);

} // namespace tavlori

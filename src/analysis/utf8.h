#pragma once
// The one test of UTF-8 text: page bytes, decoded link escapes.
#include <string_view>

namespace tavlori {

// True when the bytes are well-formed UTF-8 (no overlong form, no surrogate,
// no truncated or invalid sequence).
bool isWellFormedUtf8(std::string_view bytes);

} // namespace tavlori

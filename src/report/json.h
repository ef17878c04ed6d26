#pragma once
// Writing JSON text. Every string the report prints passes through here.
#include <string>
#include <string_view>

namespace tavlori {

// Appends `text` to `out` as a JSON string literal, quotes included.
// Well-formed UTF-8 is copied as it stands; '"', '\\' and every control
// character below U+0020 are escaped. A byte that does not belong to a
// well-formed UTF-8 sequence (a file name in another encoding, say) is written
// as U+FFFD, one per such byte, so that the output is always valid JSON.
void appendJsonString(std::string &out, std::string_view text);

} // namespace tavlori

#include "report/json.h"

#include <cstddef>

namespace tavlori {

namespace {

// The length of the well-formed UTF-8 sequence that starts at `i`, or 0 when
// the byte there does not start one (stray continuation byte, overlong form,
// surrogate, code point above U+10FFFF, truncated sequence).
std::size_t wellFormedLength(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    const std::size_t left = s.size() - i;
    const auto continuation = [&](std::size_t k) { return k < s.size() && (byte(k) & 0xC0) == 0x80; };
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        return left >= 2 && continuation(i + 1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (left < 3 || !continuation(i + 1) || !continuation(i + 2))
            return 0;
        const unsigned char b1 = byte(i + 1);
        if (b0 == 0xE0 && b1 < 0xA0)
            return 0; // overlong
        if (b0 == 0xED && b1 >= 0xA0)
            return 0; // surrogate
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (left < 4 || !continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3))
            return 0;
        const unsigned char b1 = byte(i + 1);
        if (b0 == 0xF0 && b1 < 0x90)
            return 0; // overlong
        if (b0 == 0xF4 && b1 >= 0x90)
            return 0; // above U+10FFFF
        return 4;
    }
    return 0;
}

} // namespace

void appendJsonString(std::string &out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t n = wellFormedLength(text, i);
            if (n == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text, i, n);
                i += n;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
}

} // namespace tavlori

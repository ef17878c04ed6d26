#include "report/json.h"

#include "analysis/utf8.h"

#include <cstddef>

namespace tavlori {

void appendJsonString(std::string &out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t n = wellFormedSequenceLength(text, i);
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
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
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

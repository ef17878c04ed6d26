// Page text from arbitrary file bytes: the result is always clean UTF-8 text
// with CR LF line ends, and for UTF-8 input, input after a UTF-8 byte-order
// mark and input that declares no encoding it is exactly what the reading
// rules make of it, computed here the slow, literal way.
#include "analysis/pagetext.h"
#include "analysis/utf8.h"

#include "fuzzcheck.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/ustring.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace tavlori;
using fuzz::check;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Decodes code point by code point and checks each against the ranges the
// Unicode standard allows: shortest form, no surrogate, nothing above U+10FFFF.
bool naiveWellFormed(std::string_view bytes)
{
    static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length;
        std::uint32_t cp;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            cp = lead & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// The reading rules for decoded text, step by step: cut at the first U+0000,
// split into lines at CR LF, lone CR and lone LF, join each line with CR LF.
std::string naiveLines(std::string text)
{
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text = text.substr(0, nul);
    std::vector<std::string> lines;
    std::string line;
    bool lineOpen = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            lineOpen = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
            lineOpen = true;
        }
    }
    if (lineOpen)
        lines.push_back(line);
    std::string out;
    for (const std::string &l : lines)
        out += l + "\r\n";
    return out;
}

// True when "charset" stands anywhere in the first 1024 bytes, in any letter
// case: without it no <meta> there can declare an encoding.
bool mentionsCharset(std::string_view bytes)
{
    const std::string_view window = bytes.substr(0, 1024);
    const std::string_view word = "charset";
    for (std::size_t i = 0; i + word.size() <= window.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < word.size() && same; ++k) {
            char c = window[i + k];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            same = c == word[k];
        }
        if (same)
            return true;
    }
    return false;
}

// The bytes decoded by ICU's converter `name` with its default callbacks,
// through UTF-16 and then to UTF-8; nothing when ICU cannot open `name`.
std::optional<std::string> icuDecoded(const char *name, std::string_view bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open(name, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    std::u16string units(bytes.size() * 2 + 2, u'\0');
    status = U_ZERO_ERROR;
    const int32_t unitCount = ucnv_toUChars(converter, units.data(), static_cast<int32_t>(units.size()),
                                            bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    ucnv_close(converter);
    check(U_SUCCESS(status), "reference: ucnv_toUChars", bytes);
    units.resize(static_cast<std::size_t>(unitCount));
    std::string utf8(units.size() * 3 + 1, '\0');
    int32_t length = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(utf8.data(), static_cast<int32_t>(utf8.size()), &length, units.data(),
                       static_cast<int32_t>(units.size()), 0xFFFD, nullptr, &status);
    check(U_SUCCESS(status), "reference: u_strToUTF8WithSub", bytes);
    utf8.resize(static_cast<std::size_t>(length));
    return utf8;
}

// An undeclared page: the encoding ICU's detector names as its best match for
// all the bytes, input filter off; ISO-8859-1 when it names none or one ICU
// cannot open.
std::string detectedDecoding(std::string_view bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector *detector = ucsdet_open(&status);
    check(U_SUCCESS(status), "reference: ucsdet_open");
    ucsdet_enableInputFilter(detector, false);
    ucsdet_setText(detector, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    const UCharsetMatch *best = ucsdet_detect(detector, &status);
    std::optional<std::string> decoded;
    if (U_SUCCESS(status) && best != nullptr) {
        const char *name = ucsdet_getName(best, &status);
        if (U_SUCCESS(status) && name != nullptr)
            decoded = icuDecoded(name, bytes);
    }
    ucsdet_close(detector);
    if (!decoded)
        decoded = icuDecoded("ISO-8859-1", bytes);
    return *decoded;
}

void checkShape(std::string_view text)
{
    check(isWellFormedUtf8(text) && naiveWellFormed(text), "page text is well-formed UTF-8", text);
    check(text.find('\0') == std::string_view::npos, "page text holds no NUL", text);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            check(i + 1 < text.size() && text[i + 1] == '\n', "every CR is followed by LF", text);
        if (text[i] == '\n')
            check(i > 0 && text[i - 1] == '\r', "every LF follows a CR", text);
    }
    check(text.empty() || text.ends_with("\r\n"), "a non-empty page text ends with CR LF", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);

    // The fast UTF-8 check against the code-point decoder, at several
    // alignments so every path of its word-at-a-time scan is exercised.
    for (std::size_t skip = 0; skip < 8 && skip <= bytes.size(); ++skip) {
        const std::string_view part = bytes.substr(skip);
        check(isWellFormedUtf8(part) == naiveWellFormed(part), "isWellFormedUtf8 agrees with a plain decoder",
              part);
    }

    const std::string text = pageTextFromBytes(bytes);
    checkShape(text);

    std::string_view stripped = bytes;
    if (stripped.starts_with(kBom))
        stripped.remove_prefix(kBom.size());

    if (naiveWellFormed(stripped)) {
        check(text == naiveLines(std::string(stripped)), "UTF-8 page text follows the line rules", bytes);
        // The simple case: no NUL, no CR, no second mark: only LF gets its CR.
        if (stripped.find_first_of(std::string_view("\0\r", 2)) == std::string_view::npos
            && !stripped.starts_with(kBom)) {
            std::string expected;
            for (char c : stripped) {
                if (c == '\n')
                    expected += '\r';
                expected += c;
            }
            if (!expected.empty() && !expected.ends_with('\n'))
                expected += "\r\n";
            check(text == expected, "LF becomes CR LF and the text ends with CR LF", bytes);
        }
    } else if (bytes.starts_with(kBom)) {
        check(text == naiveLines(*icuDecoded("UTF-8", stripped)),
              "after a UTF-8 byte-order mark the page is read as UTF-8 with substitutes", bytes);
    } else if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF") && !mentionsCharset(bytes)) {
        check(text == naiveLines(detectedDecoding(bytes)),
              "an undeclared page is read in the encoding the detector names", bytes);
    }

    // A leading mark on UTF-8 is dropped and nothing else about the text
    // changes; on anything else it makes the page UTF-8.
    if (!bytes.starts_with(kBom)) {
        const std::string marked = std::string(kBom) + std::string(bytes);
        const std::string expected = naiveWellFormed(bytes) ? text : naiveLines(*icuDecoded("UTF-8", bytes));
        check(pageTextFromBytes(marked) == expected, "a leading UTF-8 byte-order mark declares UTF-8", bytes);
    }
    return 0;
}

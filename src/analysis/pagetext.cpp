#include "analysis/pagetext.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include "analysis/ascii.h"
#include "analysis/utf8.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace tavlori {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kDeclarationWindow = 1024;

// Appends [p, end) to `out` with every CR LF, lone CR and lone LF made CR LF
// and a CR LF after the last line. [p, end) is UTF-8 without U+0000 and
// starts a line, so a 0x00, CR or LF byte is always that character.
void appendLines(const char *p, const char *const end, std::string &out)
{
    // The next CR and the next LF at or after the cursor, each searched again
    // only once the cursor has passed it, so the whole text is scanned twice
    // at memchr speed however the breaks are mixed.
    auto find = [end](const char *from, char c) {
        const void *hit = std::memchr(from, c, end - from);
        return hit ? static_cast<const char *>(hit) : end;
    };
    const char *nextCr = find(p, '\r');
    const char *nextLf = find(p, '\n');
    while (p < end) {
        if (nextCr < p)
            nextCr = find(p, '\r');
        if (nextLf < p)
            nextLf = find(p, '\n');
        const char *brk = nextCr < nextLf ? nextCr : nextLf;
        out.append(p, brk - p);
        out.append("\r\n", 2);
        if (brk == end)
            break;
        // CR LF is one break; a lone CR or a lone LF is one break each.
        p = brk + ((*brk == '\r' && brk + 1 < end && brk[1] == '\n') ? 2 : 1);
    }
}

// Room for the common cases (CR LF already, or one added CR per line)
// without growing; the string grows geometrically beyond that.
std::size_t normalizedReserve(std::size_t size)
{
    return size + size / 8 + 2;
}

// The text from `text` up to its first U+0000, every CR LF, lone CR and lone
// LF made CR LF, and a non-empty result ended with CR LF. `text` is UTF-8, so
// a 0x00, CR or LF byte is always that character and never part of another.
// `out` is emptied first; its capacity is reused.
void copyNormalizedLines(std::string_view text, std::string &out)
{
    out.clear();
    if (const void *nul = std::memchr(text.data(), 0, text.size()))
        text = text.substr(0, static_cast<const char *>(nul) - text.data());
    if (text.empty())
        return;
    out.reserve(normalizedReserve(text.size()));
    appendLines(text.data(), text.data() + text.size(), out);
}

// The same as copyNormalizedLines, but `text` itself (up to its first U+0000) when
// that is already the result: every line ended by CR LF, the last one too.
// Otherwise the lines checked so far are copied as they stand and the rest
// is normalised after them, so no byte is scanned twice for its breaks.
std::string_view normalizedLinesView(std::string_view text, std::string &out)
{
    out.clear();
    if (const void *nul = std::memchr(text.data(), 0, text.size()))
        text = text.substr(0, static_cast<const char *>(nul) - text.data());
    const char *const begin = text.data();
    const char *const end = begin + text.size();
    const char *p = begin; // the start of the first line not yet checked
    while (p < end) {
        const void *cr = std::memchr(p, '\r', end - p);
        const char *const brk = cr ? static_cast<const char *>(cr) : end;
        // A line that is not ended by CR LF: a LF on its own, a lone CR, or
        // the end of the text without a break.
        if (brk == end || brk + 1 == end || brk[1] != '\n' || std::memchr(p, '\n', brk - p))
            break;
        p = brk + 2;
    }
    if (p == end)
        return text;
    out.reserve(normalizedReserve(text.size()));
    out.append(begin, p - begin);
    appendLines(p, end, out);
    return out;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::size_t findIgnoringCase(std::string_view hay, std::string_view lowerNeedle, std::size_t from = 0)
{
    for (std::size_t i = from; i + lowerNeedle.size() <= hay.size(); ++i)
        if (equalFolded(hay.substr(i, lowerNeedle.size()), lowerNeedle))
            return i;
    return std::string_view::npos;
}

// The encoding name after "charset" in a content value such as
// "text/html; charset=Shift_JIS": spaces, "=", spaces, an optional quote, and
// the name up to the closing quote, a space or ";".
std::string_view charsetFromContent(std::string_view content)
{
    for (std::size_t at = findIgnoringCase(content, "charset"); at != std::string_view::npos;
         at = findIgnoringCase(content, "charset", at + 1)) {
        std::size_t i = at + 7;
        while (i < content.size() && isSpace(content[i]))
            ++i;
        if (i >= content.size() || content[i] != '=')
            continue;
        ++i;
        while (i < content.size() && isSpace(content[i]))
            ++i;
        char quote = 0;
        if (i < content.size() && (content[i] == '"' || content[i] == '\''))
            quote = content[i++];
        std::size_t stop = i;
        while (stop < content.size() && content[stop] != quote && content[stop] != ';'
               && !isSpace(content[stop]))
            ++stop;
        return content.substr(i, stop - i);
    }
    return {};
}

// The charset that a <meta> tag starting at `tag` declares, read attribute by
// attribute: charset=NAME, or http-equiv="Content-Type" together with
// content="...charset=NAME". Empty when the tag declares none.
std::string_view charsetOfMetaTag(std::string_view tag)
{
    std::string_view content;
    bool contentType = false;
    std::size_t i = 5; // past "<meta"
    while (i < tag.size()) {
        while (i < tag.size() && (isSpace(tag[i]) || tag[i] == '/'))
            ++i;
        if (i >= tag.size() || tag[i] == '>')
            break;
        const std::size_t nameStart = i;
        while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '=' && tag[i] != '>')
            ++i;
        const std::string_view name = tag.substr(nameStart, i - nameStart);
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        std::string_view value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && isSpace(tag[i]))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i++];
                const std::size_t stop = tag.find(quote, i);
                const std::size_t valueEnd = stop == std::string_view::npos ? tag.size() : stop;
                value = tag.substr(i, valueEnd - i);
                i = valueEnd + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '>')
                    ++i;
                value = tag.substr(valueStart, i - valueStart);
            }
        }
        if (equalFolded(name, "charset"))
            return value;
        if (equalFolded(name, "content"))
            content = value;
        else if (equalFolded(name, "http-equiv"))
            contentType = equalFolded(value, "content-type");
    }
    return contentType ? charsetFromContent(content) : std::string_view{};
}

// The charset declared by the first <meta> tag in the first 1024 bytes that
// declares one.
std::string_view declaredCharset(std::string_view bytes)
{
    const std::string_view window = bytes.substr(0, kDeclarationWindow);
    for (std::size_t at = findIgnoringCase(window, "<meta"); at != std::string_view::npos;
         at = findIgnoringCase(window, "<meta", at + 5)) {
        if (at + 5 < window.size() && !isSpace(window[at + 5]) && window[at + 5] != '/')
            continue; // <metadata> or the like
        std::string_view tag = window.substr(at);
        tag = tag.substr(0, tag.find('>'));
        if (const std::string_view charset = charsetOfMetaTag(tag); !charset.empty())
            return charset;
    }
    return {};
}

// The converter name to use for a declared label. As browsers do, a UTF-16
// label in an ASCII-readable <meta> means UTF-8, and the Latin-1 / ASCII
// labels mean windows-1252. Names holding anything but the characters of
// encoding labels are refused, so nothing odd reaches the converter lookup.
std::string converterNameFor(std::string_view label)
{
    if (label.empty() || label.size() > 64)
        return {};
    std::string name;
    for (char c : label) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
                        || c == '_' || c == '.' || c == ':' || c == '+';
        if (!ok)
            return {};
        name += foldAscii(c);
    }
    if (name == "utf-16" || name == "utf-16le" || name == "utf-16be")
        return "utf-8";
    if (name == "iso-8859-1" || name == "latin1" || name == "l1" || name == "us-ascii" || name == "ascii"
        || name == "iso8859-1" || name == "iso_8859-1")
        return "windows-1252";
    return name;
}

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

// A converter for `name` with ICU's default callbacks; null when ICU does not
// know the name.
Converter openConverter(const char *name)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status), &ucnv_close);
    if (U_FAILURE(status))
        converter.reset();
    return converter;
}

// `bytes` decoded with `converter` into UTF-8; sequences the encoding does
// not define become U+FFFD. Empty when the bytes are too many for ICU.
std::string decodeToUtf8(std::string_view bytes, UConverter *converter)
{
    const auto length = static_cast<int32_t>(bytes.size());
    if (length < 0 || static_cast<std::size_t>(length) != bytes.size())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    // Three UTF-8 bytes per source byte covers every common encoding; the
    // preflighted length covers the rest.
    std::string out(bytes.size() * 3 + 16, '\0');
    int32_t written = ucnv_toAlgorithmic(UCNV_UTF8, converter, out.data(), static_cast<int32_t>(out.size()),
                                         bytes.data(), length, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        ucnv_resetToUnicode(converter);
        out.assign(static_cast<std::size_t>(written), '\0');
        written = ucnv_toAlgorithmic(UCNV_UTF8, converter, out.data(), static_cast<int32_t>(out.size()),
                                     bytes.data(), length, &status);
    }
    if (U_FAILURE(status))
        return {};
    out.resize(static_cast<std::size_t>(written));
    return out;
}

// The converter for a page that declares no encoding ICU can open: the one
// ICU's charset detector names as its best match for all of the bytes (no
// markup filtering), or ISO-8859-1 when it names none or names one that ICU
// has no converter for.
Converter detectedConverter(std::string_view bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status), &ucsdet_close);
    const auto length = static_cast<int32_t>(bytes.size());
    if (U_SUCCESS(status) && length >= 0 && static_cast<std::size_t>(length) == bytes.size()) {
        ucsdet_enableInputFilter(detector.get(), false);
        ucsdet_setText(detector.get(), bytes.data(), length, &status);
        const UCharsetMatch *match = ucsdet_detect(detector.get(), &status);
        const char *name = match && U_SUCCESS(status) ? ucsdet_getName(match, &status) : nullptr;
        if (name && U_SUCCESS(status))
            if (Converter converter = openConverter(name))
                return converter;
    }
    return openConverter("ISO-8859-1");
}

} // namespace

std::string pageTextFromBytes(std::string_view bytes)
{
    std::string text;
    pageTextFromBytes(bytes, text);
    return text;
}

namespace {

// The text of bytes that are not well-formed UTF-8 (after a UTF-8 byte-order
// mark, already dropped when `utf8Marked`): read in the encoding the page
// declares, or else in the one the bytes look like.
void decodedPageText(std::string_view bytes, bool utf8Marked, std::string &text)
{
    Converter converter(nullptr, &ucnv_close);
    std::string_view source = bytes;
    if (utf8Marked) {
        converter = openConverter("UTF-8");
    } else if (bytes.starts_with("\xFF\xFE")) {
        converter = openConverter("UTF-16LE");
        source.remove_prefix(2);
    } else if (bytes.starts_with("\xFE\xFF")) {
        converter = openConverter("UTF-16BE");
        source.remove_prefix(2);
    } else if (const std::string name = converterNameFor(declaredCharset(bytes)); !name.empty()) {
        converter = openConverter(name.c_str());
    }
    if (!converter) {
        converter = detectedConverter(bytes);
        source = bytes;
    }
    copyNormalizedLines(converter ? decodeToUtf8(source, converter.get()) : std::string(), text);
}

} // namespace

std::string_view pageTextView(std::string_view bytes, std::string &text)
{
    const bool utf8Marked = bytes.starts_with(kUtf8Bom);
    if (utf8Marked)
        bytes.remove_prefix(kUtf8Bom.size());
    if (isWellFormedUtf8(bytes))
        return normalizedLinesView(bytes, text);
    decodedPageText(bytes, utf8Marked, text);
    return text;
}

void pageTextFromBytes(std::string_view bytes, std::string &text)
{
    // A UTF-8 byte-order mark declares UTF-8, whatever follows: ill-formed
    // sequences in the rest become U+FFFD.
    const bool utf8Marked = bytes.starts_with(kUtf8Bom);
    if (utf8Marked)
        bytes.remove_prefix(kUtf8Bom.size());
    if (isWellFormedUtf8(bytes)) {
        copyNormalizedLines(bytes, text);
        return;
    }
    decodedPageText(bytes, utf8Marked, text);
}

} // namespace tavlori

#include "analysis/pagetext.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavlori {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kDeclarationWindow = 1024;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The index, in memory order, of the lowest-addressed byte whose bit is set
// in `bits` (a word loaded from memory, non-zero).
int firstSetByte(std::uint64_t bits)
{
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(bits) / 8;
    else
        return std::countl_zero(bits) / 8;
}

std::uint64_t load8(const unsigned char *p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Checks the sequences from `p` to `end` one by one: ASCII runs sixteen
// bytes at a time, every other sequence by its lead byte. These are the
// well-formed sequences of the Unicode standard: no overlong form, no
// surrogate (ED A0..BF), nothing above U+10FFFF.
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
                const std::uint64_t first = load8(p) & kHighBits;
                const std::uint64_t second = load8(p + 8) & kHighBits;
                if ((first | second) != 0) {
                    p += first != 0 ? firstSetByte(first) : 8 + firstSetByte(second);
                    break;
                }
                p += 16;
            }
            continue;
        }
        const std::ptrdiff_t left = end - p;
        if (c >= 0xC2 && c <= 0xDF) {
            if (left < 2 || !isContinuation(p[1]))
                return false;
            p += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            if (left < 3)
                return false;
            const unsigned char lo = c == 0xE0 ? 0xA0 : 0x80;
            const unsigned char hi = c == 0xED ? 0x9F : 0xBF;
            if (p[1] < lo || p[1] > hi || !isContinuation(p[2]))
                return false;
            p += 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            if (left < 4)
                return false;
            const unsigned char lo = c == 0xF0 ? 0x90 : 0x80;
            const unsigned char hi = c == 0xF4 ? 0x8F : 0xBF;
            if (p[1] < lo || p[1] > hi || !isContinuation(p[2]) || !isContinuation(p[3]))
                return false;
            p += 4;
        } else {
            return false; // a stray continuation byte, C0, C1 or F5..FF
        }
    }
    return true;
}

#if defined(__SSE2__)
constexpr std::size_t kBlock = 16;

__m128i splat(unsigned char c) { return _mm_set1_epi8(static_cast<char>(c)); }

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
    const __m128i wanted = _mm_or_si128(_mm_or_si128(_mm_subs_epu8(prev1, splat(0xBF)),
                                                     _mm_subs_epu8(prev2, splat(0xDF))),
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
std::size_t normalizedReserve(std::size_t size) { return size + size / 8 + 2; }

// The text from `text` up to its first U+0000, every CR LF, lone CR and lone
// LF made CR LF, and a non-empty result ended with CR LF. `text` is UTF-8, so
// a 0x00, CR or LF byte is always that character and never part of another.
// `out` is emptied first; its capacity is reused.
void normalizeLines(std::string_view text, std::string &out)
{
    out.clear();
    if (const void *nul = std::memchr(text.data(), 0, text.size()))
        text = text.substr(0, static_cast<const char *>(nul) - text.data());
    if (text.empty())
        return;
    out.reserve(normalizedReserve(text.size()));
    appendLines(text.data(), text.data() + text.size(), out);
}

// The same as normalizeLines, but `text` itself (up to its first U+0000) when
// that is already the result: every line ended by CR LF, the last one too.
// Otherwise the lines checked so far are copied as they stand and the rest
// is normalised after them, so no byte is scanned twice for its breaks.
std::string_view normalizedLines(std::string_view text, std::string &out)
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

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool equalsIgnoringCase(std::string_view a, std::string_view lowerB)
{
    if (a.size() != lowerB.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != lowerB[i])
            return false;
    return true;
}

std::size_t findIgnoringCase(std::string_view hay, std::string_view lowerNeedle, std::size_t from = 0)
{
    for (std::size_t i = from; i + lowerNeedle.size() <= hay.size(); ++i)
        if (equalsIgnoringCase(hay.substr(i, lowerNeedle.size()), lowerNeedle))
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
        if (equalsIgnoringCase(name, "charset"))
            return value;
        if (equalsIgnoringCase(name, "content"))
            content = value;
        else if (equalsIgnoringCase(name, "http-equiv"))
            contentType = equalsIgnoringCase(value, "content-type");
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
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '-' || c == '_' || c == '.' || c == ':' || c == '+';
        if (!ok)
            return {};
        name += asciiLower(c);
    }
    if (name == "utf-16" || name == "utf-16le" || name == "utf-16be")
        return "utf-8";
    if (name == "iso-8859-1" || name == "latin1" || name == "l1" || name == "us-ascii"
        || name == "ascii" || name == "iso8859-1" || name == "iso_8859-1")
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
    int32_t written = ucnv_toAlgorithmic(UCNV_UTF8, converter, out.data(),
                                         static_cast<int32_t>(out.size()), bytes.data(), length,
                                         &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        ucnv_resetToUnicode(converter);
        out.assign(static_cast<std::size_t>(written), '\0');
        written = ucnv_toAlgorithmic(UCNV_UTF8, converter, out.data(),
                                     static_cast<int32_t>(out.size()), bytes.data(), length,
                                     &status);
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
    std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status),
                                                                         &ucsdet_close);
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
    normalizeLines(converter ? decodeToUtf8(source, converter.get()) : std::string(), text);
}

} // namespace

std::string_view pageTextView(std::string_view bytes, std::string &text)
{
    const bool utf8Marked = bytes.starts_with(kUtf8Bom);
    if (utf8Marked)
        bytes.remove_prefix(kUtf8Bom.size());
    if (isWellFormedUtf8(bytes))
        return normalizedLines(bytes, text);
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
        normalizeLines(bytes, text);
        return;
    }
    decodedPageText(bytes, utf8Marked, text);
}

} // namespace tavlori

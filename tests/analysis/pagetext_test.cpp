#include "analysis/pagetext.h"

#include <gtest/gtest.h>
#include <unicode/ustring.h>

#include <string>
#include <string_view>

using namespace std::string_literals;
using tavlori::isWellFormedUtf8;
using tavlori::pageTextFromBytes;

namespace {

struct Utf8Case {
    const char *what;
    std::string bytes;
    bool wellFormed;
};

TEST(IsWellFormedUtf8, AcceptsWellFormedAndRejectsEveryIllFormedKind)
{
    const std::string ascii16(16, 'a');
    const Utf8Case cases[] = {
        {"empty", "", true},
        {"ascii", "<a href=\"x.htm\">", true},
        {"ascii longer than the fast path", ascii16 + ascii16 + "tail", true},
        {"two-byte lowest", "\xC2\x80", true},
        {"three-byte lowest", "\xE0\xA0\x80", true},
        {"last before surrogates", "\xED\x9F\xBF", true},
        {"first after surrogates", "\xEE\x80\x80", true},
        {"BMP highest", "\xEF\xBF\xBF", true},
        {"four-byte lowest", "\xF0\x90\x80\x80", true},
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", true},
        {"Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", true},
        {"multibyte after a fast-path block", ascii16 + "\xE6\x97\xA5" + ascii16, true},
        {"overlong two-byte C0", "\xC0\xAF", false},
        {"overlong two-byte C1", "\xC1\xBF", false},
        {"overlong three-byte", "\xE0\x9F\xBF", false},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF", false},
        {"surrogate low end", "\xED\xA0\x80", false},
        {"surrogate high end", "\xED\xBF\xBF", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"lead F5", "\xF5\x80\x80\x80", false},
        {"byte FF", "a\xFF" "b", false},
        {"stray continuation", "a\x80" "b", false},
        {"truncated two-byte at end", "abc\xC3", false},
        {"truncated three-byte at end", "abc\xE6\x97", false},
        {"truncated four-byte at end", "abc\xF0\x90\x80", false},
        {"non-continuation inside", "\xE6\x97" "A", false},
        {"invalid byte after a fast-path block", ascii16 + "\x80" + ascii16, false},
        {"invalid byte early in a long ASCII run", "a\x80" + ascii16 + ascii16, false},
        {"invalid byte late in a sixteen-byte block", "ab" + ascii16 + "\xC0\x80" + ascii16, false},
        {"invalid byte at the end of a long text", ascii16 + ascii16 + ascii16 + "\xFE", false},
        {"Shift_JIS", "\x93\xFA\x96\x7B\x8C\xEA", false},
    };
    for (const Utf8Case &c : cases)
        EXPECT_EQ(isWellFormedUtf8(c.bytes), c.wellFormed) << c.what;
}

// ICU's strict conversion, which rejects the same sequences, judges every
// one-, two- and three-byte string and a spread of four-byte ones.
bool icuAccepts(std::string_view bytes)
{
    UChar buffer[8];
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(buffer, 8, &length, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    return U_SUCCESS(status);
}

TEST(IsWellFormedUtf8, AgreesWithIcuOnShortSequences)
{
    std::string s;
    for (int a = 1; a < 256; ++a) {
        s.assign(1, char(a));
        ASSERT_EQ(isWellFormedUtf8(s), icuAccepts(s)) << a;
        for (int b = 1; b < 256; ++b) {
            s.assign({char(a), char(b)});
            ASSERT_EQ(isWellFormedUtf8(s), icuAccepts(s)) << a << ' ' << b;
            if (a < 0xC0)
                continue; // only a lead byte can start a longer sequence
            for (int c = 1; c < 256; ++c) {
                s.assign({char(a), char(b), char(c)});
                ASSERT_EQ(isWellFormedUtf8(s), icuAccepts(s)) << a << ' ' << b << ' ' << c;
            }
            for (int c : {0x41, 0x80, 0xBF, 0xC0})
                for (int d : {0x41, 0x80, 0xBF, 0xC0}) {
                    s.assign({char(a), char(b), char(c), char(d)});
                    ASSERT_EQ(isWellFormedUtf8(s), icuAccepts(s))
                        << a << ' ' << b << ' ' << c << ' ' << d;
                }
        }
    }
}

// Long texts are checked sixteen bytes at a time: every one-, two- and
// three-byte string (and the four-byte spread) placed inside ASCII text,
// at each place relative to a block edge, is judged as it is alone; inside
// a run of Japanese it is judged the same way.
TEST(IsWellFormedUtf8, LongTextsAgreeWithShortOnesAtEveryBlockOffset)
{
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xA7\xE3\x81\x99";
    std::string s, ascii, mixed;
    auto check = [&](const std::string &piece) {
        const bool expected = isWellFormedUtf8(piece);
        for (std::size_t at = 12; at <= 32; at += 4) {
            ascii.assign(48, 'a').replace(at, piece.size(), piece);
            ASSERT_EQ(isWellFormedUtf8(ascii), expected) << at;
        }
        // Five whole Japanese characters before and after, the block edge
        // falling anywhere in and around the piece.
        for (std::size_t lead = 0; lead < 4; ++lead) {
            mixed.assign(lead, 'a');
            mixed.append(japanese).append(piece).append(japanese).append(20, 'b');
            ASSERT_EQ(isWellFormedUtf8(mixed), expected) << lead;
        }
        // The piece at the very end of a long text.
        mixed.assign(japanese).append("x").append(piece);
        ASSERT_EQ(isWellFormedUtf8(mixed), expected) << "at the end";
    };
    for (int a = 1; a < 256; ++a) {
        s.assign(1, char(a));
        check(s);
        for (int b = 1; b < 256; ++b) {
            s.assign({char(a), char(b)});
            check(s);
            if (a < 0xC0)
                continue;
            for (int c = 1; c < 256; ++c) {
                s.assign({char(a), char(b), char(c)});
                check(s);
            }
            for (int c : {0x41, 0x80, 0xBF, 0xC0})
                for (int d : {0x41, 0x80, 0xBF, 0xC0}) {
                    s.assign({char(a), char(b), char(c), char(d)});
                    check(s);
                }
        }
    }
}

struct TextCase {
    const char *what;
    std::string bytes;
    std::string text;
};

void expectTexts(const std::initializer_list<TextCase> &cases)
{
    for (const TextCase &c : cases)
        EXPECT_EQ(pageTextFromBytes(c.bytes), c.text) << c.what;
}

TEST(PageTextFromBytes, ByteOrderMarkAndLineBreaks)
{
    expectTexts({
        {"empty file", "", ""},
        {"mark only", "\xEF\xBB\xBF", ""},
        {"mark dropped, term at the start kept", "\xEF\xBB\xBF&&&x", "&&&x\r\n"},
        {"only the first mark is dropped", "\xEF\xBB\xBF\xEF\xBB\xBF" "a", "\xEF\xBB\xBF" "a\r\n"},
        {"LF", "a\nb", "a\r\nb\r\n"},
        {"CR LF kept", "a\r\nb\r\n", "a\r\nb\r\n"},
        {"lone CR", "a\rb", "a\r\nb\r\n"},
        {"CR CR LF is two breaks", "a\r\r\nb", "a\r\n\r\nb\r\n"},
        {"LF CR is two breaks", "a\n\rb", "a\r\n\r\nb\r\n"},
        {"trailing LF adds no empty line", "a\n", "a\r\n"},
        {"trailing lone CR", "a\r", "a\r\n"},
        {"break only", "\n", "\r\n"},
        {"blank lines kept", "\n\r\n\r", "\r\n\r\n\r\n"},
        {"no trailing break", "abc", "abc\r\n"},
        {"multibyte text", "\xE6\x97\xA5\r\xE6\x9C\xAC", "\xE6\x97\xA5\r\n\xE6\x9C\xAC\r\n"},
    });
}

TEST(PageTextFromBytes, CutAtFirstNul)
{
    expectTexts({
        {"text before the NUL kept", "a\nb\0c\nd"s, "a\r\nb\r\n"},
        {"NUL at the start", "\0abc"s, ""},
        {"NUL after the mark", "\xEF\xBB\xBF\0abc"s, ""},
        {"NUL at the end", "a\nb\0"s, "a\r\nb\r\n"},
        {"NUL right after a CR", "a\r\0\nb"s, "a\r\n"},
        {"ill-formed bytes after the NUL still count", "abc\0\xFF"s, ""},
    });
}

TEST(PageTextFromBytes, IllFormedUtf8WithoutDeclarationIsEmpty)
{
    expectTexts({
        {"overlong", "<a href=\"x.htm\">\xC0\xAF", ""},
        {"surrogate", "<a href=\"x.htm\">\xED\xA0\x80", ""},
        {"truncated at end", "<a href=\"x.htm\">\xE6\x97", ""},
        {"invalid byte in the middle", "<a href=\"x.htm\">\xFF</a>", ""},
        {"above U+10FFFF", "<a href=\"x.htm\">\xF4\x90\x80\x80", ""},
        {"Shift_JIS without a declaration",
         "<p>\x93\xFA\x96\x7B\x8C\xEA</p>\n<a href=\"b.htm\">", ""},
    });
}

// 日本語 表 ｱ in Shift_JIS (表 ends in the byte 5C), EUC-JP and UTF-8.
const std::string kSjis = "\x93\xFA\x96\x7B\x8C\xEA \x95\x5C \xB1";
const std::string kEucJp = "\xC6\xFC\xCB\xDC\xB8\xEC \xC9\xBD \x8E\xB1";
const std::string kUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xE8\xA1\xA8 \xEF\xBD\xB1";

TEST(PageTextFromBytes, DeclaredLegacyEncodingsAreDecoded)
{
    const std::string body = "<p>" + kSjis + "</p>\n<a href=\"b.htm\">\r";
    const std::string decoded = "<p>" + kUtf8 + "</p>\r\n<a href=\"b.htm\">\r\n";
    const std::string charsetMeta = "<meta charset=\"Shift_JIS\">\n";
    const std::string httpEquivMeta =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n";
    const std::string upperMeta =
        "<HEAD><META HTTP-EQUIV=Content-Type CONTENT='text/html;charset=x-sjis'>\n";
    const std::string eucBody = "<p>" + kEucJp + "</p>\n<a href=\"b.htm\">\r";
    const std::string padding(1024, ' ');
    expectTexts({
        {"meta charset", charsetMeta + body, charsetMeta.substr(0, charsetMeta.size() - 1) + "\r\n" + decoded},
        {"meta http-equiv", httpEquivMeta + body,
         httpEquivMeta.substr(0, httpEquivMeta.size() - 1) + "\r\n" + decoded},
        {"upper case, unquoted and single-quoted", upperMeta + body,
         upperMeta.substr(0, upperMeta.size() - 1) + "\r\n" + decoded},
        {"meta charset unquoted, Windows-31J", "<meta charset=Windows-31J>" + body,
         "<meta charset=Windows-31J>" + decoded},
        {"EUC-JP", "<meta charset='euc-jp'>" + eucBody, "<meta charset='euc-jp'>" + decoded},
        {"declaration beyond the first 1024 bytes", padding + charsetMeta + body, ""},
        {"content without http-equiv declares nothing",
         "<meta name=\"keywords\" content=\"charset=Shift_JIS\">" + body, ""},
        {"<metadata> is not a meta tag", "<metadata charset=\"Shift_JIS\">" + body, ""},
        {"charset ICU does not know", "<meta charset=\"x-no-such-charset\">" + body, ""},
        {"charset with characters no label has", "<meta charset=\"shift jis\">" + body, ""},
    });
}

TEST(PageTextFromBytes, WellFormedUtf8IsReadAsUtf8WhateverItDeclares)
{
    const std::string page = "<meta charset=\"Shift_JIS\">\n<p>" + kUtf8 + "</p>";
    EXPECT_EQ(pageTextFromBytes(page), "<meta charset=\"Shift_JIS\">\r\n<p>" + kUtf8 + "</p>\r\n");
}

TEST(PageTextFromBytes, Iso2022JpIsSevenBitAndReadAsItStands)
{
    // 日本語 in ISO-2022-JP is plain 7-bit bytes, so well-formed UTF-8: the
    // page is read as UTF-8 as it stands, escapes included, and its links
    // are read.
    const std::string page = "<meta charset=\"ISO-2022-JP\">\n\x1B$BF|K\\8l\x1B(B <a href=\"b.htm\">";
    EXPECT_EQ(pageTextFromBytes(page),
              "<meta charset=\"ISO-2022-JP\">\r\n\x1B$BF|K\\8l\x1B(B <a href=\"b.htm\">\r\n");
}

TEST(PageTextFromBytes, Utf16WithByteOrderMark)
{
    auto utf16 = [](std::u16string_view units, bool littleEndian) {
        std::string out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t u : units) {
            const char lo = char(u & 0xFF), hi = char(u >> 8);
            out += littleEndian ? lo : hi;
            out += littleEndian ? hi : lo;
        }
        return out;
    };
    const std::u16string page = u"<a href=\"b.htm\">\n日本語\r";
    const std::string text = "<a href=\"b.htm\">\r\n\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n";
    std::u16string withNul = page;
    withNul += u'\0';
    withNul += u"<a href=\"c.htm\">";
    expectTexts({
        {"UTF-16LE", utf16(page, true), text},
        {"UTF-16BE", utf16(page, false), text},
        {"UTF-16LE cut at U+0000", utf16(withNul, true), text},
        {"byte-order mark only", "\xFF\xFE", ""},
    });
}

TEST(PageTextFromBytes, OtherDeclaredEncodingsDecodeAsBrowsersDo)
{
    expectTexts({
        // A stray byte in a page that declares UTF-8 becomes U+FFFD; the rest
        // of the page, its links included, is read.
        {"ill-formed page declaring UTF-8", "<meta charset=utf-8><a href=\"b.htm\">\xFF",
         "<meta charset=utf-8><a href=\"b.htm\">\xEF\xBF\xBD\r\n"},
        // Latin-1 labels mean windows-1252: 0x93 is a left double quote.
        {"ISO-8859-1 label", "<meta charset=iso-8859-1>\x93x\x94",
         "<meta charset=iso-8859-1>\xE2\x80\x9Cx\xE2\x80\x9D\r\n"},
    });
}

} // namespace

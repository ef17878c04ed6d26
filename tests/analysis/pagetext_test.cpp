#include "analysis/pagetext.h"
#include "analysis/utf8.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <iterator>
#include <random>
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
        {"byte FF",
         "a\xFF"
         "b",
         false},
        {"stray continuation",
         "a\x80"
         "b",
         false},
        {"truncated two-byte at end", "abc\xC3", false},
        {"truncated three-byte at end", "abc\xE6\x97", false},
        {"truncated four-byte at end", "abc\xF0\x90\x80", false},
        {"non-continuation inside",
         "\xE6\x97"
         "A",
         false},
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
                    ASSERT_EQ(isWellFormedUtf8(s), icuAccepts(s)) << a << ' ' << b << ' ' << c << ' ' << d;
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
        {"only the first mark is dropped",
         "\xEF\xBB\xBF\xEF\xBB\xBF"
         "a",
         "\xEF\xBB\xBF"
         "a\r\n"},
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
        // Not UTF-8, so decoded first (the detector takes it for UTF-16LE:
        // "ab", "c", an odd byte) and cut after.
        {"ill-formed bytes after the NUL still count", "abc\0\xFF"s, "\u6261c\uFFFD\r\n"},
    });
}

// Short pages with a stray byte declare nothing, and are too short for the
// detector to be sure of anything: whatever it names, the page is read and
// its markup with it.
TEST(PageTextFromBytes, ShortUndeclaredPagesKeepTheirLinks)
{
    const std::string cases[] = {
        "<a href=\"x.htm\">\xC0\xAF",         "<a href=\"x.htm\">\xED\xA0\x80",
        "<a href=\"x.htm\">\xE6\x97",         "<a href=\"x.htm\">\xFF</a>",
        "<a href=\"x.htm\">\xF4\x90\x80\x80", "<a href=\"x.htm\">\x93\xFA\x96\x7B\x8C\xEA</a>\n",
    };
    for (const std::string &page : cases) {
        const std::string text = pageTextFromBytes(page);
        EXPECT_TRUE(text.starts_with("<a href=\"x.htm\">")) << page << " gave " << text;
        EXPECT_TRUE(text.ends_with("\r\n")) << page;
        EXPECT_TRUE(isWellFormedUtf8(text)) << page;
    }
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
    const std::string upperMeta = "<HEAD><META HTTP-EQUIV=Content-Type CONTENT='text/html;charset=x-sjis'>\n";
    const std::string eucBody = "<p>" + kEucJp + "</p>\n<a href=\"b.htm\">\r";
    expectTexts({
        {"meta charset", charsetMeta + body,
         charsetMeta.substr(0, charsetMeta.size() - 1) + "\r\n" + decoded},
        {"meta http-equiv", httpEquivMeta + body,
         httpEquivMeta.substr(0, httpEquivMeta.size() - 1) + "\r\n" + decoded},
        {"upper case, unquoted and single-quoted", upperMeta + body,
         upperMeta.substr(0, upperMeta.size() - 1) + "\r\n" + decoded},
        {"meta charset unquoted, Windows-31J", "<meta charset=Windows-31J>" + body,
         "<meta charset=Windows-31J>" + decoded},
        {"EUC-JP", "<meta charset='euc-jp'>" + eucBody, "<meta charset='euc-jp'>" + decoded},
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

// Japanese prose, long enough for the charset detector to tell Shift_JIS
// from EUC-JP.
const std::string kProse = "この小さな庭は、春になると桜が咲き、近所の人たちが花を見に集まります。"
                           "夏には木々の緑の葉が強い日差しをやわらげ、子どもたちは木陰で本を読んだり、"
                           "冷たい麦茶を飲んだりして過ごします。秋には紅葉が美しく色づき、落ち葉を集めて"
                           "焼き芋を作るのが毎年の楽しみです。冬の朝には霜が降りて、白く光る芝生の上を"
                           "小鳥が歩き回ります。このページでは、庭で育てている草花や野菜、訪れる鳥や虫の"
                           "ことを、季節ごとに写真と一緒に紹介しています。質問や感想があれば、お知らせの"
                           "ページからお気軽にご連絡ください。";

// `utf8` in the encoding `charset`, made by ICU's converters.
std::string encoded(const char *charset, const std::string &utf8)
{
    UErrorCode status = U_ZERO_ERROR;
    std::string out(utf8.size() * 4 + 16, '\0');
    const int32_t length = ucnv_convert(charset, "UTF-8", out.data(), static_cast<int32_t>(out.size()),
                                        utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status)) << charset << ": " << u_errorName(status);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

// Bytes read as ISO-8859-1: every byte is the code point of its value.
std::string latin1(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

// A page around `body` (UTF-8), and the page text it gives.
std::string page(const std::string &head, const std::string &body)
{
    return head + "<html><body>\n<p>" + body + "</p>\n<a href=\"b.html\">next</a>\n</body></html>\n";
}
std::string pageText(const std::string &head, const std::string &body)
{
    return head + "<html><body>\r\n<p>" + body + "</p>\r\n<a href=\"b.html\">next</a>\r\n</body></html>\r\n";
}

// French prose in ISO-8859-1.
const std::string kFrench =
    "Notre jardin est ouvert tous les jours de la semaine, sauf le lundi. En \xE9t\xE9, les enfants "
    "jouent pr\xE8s de la fontaine et les parents se reposent \xE0 l'ombre des arbres. Le caf\xE9 du "
    "jardin propose des g\xE2teaux, de la cr\xE8me br\xFBl\xE9"
    "e et des boissons fra\xEE"
    "ches. "
    "Nous esp\xE9rons vous voir bient\xF4t !";

TEST(PageTextFromBytes, UndeclaredEncodingsAreDetected)
{
    const std::string sjis = encoded("Shift_JIS", kProse);
    const std::string eucJp = encoded("EUC-JP", kProse);
    const std::string hebrew =
        encoded("ibm-424", "שלום לכולם, זהו אתר קטן על הגינה שלנו. באביב פורחים הפרחים, "
                           "בקיץ העצים נותנים צל, ובסתיו העלים נושרים על הדשא.");
    const std::string padding(1024, ' ');
    expectTexts({
        {"Shift_JIS", page("", sjis), pageText("", kProse)},
        {"EUC-JP", page("", eucJp), pageText("", kProse)},
        {"Shift_JIS with CR LF and a NUL", "\r\n" + sjis + "\r\n\0<a href=\"c.html\">"s,
         "\r\n" + kProse + "\r\n"},
        {"windows-1252: curly quotes and a dash",
         page("", "She said \x93hello\x94 to the caf\xE9 owner \x96 twice, and again the next day."),
         pageText("",
                  "She said \u201Chello\u201D to the caf\u00E9 owner \u2013 twice, and again the next day.")},
        {"ISO-8859-1", page("", kFrench), pageText("", latin1(kFrench))},
        // ICU's detector names nothing for a lone byte 80.
        {"nothing detected: ISO-8859-1", "\x80", "\u0080\r\n"},
        // EBCDIC Hebrew is detected as IBM424_rtl, for which ICU has no converter.
        {"detected encoding ICU cannot open: ISO-8859-1", hebrew, latin1(hebrew) + "\r\n"},
        // Labels that declare nothing ICU can open, each naming the wrong
        // encoding: the detector reads the page as what it is.
        {"charset ICU does not know", page("<meta charset=\"x-no-such-charset\">", sjis),
         pageText("<meta charset=\"x-no-such-charset\">", kProse)},
        {"charset with characters no label has", page("<meta charset=\"euc jp\">", sjis),
         pageText("<meta charset=\"euc jp\">", kProse)},
        {"declaration beyond the first 1024 bytes", page(padding + "<meta charset=\"EUC-JP\">", sjis),
         pageText(padding + "<meta charset=\"EUC-JP\">", kProse)},
        {"content without http-equiv declares nothing",
         page("<meta name=\"keywords\" content=\"charset=EUC-JP\">", sjis),
         pageText("<meta name=\"keywords\" content=\"charset=EUC-JP\">", kProse)},
        {"<metadata> is not a meta tag", page("<metadata charset=\"EUC-JP\">", sjis),
         pageText("<metadata charset=\"EUC-JP\">", kProse)},
    });
}

TEST(PageTextFromBytes, DeclaredEncodingWinsOverDetection)
{
    // EUC-JP bytes are all A1..FE, which windows-1252 reads as Latin-1 does.
    const std::string eucJp = encoded("EUC-JP", kProse);
    const std::string sjis = encoded("Shift_JIS", kProse);
    expectTexts({
        {"windows-1252 over EUC-JP prose", page("<meta charset=\"windows-1252\">", eucJp),
         pageText("<meta charset=\"windows-1252\">", latin1(eucJp))},
        {"a Latin-1 label means windows-1252", page("<meta charset=\"ISO-8859-1\">", eucJp),
         pageText("<meta charset=\"ISO-8859-1\">", latin1(eucJp))},
        {"Shift_JIS declared", page("<meta charset=\"Shift_JIS\">", sjis),
         pageText("<meta charset=\"Shift_JIS\">", kProse)},
    });
}

TEST(PageTextFromBytes, Utf8ByteOrderMarkDeclaresUtf8)
{
    const std::string bom = "\xEF\xBB\xBF";
    const std::string fffd = "\xEF\xBF\xBD";
    expectTexts({
        // Each maximal ill-formed part becomes one U+FFFD; the rest is read.
        {"stray Latin-1 byte", bom + "<a href=\"b.html\">caf\xE9</a>\n",
         "<a href=\"b.html\">caf" + fffd + "</a>\r\n"},
        {"truncated at the end", bom + "\xE6\x97\xA5\xE6\x97", "\xE6\x97\xA5" + fffd + "\r\n"},
        {"overlong",
         bom
             + "a\xC0\xAF"
               "b",
         "a" + fffd + fffd + "b\r\n"},
        {"surrogate",
         bom
             + "a\xED\xA0\x80"
               "b",
         "a" + fffd + fffd + fffd + "b\r\n"},
        {"NUL still cuts", bom + "a\xFF\nb\0c\xFF"s, "a" + fffd + "\r\nb\r\n"},
        // A UTF-16 mark after the UTF-8 one is two bytes that UTF-8 does not have.
        {"UTF-16 mark after it",
         bom
             + "\xFF\xFE"
               "a",
         fffd + fffd + "a\r\n"},
    });

    // The mark outweighs a meta charset and the detector: Shift_JIS prose
    // after it reads as UTF-8 with substitutes, its markup intact.
    const std::string text =
        pageTextFromBytes(bom + page("<meta charset=\"Shift_JIS\">", encoded("Shift_JIS", kProse)));
    EXPECT_TRUE(text.starts_with("<meta charset=\"Shift_JIS\"><html><body>\r\n<p>")) << text;
    EXPECT_TRUE(text.ends_with("</p>\r\n<a href=\"b.html\">next</a>\r\n</body></html>\r\n")) << text;
    EXPECT_NE(text.find(fffd), std::string::npos);
    EXPECT_EQ(text.find("庭"), std::string::npos);
}

} // namespace

namespace {

bool pointsInto(std::string_view view, std::string_view whole)
{
    return view.data() >= whole.data() && view.data() + view.size() <= whole.data() + whole.size();
}

} // namespace

TEST(PageTextView, SameTextAsPageTextFromBytesAndABorrowedOneOnlyWhenTheBytesHoldIt)
{
    struct Case {
        const char *what;
        std::string bytes;
        bool borrowed; // the text is a view into the bytes
    };
    const std::string sjis = "<p>\x93\xFA\x96\x7B\x8C\xEA</p>\r\n";
    const Case cases[] = {
        {"empty", "", true},
        {"CR LF throughout", "<a href=\"a.htm\">\r\n<p>\xE6\x97\xA5</p>\r\n", true},
        {"after a byte-order mark", "\xEF\xBB\xBF<p>x</p>\r\n", true},
        {"cut at U+0000 after a CR LF", "<p>x</p>\r\n\0<a href=\"b.htm\">"s, true},
        {"U+0000 first", "\0<p>x</p>\r\n"s, true},
        {"no break at the end", "<p>x</p>\r\n<p>y</p>", false},
        {"LF only", "<p>x</p>\n<p>y</p>\n", false},
        {"LF after CR LF lines", "a\r\nb\r\nc\nd\r\n", false},
        {"lone CR", "a\rb\r\n", false},
        {"CR at the very end", "a\r\nb\r", false},
        {"CR CR LF", "a\r\r\n", false},
        {"cut at U+0000 inside a line", "<p>x</p>\r\n<p>\0y</p>\r\n"s, false},
        {"ill-formed after a byte-order mark", "\xEF\xBB\xBF<p>\xFF</p>\r\n", false},
        {"Shift_JIS", "<meta charset=\"Shift_JIS\">\r\n" + sjis, false},
        {"UTF-16LE", "\xFF\xFE<\0p\0>\0\r\0\n\0"s, false},
    };
    for (const Case &c : cases) {
        std::string text = "left over from an earlier page";
        const std::string_view view = tavlori::pageTextView(c.bytes, text);
        EXPECT_EQ(view, pageTextFromBytes(c.bytes)) << c.what;
        EXPECT_EQ(pointsInto(view, c.bytes) && !view.empty(), c.borrowed && !view.empty()) << c.what;
        if (!c.borrowed) {
            EXPECT_EQ(view.data(), text.data()) << c.what;
        }
    }
}

TEST(PageTextView, AgreesWithPageTextFromBytesOnRandomLineBreaks)
{
    // Lines of UTF-8 and ASCII with every kind of break, sometimes a stray
    // byte or a U+0000, in one buffer reused from text to text.
    using namespace std::string_view_literals;
    std::mt19937 random(12);
    const std::string_view pieces[] = {
        "<a href=\"x.htm\">", "\xE6\x97\xA5", "\r\n", "\r\n", "\r\n", "\r", "\n", "\0"sv, "\xC3", "abc"};
    std::string text;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const int count = std::uniform_int_distribution<int>(0, 30)(random);
        for (int i = 0; i < count; ++i) {
            const auto pick = std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random);
            // Breaks and stray bytes rarely, so that many texts need no change.
            if (pick >= 5 && std::uniform_int_distribution<int>(0, 9)(random) != 0)
                continue;
            bytes += pieces[pick];
        }
        const std::string_view view = tavlori::pageTextView(bytes, text);
        ASSERT_EQ(view, pageTextFromBytes(bytes)) << testing::PrintToString(bytes);
        // Well-formed bytes are borrowed exactly when they already hold the text.
        const std::string_view body =
            std::string_view(bytes).substr(bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0);
        if (!view.empty() && isWellFormedUtf8(body)) {
            ASSERT_EQ(pointsInto(view, bytes), body.substr(0, view.size()) == view)
                << testing::PrintToString(bytes);
        }
    }
}

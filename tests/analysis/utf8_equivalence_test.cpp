// Non-ASCII text right beside every delimiter: the byte-level scans must cut
// where a scan counting characters would, and full-width look-alikes of the
// delimiters must not count as delimiters.
#include "analysis/expand.h"
#include "analysis/extract.h"
#include "analysis/resolve.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tavlori::expandLinkValues;
using tavlori::extractLinks;
using tavlori::resolveLink;

namespace {

struct ResolveCase {
    std::string baseFolder;
    std::string link;
    std::string expected;
};

struct TextCase {
    std::string input;
    std::string expected;
};

struct LinksCase {
    std::string page;
    std::vector<std::string> values;
};

std::string attributes(const std::vector<std::string> &members)
{
    std::string out;
    for (const std::string &m : members)
        out += " href=\"" + m + "\"";
    return out;
}

std::vector<std::string> names(char first, int count)
{
    std::vector<std::string> out;
    for (int k = 0; k < count; ++k)
        out.push_back(std::string(1, char(first + k)) + ".wav");
    return out;
}

// The members of a range written with text glued to its first and last member.
std::vector<std::string> wrappedRange(char first, const std::string &before, const std::string &after)
{
    auto members = names(first, 26);
    members.front() = before + members.front();
    members.back() += after;
    return members;
}

} // namespace

TEST(Utf8Equivalence, ResolvingWindowsLinks)
{
    const std::string k = R"(D:\サイト\店舗)";
    const ResolveCase cases[] = {
        {k, "商品/一覧.html", R"(D:\サイト\店舗\商品\一覧.html)"},
        // Shift_JIS puts a backslash byte into these two; UTF-8 does not.
        {k, "表/ソ.html", R"(D:\サイト\店舗\表\ソ.html)"},
        {k, "../トップ.html", R"(D:\サイト\トップ.html)"},
        {k, "../../😀.html", R"(D:\😀.html)"},
        // ".." glued to other text is no parent step.
        {k, "一覧../項目.html", R"(D:\サイト\店舗\一覧..\項目.html)"},
        {k, R"(😀..\項目.html)", R"(D:\サイト\店舗\😀..\項目.html)"},
        {k, "一覧/../項目.html", R"(D:\サイト\店舗\項目.html)"},
        {k, "項目.html#部分", R"(D:\サイト\店舗\項目.html)"},
        {k, "日本#語$", R"(D:\サイト\店舗\日本)"},
        {k, "#日本", "#日本"},
        {k, "😀http😀.html", R"(D:\サイト\店舗\😀http😀.html)"},
        {k, "%E9%A0%85%E7%9B%AE.html", R"(D:\サイト\店舗\項目.html)"},
        {k, "ｈｔｔｐ.html", R"(D:\サイト\店舗\ｈｔｔｐ.html)"},
        {k, "価格$１.html", R"(D:\サイト\店舗)"},
        {k, "商品/価格$１.html", R"(D:\サイト\店舗\商品)"},
        // Full-width solidus, number sign, dollar sign and full stops are text.
        {k, "品／番＃１＄.html", R"(D:\サイト\店舗\品／番＃１＄.html)"},
        {k, "．．／上.html", R"(D:\サイト\店舗\．．／上.html)"},
        {k, R"(見る D:\サイト\店舗\a.html)", R"(見る D:\サイト\店舗\a.html)"},
        {k, R"(D:\サイト\店舗２\a.html)", R"(D:\サイト\店舗２\a.html)"},
        {k, R"(D:\サイト\店\a.html)", R"(D:\サイト\店舗\D:\サイト\店\a.html)"},
        {R"(D:\番号#１)", "a.html", R"(D:\番号#１)"},
        {R"(D:\番号#１)", "../a.html", R"(D:\a.html)"},
        {R"(D:\ウェブ\😀)", "../a.html", R"(D:\ウェブ\a.html)"},
        {R"(D:\Ａ＼Ｂ)", "../a.html", R"(D:\a.html)"},
        {R"(D:\ウェブ\a$ｂ)", "項目.html", R"(D:\ウェブ\a$ｂ)"},
    };
    for (const ResolveCase &c : cases) {
        SCOPED_TRACE("baseFolder [" + c.baseFolder + "] link [" + c.link + "]");
        EXPECT_EQ(resolveLink(c.link, c.baseFolder, '\\'), c.expected);
    }
}

TEST(Utf8Equivalence, ResolvingPosixLinks)
{
    const std::string k = "/サイト/店舗";
    const ResolveCase cases[] = {
        {k, R"(商品\一覧.html)", "/サイト/店舗/商品/一覧.html"},
        {k, "../トップ.html", "/サイト/トップ.html"},
        {k, "一覧../項目.html", "/サイト/店舗/一覧../項目.html"},
        {k, "😀/../a.html", "/サイト/店舗/a.html"},
        {k, "../😀/./a.html", "/サイト/😀/a.html"},
        {k, "／..／a.html", "/サイト/店舗/／..／a.html"},
        {k, "見る/サイト/店舗/a.html", "見る/サイト/店舗/a.html"},
        {k, "a😀$.html", "/サイト/店舗"},
    };
    for (const ResolveCase &c : cases) {
        SCOPED_TRACE("baseFolder [" + c.baseFolder + "] link [" + c.link + "]");
        EXPECT_EQ(resolveLink(c.link, c.baseFolder, '/'), c.expected);
    }
}

TEST(Utf8Equivalence, RangeExpansion)
{
    std::vector<std::string> twoRanges = wrappedRange('A', "値", "値");
    const std::vector<std::string> lower = wrappedRange('a', "", "");
    twoRanges.back() += lower.front();
    twoRanges.insert(twoRanges.end(), lower.begin() + 1, lower.end());

    const TextCase cases[] = {
        {R"(日本href="値&&&😀"語)", R"(日本 href="値" href="😀"語)"},
        // U+3000 after "=" is not skipped: it starts an unquoted value.
        {"前href=\u3000\"値\"後", "前 href=\"\u3000\"値\"後\" "},
        {R"(😀href=値"😀"😀)", R"(😀 href="値"😀"😀" )"},
        {R"(😀href='値'😀)", R"(😀 href="値" 😀)"},
        {R"(😀HREF=値>😀)", R"(😀 href="値" >😀)"},
        {R"(<a href="音/A-Z.wav😀">)", "<a " + attributes(wrappedRange('A', "音/", "😀")) + ">"},
        {R"(href="値A-Z.wav値a-z.wav")", attributes(twoRanges)},
        {R"(href="😀a-z.wav|A-Z.wav")", attributes(wrappedRange('A', "😀a-z.wav|", ""))},
        // Full-width letters, hyphen, ampersands, quote and equals sign are text.
        {R"(href="Ａ-Ｚ.wav")", R"( href="Ａ-Ｚ.wav" )"},
        {R"(href="A－Z.wav")", R"( href="A－Z.wav" )"},
        {R"(href="＆＆＆")", R"( href="＆＆＆" )"},
        {R"(href="値＂後")", R"( href="値＂後" )"},
        {R"(ｈｒｅｆ="x")", R"(ｈｒｅｆ="x")"},
        {R"(href＝"x")", R"(href＝"x")"},
        {R"(href="&&&日本&&&&😀")", R"( href="" href="日本" href="&😀")"},
        // "href" after the value's first character: appended bare.
        {R"(<a href="日href本">)", "<a 日href本>"},
        {R"(<a href="href日本">)", R"(<a  href="href日本" >)"},
        {R"(<a href="日本)", R"(<a  href="" 日本)"},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE("input [" + c.input + "]");
        EXPECT_EQ(expandLinkValues(c.input), c.expected);
    }
}

TEST(Utf8Equivalence, LinkExtraction)
{
    const LinksCase cases[] = {
        {R"(😀src="ページ.htm"😀)", {"ページ.htm"}},
        // The ideographic comma is not a comma.
        {R"~(onmouseover="表示（１、'a.htm'）,'ヘルプ.htm'")~", {"ヘルプ.htm"}},
        // Neither are the full-width comma and the typographic apostrophe.
        {R"~(onmouseover="f(1，'a.htm'), ’b.htm’ 'c.htm'")~", {"c.htm"}},
        {R"~(😀onmouseover=😀"😀,😀'😀.htm'😀)~", {"😀.htm"}},
        {R"(<a href="日本語.HTM#節">)", {"日本語.HTM#節"}},
        {R"(<a href="ファイル．htm"><a href="a.ｈｔｍ">)", {}},
        {"<td background=\u3000\"枠.html\">", {"\u3000\"枠.html\""}},
        {"<td background=\u3000枠.html>", {"\u3000枠.html"}},
        {R"(<img src="b.htm😀><img src="c.gif">)", {"b.htm😀><img src="}},
        {R"(<a href="日.htm&&&😀.htm">)", {"日.htm", "😀.htm"}},
    };
    for (const LinksCase &c : cases) {
        SCOPED_TRACE("page [" + c.page + "]");
        const std::string expanded = expandLinkValues(c.page);
        std::vector<std::string> values;
        extractLinks(expanded, [&](std::string_view v) { values.emplace_back(v); });
        EXPECT_EQ(values, c.values);
    }
}

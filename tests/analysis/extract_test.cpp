#include "analysis/expand.h"
#include "analysis/extract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tavlori::expandLinkValues;
using tavlori::extractLinks;
using tavlori::isHtmlLink;

namespace {

std::vector<std::string> valuesOf(std::string_view expanded)
{
    std::vector<std::string> values;
    extractLinks(expanded, [&](std::string_view value) {
        // Values are views into the text they were taken from.
        EXPECT_GE(value.data(), expanded.data());
        EXPECT_LE(value.data() + value.size(), expanded.data() + expanded.size());
        values.emplace_back(value);
    });
    return values;
}

// What a page scan hands on: range expansion first, then the four passes.
std::vector<std::string> linksOfPage(const std::string &page)
{
    const std::string expanded = expandLinkValues(page);
    return valuesOf(expanded);
}

struct PageCase {
    std::string page;
    std::vector<std::string> values;
};

void expectLinks(const std::vector<PageCase> &cases)
{
    for (const PageCase &c : cases) {
        SCOPED_TRACE("page [" + c.page + "]");
        EXPECT_EQ(linksOfPage(c.page), c.values);
    }
}

} // namespace

TEST(IsHtmlLink, NeedsDotHtmInOneCase)
{
    for (const char *yes : {"a.html", "A.HTML", "x.htm#top", "a.htm?x=1", "dir.htm/x.gif", ".htm"})
        EXPECT_TRUE(isHtmlLink(yes)) << yes;
    for (const char *no : {"Index.Htm", "a.hTm", "a.gif", "", "htm", "a.ht", "a. htm"})
        EXPECT_FALSE(isHtmlLink(no)) << no;
}

TEST(ExtractLinks, PagesGiveTheirLinksInPassOrder)
{
    expectLinks({
        {R"(<a href="a.htm">A <img src="b.gif"> <a href="c.html">C)", {"a.htm", "c.html"}},
        {R"(<iframe src="menu.htm">)", {"menu.htm"}},
        {R"~(<a href="a.htm" onmouseover="show(1,'tip.htm')">A)~", {"tip.htm", "a.htm"}},
        {R"~(<img onmouseover="window.open('x.htm')">)~", {"x.htm"}},
        {R"~(<img onmouseover="window.open('x.htm')"> <p>Hello, 'world')~", {}},
        {R"(<table background="img/bg.gif"><td background="frame.HTM">)", {"frame.HTM"}},
        {R"(<a href="Index.Htm">)", {}},
        {R"(<a href="x.htm#top">)", {"x.htm#top"}},
        {R"(<img src="b.htm><img src="c.gif">)", {"b.htm><img src="}},
        {R"(<p>Write src="x.htm" in the tag.)", {"x.htm"}},
        {R"(<a href="p.htm&&&q.htm">)", {"p.htm", "q.htm"}},
        {R"(<a href="snd/A-Z.wav">)", {}},
        {R"(<img onmouseover="location.href='x.htm'" src="a.gif">)", {"x.htm"}},
        {R"(<a href=next.htm>Next <img src="b.gif"> <a href="c.htm">)", {"next.htm", "c.htm"}},
        {R"(<A HREF="up.htm">)", {"up.htm"}},
        {R"(<a href="a.htm"><a href="a.htm">)", {"a.htm", "a.htm"}},
        {"<p>No links at all.</p>", {}},
        {"", {}},
    });
}

TEST(ExtractLinks, AllFourPassesGroupTheirValues)
{
    // Text order is background, href, onmouseover, src; the passes reorder.
    const std::string text =
        R"~(<body background="bg.htm"><a href="h.htm" onmouseover="f(1,'m.htm')"><img src="s.htm">)~"
        R"(<img src="s2.htm">)";
    EXPECT_EQ(valuesOf(text), (std::vector<std::string>{"s.htm", "s2.htm", "m.htm", "h.htm", "bg.htm"}));
}

TEST(ExtractLinks, MouseOverValueStaysForTheNextSearch)
{
    // The first value holds "onmouseover="; since the value is not consumed,
    // the next search finds that text inside it and takes a second value.
    expectLinks({
        {R"(onmouseover="f(1,'onmouseover=x.htm" ,'b.htm' 'c')", {R"(onmouseover=x.htm" ,)", "b.htm"}},
    });
}

TEST(ExtractLinks, MissingDelimitersReachAsFarAsTheText)
{
    // Raw texts handed straight to the passes (no range expansion).
    const struct {
        std::string text;
        std::vector<std::string> values;
    } cases[] = {
        // No closing quote: the value is empty and the next attribute is found
        // after the opening quote.
        {R"(src="a.htm src=)", {}},
        {R"(src="x src=" b.htm)", {}},
        {R"(src=a.htm" z)", {R"(a.htm")"}},
        {R"(src= src= src="q.htm")", {"q.htm"}},
        // Without a first double quote the comma and quote searches still run.
        {R"~(onmouseover=f(1,'a.htm'))~", {"a.htm"}},
        // Without a comma the value is the first single-quoted text.
        {R"~(onmouseover="go('a.htm')" onmouseover="go('b.htm')")~", {"a.htm", "b.htm"}},
        // The comma of a later attribute serves an earlier one, whose value then
        // lies past the later attribute text: that one is never taken.
        {R"~(onmouseover="go()" onmouseover="f(1,'c.htm')")~", {"c.htm"}},
        {R"(onmouseover="f(1,'d.htm)", {}},
        {R"(background="a.htm" background="b.htm)", {"a.htm"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("text [" + c.text + "]");
        EXPECT_EQ(valuesOf(c.text), c.values);
    }
}

TEST(ExtractLinks, AttributeNamesInAnyLetterCase)
{
    // Through range expansion, as a page is scanned.
    expectLinks({
        {R"(<A HREF="f.html">)", {"f.html"}},
        {R"(<IMG SRC="s.htm"><img Src="t.htm">)", {"s.htm", "t.htm"}},
        {R"~(<img onMouseOver="f(1,'m.htm')"><IMG ONMOUSEOVER="f(2,'n.htm')">)~", {"m.htm", "n.htm"}},
        {R"(<td BACKGROUND="bg.htm"><td BackGround="bh.htm">)", {"bg.htm", "bh.htm"}},
        {R"~(<BODY BACKGROUND="b.htm"><A HREF="h.htm" ONMOUSEOVER="f(1,'m.htm')"><IMG SRC="s.htm">)~",
         {"s.htm", "m.htm", "h.htm", "b.htm"}},
        // The HTML filter stays case-sensitive.
        {R"(<A HREF="Index.Htm">)", {}},
        // Look-alikes that are no attribute text.
        {R"(<img s rc="a.htm"><img ｓｒｃ="b.htm">)", {}},
    });
    // On the raw text the four passes fold the letters themselves.
    EXPECT_EQ(valuesOf(R"~(SRC="s.htm" OnMouseOver="f(1,'m.htm')" HREF="h.htm" BACKGROUND="b.htm")~"),
              (std::vector<std::string>{"s.htm", "m.htm", "h.htm", "b.htm"}));
}

TEST(ExtractLinks, SingleQuotedAndUnquotedValues)
{
    // Through range expansion, as a page is scanned.
    expectLinks({
        {R"(<a href='g.html'>)", {"g.html"}},
        {R"(<a href=h.html>)", {"h.html"}},
        {R"(<a href=h.html?v=2>H</a>)", {"h.html?v=2"}},
        {R"(<img src='s.htm'><img src=t.htm>)", {"s.htm", "t.htm"}},
        {R"(<td background=b.htm><td background='c.htm'>)", {"b.htm", "c.htm"}},
    });
    // The passes on the raw text.
    const struct {
        std::string text;
        std::vector<std::string> values;
    } cases[] = {
        {"src='a.htm'", {"a.htm"}},
        {"src=a.htm>", {"a.htm"}},
        {"src=a.htm", {"a.htm"}},
        {"src=a.htm b.htm", {"a.htm"}},
        {"src=a.htm\tx src=b.htm\rx src=c.htm\nx", {"a.htm", "b.htm", "c.htm"}},
        {"src= \t\r\n\"a.htm\"", {"a.htm"}},
        {"src=\r\n'a.htm'", {"a.htm"}},
        {"background=\n b.htm", {"b.htm"}},
        // Form feed, U+00A0 and U+3000 are not skipped: they start an unquoted value.
        {"src=\f\"a.htm\">", {"\f\"a.htm\""}},
        {"src=\u00A0a.htm", {"\u00A0a.htm"}},
        {"src=\u3000a.htm>", {"\u3000a.htm"}},
        // A single quote without its closing one: empty value, the opening
        // quote alone consumed, so the next attribute is found.
        {"src='a.htm src=\"b.htm\"", {"b.htm"}},
        {"src='x.gif' src=\"y.htm\"", {"y.htm"}},
        // An unquoted value holding an attribute text takes it along.
        {"src=a.htm?src=b.htm>", {"a.htm?src=b.htm"}},
        // Empty values.
        {"src=>x.htm", {}},
        {"src=''x.htm", {}},
        {"src=", {}},
        {"src=  ", {}},
        // The onmouseover pass keeps its own rule: no single-quoted value of
        // its own, the first single-quoted text after a comma.
        {"onmouseover='a.htm' ,'b.htm'", {"b.htm"}},
        {"onMouseOver=f(1,'a.htm')", {"a.htm"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("text [" + c.text + "]");
        EXPECT_EQ(valuesOf(c.text), c.values);
    }
}

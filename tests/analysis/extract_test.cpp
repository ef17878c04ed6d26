#include "analysis/expand.h"
#include "analysis/extract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tavlori::extractLinks;
using tavlori::isHtmlLink;
using tavlori::KAKUTYO;

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
    const std::string expanded = KAKUTYO(page);
    return valuesOf(expanded);
}

struct PageCase
{
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
        {R"(<img onmouseover="location.href='x.htm'" src="a.gif">)", {}},
        {R"(<a href=next.htm>Next <img src="b.gif"> <a href="c.htm">)", {"c.htm"}},
        {R"(<A HREF="up.htm">)", {}},
        {R"(<a href="a.htm"><a href="a.htm">)", {"a.htm", "a.htm"}},
        {"<p>No links at all.</p>", {}},
        {"", {}},
    });
}

TEST(ExtractLinks, AllFourPassesGroupTheirValues)
{
    // Text order is background, href, onmouseover, src; the passes reorder.
    const std::string text = R"~(<body background="bg.htm"><a href="h.htm" onmouseover="f(1,'m.htm')"><img src="s.htm">)~"
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
    const struct
    {
        std::string text;
        std::vector<std::string> values;
    } cases[] = {
        // No closing quote: the value is empty and the next attribute is found
        // after the opening quote.
        {R"(src="a.htm src=)", {}},
        {R"(src="x src=" b.htm)", {}},
        {R"(src=a.htm" z)", {}},
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

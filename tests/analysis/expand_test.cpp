#include "analysis/expand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tavlori::expandLinkValues;

namespace {

// The 26 names of a range, written out letter by letter: "A.wav" ... "Z.wav",
// "a1.wav" ... "z1.wav" and so on.
std::vector<std::string> rangeNames(char first, const std::string &digit)
{
    std::vector<std::string> names;
    for (int k = 0; k < 26; ++k)
        names.push_back(std::string(1, char(first + k)) + digit + ".wav");
    return names;
}

// Joins lists of members, gluing the last member of one list to the first of
// the next with `glue` between them, as text between two expanded ranges does.
std::vector<std::string> glued(std::vector<std::string> left, const std::string &glue,
                               const std::vector<std::string> &right)
{
    left.back() += glue + right.front();
    left.insert(left.end(), right.begin() + 1, right.end());
    return left;
}

// The written-back form of a split value: one ` href="member"` per member.
std::string attributes(const std::vector<std::string> &members)
{
    std::string out;
    for (const std::string &m : members)
        out += " href=\"" + m + "\"";
    return out;
}

struct ExpandCase {
    std::string input;
    std::string expected;
};

void expectExpands(const std::vector<ExpandCase> &cases)
{
    for (const ExpandCase &c : cases) {
        SCOPED_TRACE("input [" + c.input + "]");
        EXPECT_EQ(expandLinkValues(c.input), c.expected);
    }
}

} // namespace

TEST(expandLinkValues, RewritesHrefValues)
{
    expectExpands({
        {R"(<a href="a.html">A)", R"(<a  href="a.html" >A)"},
        {R"(<a href="p.htm&&&q.htm">y)", R"(<a  href="p.htm" href="q.htm">y)"},
        {R"(<a href="&&&">)", R"(<a  href="" href="">)"},
        {R"(<a href="x&&&">)", R"(<a  href="x" href="">)"},
        {R"(<a href="a&&&&b">)", R"(<a  href="a" href="&b">)"},
        {R"(<a href="">)", R"(<a  href="" >)"},
        {R"(<a class="x" href="a.htm">)", R"(<a class="x"  href="a.htm" >)"},
        {R"(<a href= "a.htm" title="t">)", R"(<a  href="a.htm"  title="t">)"},
        {R"(<A HREF="up.htm">)", R"(<A  href="up.htm" >)"},
        {R"(<a href = "a.htm">)", R"(<a href = "a.htm">)"},
        {R"(<a href="myhref.htm">)", R"(<a myhref.htm>)"},
        {R"(<a href="href.htm">)", R"(<a  href="href.htm" >)"},
        {R"(<a href=next.htm>Next <img src="b.gif"> <a href="c.htm">)",
         R"(<a  href="next.htm" >Next <img src="b.gif"> <a  href="c.htm" >)"},
        {R"(<a href=next.htm>Next)", R"(<a  href="next.htm" >Next)"},
        {R"(<a href="a.htm)", R"(<a  href="" a.htm)"},
        // The "href=" inside the script takes the single-quoted value.
        {R"(<a onclick="location.href='x.htm'" href="y.htm">)",
         R"(<a onclick="location. href="x.htm" "  href="y.htm" >)"},
        {"a text without the attribute", "a text without the attribute"},
        {"", ""},
    });
}

TEST(expandLinkValues, AttributesWithoutAnyQuoteAfterThem)
{
    // No double quote anywhere after the first href=: every value is unquoted
    // and runs to the next space, which stays.
    expectExpands({
        {"href=a href=b href=c", R"( href="a"   href="b"   href="c" )"},
        {R"(x="1" href=a href=b)", R"(x="1"  href="a"   href="b" )"},
    });
}

TEST(expandLinkValues, FindsHrefInAnyLetterCaseAndWritesItBackInLowerCase)
{
    expectExpands({
        {R"(<A HREF="up.htm">)", R"(<A  href="up.htm" >)"},
        {R"(<a Href="a.htm">)", R"(<a  href="a.htm" >)"},
        {R"(<a hReF='a.htm'>)", R"(<a  href="a.htm" >)"},
        {R"(<a HREF=a.htm>)", R"(<a  href="a.htm" >)"},
        {R"(LOCATION.HREF="x.htm")", R"(LOCATION. href="x.htm" )"},
        {R"(<a HREF="p.htm&&&q.htm">)", R"(<a  href="p.htm" href="q.htm">)"},
        // The test for "href" inside the value stays case-sensitive.
        {R"(<a href="myHREF.htm">)", R"(<a  href="myHREF.htm" >)"},
        {R"(<a HREF="myhref.htm">)", R"(<a myhref.htm>)"},
        // Only the ASCII letters of "href" fold; anything else is no match.
        {R"(<a hre f="x">)", R"(<a hre f="x">)"},
        {"<a href\t=\"x\">", "<a href\t=\"x\">"},
        {R"(<a ｈｒｅｆ="x">)", R"(<a ｈｒｅｆ="x">)"},
        {"<a hre\x06=\"x\">", "<a hre\x06=\"x\">"},
        {"<a \xC8REF=\"x\">", "<a \xC8REF=\"x\">"},
    });
}

TEST(expandLinkValues, SingleQuotedAndUnquotedValues)
{
    const auto upper = rangeNames('A', "");
    auto snd = upper;
    snd.front() = "snd/A.wav";
    expectExpands({
        {R"(<a href='g.html'>)", R"(<a  href="g.html" >)"},
        {R"(<a href=h.html>)", R"(<a  href="h.html" >)"},
        {R"(<a href=h.html title=x>)", R"(<a  href="h.html"  title=x>)"},
        {"<a href=a.htm\tb>", "<a  href=\"a.htm\" \tb>"},
        {"<a href=a.htm\r\nb>", "<a  href=\"a.htm\" \r\nb>"},
        // Space, tab, CR and LF after the "=" are skipped before any form.
        {"<a href= \t\r\n\"a.htm\">", R"(<a  href="a.htm" >)"},
        {"<a href= \t'a.htm'>", R"(<a  href="a.htm" >)"},
        {"<a href=\n  a.htm>", R"(<a  href="a.htm" >)"},
        // No other white space is skipped: the value is unquoted and runs to ">".
        {"<a href=\f\"a.htm\">", "<a  href=\"\f\"a.htm\"\" >"},
        {"<a href=\u00A0\"a.htm\">", "<a  href=\"\u00A0\"a.htm\"\" >"},
        {"<a href=\u3000\"a.htm\">", "<a  href=\"\u3000\"a.htm\"\" >"},
        // A single quote without its closing one: an empty value, and only the
        // opening quote is consumed.
        {R"(<a href='a.htm>)", R"(<a  href="" a.htm>)"},
        {R"(<a href='a.htm href="b.htm">)", R"(<a  href="" a.htm  href="b.htm" >)"},
        // Double quotes inside a single-quoted or unquoted value are text.
        {R"(<a href='it"s.htm'>)", R"(<a  href="it"s.htm" >)"},
        {R"(<a href=a"b.htm>)", R"(<a  href="a"b.htm" >)"},
        // An empty unquoted value; ">" is not consumed.
        {R"(<a href=>)", R"(<a  href="" >)"},
        {R"(<a href=''>)", R"(<a  href="" >)"},
        // At the end of the text the double-quote rule holds: an empty value,
        // and the spaces after "=" stay.
        {"href=", R"( href="" )"},
        {"href=  ", R"( href=""   )"},
        // An unquoted value holding "href=" is taken whole; that text is
        // never searched again, and "href" after its first character leaves
        // it bare.
        {R"(<a href=xhref=y.htm>)", R"(<a xhref=y.htm>)"},
        {R"(<a href=x href="y.htm">)", R"(<a  href="x"   href="y.htm" >)"},
        // Ranges and members work as in double-quoted values.
        {R"(<a href=snd/A-Z.wav>x)", "<a " + attributes(snd) + ">x"},
        {R"(<a href='p.htm&&&q.htm'>)", R"(<a  href="p.htm" href="q.htm">)"},
    });
}

TEST(expandLinkValues, ExpandsRangesIntoMembers)
{
    const auto upper = rangeNames('A', "");
    auto snd = upper;
    snd.front() = "snd/A.wav";
    auto query = upper;
    query.back() = "Z.wav?v=1";
    expectExpands({
        {R"(<a href="snd/A-Z.wav">x)", "<a " + attributes(snd) + ">x"},
        {R"(<a href="A-Z.wav?v=1">)", "<a " + attributes(query) + ">"},
    });
}

TEST(expandLinkValues, EachRangePatternHasItsOwnMembers)
{
    const struct {
        std::string pattern;
        char first;
        std::string digit;
    } ranges[] = {
        {"A-Z.wav", 'A', ""}, {"A1-Z1.wav", 'A', "1"}, {"A2-Z2.wav", 'A', "2"}, {"A3-Z3.wav", 'A', "3"},
        {"a-z.wav", 'a', ""}, {"a1-z1.wav", 'a', "1"}, {"a2-z2.wav", 'a', "2"}, {"a3-z3.wav", 'a', "3"},
    };
    for (const auto &r : ranges) {
        SCOPED_TRACE(r.pattern);
        EXPECT_EQ(expandLinkValues("href=\"" + r.pattern + "\""), attributes(rangeNames(r.first, r.digit)));
    }
    // Patterns match case-sensitively and exactly.
    expectExpands({
        {R"(href="A-z.wav")", R"( href="A-z.wav" )"},
        {R"(href="A-Z.WAV")", R"( href="A-Z.WAV" )"},
        {R"(href="A4-Z4.wav")", R"( href="A4-Z4.wav" )"},
    });
}

TEST(expandLinkValues, SeveralRangesInOneValue)
{
    const auto upper = rangeNames('A', "");
    const auto lower = rangeNames('a', "");
    const auto upper1 = rangeNames('A', "1");
    auto afterLower = upper;
    afterLower.front() = "a-z.wav|A.wav";
    auto afterUpper1 = upper;
    afterUpper1.front() = "A1-Z1.wav A.wav";
    expectExpands({
        // Table order: both expand.
        {R"(href="A-Z.wav|a-z.wav")", attributes(glued(upper, "|", lower))},
        // The same pattern twice.
        {R"(href="A-Z.wav|A-Z.wav")", attributes(glued(upper, "|", upper))},
        // Against table order only the pattern listed first in the table
        // expands; the one standing before it stays literal text.
        {R"(href="a-z.wav|A-Z.wav")", attributes(afterLower)},
        {R"(href="A1-Z1.wav A-Z.wav")", attributes(afterUpper1)},
        // Adjacent patterns in table order.
        {R"(href="A-Z.wavA1-Z1.wav")", attributes(glued(upper, "", upper1))},
    });
}

TEST(expandLinkValues, RangeMembersJoinWithSeparatorsInTheValue)
{
    // A range inside a value that is split anyway: the range's members and the
    // value's own members are all written back.
    auto members = rangeNames('a', "2");
    members.insert(members.begin(), "x.htm");
    members.back() += "!";
    members.push_back("y.htm");
    expectExpands({{R"(<a href="x.htm&&&a2-z2.wav!&&&y.htm">)", "<a " + attributes(members) + ">"}});
}

#include "analysis/resolve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using tavlori::resolveLink;

namespace {

struct ResolveCase {
    std::string baseFolder;
    std::string link;
    std::string expected;
};

void expectResolves(const std::vector<ResolveCase> &cases, char sep)
{
    for (const ResolveCase &c : cases) {
        SCOPED_TRACE("baseFolder [" + c.baseFolder + "] link [" + c.link + "]");
        EXPECT_EQ(resolveLink(c.link, c.baseFolder, sep), c.expected);
    }
}

std::string withSlash(std::string text, char from, char to)
{
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

// A case written for the POSIX dialect against the base folder "/w/shop".
// The Windows dialect takes it against "\w\shop" with every "/" of the
// target a "\". In both, the link is resolved as written and with its
// slashes turned the other way: either slash separates.
struct DialectCase {
    std::string link;
    std::string expected;
};

void expectInBothDialects(const std::vector<DialectCase> &cases)
{
    for (const DialectCase &c : cases) {
        for (const std::string &link : {c.link, withSlash(c.link, '/', '\\')}) {
            SCOPED_TRACE("link [" + link + "]");
            EXPECT_EQ(resolveLink(link, "/w/shop", '/'), c.expected) << "POSIX";
            EXPECT_EQ(resolveLink(link, R"(\w\shop)", '\\'), withSlash(c.expected, '/', '\\')) << "Windows";
        }
    }
}

} // namespace

TEST(ResolveLinkWindows, ResolvesAgainstAFolder)
{
    const std::string k = R"(D:\web\shop)";
    expectResolves(
        {
            {k, "item.html", R"(D:\web\shop\item.html)"},
            {k, "list/item.html", R"(D:\web\shop\list\item.html)"},
            {k, "item.html#part2", R"(D:\web\shop\item.html)"},
            {k, "list/item.html#a$b", R"(D:\web\shop\list\item.html)"},
            {k, "#part2", "#part2"},
            {k, "#", "#"},
            {k, "http_guide.html", R"(D:\web\shop\http_guide.html)"},
            {k, "HTTP_GUIDE.html", R"(D:\web\shop\HTTP_GUIDE.html)"},
            {k, R"(D:\web\shop\item.html)", R"(D:\web\shop\item.html)"},
            {k, "D:/web/shop/item.html", R"(D:\web\shop\D:\web\shop\item.html)"},
            {k, "../top.html", R"(D:\web\top.html)"},
            {k, "../list/item.html", R"(D:\web\list\item.html)"},
            {k, "../../top.html", R"(D:\top.html)"},
            {k, "../../../top.html", R"(\top.html)"},
            {k, "../../../../top.html", R"(\top.html)"},
            {k, "list/../item.html", R"(D:\web\shop\item.html)"},
            {k, R"(...\item.html)", R"(D:\web\shop\...\item.html)"},
            {k, "./item.html", R"(D:\web\shop\item.html)"},
            {k, "list/", R"(D:\web\shop\list\)"},
            {k, "..", R"(D:\web\)"},
            {k, "", R"(D:\web\shop\)"},
            {k, "item$1.html", R"(D:\web\shop)"},
            {k, "list/item$1.html", R"(D:\web\shop\list)"},
            {k, "a#b$c", R"(D:\web\shop\a)"},
        },
        '\\');
}

TEST(ResolveLinkWindows, ResolvesAgainstADriveRoot)
{
    const std::string k = R"(D:\)";
    expectResolves(
        {
            {k, "item.html", R"(D:\\item.html)"},
            {k, "list/item.html", R"(D:\\list\item.html)"},
            {k, "../item.html", R"(D:\item.html)"},
            {k, "../../item.html", R"(\item.html)"},
            {k, R"(D:\item.html)", R"(D:\item.html)"},
        },
        '\\');
}

TEST(ResolveLinkWindows, FolderNamesWithHashOrDollarCollapseDirectLinks)
{
    const std::string hash = R"(D:\web\no#1)";
    const std::string dollar = R"(D:\web\a$b)";
    expectResolves(
        {
            {hash, "item.html", R"(D:\web\no#1)"},
            {hash, "list/item.html", R"(D:\web\no#1\list)"},
            {hash, "../item.html", R"(D:\web\item.html)"},
            {dollar, "item.html", R"(D:\web\a$b)"},
            {dollar, "../item.html", R"(D:\web\item.html)"},
        },
        '\\');
}

TEST(ResolveLinkWindows, EmptyBaseFolder)
{
    expectResolves(
        {
            {"", "item.html", R"(\item.html)"},
            {"", "../item.html", R"(\item.html)"},
            {"", "#part2", "#part2"},
        },
        '\\');
}

TEST(ResolveLinkWindows, ResolvedTargetsInsideTheFolderResolveToThemselves)
{
    const std::string k = R"(D:\web\shop)";
    for (const std::string link : {"item.html", "list/item.html#x", "http://example.com/a.html", "#top",
                                   "http_guide.html", R"(D:\web\shop\item.html)"}) {
        SCOPED_TRACE(link);
        const std::string once = resolveLink(link, k, '\\');
        EXPECT_EQ(resolveLink(once, k, '\\'), once);
    }
    // A target that left the folder does not.
    EXPECT_EQ(resolveLink(R"(D:\web\top.html)", k, '\\'), R"(D:\web\shop\D:\web\top.html)");
}

TEST(ResolveLinkPosix, ResolvesAgainstAFolder)
{
    const std::string k = "/web/shop";
    expectResolves(
        {
            {k, "item.html", "/web/shop/item.html"},
            {k, "list/item.html", "/web/shop/list/item.html"},
            // The other slash is turned into the separator.
            {k, R"(list\item.html)", "/web/shop/list/item.html"},
            {k, R"(..\top.html)", "/web/top.html"},
            {k, "item.html#part2", "/web/shop/item.html"},
            {k, "#part2", "#part2"},
            {k, "http://example.com/a.html", "http://example.com/a.html"},
            {k, "/web/shop/item.html", "/web/shop/item.html"},
            {k, "../top.html", "/web/top.html"},
            {k, "../../top.html", "/top.html"},
            {k, "../../../top.html", "/top.html"},
            {k, "../../../../top.html", "/top.html"},
            {k, "list/../item.html", "/web/shop/item.html"},
            {k, ".../item.html", "/web/shop/.../item.html"},
            {k, "..", "/web/"},
            {k, "", "/web/shop/"},
            {k, "item$1.html", "/web/shop"},
            {k, "list/item$1.html", "/web/shop/list"},
        },
        '/');
}

TEST(ResolveLinkPosix, ResolvesAgainstTheRoot)
{
    expectResolves(
        {
            {"/", "item.html", "//item.html"},
            {"/", "item.html#top", "//item.html"},
            {"/", "item$1.html", "/"},
            // The root text "/" occurs in every link that holds a slash,
            // so such a link stays as it is, as a link holding "D:\" does
            // on Windows.
            {"/", "list/item.html", "list/item.html"},
            {"/", "../item.html", "../item.html"},
            // Backslashes are turned only after that test.
            {"/", R"(list\item.html)", "//list/item.html"},
            {"/", R"(..\item.html)", "/item.html"},
            {"/", R"(..\..\item.html)", "/item.html"},
            {"/web/no#1", "item.html", "/web/no#1"},
            {"/web/no#1", "../item.html", "/web/item.html"},
        },
        '/');
}

TEST(ResolveLinkPosix, ResolvedTargetsInsideTheFolderResolveToThemselves)
{
    const std::string k = "/web/shop";
    for (const std::string link : {"item.html", "list/item.html#x", "#top"}) {
        SCOPED_TRACE(link);
        const std::string once = resolveLink(link, k, '/');
        EXPECT_EQ(resolveLink(once, k, '/'), once);
    }
    EXPECT_EQ(resolveLink("/web/top.html", k, '/'), "/web/shop//web/top.html");
}

// ---------------------------------------------------------------------------
// External addresses: a URL scheme (a letter, one or more letters, digits,
// "+", "-" or ".", then ":") or "//" at the front keeps the link as written;
// "http" elsewhere in the text does not.

TEST(ResolveLinkExternal, SchemesAndNetworkPathsStayAsWritten)
{
    for (const char sep : {'/', '\\'}) {
        SCOPED_TRACE(std::string("separator ") + sep);
        const std::string k = sep == '/' ? "/w/shop" : R"(D:\w\shop)";
        for (const std::string link :
             {"http://example.com/a.html", "https://example.com/a/../b.html?x#y", "HTTP://EXAMPLE.COM/A.HTML",
              "mailto:someone@example.com?subject=a.html", "ftp://host/a.html", "svn+ssh://host/a.html",
              "x-y.z+1:a.html", "ab:", "//cdn.example.com/a.html", "//", "javascript:go('a.html')",
              "file:///w/shop/%20a.html"}) {
            SCOPED_TRACE(link);
            EXPECT_EQ(resolveLink(link, k, sep), link);
            EXPECT_TRUE(tavlori::isExternalAddress(link));
        }
    }
}

TEST(ResolveLinkExternal, OtherLinksAreRelativeWhateverTheyHold)
{
    // "http" inside a relative link, a drive letter, a scheme that breaks a
    // rule, and a network path spelt with backslashes are all joined.
    expectResolves(
        {
            {"/w/shop", "http_guide.html", "/w/shop/http_guide.html"},
            {"/w/shop", "a.html#httphandler", "/w/shop/a.html"},
            {"/w/shop", "docs/http.html", "/w/shop/docs/http.html"},
            {"/w/shop", "C:/x.html", "/w/shop/C:/x.html"},
            {"/w/shop", "1ab:x.html", "/w/shop/1ab:x.html"},
            {"/w/shop", "a_b:x.html", "/w/shop/a_b:x.html"},
            {"/w/shop", ":x.html", "/w/shop/:x.html"},
            {"/w/shop", "ab/c:x.html", "/w/shop/ab/c:x.html"},
            {"/w/shop", "/x.html", "/w/shop//x.html"},
        },
        '/');
    expectResolves(
        {
            {R"(D:\w\shop)", "http_guide.html", R"(D:\w\shop\http_guide.html)"},
            {R"(D:\w\shop)", "a.html#httphandler", R"(D:\w\shop\a.html)"},
            {R"(D:\w\shop)", "C:/x.html", R"(D:\w\shop\C:\x.html)"},
            {R"(D:\w\shop)", R"(C:\x.html)", R"(D:\w\shop\C:\x.html)"},
            {R"(D:\w\shop)", "1ab:x.html", R"(D:\w\shop\1ab:x.html)"},
            {R"(D:\w\shop)", R"(\\server\a.html)", R"(D:\w\shop\\\server\a.html)"},
        },
        '\\');
    for (const char *link : {"C:x", "1a:x", "a:x", ":", "", "/", "\\\\host", "a b:x", "é:x", "/ /x"})
        EXPECT_FALSE(tavlori::isExternalAddress(link)) << link;
}

// ---------------------------------------------------------------------------
// Query and fragment: the link is cut before its first "#" or "?".

TEST(ResolveLinkQueryAndFragment, CutAtTheFirstOfTheTwo)
{
    expectInBothDialects({
        {"e.html?v=2", "/w/shop/e.html"},
        {"e.html?v=2#top", "/w/shop/e.html"},
        {"e.html#top?v=2", "/w/shop/e.html"},
        {"list/e.html?next=../x.html", "/w/shop/list/e.html"},
        {"e.html?price=$1", "/w/shop/e.html"},
        {"e$1.html?v=2", "/w/shop"},
        {"e.html?", "/w/shop/e.html"},
        {"?v=2", "/w/shop/"},
        {"list/?v=2", "/w/shop/list/"},
        {"e.html%3Fv=2", "/w/shop/e.html?v=2"},
    });
    // A link that starts with "#" stays as written, a "?" in it included.
    EXPECT_EQ(resolveLink("#part?x", "/w/shop", '/'), "#part?x");
    EXPECT_EQ(resolveLink("#part?x", R"(D:\w\shop)", '\\'), "#part?x");
}

// ---------------------------------------------------------------------------
// Percent escapes: "%" and two hexadecimal digits become that byte, in one
// pass, except the escapes of "/", "\" and U+0000; a result that is not
// well-formed UTF-8 leaves the link as it was.

TEST(ResolveLinkPercentEscapes, DecodeOnceIntoWellFormedText)
{
    expectInBothDialects({
        {"page%20x.html", "/w/shop/page x.html"},
        {"%E6%97%A5.html", "/w/shop/日.html"},
        {"%e6%97%a5.html", "/w/shop/日.html"},
        {"日%20本.html", "/w/shop/日 本.html"},
        {"100%.html", "/w/shop/100%.html"},
        {"%FF.html", "/w/shop/%FF.html"},
        {"%E6%97.html", "/w/shop/%E6%97.html"},
        {"%E6%97%A5%FF.html", "/w/shop/%E6%97%A5%FF.html"},
        {"%ED%A0%80.html", "/w/shop/%ED%A0%80.html"},
        {"%C0%AF.html", "/w/shop/%C0%AF.html"},
        {"%2541.html", "/w/shop/%41.html"},
        {"%%41.html", "/w/shop/%A.html"},
        {"%4.html", "/w/shop/%4.html"},
        {"%G1.html", "/w/shop/%G1.html"},
        {"a.html%", "/w/shop/a.html%"},
        {"a.html%4", "/w/shop/a.html%4"},
        {"a%2Fb.html", "/w/shop/a%2Fb.html"},
        {"a%2fb.html", "/w/shop/a%2fb.html"},
        {"a%5Cb.html", "/w/shop/a%5Cb.html"},
        {"a%5cb.html", "/w/shop/a%5cb.html"},
        {"a%00b.html", "/w/shop/a%00b.html"},
        {"%41%2F%42.html", "/w/shop/A%2FB.html"},
        // Decoded text is resolved further: dot segments, "$" and "#".
        {"%2E%2E/top.html", "/w/top.html"},
        {"list/%2e/a.html", "/w/shop/list/a.html"},
        {"%24.html", "/w/shop"},
        {"%23x.html", "/w/shop"},
    });
}

// ---------------------------------------------------------------------------
// Dot segments: "." is dropped, ".." drops the last kept segment or, with
// none kept, one level of the folder; a link ending in "." or ".." names a
// folder.

TEST(ResolveLinkDotSegments, ResolveInBothDialects)
{
    expectInBothDialects({
        {"./item.html", "/w/shop/item.html"},
        {"list/../item.html", "/w/shop/item.html"},
        {"list/./a/../item.html", "/w/shop/list/item.html"},
        {"a/../../top.html", "/w/top.html"},
        {".../item.html", "/w/shop/.../item.html"},
        {"..a/b../item.html", "/w/shop/..a/b../item.html"},
        {"a/..", "/w/shop/"},
        {".", "/w/shop/"},
        {"list/.", "/w/shop/list/"},
        {"list/..", "/w/shop/"},
        {"a/b/..", "/w/shop/a/"},
        {"/../a.html", "/w/shop/a.html"},
        {"../../../../top.html", "/top.html"},
        {"..", "/w/"},
        {"../", "/w/"},
        {"./", "/w/shop/"},
        {"../list/./item.html", "/w/list/item.html"},
        // Empty segments are kept, and ".." removes an empty one too.
        {"a//b.html", "/w/shop/a//b.html"},
        {"a//../b.html", "/w/shop/a/b.html"},
        {"a//.", "/w/shop/a/"},
        {"a/./", "/w/shop/a/"},
        {"list/..#part", "/w/shop/"},
        {"list/.?v=1", "/w/shop/list/"},
    });
}

TEST(ResolveLinkDotSegments, TakeLevelsOffADriveAndAFolderWithHash)
{
    expectResolves(
        {
            {R"(D:\)", "./item.html", R"(D:\\item.html)"},
            {R"(D:\)", "../item.html", R"(D:\item.html)"},
            {R"(D:\)", "a/../../item.html", R"(D:\item.html)"},
            {R"(D:\)", "../../item.html", R"(\item.html)"},
            {R"(D:\web\shop)", "a/./b/../../../top.html", R"(D:\web\top.html)"},
            {R"(D:\web\shop)", "../..", R"(D:\)"},
            {R"(D:\web\no#1)", "./item.html", R"(D:\web\no#1)"},
            {R"(D:\web\no#1)", "sub/../../item.html", R"(D:\web\item.html)"},
            {"", "../a/./b.html", R"(\a\b.html)"},
        },
        '\\');
    expectResolves(
        {
            {"/web/shop", "../..", "/"},
            {"/web/shop", "../../..", "/"},
            {"", "./a.html", "/a.html"},
        },
        '/');
}

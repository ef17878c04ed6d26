#include "analysis/resolve.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tavlori::BToEn;

namespace {

struct ResolveCase
{
    std::string kijundir;
    std::string link;
    std::string expected;
};

void expectResolves(const std::vector<ResolveCase> &cases, char sep)
{
    for (const ResolveCase &c : cases) {
        SCOPED_TRACE("KIJUNDIR [" + c.kijundir + "] link [" + c.link + "]");
        EXPECT_EQ(BToEn(c.link, c.kijundir, sep), c.expected);
    }
}

} // namespace

TEST(BToEnWindows, ResolvesAgainstAFolder)
{
    const std::string k = R"(D:\web\shop)";
    expectResolves({
                       {k, "item.html", R"(D:\web\shop\item.html)"},
                       {k, "list/item.html", R"(D:\web\shop\list\item.html)"},
                       {k, "item.html#part2", R"(D:\web\shop\item.html)"},
                       {k, "list/item.html#a$b", R"(D:\web\shop\list\item.html)"},
                       {k, "#part2", "#part2"},
                       {k, "#", "#"},
                       {k, "http_guide.html", "http_guide.html"},
                       {k, "HTTP_GUIDE.html", R"(D:\web\shop\HTTP_GUIDE.html)"},
                       {k, R"(D:\web\shop\item.html)", R"(D:\web\shop\item.html)"},
                       {k, "D:/web/shop/item.html", R"(D:\web\shop\D:\web\shop\item.html)"},
                       {k, "../top.html", R"(D:\web\top.html)"},
                       {k, "../list/item.html", R"(D:\web\list\item.html)"},
                       {k, "../../top.html", R"(D:\top.html)"},
                       {k, "../../../top.html", R"(\top.html)"},
                       {k, "../../../../top.html", R"(\top.html)"},
                       {k, "list/../item.html", R"(D:\web\item.html)"},
                       {k, R"(...\item.html)", R"(D:\web\item.html)"},
                       {k, "./item.html", R"(D:\web\shop\.\item.html)"},
                       {k, "list/", R"(D:\web\shop\list\)"},
                       {k, "..", R"(D:\web\shop\..)"},
                       {k, "", R"(D:\web\shop\)"},
                       {k, "item$1.html", R"(D:\web\shop)"},
                       {k, "list/item$1.html", R"(D:\web\shop\list)"},
                       {k, "a#b$c", R"(D:\web\shop\a)"},
                   },
                   '\\');
}

TEST(BToEnWindows, ResolvesAgainstADriveRoot)
{
    const std::string k = R"(D:\)";
    expectResolves({
                       {k, "item.html", R"(D:\\item.html)"},
                       {k, "list/item.html", R"(D:\\list\item.html)"},
                       {k, "../item.html", R"(D:\item.html)"},
                       {k, "../../item.html", R"(\item.html)"},
                       {k, R"(D:\item.html)", R"(D:\item.html)"},
                   },
                   '\\');
}

TEST(BToEnWindows, FolderNamesWithHashOrDollarCollapseDirectLinks)
{
    const std::string hash = R"(D:\web\no#1)";
    const std::string dollar = R"(D:\web\a$b)";
    expectResolves({
                       {hash, "item.html", R"(D:\web\no#1)"},
                       {hash, "list/item.html", R"(D:\web\no#1\list)"},
                       {hash, "../item.html", R"(D:\web\item.html)"},
                       {dollar, "item.html", R"(D:\web\a$b)"},
                       {dollar, "../item.html", R"(D:\web\item.html)"},
                   },
                   '\\');
}

TEST(BToEnWindows, EmptyBaseFolder)
{
    expectResolves({
                       {"", "item.html", R"(\item.html)"},
                       {"", "../item.html", R"(\item.html)"},
                       {"", "#part2", "#part2"},
                   },
                   '\\');
}

TEST(BToEnWindows, ResolvedTargetsInsideTheFolderResolveToThemselves)
{
    const std::string k = R"(D:\web\shop)";
    for (const std::string link : {"item.html", "list/item.html#x", "http://example.com/a.html", "#top",
                                   "http_guide.html", R"(D:\web\shop\item.html)"}) {
        SCOPED_TRACE(link);
        const std::string once = BToEn(link, k, '\\');
        EXPECT_EQ(BToEn(once, k, '\\'), once);
    }
    // A target that left the folder does not.
    EXPECT_EQ(BToEn(R"(D:\web\top.html)", k, '\\'), R"(D:\web\shop\D:\web\top.html)");
}

TEST(BToEnPosix, ResolvesAgainstAFolder)
{
    const std::string k = "/web/shop";
    expectResolves({
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
                       {k, "list/../item.html", "/web/item.html"},
                       {k, ".../item.html", "/web/item.html"},
                       {k, "..", "/web/shop/.."},
                       {k, "", "/web/shop/"},
                       {k, "item$1.html", "/web/shop"},
                       {k, "list/item$1.html", "/web/shop/list"},
                   },
                   '/');
}

TEST(BToEnPosix, ResolvesAgainstTheRoot)
{
    expectResolves({
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

TEST(BToEnPosix, ResolvedTargetsInsideTheFolderResolveToThemselves)
{
    const std::string k = "/web/shop";
    for (const std::string link : {"item.html", "list/item.html#x", "#top"}) {
        SCOPED_TRACE(link);
        const std::string once = BToEn(link, k, '/');
        EXPECT_EQ(BToEn(once, k, '/'), once);
    }
    EXPECT_EQ(BToEn("/web/top.html", k, '/'), "/web/shop//web/top.html");
}

// Runs the built tavlori-report on the sample site and on small sites made
// in temporary folders, and checks what it prints and how it exits.
#include "report_run.h"

#include "report/report.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tavlori::test;

namespace {

// The sample site's pages, as the page list orders them.
const Rows kSamplePages = {
    "about.html", "draft.htm",      "gallery.html", "history.html", "index.html",      "news-2023.htm",
    "news.htm",   "old-index.html", "tips.html",    "wall.htm",     "旧お知らせ.html",
};

} // namespace

// Every list of the sample site, worked out from its pages by hand.
TEST(SampleSite, JsonHoldsEveryListInListOrder)
{
    const ReportRun run = runReport({"--json", TAVLORI_SAMPLE_SITE});
    EXPECT_EQ(run.status, 1) << run.err; // it has broken links
    EXPECT_EQ(run.err, "");              // no progress line: stderr is no terminal
    const Json report = parseReport(run);

    const std::string B = canonicalBase(TAVLORI_SAMPLE_SITE);
    const std::string P = fs::path(B).parent_path().string();
    ASSERT_NE(report.find("base"), nullptr);
    EXPECT_EQ(report.find("base")->text, B);
    EXPECT_EQ(list(report, "pages"), kSamplePages);
    // "&&&" stands only in news.htm, in its joined href.
    EXPECT_EQ(list(report, "search"), Rows({"-", "-", "-", "-", "-", "-", "found", "-", "-", "-", "-"}));
    // In scan order: page by page, and within a page the src, onmouseover,
    // href and background values in that order, each distinct target once.
    EXPECT_EQ(list(report, "requests"), Rows({
                                            B + "/index.html", // about.html
                                            "#staff.html",
                                            "#board.html",
                                            B + "/history.html", // history.html#1998
                                            "http://www.example.com/sakura/old.htm",
                                            B + "/gallery.html",        // draft.htm
                                            B + "/tips.html",           // gallery.html: iframe src
                                            B + "/products/chair.html", //   onmouseover
                                            B + "/about.html",          // history.html
                                            B + "/news.htm",            // index.html (tips.html already in)
                                            B + "/products/list.html",
                                            B + "/contact.html",
                                            P + "/index.html",    //   ../index.html
                                            B + "/wall.htm",      //   background
                                            B + "/news-2023.htm", // news.htm, split at "&&&"
                                            B + "/news-2022.htm",
                                        }));
    EXPECT_EQ(brokenPairs(report), Pairs({
                                       {"about.html", "#board.html"}, // no name="board.html" in about.html
                                       {"index.html", "contact.html"},
                                       {"index.html", "../index.html"},
                                       {"news.htm", "news-2022.htm"},
                                   }));
    EXPECT_EQ(list(report, "unrequested"), Rows({
                                               B + "/draft.htm",
                                               B + "/old-index.html",
                                               B + "/旧お知らせ.html",
                                           }));
    EXPECT_EQ(list(report, "missing"), Rows{});
    EXPECT_EQ(report.find("error"), nullptr);
}

TEST(SampleSite, SearchTermFillsTheSearchColumn)
{
    struct Case {
        std::vector<std::string> option;
        Rows search;
    };
    const std::vector<Case> cases = {
        {{"--term", "お知らせ"}, {"-", "-", "-", "-", "found", "found", "found", "-", "-", "-", "found"}},
        // Letter case counts: "Sakura" in two titles, "sakura" only in about.html's web address.
        {{"--term", "Sakura"}, {"found", "-", "-", "-", "-", "-", "-", "found", "-", "-", "-"}},
        {{"--term=sakura"}, {"found", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"}},
        {{"--term", ""}, Rows(11, "-")},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = c.option;
        args.push_back("--json");
        args.push_back(TAVLORI_SAMPLE_SITE);
        const ReportRun run = runReport(args);
        EXPECT_EQ(run.status, 1);
        const Json report = parseReport(run);
        EXPECT_EQ(list(report, "search"), c.search) << c.option.back();
        // The term changes nothing else.
        EXPECT_EQ(brokenPairs(report).size(), 4u);
        EXPECT_EQ(list(report, "unrequested").size(), 3u);
    }
}

TEST(SampleSite, TextReportGroupsBrokenLinksByPage)
{
    const ReportRun run = runReport({TAVLORI_SAMPLE_SITE});
    EXPECT_EQ(run.status, 1);
    const std::string B = canonicalBase(TAVLORI_SAMPLE_SITE);
    const std::vector<std::string> parts = {
        "基準フォルダ: " + B + "\n",
        "検索「&&&」を含むHTML: 1\n  news.htm\n",
        "リンク切れ: 4\n"
        "  about.html\n    → #board.html\n"
        "  index.html\n    → contact.html\n    → ../index.html\n"
        "  news.htm\n    → news-2022.htm\n",
        "リクエストされていないHTML: 3\n  " + B + "/draft.htm\n  " + B + "/old-index.html\n  " + B
            + "/旧お知らせ.html\n",
        "リクエスト数: 16\n",
        "リクエストされていないHTMLの数: 3\n",
    };
    std::size_t from = 0;
    for (const std::string &part : parts) {
        const std::size_t at = run.out.find(part, from);
        ASSERT_NE(at, std::string::npos) << "missing, or out of order: " << part << "\nin:\n" << run.out;
        from = at + part.size();
    }
}

// The whole text report of a small site whose broken links stand in several
// pages, with pages without one between them.
TEST(ReportSites, TextReportOfBrokenLinksInSeveralPages)
{
    TempDir site;
    writeFile(site.path() / "a.html",
              "<a href=\"b.html\">b</a> <a href=\"x1.html\">1</a> <a href=\"x2.html\">2</a>\n");
    writeFile(site.path() / "b.html", "<a href=\"c.html\">c</a> <a href=\"d.html\">d</a>\n");
    writeFile(site.path() / "c.html", "<a href=\"gone.html\">g</a> <a href=\"a.html\">a</a>\n");
    writeFile(site.path() / "d.html",
              "<a href=\"y.html\">y</a> <a href=\"x1.html\">again</a> <a href=\"sub/z.html\">z</a>\n");
    writeFile(site.path() / "e.html", "<a href=\"a.html\">a</a> &&&\n");
    const ReportRun run = runReport({site.path().string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "");
    const std::string B = canonicalBase(site.path());
    EXPECT_EQ(run.out, "基準フォルダ: " + B
                           + "\n"
                             "HTMLファイル数: 5\n"
                             "\n検索「&&&」を含むHTML: 1\n"
                             "  e.html\n"
                             "\nリンク切れ: 5\n"
                             "  a.html\n    → x1.html\n    → x2.html\n"
                             "  c.html\n    → gone.html\n"
                             "  d.html\n    → y.html\n    → sub/z.html\n"
                             "\nリクエストされていないHTML: 1\n"
                             "  "
                           + B
                           + "/e.html\n"
                             "\nリクエスト数: 9\n"
                             "リクエストされていないHTMLの数: 1\n");
}

// Rows of a page that are not next to each other (as when the request list
// already held some targets) still come out under that page once.
TEST(BrokenLinksByPage, GroupsByPageInOrderOfFirstRow)
{
    struct Case {
        const char *what;
        Rows pages, links;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"none", {}, {}, ""},
        {"one", {"a.html"}, {"x.html"}, "  a.html\n    → x.html\n"},
        {"interleaved",
         {"b.html", "a.html", "b.html", "c.html", "a.html", "b.html"},
         {"1", "2", "3", "4", "5", "6"},
         "  b.html\n    → 1\n    → 3\n    → 6\n  a.html\n    → 2\n    → 5\n  c.html\n    → 4\n"},
        {"same link in two pages, names differing in case",
         {"a.html", "A.html", "a.html"},
         {"x.html", "x.html", "x.html"},
         "  a.html\n    → x.html\n    → x.html\n  A.html\n    → x.html\n"},
        {"empty page name", {"", "a.html", ""}, {"1", "2", "3"}, "  \n    → 1\n    → 3\n  a.html\n    → 2\n"},
    };
    for (const Case &c : cases) {
        std::vector<tavlori::BrokenLink> broken;
        for (std::size_t i = 0; i < c.pages.size(); ++i)
            broken.push_back({c.pages[i], c.links[i]});
        std::ostringstream out;
        tavlori::printBrokenLinksByPage(out, broken);
        EXPECT_EQ(out.str(), c.text) << c.what;
    }
}

TEST(ReportSites, CleanSiteExitsZero)
{
    TempDir site;
    writeFile(site.path() / "a.html",
              "<a href=\"b.html#end\">B</a> <a href=\"#top.html\">top</a> <a name=\"top.html\"></a>\n");
    writeFile(site.path() / "b.html", "<p><a href=\"a.html\">A</a></p>\n");
    writeFile(site.path() / "notes.txt", "not a page: href=\"gone.htm\"\n");
    const ReportRun run = runReport({"--json", site.path().string()});
    EXPECT_EQ(run.status, 0) << run.err;
    const Json report = parseReport(run);
    const std::string B = canonicalBase(site.path());
    EXPECT_EQ(list(report, "pages"), Rows({"a.html", "b.html"}));
    EXPECT_EQ(list(report, "requests"), Rows({B + "/b.html", "#top.html", B + "/a.html"}));
    EXPECT_EQ(brokenPairs(report), Pairs{});
    EXPECT_EQ(list(report, "unrequested"), Rows{});

    const ReportRun text = runReport({site.path().string()});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("リンク切れ: 0\n"), std::string::npos) << text.out;
}

TEST(ReportSites, EmptyFolderRunsAndFindsNothing)
{
    TempDir site;
    const ReportRun run = runReport({"--json", site.path().string()});
    EXPECT_EQ(run.status, 0);
    const Json report = parseReport(run);
    for (const char *key : {"pages", "search", "requests", "unrequested", "missing"})
        EXPECT_EQ(list(report, key), Rows{}) << key;
}

TEST(ReportSites, CannotRunExitsTwoWithOneLine)
{
    TempDir site;
    writeFile(site.path() / "plain.txt", "x");
    struct Case {
        std::vector<std::string> args;
        std::string reason; // a part of the line on stderr
    };
    const std::vector<Case> cases = {
        {{"--json", (site.path() / "no-such-folder").string()}, "指定されたファイルが見つかりません"},
        {{(site.path() / "no-such-folder").string()}, "指定されたファイルが見つかりません"},
        {{"--json", (site.path() / "plain.txt").string()}, ""},
        {{}, "tavlori-report"},
        {{"--json"}, "tavlori-report"},
        {{"--colour", site.path().string()}, "--colour"},
    };
    for (const Case &c : cases) {
        const ReportRun run = runReport(c.args);
        const std::string label = c.args.empty() ? "(no arguments)" : c.args.back();
        EXPECT_EQ(run.status, 2) << label;
        EXPECT_EQ(run.out, "") << label;
        ASSERT_FALSE(run.err.empty()) << label;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
}

// A page that exists but cannot be read stops the investigation: the lists
// as they stood, the error, exit status 2. A FIFO is such a page, and the
// run must not wait on it for a writer.
TEST(ReportSites, UnreadablePageStopsWithErrorAndListsSoFar)
{
    struct Case {
        const char *kind;
        void (*make)(const fs::path &);
    };
    const std::vector<Case> cases = {
        {"fifo", [](const fs::path &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        // A regular file to stat() whose read fails (EIO): the reader's own memory at address 0.
        {"read error", [](const fs::path &p) { fs::create_symlink("/proc/self/mem", p); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        TempDir site;
        writeFile(site.path() / "a.html", "<a href=\"b.html\">b</a> <a href=\"x.html\">x</a>\n");
        writeFile(site.path() / "b.html", "<a href=\"a.html\">a</a> <a href=\"#sec.html\">s</a>\n");
        c.make(site.path() / "c.html");
        writeFile(site.path() / "d.html", "<a href=\"e.html\">e</a>\n");
        const ReportRun run = runReport({"--json", site.path().string()});
        EXPECT_EQ(run.status, 2);
        const Json report = parseReport(run);
        const std::string B = canonicalBase(site.path());

        EXPECT_EQ(list(report, "pages"), Rows({"a.html", "b.html", "c.html", "d.html"}));
        EXPECT_EQ(list(report, "search"), Rows({"-", "-"}));
        EXPECT_EQ(list(report, "requests"), Rows({B + "/b.html", B + "/x.html", B + "/a.html", "#sec.html"}));
        EXPECT_EQ(brokenPairs(report), Pairs({{"a.html", "x.html"}, {"b.html", "#sec.html"}}));
        EXPECT_EQ(list(report, "unrequested"), Rows{}); // the detection never ran
        EXPECT_EQ(list(report, "missing"), Rows{});
        const Json *error = report.find("error");
        ASSERT_NE(error, nullptr);
        ASSERT_NE(error->find("page"), nullptr);
        ASSERT_NE(error->find("message"), nullptr);
        EXPECT_EQ(error->find("page")->text, "c.html");
        const std::string message = error->find("message")->text;
        EXPECT_EQ(message.rfind("ファイル " + B + "/c.html は開けません。 ", 0), 0u) << message;
        EXPECT_GT(message.size(), ("ファイル " + B + "/c.html は開けません。 ").size()) << "no reason given";
        EXPECT_EQ(run.err, message + "\n");

        const ReportRun text = runReport({site.path().string()});
        EXPECT_EQ(text.status, 2);
        EXPECT_NE(text.out.find("調査は途中で止まりました: " + message), std::string::npos) << text.out;
    }
}

// A page-list row with no file behind it (a link that leads nowhere) is
// reported missing; the run goes on.
TEST(ReportSites, PagesWithoutAFileAreReportedMissing)
{
    TempDir site;
    writeFile(site.path() / "a.html", "<a href=\"b.html\">b</a>\n");
    writeFile(site.path() / "b.html", "<a href=\"a.html\">a</a>\n");
    fs::create_symlink("nowhere.html", site.path() / "gone.html");
    fs::create_symlink("../nowhere.html", site.path() / "lost.htm");
    const ReportRun run = runReport({"--json", site.path().string()});
    EXPECT_EQ(run.status, 0) << run.err;
    const Json report = parseReport(run);
    const std::string B = canonicalBase(site.path());
    EXPECT_EQ(list(report, "pages"), Rows({"a.html", "b.html", "gone.html", "lost.htm"}));
    EXPECT_EQ(list(report, "missing"), Rows({"gone.html", "lost.htm"}));
    EXPECT_EQ(list(report, "unrequested"), Rows({B + "/gone.html", B + "/lost.htm"}));
    EXPECT_EQ(brokenPairs(report), Pairs{});
    EXPECT_EQ(report.find("error"), nullptr);

    const ReportRun text = runReport({site.path().string()});
    EXPECT_NE(text.out.find("  gone.htmlがありません。\n  lost.htmがありません。\n"), std::string::npos)
        << text.out;
}

// A file name in another encoding and link texts holding a backslash, a line
// break and a tab still give valid JSON that reads back to the same rows.
TEST(ReportSites, OddNamesAndLinkTextsStayValidJson)
{
    TempDir site;
    writeFile(site.path() / "caf\xE9.html",
              "<a href=\"dir\\sub.html\">1</a>\n<a href=\"two\nlines.html\">2</a>\n<a "
              "href=\"tab\there.html\">3</a>\n");
    const ReportRun run = runReport({"--json", site.path().string()});
    EXPECT_EQ(run.status, 1);
    const Json report = parseReport(run);
    const std::string B = canonicalBase(site.path());
    const std::string page = "caf\xEF\xBF\xBD.html"; // the Latin-1 byte as U+FFFD
    EXPECT_EQ(list(report, "pages"), Rows({page}));
    EXPECT_EQ(brokenPairs(report),
              Pairs({
                  {page, "dir\\sub.html"},
                  {page, "two\r\nlines.html"}, // the page text ends every line with CR LF
                  {page, "tab\there.html"},
              }));
    EXPECT_EQ(list(report, "unrequested"), Rows({B + "/" + page}));
}

// What the report shows on a terminal as its standard error, and its run.
std::pair<std::string, ReportRun> runOnTerminal(const std::vector<std::string> &args)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    EXPECT_EQ(::grantpt(master), 0);
    EXPECT_EQ(::unlockpt(master), 0);
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    EXPECT_GE(slave, 0);
    const ReportRun run = runReport(args, slave);
    ::close(slave);
    std::string shown;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        shown.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(master);
    return {shown, run};
}

TEST(ReportSites, ProgressLineOnlyOnATerminal)
{
    TempDir site;
    for (const char *name : {"a.html", "b.html", "c.html"})
        writeFile(site.path() / name, "<a href=\"a.html\">a</a>\n");

    const auto [shown, run] = runOnTerminal({"--json", site.path().string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(shown.find("\r0 / 3"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r3 / 3"), std::string::npos) << shown;
    // The last line stays, ended by a line break (which the terminal turns
    // into CR LF), and the JSON on stdout is untouched by it.
    EXPECT_TRUE(shown.ends_with("\r3 / 3\r\n")) << shown;
    EXPECT_EQ(shown.find('\n'), shown.size() - 1) << shown;
    parseReport(run);

    // The second pass starts on "0 / 10", shorter than the "10 / 10" that
    // ended the first: it is padded over it.
    for (int i = 0; i < 7; ++i)
        writeFile(site.path() / ("p" + std::to_string(i) + ".html"), "<a href=\"a.html\">a</a>\n");
    const auto [ten, tenRun] = runOnTerminal({"--json", site.path().string()});
    EXPECT_NE(ten.find("\r10 / 10\r0 / 10 \r"), std::string::npos) << ten;
    EXPECT_TRUE(ten.ends_with("\r10 / 10\r\n")) << ten;

    // A run that fails on its last page (q.html) still ends its progress
    // line before the error.
    fs::create_symlink("/proc/self/mem", site.path() / "q.html");
    const auto [failed, failedRun] = runOnTerminal({"--json", site.path().string()});
    EXPECT_EQ(failedRun.status, 2);
    const std::size_t lineEnd = failed.find("\r\n");
    ASSERT_NE(lineEnd, std::string::npos) << failed;
    EXPECT_TRUE(failed.substr(0, lineEnd).ends_with("\r10 / 11")) << failed;
    EXPECT_NE(failed.find("は開けません", lineEnd), std::string::npos) << failed;
    EXPECT_TRUE(failed.ends_with("\r\n")) << failed;
}

// tavlori-report on a site whose pages link to each other only in spellings
// that browsers accept, with web addresses, anchors named like pages and two
// undeclared Japanese pages: exactly the real orphans are unrequested,
// exactly the real dead links are broken.
#include "report_run.h"

#include "../fixtures/browser_spellings_site.h"

#include <gtest/gtest.h>

#include <string>

namespace fs = std::filesystem;
using namespace tavlori::test;
namespace site = tavlori::test::browser_spellings;

namespace {

void writeSite(const fs::path &folder)
{
    for (const site::File &file : site::makeFiles()) {
        const fs::path path = folder / file.name;
        fs::create_directories(path.parent_path());
        writeFile(path, file.bytes);
    }
}

} // namespace

TEST(BrowserSpellingsSite, JsonListsExactlyTheRealOrphansAndDeadLinks)
{
    TempDir dir;
    writeSite(dir.path());
    const ReportRun run = runReport({"--term", site::kSearchTerm, "--json", dir.path().string()});
    EXPECT_EQ(run.status, 1) << run.err; // it has broken links
    EXPECT_EQ(run.err, "");
    const Json report = parseReport(run);
    const std::string B = canonicalBase(dir.path());

    ASSERT_NE(report.find("base"), nullptr);
    EXPECT_EQ(report.find("base")->text, B);
    EXPECT_EQ(list(report, "pages"), site::kPages);
    EXPECT_EQ(list(report, "search"), site::searchColumnFoundIn("sjis.html"));
    EXPECT_EQ(list(report, "requests"), site::expectedRequests(B));
    EXPECT_EQ(brokenPairs(report), site::kBroken);
    Rows unrequested;
    for (const std::string &page : site::kUnrequested)
        unrequested.push_back(B + "/" + page);
    EXPECT_EQ(list(report, "unrequested"), unrequested);
    EXPECT_EQ(list(report, "missing"), Rows{});
    EXPECT_EQ(report.find("error"), nullptr);
}

// Each Japanese page is read in its own encoding: a term of its prose is
// found in it and nowhere else.
TEST(BrowserSpellingsSite, TermsOfTheUndeclaredPagesAreFound)
{
    TempDir dir;
    writeSite(dir.path());
    const std::vector<std::pair<std::string, std::string>> cases = {
        {site::kSearchTerm, "sjis.html"},
        {site::kEucTerm, "euc.html"},
    };
    for (const auto &[term, page] : cases) {
        const ReportRun run = runReport({"--term", term, "--json", dir.path().string()});
        EXPECT_EQ(list(parseReport(run), "search"), site::searchColumnFoundIn(page)) << term;
    }
}

TEST(BrowserSpellingsSite, TextReportListsTheSameRows)
{
    TempDir dir;
    writeSite(dir.path());
    const ReportRun run = runReport({"--term", site::kSearchTerm, dir.path().string()});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string B = canonicalBase(dir.path());
    EXPECT_EQ(run.out, "基準フォルダ: " + B
                           + "\n"
                             "HTMLファイル数: 19\n"
                             "\n検索「古文書」を含むHTML: 1\n"
                             "  sjis.html\n"
                             "\nリンク切れ: 4\n"
                             "  a.html\n    → #nosuch.html\n"
                             "  b.html\n    → sub/missing.html?x=1\n"
                             "  euc.html\n    → 削除済み.html\n"
                             "  index.html\n    → gone.html\n"
                             "\nリクエストされていないHTML: 6\n"
                             "  "
                           + B
                           + "/draft.htm\n"
                             "  "
                           + B
                           + "/orphan.html\n"
                             "  "
                           + B
                           + "/part.html\n"
                             "  "
                           + B
                           + "/toc.html\n"
                             "  "
                           + B
                           + "/x.html\n"
                             "  "
                           + B
                           + "/y.html\n"
                             "\nリクエスト数: 23\n"
                             "リクエストされていないHTMLの数: 6\n");
}

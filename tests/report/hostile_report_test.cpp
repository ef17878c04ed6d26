// tavlori-report on hostile folders: whatever the names and pages hold, the
// JSON it prints is valid and reads back to the right rows, a page that is a
// FIFO or a socket ends the run with exit status 2 and an error object, and
// no run waits for ever.
#include "../platform/unusual_files.h"
#include "report_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace tavlori::test;

namespace {

const std::string kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Page names with control characters, quotes, backslashes and every kind of
// ill-formed UTF-8; a binary page; links that dangle, loop or lead back to the
// folder itself; link texts with control characters, a line break and 5,000
// characters. The report is valid JSON and every row reads back as the page
// list holds it, each stray byte shown as one U+FFFD.
TEST(HostileReport, OddNamesAndPagesGiveValidJsonWithEveryRow)
{
    TempDir site;
    const fs::path S = site.path();
    const std::string K = canonicalBase(S);
    const std::string longLink = std::string(4996, 'L') + ".htm";
    writeFile(S / "index.htm", "<a href=\"ctl\x01.htm\"> <a href=\"tab\t.htm\"> <a href=\"dangling.htm\"> "
                               "<a href=\"new\nline.htm\"> <a href=\""
                                   + longLink + "\"> <a href=\"back\\slash.htm\">\n");
    for (const std::string &name :
         {"back\\slash.htm"s, "bad\xC0\xAF.htm"s, "ctl\x01.htm"s, "cut\xE3\x81.htm"s, "lone\x80.htm"s,
          "new\nline.htm"s, "quote\".htm"s, "sur\xED\xA0\x80.htm"s, "tab\t.htm"s})
        writeFile(S / name, "&&&\n");
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919 + 13) & 0xFF);
    writeFile(S / "bin.htm", binary);
    fs::create_symlink("nowhere.htm", S / "dangling.htm");
    fs::create_symlink("loop.htm", S / "loop.htm");
    fs::create_directory_symlink(".", S / "self.htm"); // a folder: never listed, never entered

    const ReportRun run = runReport({"--json", K});
    EXPECT_EQ(run.status, 1) << run.err;
    const Json report = parseReport(run);
    const std::string R = kReplacement;
    EXPECT_EQ(list(report, "pages"),
              (Rows{"back\\slash.htm", "bad" + R + R + ".htm", "bin.htm", "ctl\x01.htm",
                    "cut" + R + R + ".htm", "dangling.htm", "index.htm", "lone" + R + ".htm", "loop.htm",
                    "new\nline.htm", "quote\".htm", "sur" + R + R + R + ".htm", "tab\t.htm"}));
    EXPECT_EQ(list(report, "missing"), (Rows{"dangling.htm", "loop.htm"}));
    EXPECT_EQ(brokenPairs(report), (Pairs{{"index.htm", "dangling.htm"},
                                          {"index.htm", "new\r\nline.htm"},
                                          {"index.htm", longLink},
                                          {"index.htm", "back\\slash.htm"}}));
    EXPECT_EQ(list(report, "unrequested"),
              (Rows{K + "/bad" + R + R + ".htm", K + "/bin.htm", K + "/cut" + R + R + ".htm",
                    K + "/index.htm", K + "/lone" + R + ".htm", K + "/loop.htm", K + "/new\nline.htm",
                    K + "/quote\".htm", K + "/sur" + R + R + R + ".htm"}));
    EXPECT_EQ(report.find("error"), nullptr);

    // The readable report runs to its end too.
    const ReportRun text = runReport({K});
    EXPECT_EQ(text.status, 1) << text.err;
    EXPECT_NE(text.out.find("リンク切れ: 4\n"), std::string::npos) << text.out;
}

// A page that is a FIFO or a socket, under a name that is not UTF-8, stops
// the run at once: exit status 2, the lists as they stood, and an error
// object naming the page; the JSON stays valid, and the error line on the
// standard error stream names the page's path as it is on disk.
TEST(HostileReport, FifoOrSocketPageExitsTwoWithAnErrorObject)
{
    struct Case {
        const char *kind;
        void (*make)(const fs::path &);
    };
    const std::vector<Case> cases = {
        {"fifo", makeFifo},
        {"socket", makeSocket},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        TempDir site;
        const std::string K = canonicalBase(site.path());
        writeFile(site.path() / "a.htm", "&&& <a href=\"gone.htm\">\n");
        c.make(site.path() / "fi\xFF.htm");
        writeFile(site.path() / "z.htm", "&&& <a href=\"zz.htm\">\n");

        const ReportRun run = runReport({"--json", K});
        EXPECT_EQ(run.status, 2);
        const Json report = parseReport(run);
        const std::string page = "fi" + kReplacement + ".htm";
        EXPECT_EQ(list(report, "pages"), (Rows{"a.htm", page, "z.htm"}));
        EXPECT_EQ(list(report, "search"), Rows{"found"});
        EXPECT_EQ(list(report, "requests"), Rows{K + "/gone.htm"});
        EXPECT_EQ(brokenPairs(report), (Pairs{{"a.htm", "gone.htm"}}));
        EXPECT_EQ(list(report, "unrequested"), Rows{});
        const Json *error = report.find("error");
        ASSERT_NE(error, nullptr);
        ASSERT_NE(error->find("page"), nullptr);
        ASSERT_NE(error->find("message"), nullptr);
        EXPECT_EQ(error->find("page")->text, page);
        EXPECT_EQ(error->find("message")->text,
                  "ファイル " + K + "/" + page + " は開けません。 通常のファイルではありません ");
        EXPECT_EQ(run.err, "ファイル " + K + "/fi\xFF.htm は開けません。 通常のファイルではありません \n");

        const ReportRun text = runReport({K});
        EXPECT_EQ(text.status, 2);
    }
}

} // namespace

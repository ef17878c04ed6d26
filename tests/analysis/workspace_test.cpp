// Whole term searches and link investigations over small folders made here.
#include "analysis/workspace.h"

#include "analysis/recording_events.h"
#include "analysis/rowindex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#define TAVLORI_HAVE_FIFO 1
#endif

namespace fs = std::filesystem;
using tavlori::test::RecordingEvents;
using tavlori::test::stepName;
using Rows = std::vector<std::string>;

namespace tavlori {
namespace {

// A fresh folder under the system's temporary folder. The workspace makes the
// page list's folder the process's current directory; the fixture puts the
// old one back before it removes the folder.
class TempFolder {
public:
    TempFolder()
        : saved_(fs::current_path())
    {
        static unsigned serial = 0;
        std::random_device random;
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        root_ = fs::temp_directory_path()
                / ("tavlori-ws-" + std::to_string(random()) + "-" + std::to_string(stamp) + "-"
                   + std::to_string(++serial));
        fs::create_directories(root_);
        root_ = fs::canonical(root_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::current_path(saved_, ignored);
        fs::remove_all(root_, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    std::string path() const { return root_.string(); }
    std::string path(const std::string &name) const { return (root_ / name).string(); }

    void write(const std::string &name, const std::string &text) const
    {
        fs::create_directories((root_ / name).parent_path());
        std::ofstream out(root_ / name, std::ios::binary);
        out << text;
    }

private:
    fs::path saved_;
    fs::path root_;
};

struct PageFile {
    std::string name;
    std::string text;
};

// A page list folder with the given pages, entered by a change of folder.
struct Site {
    explicit Site(std::initializer_list<PageFile> pages)
        : dir(folder.path("site"))
    {
        fs::create_directories(dir);
        add(pages);
    }
    template <typename Pages>
    void add(const Pages &pages) const
    {
        for (const PageFile &page : pages)
            folder.write("site/" + page.name, page.text);
    }
    std::string page(const std::string &name) const { return dir + "/" + name; }

    TempFolder folder;
    std::string dir;
};

Rows rowsOf(const RowList &list)
{
    return list.rows();
}

using Hits = std::vector<SearchHit>;
constexpr SearchHit F = SearchHit::Found;
constexpr SearchHit N = SearchHit::NotFound;
constexpr SearchHit U = SearchHit::NotSearched;
constexpr SearchHit M = SearchHit::Missing;

Hits hitsOf(const Workspace &ws)
{
    return ws.searchColumn().items();
}

// The link texts of the broken links, in order.
Rows linksOf(const Workspace &ws)
{
    Rows links;
    for (const BrokenLink &broken : ws.brokenLinks())
        links.push_back(broken.link);
    return links;
}

// The pages holding the broken links, in order.
Rows pagesOf(const Workspace &ws)
{
    Rows pages;
    for (const BrokenLink &broken : ws.brokenLinks())
        pages.push_back(broken.page);
    return pages;
}

Rows selectedRows(const RowList &list)
{
    Rows rows;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list.isSelected(i))
            rows.push_back(list.row(i));
    }
    return rows;
}

void selectOnly(RowList &list, const Rows &names)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        list.setSelected(i, std::find(names.begin(), names.end(), list.row(i)) != names.end());
}

// A FileAccess over the standard one that counts reads per path, keeps the
// paths tested for existence, and can fail the n-th read of one path. Pages
// are read on a second thread, so the records are kept under a lock.
class CountingFiles : public FileAccess {
public:
    bool isFile(const std::string &path) override
    {
        {
            std::lock_guard lock(mutex);
            tested.push_back(path);
        }
        return standardFileAccess().isFile(path);
    }
    bool readInto(const std::string &path, std::string &buffer, std::size_t &length,
                  ReadFailure &reason) override
    {
        int n = 0;
        {
            std::lock_guard lock(mutex);
            n = ++reads[path];
        }
        if (path == failPath && n == failOnRead) {
            reason = ReadFailure::system(EIO);
            return false;
        }
        return standardFileAccess().readInto(path, buffer, length, reason);
    }
    std::mutex mutex;
    std::map<std::string, int> reads;
    Rows tested;
    std::string failPath;
    int failOnRead = 0;
};

// ---------------------------------------------------------------------------
// Error texts

TEST(StandardErrorText, AppendsAPeriodAfterAHigherLastCharacter)
{
    const struct {
        std::string message;
        std::string shown;
    } cases[] = {
        {"abc", "abc."},
        {"I/O エラー 21", "I/O エラー 21."},
        {"開かれたファイルが多すぎます。", "開かれたファイルが多すぎます。."},
        {"ファイル x は開けません。 reason ", "ファイル x は開けません。 reason "},
        {"ends with a period.", "ends with a period."},
        {"ends with a comma,", "ends with a comma,"},
        {"ends with a slash/", "ends with a slash/."},
        {"é", "é."},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(standardErrorText(c.message), c.shown) << c.message;
}

TEST(PageOpenError, CarriesItsCauseThePathAndTheReason)
{
    const PageOpenError error("/web/a.htm", ReadFailure::system(EACCES));
    EXPECT_EQ(error.failure().cause, FailureCause::PageUnreadable);
    EXPECT_EQ(error.path(), "/web/a.htm");
    EXPECT_EQ(error.reason(), ReadFailure::system(EACCES));
}

// ---------------------------------------------------------------------------
// Start-up, change of folder, search pass

TEST(Workspace, StartTakesTheFolderAndSelectsEveryPageWithoutSearching)
{
    Site site({{"a.htm", "&&&"}, {"b.html", ""}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    const fs::path before = fs::current_path();
    ws.readPageList(site.dir);
    EXPECT_EQ(ws.pageListFolder(), site.dir);
    // Reading a folder leaves the process's current directory alone.
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_EQ(ws.pageList().selectedCount(), 0u);
    ws.start(site.dir);
    EXPECT_EQ(ws.baseFolder(), site.dir);
    EXPECT_EQ(selectedRows(ws.pageList()), (Rows{"a.htm", "b.html"}));
    EXPECT_TRUE(ws.searchColumn().empty());
    EXPECT_TRUE(reported.events.empty());
}

TEST(Workspace, ChangeOfFolderEmptiesResultsReadsSelectsAndSearches)
{
    Site one({{"x.htm", "<a href=\"gone.htm\">"}});
    TempFolder other;
    other.write("B.htm", "no term");
    other.write("a.htm", "a &&& b");
    other.write("c.html", "&&");
    other.write("old.htm.bak", "&&&");
    other.write("notes.txt", "&&&");
    fs::create_directories(other.path("dir.html"));

    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(one.dir);
    // An investigation there leaves a broken link, a request, an unrequested
    // page and the counts.
    ws.investigateLinks();
    ASSERT_EQ(linksOf(ws), (Rows{"gone.htm"}));
    ASSERT_EQ(rowsOf(ws.unrequestedPages()), (Rows{one.page("x.htm")}));
    const fs::path before = fs::current_path();

    // At the one step a change of folder reports, the page list has been
    // read but not yet selected, and the search column is still empty.
    bool looked = false;
    reported.onReached = [&](Step) {
        looked = true;
        EXPECT_EQ(ws.baseFolder(), other.path());
        EXPECT_EQ(ws.pageList().size(), 4u);
        EXPECT_EQ(ws.pageList().selectedCount(), 0u);
        EXPECT_TRUE(ws.searchColumn().empty());
        EXPECT_TRUE(ws.unrequestedPages().empty());
    };
    reported.clear();
    ws.changeFolder(other.path());
    EXPECT_TRUE(looked);
    EXPECT_EQ(reported.events, (Rows{"page list read"}));

    EXPECT_EQ(ws.baseFolder(), other.path());
    EXPECT_EQ(ws.pageListFolder(), other.path());
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_EQ(rowsOf(ws.pageList()), (Rows{"a.htm", "B.htm", "c.html", "old.htm.bak"}));
    EXPECT_EQ(ws.pageList().selectedCount(), 4u);
    EXPECT_EQ(hitsOf(ws), (Hits{F, N, N, F}));
    EXPECT_TRUE(ws.brokenLinks().empty());
    EXPECT_TRUE(ws.unrequestedPages().empty());
    EXPECT_TRUE(ws.brokenLinks().empty());
    // The request list and the counts of the last investigation stay.
    EXPECT_EQ(rowsOf(ws.requestList()), (Rows{one.page("gone.htm")}));
    EXPECT_EQ(ws.requestCount(), 1u);
    EXPECT_EQ(ws.unrequestedCount(), 1u);
    EXPECT_EQ(reported.progressCalls.back(), (std::pair<std::size_t, std::size_t>{4, 4}));
}

TEST(Workspace, SearchTermIsReadForEveryPageAndMatchedExactly)
{
    Site site({{"a.htm", "\xEF\xBB\xBF&&&Start"},
               {"b.htm", "a\0&&& after nul"},
               {"c.htm", "Term and term"},
               {"d.htm", "\x82\xA0 Shift-JIS bytes &&&"}});
    // The literal above stops at the NUL; write the page with it.
    site.folder.write("site/b.htm", std::string("a\0&&& after nul", 15));

    const struct {
        std::string term;
        Hits column;
    } cases[] = {
        // d.htm declares no encoding: it is read as its bytes look, term included.
        {"&&&", {F, N, N, F}},  {"", {N, N, N, N}},          {"term", {N, N, F, N}},
        {"TERM", {N, N, N, N}}, {"Start\r\n", {F, N, N, N}},
    };
    for (const auto &c : cases) {
        RecordingEvents reported;
        Workspace ws(reported, standardFileAccess(), '/');
        ws.setSearchTerm(c.term);
        ws.changeFolder(site.dir);
        EXPECT_EQ(hitsOf(ws), c.column) << c.term;
    }
}

TEST(Workspace, UnselectedPagesGetABlankRow)
{
    Site site({{"a.htm", "&&&"}, {"b.htm", "&&&"}, {"c.htm", "&&&"}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    selectOnly(ws.pageList(), {"b.htm"});
    ws.searchPass();
    EXPECT_EQ(hitsOf(ws), (Hits{U, F, U}));
}

TEST(Workspace, MissingPageIsReportedAndKeepsItsRow)
{
    Site site({{"a.htm", "&&& <a href=\"gone.htm\">"}, {"c.htm", "&&&"}});
    fs::create_symlink("nowhere.htm", site.page("b.htm"));

    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    EXPECT_EQ(rowsOf(ws.pageList()), (Rows{"a.htm", "b.htm", "c.htm"}));
    EXPECT_EQ(reported.events, (Rows{"page list read", "missing b.htm"}));
    EXPECT_EQ(hitsOf(ws), (Hits{F, M, F}));

    reported.clear();
    ws.investigateLinks();
    EXPECT_EQ(reported.events, (Rows{"missing b.htm", "link pass finished", "unrequested cleared",
                                     "unrequested found", "investigation finished"}));
    EXPECT_EQ(hitsOf(ws), (Hits{F, M, F}));
    // The missing page registers nothing, and nothing links to it.
    EXPECT_EQ(rowsOf(ws.requestList()), (Rows{site.page("gone.htm")}));
    EXPECT_EQ(rowsOf(ws.unrequestedPages()),
              (Rows{site.page("a.htm"), site.page("b.htm"), site.page("c.htm")}));
}

// A pass asks before each selected page whether to stop. Stopped in the
// link pass, it ends as at a page that cannot be opened: the lists keep the
// pages entered before, the unrequested pages and the counts stay as they
// were, and no closing step is reached.
TEST(Workspace, AStoppedLinkPassKeepsWhatWasEnteredAndSkipsTheClosingSteps)
{
    Site site({{"a.htm", "&&& <a href=\"gone1.htm\">"},
               {"b.htm", "<a href=\"gone2.htm\">"},
               {"c.htm", "&&& <a href=\"gone3.htm\">"}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    ws.unrequestedPages().append("earlier");
    reported.clear();
    // Questions 0 and 1 come before a.htm and b.htm; the answer before c.htm stops.
    reported.stopQuestions = 0;
    reported.stopAtQuestion = 2;

    EXPECT_THROW(ws.investigateLinks(), PassStopped);

    EXPECT_EQ(reported.stopQuestions, 3u);
    EXPECT_EQ(hitsOf(ws), (Hits{F, N}));
    EXPECT_EQ(rowsOf(ws.requestList()), (Rows{site.page("gone1.htm"), site.page("gone2.htm")}));
    EXPECT_EQ(pagesOf(ws), (Rows{"a.htm", "b.htm"}));
    EXPECT_EQ(linksOf(ws), (Rows{"gone1.htm", "gone2.htm"}));
    EXPECT_EQ(rowsOf(ws.unrequestedPages()), (Rows{"earlier"}));
    EXPECT_FALSE(ws.requestCount().has_value());
    EXPECT_FALSE(ws.unrequestedCount().has_value());
    EXPECT_TRUE(reported.events.empty());
    EXPECT_EQ(reported.progressCalls.back(), (std::pair<std::size_t, std::size_t>{2, 3}));

    // Unstopped, the same investigation runs to its end; the targets already
    // in the request list are not tested again.
    reported.stopAtQuestion = std::numeric_limits<std::size_t>::max();
    reported.clear();
    ws.investigateLinks();
    EXPECT_EQ(hitsOf(ws), (Hits{F, N, F}));
    EXPECT_EQ(linksOf(ws), (Rows{"gone3.htm"}));
    EXPECT_EQ(ws.requestCount(), 3u);
    EXPECT_EQ(reported.events.back(), "investigation finished");
}

#ifdef TAVLORI_HAVE_FIFO
TEST(Workspace, PageThatCannotBeReadStopsTheCommandWhereItStands)
{
    Site site({{"a.htm", "&&& <a href=\"gone.htm\"> <a href=\"c.htm\">"}, {"c.htm", "&&&"}});
    ASSERT_EQ(::mkfifo(site.page("b.htm").c_str(), 0600), 0);

    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    // An earlier investigation elsewhere leaves its counts.
    Site earlier({{"e.htm", ""}});
    ws.changeFolder(earlier.dir);
    ws.investigateLinks();
    ASSERT_EQ(ws.requestCount(), 0u);
    ASSERT_EQ(ws.unrequestedCount(), 1u);
    // The search pass of the change of folder stops at the FIFO.
    try {
        ws.changeFolder(site.dir);
        FAIL() << "no failure";
    } catch (const PageOpenError &e) {
        EXPECT_EQ(e.path(), site.page("b.htm"));
        EXPECT_EQ(e.reason(), ReadFailure::notRegularFile());
    }
    EXPECT_EQ(rowsOf(ws.pageList()), (Rows{"a.htm", "b.htm", "c.htm"}));
    EXPECT_EQ(hitsOf(ws), (Hits{F}));

    // The investigation stops there too: what the earlier one left in
    // unrequestedPages, requestCount and unrequestedCount stays, and there is no closing beep.
    ws.unrequestedPages().append("earlier");
    reported.clear();
    EXPECT_THROW(ws.investigateLinks(), PageOpenError);
    EXPECT_TRUE(reported.events.empty());
    EXPECT_EQ(hitsOf(ws), (Hits{F}));
    EXPECT_EQ(rowsOf(ws.requestList()), (Rows{site.page("gone.htm"), site.page("c.htm")}));
    EXPECT_EQ(linksOf(ws), (Rows{"gone.htm"}));
    EXPECT_EQ(pagesOf(ws), (Rows{"a.htm"}));
    EXPECT_EQ(rowsOf(ws.unrequestedPages()), (Rows{"earlier"}));
    EXPECT_EQ(ws.requestCount(), 0u);
    EXPECT_EQ(ws.unrequestedCount(), 1u);
}
#endif

TEST(Workspace, FolderThatCannotBeReadThrowsTheFolderError)
{
    TempFolder folder;
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    try {
        ws.readPageList(folder.path("absent"));
        FAIL() << "no failure";
    } catch (const CommandError &e) {
        EXPECT_EQ(e.failure().cause, FailureCause::FolderUnreadable);
        EXPECT_EQ(e.failure().path, folder.path("absent"));
        EXPECT_EQ(e.failure().errorNumber, ENOENT);
    }
}

// ---------------------------------------------------------------------------
// Broken links

struct BrokenCase {
    const char *what;
    std::string page;            // the text of a.htm, the one page scanned
    std::vector<PageFile> other; // further files of the folder
    Rows broken;                 // the broken links' texts after the investigation
};

TEST(Workspace, BrokenLinksOfOnePage)
{
    const BrokenCase cases[] = {
        {"existing page", "<a href=\"there.htm\">", {{"there.htm", ""}}, {}},
        {"missing page", "<a href=\"gone.htm\">", {}, {"gone.htm"}},
        {"fragment of an existing page", "<a href=\"there.htm#part2\">", {{"there.htm", ""}}, {}},
        {"two links, one target", "<a href=\"gone.htm#p\"> <a href=\"gone.htm\">", {}, {"gone.htm#p"}},
        {"subfolder",
         "<a href=\"sub/in.html\"> <a href=\"sub/out.html\">",
         {{"sub/in.html", ""}},
         {"sub/out.html"}},
        {"parent folder",
         "<a href=\"../up.htm\"> <a href=\"../down.htm\">",
         {{"../up.htm", ""}},
         {"../down.htm"}},
        {"web link", "<a href=\"http://example.com/x.html\">", {}, {}},
        {"dollar resolves to the folder",
         "<a href=\"item$1.html\"> <a href=\"other$2.html\">",
         {},
         {"item$1.html"}},
        {"folder named like a page", "<a href=\"dir.html\">", {{"dir.html/inner.txt", ""}}, {"dir.html"}},
        {"relative link holding http", "<a href=\"http_guide.html\">", {{"http_guide.html", ""}}, {}},
        {"anchor with name and double quotes", "<a href=\"#x.htm\"> <a name=\"x.htm\">", {}, {}},
        {"anchor with id", "<a href=\"#x.htm\"> <a id=\"x.htm\">", {}, {}},
        {"anchor with single quotes", "<a href=\"#x.htm\"> <a name='x.htm'>", {}, {"#x.htm"}},
        {"anchor with spaces", "<a href=\"#x.htm\"> <a name = \"x.htm\">", {}, {"#x.htm"}},
        {"anchor in another letter case", "<a href=\"#x.htm\"> <a name=\"X.htm\">", {}, {"#x.htm"}},
    };
    for (const BrokenCase &c : cases) {
        Site site({{"a.htm", c.page}});
        site.add(c.other);
        RecordingEvents reported;
        Workspace ws(reported, standardFileAccess(), '/');
        ws.changeFolder(site.dir);
        selectOnly(ws.pageList(), {"a.htm"});
        ws.investigateLinks();
        EXPECT_EQ(linksOf(ws), c.broken) << c.what;
        EXPECT_EQ(pagesOf(ws), Rows(c.broken.size(), "a.htm")) << c.what;
    }
}

TEST(Workspace, ExternalAddressesAreRegisteredButNeverTestedOrBroken)
{
    const BrokenCase cases[] = {
        {"schemes of any kind and case",
         "<a href=\"https://example.com/a.html\"> <a href=\"mailto:x@example.com?s=a.html\">"
         " <a href=\"HTTP://EXAMPLE.COM/B.HTML\"> <a href=\"svn+ssh://host/c.htm\">",
         {},
         {}},
        {"network path", "<a href=\"//cdn.example.com/a.html\">", {}, {}},
        {"missing page holding http", "<a href=\"http_guide.html\">", {}, {"http_guide.html"}},
        {"fragment holding http",
         "<a href=\"there.htm#httphandler\"> <a href=\"gone.htm#http\">",
         {{"there.htm", ""}},
         {"gone.htm#http"}},
        {"a drive letter is no scheme", "<a href=\"C:gone.html\">", {}, {"C:gone.html"}},
        {"backslashes make no network path", "<a href=\"\\\\host\\gone.html\">", {}, {"\\\\host\\gone.html"}},
    };
    for (const BrokenCase &c : cases) {
        Site site({{"a.htm", c.page}});
        site.add(c.other);
        RecordingEvents reported;
        CountingFiles files;
        Workspace ws(reported, files, '/');
        ws.changeFolder(site.dir);
        selectOnly(ws.pageList(), {"a.htm"});
        files.tested.clear();
        ws.investigateLinks();
        EXPECT_EQ(linksOf(ws), c.broken) << c.what;
        EXPECT_EQ(pagesOf(ws), Rows(c.broken.size(), "a.htm")) << c.what;
        for (const std::string &path : files.tested)
            EXPECT_FALSE(isExternalAddress(path)) << c.what << ": " << path << " was tested";
    }

    // Registered as written, once; the request count includes it.
    Site site({{"a.htm", "<a href=\"https://example.com/a.html\"> <a href=\"https://example.com/a.html\">"},
               {"b.htm", "<a href=\"https://example.com/a.html#top\"> <a href=\"a.htm\">"}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    ws.investigateLinks();
    EXPECT_EQ(rowsOf(ws.requestList()),
              (Rows{"https://example.com/a.html", "https://example.com/a.html#top", site.page("a.htm")}));
    EXPECT_EQ(ws.requestCount(), 3u);
    EXPECT_TRUE(ws.brokenLinks().empty());
    EXPECT_EQ(rowsOf(ws.unrequestedPages()), (Rows{site.page("b.htm")}));
}

TEST(Workspace, TheLinkTextNotTheTargetMarksAnExternalAddress)
{
    // Under an empty base folder a link starting with one slash joins into a
    // target starting with two, which is still an ordinary missing page.
    Site site({{"a.htm", ""}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    // Before the start the base folder is empty.
    ASSERT_TRUE(ws.baseFolder().empty());
    ASSERT_EQ(ws.resolve("/tavlori-no-such-page.htm"), "//tavlori-no-such-page.htm");
    ws.checkTarget("a.htm", "/tavlori-no-such-page.htm");
    ws.checkTarget("a.htm", "//tavlori-no-such-page.htm");
    EXPECT_EQ(linksOf(ws), (Rows{"/tavlori-no-such-page.htm"}));
}

TEST(Workspace, AnchorsNamedByNameOrId)
{
    const struct {
        std::string page;
        Rows broken;
    } cases[] = {
        {"<a name=\"x.htm\">", {}},
        {"<h2 id=\"x.htm\">", {}},
        {"<p id=\"y.htm\"><a name=\"x.htm\">", {}},
        // Exactly id="NAME": double quotes, lower case, nothing around "=".
        {"<h2 id='x.htm'>", {"#x.htm"}},
        {"<h2 ID=\"x.htm\">", {"#x.htm"}},
        {"<h2 id = \"x.htm\">", {"#x.htm"}},
        {"<h2 id=\"X.htm\">", {"#x.htm"}},
        {"<h2 id=\"x.html\">", {"#x.htm"}},
        {"<h2 id=\"x.htm \">", {"#x.htm"}},
        // A literal text: any attribute ending in "id" counts.
        {"<h2 data-id=\"x.htm\">", {}},
        {"<a xname=\"x.htm\">", {}},
        // The value must follow name= or id= itself.
        {"<a title=\"x.htm\">", {"#x.htm"}},
        {"<a d=\"x.htm\">", {"#x.htm"}},
        {"<a ame=\"x.htm\">", {"#x.htm"}},
        {"<a nam=\"x.htm\">", {"#x.htm"}},
        {"<a name=\"\"x.htm\">", {"#x.htm"}},
        // A value met first after another attribute, then after id=.
        {"<a title=\"x.htm\" alt=\"x.htm\" id=\"x.htm\">", {}},
        {"<a title=\"x.htm\"><b name=\"x.htm\">", {}},
    };
    for (const auto &c : cases) {
        Site site({{"a.htm", "<a href=\"#x.htm\"> " + c.page}});
        RecordingEvents reported;
        Workspace ws(reported, standardFileAccess(), '/');
        ws.changeFolder(site.dir);
        ws.investigateLinks();
        EXPECT_EQ(linksOf(ws), c.broken) << c.page;
    }
}

TEST(Workspace, LinkTextsOfAnyLengthAreRegisteredOnce)
{
    // Link texts around the 64 KiB and 1 MiB edges, each in two pages and
    // twice in the first: registered once, listed as broken once.
    Rows links;
    std::string page;
    for (const std::size_t length : {std::size_t(65535), std::size_t(65536), std::size_t(65537),
                                     std::size_t(1) << 20, (std::size_t(1) << 20) + 3}) {
        links.push_back(std::string(length - 4, static_cast<char>('a' + links.size())) + ".htm");
        page += "<a href=\"" + links.back() + "\">";
    }
    Site site({{"a.htm", page + page}, {"b.htm", page}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    ws.investigateLinks();
    Rows targets;
    for (const std::string &link : links)
        targets.push_back(site.page(link));
    EXPECT_EQ(rowsOf(ws.requestList()), targets);
    EXPECT_EQ(linksOf(ws), links);
    EXPECT_EQ(pagesOf(ws), Rows(links.size(), "a.htm"));

    // Met again by a later investigation: still registered, not tested again.
    ws.investigateLinks();
    EXPECT_EQ(rowsOf(ws.requestList()), targets);
    EXPECT_TRUE(ws.brokenLinks().empty());
    for (const std::string &link : links)
        ws.registerLink("b.htm", link);
    EXPECT_EQ(ws.requestList().size(), links.size());
    EXPECT_TRUE(ws.brokenLinks().empty());
}

TEST(Workspace, DollarLinksShareTheFolderAsTheirTarget)
{
    Site site({{"a.htm", "<a href=\"item$1.html\"> <a href=\"other$2.html\">"}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    ws.investigateLinks();
    EXPECT_EQ(rowsOf(ws.requestList()), (Rows{site.dir}));
    EXPECT_EQ(ws.requestCount(), 1u);
}

TEST(Workspace, TopAnchorIsNeverBrokenButOtherCasesAre)
{
    const struct {
        std::string page;
        Rows links;
        Rows broken;
    } cases[] = {
        {"", {"#TOP", "#top"}, {"#top"}},
        {"<a name=\"top\">", {"#TOP", "#top"}, {}},
        {"<a name=\"TOP\">", {"#top", "#TOP"}, {"#top"}},
        {"", {"#", "#x"}, {"#", "#x"}},
        {"name=\"\"", {"#", "#x"}, {"#x"}},
    };
    for (const auto &c : cases) {
        Site site({{"a.htm", c.page}});
        RecordingEvents reported;
        Workspace ws(reported, standardFileAccess(), '/');
        ws.changeFolder(site.dir);
        for (const std::string &link : c.links)
            ws.registerLink("a.htm", link);
        EXPECT_EQ(rowsOf(ws.requestList()), c.links) << c.page;
        EXPECT_EQ(linksOf(ws), c.broken) << c.page;
    }
}

TEST(Workspace, SameBrokenLinkInTwoPagesIsRecordedForTheFirstOnly)
{
    Site site({{"a.htm", "<a href=\"gone.htm\">"},
               {"b.htm", "<a href=\"gone.htm\"> <a href=\"#n.htm\">"},
               {"c.htm", "<a href=\"#n.htm\"> <a name=\"n.htm\">"}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    ws.investigateLinks();
    EXPECT_EQ(linksOf(ws), (Rows{"gone.htm", "#n.htm"}));
    EXPECT_EQ(pagesOf(ws), (Rows{"a.htm", "b.htm"}));
}

TEST(Workspace, UnlinkListsAResolvedTargetOnlyOnce)
{
    Site site({{"a.htm", ""}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    ws.checkTarget("a.htm", "gone.htm");
    ws.checkTarget("a.htm", "gone.htm#x");
    ws.checkTarget("a.htm", "./gone.htm");
    ws.checkTarget("a.htm", site.page("gone.htm"));
    ws.checkTarget("a.htm", "gone.htm?v=1");
    ws.checkTarget("a.htm", "sub/../gone.htm");
    ws.checkTarget("a.htm", "gone%2Ehtm");
    ws.checkTarget("a.htm", "other.htm");
    EXPECT_EQ(linksOf(ws), (Rows{"gone.htm", "other.htm"}));
    EXPECT_EQ(pagesOf(ws), (Rows{"a.htm", "a.htm"}));
}

TEST(NamesAnchor, LooksForTheWholeAttribute)
{
    const struct {
        std::string_view text;
        std::string_view name;
        bool names;
    } cases[] = {
        {"id=\"a\"", "a", true},
        {"name=\"a\"", "a", true},
        {"=\"a\"", "a", false},
        {"d=\"a\"", "a", false},
        {"me=\"a\"", "a", false},
        {"=\"a\" id=\"a\"", "a", true},
        {"id=\"a\"", "", false},
        {"id=\"\"", "", true},
        {"x id=\"ab\"", "a", false},
        {"x id=\"a\"\"", "a\"", true},
        {"id=\"id=\"a\"", "id=\"a", true},
        {"", "a", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(namesAnchor(c.text, c.name), c.names) << c.text << " / " << c.name;
}

TEST(Workspace, AnchorTestReadsTheHoldingPageEachTimeAndMayFail)
{
    Site site({{"a.htm", "<a href=\"#x.htm\"> <a href=\"#x.htm\"> <a href=\"#y.htm\"> <a name=\"y.htm\">"}});
    const std::string path = site.page("a.htm");
    {
        RecordingEvents reported;
        CountingFiles files;
        Workspace ws(reported, files, '/');
        ws.changeFolder(site.dir);
        files.reads.clear();
        ws.investigateLinks();
        // Once for the scan, once for each new anchor target.
        EXPECT_EQ(files.reads[path], 3);
        EXPECT_EQ(linksOf(ws), (Rows{"#x.htm"}));
    }
    {
        RecordingEvents reported;
        CountingFiles files;
        Workspace ws(reported, files, '/');
        ws.changeFolder(site.dir);
        files.reads.clear();
        files.failPath = path;
        files.failOnRead = 2;
        reported.clear();
        try {
            ws.investigateLinks();
            FAIL() << "no failure";
        } catch (const PageOpenError &e) {
            EXPECT_EQ(e.path(), path);
            EXPECT_EQ(e.reason(), ReadFailure::system(EIO));
        }
        // The target under test stays registered without an outcome.
        EXPECT_EQ(rowsOf(ws.requestList()), (Rows{"#x.htm"}));
        EXPECT_TRUE(ws.brokenLinks().empty());
        EXPECT_EQ(hitsOf(ws), (Hits{N}));
        EXPECT_FALSE(ws.unrequestedCount().has_value());
        EXPECT_TRUE(reported.events.empty());
    }
}

// A FileAccess that writes `next` over a page right after its first read, as
// an editor saving the page while the investigation runs would.
class RewritingFiles : public FileAccess {
public:
    bool isFile(const std::string &path) override { return standardFileAccess().isFile(path); }
    bool readInto(const std::string &path, std::string &buffer, std::size_t &length,
                  ReadFailure &reason) override
    {
        const bool result = standardFileAccess().readInto(path, buffer, length, reason);
        if (path == rewritePath && !rewritten) {
            std::ofstream(path, std::ios::binary) << next;
            rewritten = true;
        }
        return result;
    }
    std::string rewritePath;
    std::string next;
    bool rewritten = false;
};

TEST(Workspace, AnchorTestJudgesTheHoldingPageAsReadAgain)
{
    const std::string link = "<a href=\"#x.htm\">";
    const std::string name = "<a name=\"x.htm\">";
    const struct {
        std::string scanned;
        std::string readAgain;
        Rows broken;
    } cases[] = {
        {link, link + name, {}},
        {link + name, link, {"#x.htm"}},
        {link + name, link + name, {}},
        {link, link, {"#x.htm"}},
    };
    for (const auto &c : cases) {
        Site site({{"a.htm", c.scanned}});
        RecordingEvents reported;
        RewritingFiles files;
        Workspace ws(reported, files, '/');
        ws.changeFolder(site.dir); // reads the page once more; rewrite after the scan's read
        files.rewritePath = site.page("a.htm");
        files.next = c.readAgain;
        ws.investigateLinks();
        EXPECT_EQ(linksOf(ws), c.broken) << c.scanned << " then " << c.readAgain;
    }
}

// ---------------------------------------------------------------------------
// Investigation and unrequested pages

TEST(Workspace, InvestigationListsUnrequestedPages)
{
    Site site({{"index.html", "<a href=\"a.htm\"> <a href=\"sub/x.htm\">"},
               {"a.htm", "<a href=\"index.html\"> <img src=\"b.htm\">"},
               {"b.htm", ""},
               {"self.htm", "<a href=\"self.htm\">"},
               {"alone.htm", ""},
               {"quiet.htm", "<a href=\"linked.htm\">"},
               {"linked.htm", ""}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    selectOnly(ws.pageList(), {"a.htm", "index.html", "self.htm", "alone.htm"});
    reported.clear();
    ws.investigateLinks();

    EXPECT_EQ(rowsOf(ws.pageList()),
              (Rows{"a.htm", "alone.htm", "b.htm", "index.html", "linked.htm", "quiet.htm", "self.htm"}));
    EXPECT_EQ(hitsOf(ws), (Hits{N, N, U, N, U, U, N}));
    // b.htm, unselected, is requested by a.htm;
    // linked.htm is linked only from an unselected page.
    const Rows unrequested{site.page("alone.htm"), site.page("linked.htm"), site.page("quiet.htm")};
    EXPECT_EQ(rowsOf(ws.unrequestedPages()), unrequested);
    EXPECT_EQ(selectedRows(ws.unrequestedPages()), unrequested);
    EXPECT_EQ(ws.requestCount(), ws.requestList().size());
    EXPECT_EQ(ws.requestCount(), 5u);
    EXPECT_EQ(ws.unrequestedCount(), 3u);
    EXPECT_EQ(linksOf(ws), (Rows{"sub/x.htm"}));
    EXPECT_EQ(reported.events.back(), "investigation finished");
    EXPECT_EQ(reported.progressCalls.back(), (std::pair<std::size_t, std::size_t>{7, 7}));
}

TEST(Workspace, IndexingTheRequestListBeforeTheUnrequestedPassReportsProgress)
{
    // One page requests many targets; the index of the request list that the
    // unrequested pass builds first reports its rows as it goes, so the
    // window can repaint during it, and then the pass reports its pages.
    std::string links;
    constexpr std::size_t kTargets = 1500;
    for (std::size_t i = 0; i < kTargets; ++i)
        links += "<a href=\"t" + std::to_string(i) + ".htm\">" + std::to_string(i) + "</a>\n";
    Site site({{"index.html", links}, {"t0.htm", "<a href=\"index.html\">back</a>"}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    reported.clear();
    ws.investigateLinks();
    const std::size_t rows = ws.requestList().size();
    ASSERT_EQ(rows, kTargets + 1);

    using Call = std::pair<std::size_t, std::size_t>;
    const std::vector<Call> &calls = reported.progressCalls;
    // The link pass ends with its last page; the index follows, reporting
    // its rows; the unrequested pass follows with its pages.
    const auto linkPassEnd = std::find(calls.begin(), calls.end(), Call{2, 2});
    ASSERT_NE(linkPassEnd, calls.end());
    auto call = linkPassEnd + 1;
    std::size_t done = 0;
    for (; call != calls.end() && call->second == rows; ++call) {
        EXPECT_GT(call->first, done);
        EXPECT_LE(call->first - done, RowIndex::kProgressRows);
        done = call->first;
    }
    EXPECT_GT(done, rows - RowIndex::kProgressRows);
    ASSERT_NE(call, calls.end());
    EXPECT_EQ(*call, (Call{0, 2}));
    EXPECT_EQ(calls.back(), (Call{2, 2}));
}

TEST(Workspace, LinksSpeltAsBrowsersAcceptThemRequestTheirPages)
{
    // Each page is linked only through one spelling; orphan.htm only from
    // itself, and the page named like a fragment only from a web address.
    Site site({{"index.html", "<a href=\"./a.html\"> <a href=\"sub/../b.html\"> <a href=\"c%20d.html\">"
                              " <a href=\"e.html?v=2\"> <A HREF=\"f.html\"> <a href='g.html'> <a href=h.html>"
                              " <a href=\"list/./../i.html#httphandler\"> <a href=\"http_guide.html\">"
                              " <IMG SRC='j.htm'> <td BACKGROUND=k.htm> <img onMouseOver=\"f(1,'l.htm')\">"
                              " <a href=\"%E6%97%A5.html\"> <a href=\"https://example.com/web.html\">"
                              " <a href=\"#part.html\"> <h2 id=\"part.html\"> <a href=\"dead.html?x=1\">"},
               {"a.html", ""},
               {"b.html", ""},
               {"c d.html", ""},
               {"e.html", ""},
               {"f.html", ""},
               {"g.html", ""},
               {"h.html", ""},
               {"i.html", ""},
               {"http_guide.html", ""},
               {"j.htm", ""},
               {"k.htm", ""},
               {"l.htm", ""},
               {"日.html", ""},
               {"web.html", ""},
               {"part.html", ""},
               {"orphan.htm", "<a href=\"orphan.htm\">"}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    selectOnly(ws.pageList(), {"index.html"});
    ws.investigateLinks();
    EXPECT_EQ(rowsOf(ws.unrequestedPages()), (Rows{site.page("index.html"), site.page("orphan.htm"),
                                                   site.page("part.html"), site.page("web.html")}));
    EXPECT_EQ(linksOf(ws), (Rows{"dead.html?x=1"}));
    EXPECT_EQ(pagesOf(ws), (Rows{"index.html"}));
}

TEST(Workspace, NameComparisonIgnoresOnlyAsciiCase)
{
    const struct {
        std::string page;
        std::string link;
        bool requested;
    } cases[] = {
        {"index.html", "Index.html", true}, {"INDEX.HTML", "index.HTML", true},
        {"café.htm", "cafÉ.htm", false},    {"Ａ.htm", "ａ.htm", false},
        {"ａ.htm", "ａ.htm", true},         {"page.htm", "page.htm#frag", true},
        {"page.htm", "pagé.htm", false},
    };
    for (const auto &c : cases) {
        Site site({{"from.htm", "<a href=\"" + c.link + "\">"}, {c.page, ""}});
        RecordingEvents reported;
        Workspace ws(reported, standardFileAccess(), '/');
        ws.changeFolder(site.dir);
        ws.investigateLinks();
        const Rows &listed = ws.unrequestedPages().rows();
        const bool unrequested = std::find(listed.begin(), listed.end(), site.page(c.page)) != listed.end();
        EXPECT_EQ(!unrequested, c.requested) << c.page << " <- " << c.link;
    }
}

TEST(Workspace, NothingSelected)
{
    Site site({{"a.htm", "<a href=\"b.htm\">"}, {"b.htm", ""}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    selectOnly(ws.pageList(), {});
    ws.requestList().append(site.page("b.htm"));
    ws.investigateLinks();
    EXPECT_EQ(hitsOf(ws), (Hits{U, U}));
    EXPECT_EQ(rowsOf(ws.requestList()), (Rows{site.page("b.htm")}));
    EXPECT_EQ(rowsOf(ws.unrequestedPages()), (Rows{site.page("a.htm")}));
    EXPECT_EQ(ws.requestCount(), 1u);
    EXPECT_EQ(ws.unrequestedCount(), 1u);
}

TEST(Workspace, EmptyPageList)
{
    TempFolder folder;
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(folder.path());
    EXPECT_TRUE(ws.searchColumn().empty());
    ws.requestList().append("kept");
    ws.unrequestedPages().append("earlier");
    reported.clear();
    ws.investigateLinks();
    EXPECT_TRUE(ws.searchColumn().empty());
    EXPECT_TRUE(ws.unrequestedPages().empty());
    EXPECT_EQ(ws.requestCount(), 1u);
    EXPECT_EQ(ws.unrequestedCount(), 0u);
    EXPECT_EQ(reported.events, (Rows{"link pass finished", "unrequested cleared", "unrequested found",
                                     "investigation finished"}));
}

TEST(Workspace, RepeatedInvestigationAndClearingTheRequests)
{
    Site site({{"a.htm", "<a href=\"gone.htm\"> <a href=\"b.htm\">"}, {"b.htm", "<a href=\"new.htm\">"}});
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    selectOnly(ws.pageList(), {"a.htm"});
    ws.investigateLinks();
    EXPECT_EQ(linksOf(ws), (Rows{"gone.htm"}));
    EXPECT_EQ(ws.requestCount(), 2u);

    // Again, with b.htm too: only its new target is tested.
    ws.pageList().selectAll();
    ws.investigateLinks();
    EXPECT_EQ(linksOf(ws), (Rows{"new.htm"}));
    EXPECT_EQ(pagesOf(ws), (Rows{"b.htm"}));
    EXPECT_EQ(ws.requestCount(), 3u);

    // Clearing empties the request list alone.
    ws.clearRequests();
    EXPECT_TRUE(ws.requestList().empty());
    EXPECT_EQ(ws.requestCount(), 3u);
    EXPECT_EQ(linksOf(ws), (Rows{"new.htm"}));
    EXPECT_EQ(ws.unrequestedPages().size(), 1u);

    ws.investigateLinks();
    EXPECT_EQ(linksOf(ws), (Rows{"gone.htm", "new.htm"}));
    EXPECT_EQ(rowsOf(ws.requestList()),
              (Rows{site.page("gone.htm"), site.page("b.htm"), site.page("new.htm")}));
    EXPECT_EQ(rowsOf(ws.unrequestedPages()), (Rows{site.page("a.htm")}));
}

TEST(Workspace, RequestsOutliveAChangeOfFolderAndResolveAgainstTheNewOne)
{
    TempFolder root;
    root.write("one/a.htm", "<a href=\"../two/p.htm\"> <a href=\"q.htm\">");
    root.write("two/p.htm", "");
    root.write("two/q.htm", "");
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(root.path("one"));
    ws.investigateLinks();
    const Rows requests{root.path("two/p.htm"), root.path("one/q.htm")};
    EXPECT_EQ(rowsOf(ws.requestList()), requests);
    EXPECT_EQ(rowsOf(ws.unrequestedPages()), (Rows{root.path("one/a.htm")}));
    EXPECT_EQ(ws.requestCount(), 2u);
    EXPECT_EQ(ws.unrequestedCount(), 1u);

    ws.changeFolder(root.path("two"));
    EXPECT_EQ(rowsOf(ws.requestList()), requests);
    EXPECT_TRUE(ws.unrequestedPages().empty());
    EXPECT_EQ(ws.requestCount(), 2u);
    EXPECT_EQ(ws.unrequestedCount(), 1u);

    // Nothing scanned here: p.htm is requested by the earlier folder's
    // target, q.htm is not (that target named one/q.htm).
    selectOnly(ws.pageList(), {});
    ws.investigateLinks();
    EXPECT_EQ(rowsOf(ws.unrequestedPages()), (Rows{root.path("two/q.htm")}));
}

// A target that resolution leaves as written (an in-page anchor) is looked up
// in the base folder, whatever the process's current directory is.
TEST(Workspace, TargetLeftRelativeIsLookedUpInTheBaseFolder)
{
    Site site({{"a.htm", "<a href=\"#inbase.htm\"> <a href=\"#incwd.htm\">"}, {"#inbase.htm", "not a page"}});
    TempFolder elsewhere;
    elsewhere.write("#incwd.htm", "not a page");
    fs::current_path(elsewhere.path());
    RecordingEvents reported;
    Workspace ws(reported, standardFileAccess(), '/');
    ws.changeFolder(site.dir);
    ws.investigateLinks();
    EXPECT_EQ(linksOf(ws), (Rows{"#incwd.htm"}));
}

// ---------------------------------------------------------------------------
// Pages prepared ahead on a second thread

// Pages held in memory and served from two threads: a read can be slowed,
// a page can be missing, exist but fail to read, or throw.
class MemoryFiles : public FileAccess {
public:
    enum class State { Present, Missing, Unreadable, Throws };
    struct Page {
        std::string text;
        State state = State::Present;
        int delayMs = 0;
    };

    bool isFile(const std::string &path) override
    {
        std::lock_guard lock(mutex_);
        const auto it = pages.find(path);
        return it != pages.end() && it->second.state != State::Missing;
    }
    bool readInto(const std::string &path, std::string &buffer, std::size_t &length,
                  ReadFailure &reason) override
    {
        Page page;
        {
            std::lock_guard lock(mutex_);
            const auto it = pages.find(path);
            if (it == pages.end()) {
                reason = ReadFailure::system(ENOENT);
                return false;
            }
            page = it->second;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(page.delayMs));
        switch (page.state) {
        case State::Missing:
            reason = ReadFailure::system(ENOENT);
            return false;
        case State::Unreadable:
            reason = ReadFailure::system(EACCES);
            return false;
        case State::Throws:
            throw std::runtime_error("read failed");
        case State::Present:
            break;
        }
        buffer = page.text;
        length = page.text.size();
        return true;
    }

    std::map<std::string, Page> pages; // set up before a pass

private:
    std::mutex mutex_;
};

// Records the dialogs and the progress in one sequence; the window's side
// can be slowed at chosen pages, so that the reading runs far ahead.
class PacedEvents : public EngineEvents {
public:
    Rows events;
    std::map<std::size_t, int> slowAfter; // progress done -> milliseconds

    void pageMissing(const std::string &name) override { events.push_back("missing " + name); }
    void reached(Step step) override { events.push_back(stepName(step)); }
    void progress(Phase, std::size_t done, std::size_t total) override
    {
        events.push_back("done " + std::to_string(done) + "/" + std::to_string(total));
        const auto it = slowAfter.find(done);
        if (it != slowAfter.end())
            std::this_thread::sleep_for(std::chrono::milliseconds(it->second));
    }
};

std::string pageName(std::size_t i)
{
    return "p" + std::to_string(100 + i) + ".htm";
}

// Pages p100.htm ... each with the search term and two links: t<i>.htm,
// which is nowhere, and the next page. Some pages are missing, some are not
// selected, some are slow to read and some slow to hand over.
struct PacedSite {
    static constexpr std::size_t kPages = 40;
    static bool missing(std::size_t i) { return i % 7 == 3; }
    static bool unselected(std::size_t i) { return i % 5 == 1; }

    PacedSite()
    {
        // The page list comes from the folder; the pages' bytes from `files`.
        for (std::size_t i = 0; i < kPages; ++i)
            site.add(std::vector<PageFile>{{pageName(i), ""}});
        for (std::size_t i = 0; i < kPages; ++i) {
            MemoryFiles::Page page;
            page.text =
                "&&& <a href=\"t" + std::to_string(i) + ".htm\"> <a href=\"" + pageName(i + 1) + "\">";
            page.state = missing(i) ? MemoryFiles::State::Missing : MemoryFiles::State::Present;
            page.delayMs = i % 4 == 0 ? 3 : 0;
            files.pages[site.page(pageName(i))] = page;
            if (i % 6 == 2)
                reported.slowAfter[i] = 4;
        }
    }

    void enter(Workspace &ws)
    {
        ws.readPageList(site.dir);
        ws.start(site.dir);
        for (std::size_t i = 0; i < kPages; ++i)
            ws.pageList().setSelected(i, !unselected(i));
        reported.events.clear();
    }

    // What a pass entering the pages one after the other gives, up to the
    // page `stop` (not included).
    struct Expected {
        Rows events;
        Hits hits;
        Rows requests;
        Rows brokenPages;
        Rows brokenLinks;
    };
    Expected expected(std::size_t stop = kPages) const
    {
        Expected e;
        e.events.push_back("done 0/" + std::to_string(kPages));
        for (std::size_t i = 0; i < stop; ++i) {
            if (unselected(i)) {
                e.hits.push_back(U);
            } else if (missing(i)) {
                e.events.push_back("missing " + pageName(i));
                e.hits.push_back(M);
            } else {
                e.hits.push_back(F);
                const std::string gone = "t" + std::to_string(i) + ".htm";
                e.requests.push_back(site.page(gone));
                e.brokenPages.push_back(pageName(i));
                e.brokenLinks.push_back(gone);
                e.requests.push_back(site.page(pageName(i + 1)));
                if (i + 1 == kPages || missing(i + 1)) {
                    e.brokenPages.push_back(pageName(i));
                    e.brokenLinks.push_back(pageName(i + 1));
                }
            }
            e.events.push_back("done " + std::to_string(i + 1) + "/" + std::to_string(kPages));
        }
        return e;
    }

    Site site{};
    MemoryFiles files;
    PacedEvents reported;
};

TEST(PagesReadAhead, LinkPassEntersResultsInPageListOrder)
{
    PacedSite paced;
    Workspace ws(paced.reported, paced.files, '/');
    paced.enter(ws);
    ws.linkPass();
    const auto expected = paced.expected();
    EXPECT_EQ(paced.reported.events, expected.events);
    EXPECT_EQ(hitsOf(ws), expected.hits);
    EXPECT_EQ(rowsOf(ws.requestList()), expected.requests);
    EXPECT_EQ(pagesOf(ws), expected.brokenPages);
    EXPECT_EQ(linksOf(ws), expected.brokenLinks);

    // The search pass: the same hits and dialogs, nothing registered.
    ws.clearRequests();
    paced.reported.events.clear();
    ws.searchPass();
    EXPECT_EQ(paced.reported.events, expected.events);
    EXPECT_EQ(hitsOf(ws), expected.hits);
    EXPECT_TRUE(ws.requestList().empty());
    EXPECT_TRUE(ws.brokenLinks().empty());
}

TEST(PagesReadAhead, PageThatFailsStopsThePassAtItsTurn)
{
    constexpr std::size_t kStop = 23; // selected and not missing
    ASSERT_FALSE(PacedSite::missing(kStop) || PacedSite::unselected(kStop));
    for (const MemoryFiles::State state : {MemoryFiles::State::Unreadable, MemoryFiles::State::Throws}) {
        const bool unreadable = state == MemoryFiles::State::Unreadable;
        SCOPED_TRACE(unreadable ? "unreadable" : "throws");
        PacedSite paced;
        const std::string path = paced.site.page(pageName(kStop));
        paced.files.pages[path].state = state;
        // The window's side is slow before the failing page, so the reading
        // has gone past it by the time its turn comes.
        paced.reported.slowAfter[kStop - 1] = 30;
        Workspace ws(paced.reported, paced.files, '/');
        paced.enter(ws);
        try {
            ws.linkPass();
            FAIL() << "no failure";
        } catch (const PageOpenError &e) {
            EXPECT_TRUE(unreadable);
            EXPECT_EQ(e.path(), path);
            EXPECT_EQ(e.reason(), ReadFailure::system(EACCES));
        } catch (const std::runtime_error &e) {
            EXPECT_FALSE(unreadable);
            EXPECT_STREQ(e.what(), "read failed");
        }
        const auto expected = paced.expected(kStop);
        EXPECT_EQ(paced.reported.events, expected.events);
        EXPECT_EQ(hitsOf(ws), expected.hits);
        EXPECT_EQ(rowsOf(ws.requestList()), expected.requests);
        EXPECT_EQ(pagesOf(ws), expected.brokenPages);
        EXPECT_EQ(linksOf(ws), expected.brokenLinks);

        // The workspace is whole afterwards: the next pass runs to the end.
        paced.files.pages[path].state = MemoryFiles::State::Present;
        paced.reported.events.clear();
        ws.clearRequests();
        ws.linkPass();
        EXPECT_EQ(rowsOf(ws.requestList()), paced.expected().requests);
    }
}

// The anchor test of a page read ahead compares the bytes read again with
// the page being entered, not with a later page the reading has reached.
TEST(PagesReadAhead, AnchorTestComparesWithThePageBeingEntered)
{
    Site site({{"a.htm", "<a href=\"#x.htm\">"}, {"b.htm", "<a href=\"#x.htm\"> <a name=\"x.htm\">"}});
    RecordingEvents reported;
    CountingFiles files;
    Workspace ws(reported, files, '/');
    ws.changeFolder(site.dir);
    ws.investigateLinks();
    EXPECT_EQ(pagesOf(ws), (Rows{"a.htm"}));
    EXPECT_EQ(linksOf(ws), (Rows{"#x.htm"}));
}

} // namespace
} // namespace tavlori

// Whole investigations and trash commands over hostile folders made in the
// test: special files and broken links named like pages, huge and binary
// pages, pathological markup, odd and ill-formed names, folders and pages that
// vanish or cannot be read. Each test states what must happen; none may
// crash, hang, lose a file or move anything the user did not choose.
#include "analysis/pagetext.h"
#include "analysis/recording_events.h"
#include "analysis/utf8.h"
#include "analysis/workspace.h"
#include "platform/pagefiles.h"
#include "platform/trash_fixture.h"
#include "platform/trashcommands.h"
#include "platform/unusual_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavlori::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::makeFifo;
using test::makeSocket;
using test::RecordingEvents;
using test::RecordingTrashUi;
using test::TrashFixture;
using Rows = std::vector<std::string>;
// What "選択HTMLを削除" said it moved: (moved, offered) per command.
using Moves = std::vector<std::pair<std::size_t, std::size_t>>;

ShowMoved recordMoves(Moves &moves)
{
    return [&moves](std::size_t moved, std::size_t offered) { moves.emplace_back(moved, offered); };
}
using Hits = std::vector<SearchHit>;

// Fails the whole program instead of letting a hung call hold the test run:
// when the guarded scope has not ended within `limit`, the program aborts
// with the name of what hung.
class Watchdog {
public:
    Watchdog(std::string what, std::chrono::seconds limit = std::chrono::seconds(120))
        : thread_([this, what = std::move(what), limit] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
                std::fprintf(stderr, "hung: %s did not finish within %lld s\n", what.c_str(),
                             static_cast<long long>(limit.count()));
                std::abort();
            }
        })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

void writeBytes(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string readBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The raw names in a folder (no decoding, so ill-formed names compare exactly), sorted.
Rows namesIn(const fs::path &folder)
{
    Rows names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back(it->path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

bool entryExists(const fs::path &path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

// Every access goes to pageFiles(); `afterRead` runs after each read with
// the path just read. Pages are read ahead on a second thread, so the reads
// are recorded under a lock.
class HookedFiles : public FileAccess {
public:
    std::function<void(const std::string &path)> afterRead;
    std::vector<std::string> reads;

    bool isFile(const std::string &path) override { return pageFiles().isFile(path); }
    bool readInto(const std::string &path, std::string &buffer, std::size_t &length,
                  ReadFailure &reason) override
    {
        const bool result = pageFiles().readInto(path, buffer, length, reason);
        {
            std::lock_guard lock(mutex_);
            reads.push_back(path);
        }
        if (afterRead)
            afterRead(path);
        return result;
    }

private:
    std::mutex mutex_;
};

class Hostile : public TrashFixture {
protected:
    void TearDown() override
    {
        TrashFixture::TearDown();
        // Qt cannot name a file whose name is not UTF-8, so the temporary
        // folder is emptied here, byte names and all.
        std::error_code ec;
        for (const std::string &entry : namesIn(rootDir()))
            fs::remove_all(rootDir() / entry, ec);
    }

    fs::path siteDir() const { return fs::path(site().toStdString()); }
    fs::path rootDir() const { return fs::path(root_.toStdString()); }
    std::string K() const { return site().toStdString(); }
    std::string inSite(const std::string &name) const { return K() + "/" + name; }

    void put(const std::string &name, const std::string &bytes) { writeBytes(siteDir() / name, bytes); }

    // The program's start on `folder`: the page list is read, then the window
    // is shown (baseFolder set, every page selected).
    static void startOn(Workspace &ws, const std::string &folder)
    {
        ws.readPageList(folder);
        ws.start(folder);
    }

    static Rows brokenPairs(const Workspace &ws)
    {
        Rows pairs;
        for (const BrokenLink &broken : ws.brokenLinks())
            pairs.push_back(broken.page + " -> " + broken.link);
        return pairs;
    }

    static Rows linksOf(const Workspace &ws)
    {
        Rows links;
        for (const BrokenLink &broken : ws.brokenLinks())
            links.push_back(broken.link);
        return links;
    }

    static Rows pagesOf(const Workspace &ws)
    {
        Rows pages;
        for (const BrokenLink &broken : ws.brokenLinks())
            pages.push_back(broken.page);
        return pages;
    }

    RecordingEvents reported;
    RecordingTrashUi ui;
};

// ---------------------------------------------------------------------------
// Special files named like pages

// A dangling link and links that loop (to themselves, or in a ring) are pages
// without a file behind them: listed, reported missing one by one (beep and
// dialog), never followed forever; the investigation ends with its beep and
// links to them are broken. "不要なHTML削除" then moves only the regular
// pages among the unrequested ones and leaves every link where it is.
TEST_F(Hostile, DanglingAndLoopingLinksAreMissingPagesAndAreNeverTrashed)
{
    put("index.htm", "&&& <a href=\"dangling.htm\"> <a href=\"loop.htm\"> <a href=\"ring1.htm\">\n");
    put("plain.htm", "no links\n");
    fs::create_symlink("nowhere.htm", siteDir() / "dangling.htm");
    fs::create_symlink("loop.htm", siteDir() / "loop.htm");
    fs::create_symlink("ring2.htm", siteDir() / "ring1.htm");
    fs::create_symlink("ring1.htm", siteDir() / "ring2.htm");

    Workspace ws(reported, pageFiles());
    {
        Watchdog guard("investigation over looping links");
        startOn(ws, K());
        ws.investigateLinks();
    }
    EXPECT_EQ(ws.pageList().rows(),
              (Rows{"dangling.htm", "index.htm", "loop.htm", "plain.htm", "ring1.htm", "ring2.htm"}));
    EXPECT_EQ(reported.events, (Rows{"missing dangling.htm", "missing loop.htm", "missing ring1.htm",
                                     "missing ring2.htm", "link pass finished", "unrequested cleared",
                                     "unrequested found", "investigation finished"}));
    EXPECT_EQ(ws.searchColumn().items(), (Hits{SearchHit::Missing, SearchHit::Found, SearchHit::Missing,
                                               SearchHit::NotFound, SearchHit::Missing, SearchHit::Missing}));
    EXPECT_EQ(brokenPairs(ws),
              (Rows{"index.htm -> dangling.htm", "index.htm -> loop.htm", "index.htm -> ring1.htm"}));
    EXPECT_EQ(ws.unrequestedPages().rows(),
              (Rows{inSite("index.htm"), inSite("plain.htm"), inSite("ring2.htm")}));
    EXPECT_EQ(ws.requestCount(), 3u);
    EXPECT_EQ(ws.unrequestedCount(), 3u);

    const Rows leftOut = trashUnrequested(ws, &ui).leftOut;
    EXPECT_EQ(leftOut, Rows{inSite("ring2.htm")});
    EXPECT_EQ(namesIn(siteDir()), (Rows{"dangling.htm", "loop.htm", "ring1.htm", "ring2.htm"}));
    EXPECT_EQ(trashedFiles(), (QStringList{"index.htm", "plain.htm"}));
    EXPECT_EQ(trashInfos(), (QStringList{"index.htm.trashinfo", "plain.htm.trashinfo"}));
    EXPECT_EQ(fs::read_symlink(siteDir() / "ring2.htm"), fs::path("ring1.htm"));
    EXPECT_TRUE(ui.errors.empty());
}

// A FIFO or a socket named like a page exists, so it is no missing page; it
// cannot be read as a page, so the command stops there with
// "ファイル %s は開けません。 %s " and the refusal's reason, without ever
// waiting for a writer. What came before stays; the investigation's closing
// steps do not run. A link to it is not broken (something stands there), and
// even a row naming it never makes the trash take it.
TEST_F(Hostile, FifoOrSocketPageStopsTheCommandAtOnceAndIsNeverTrashed)
{
    struct Case {
        const char *kind;
        void (*make)(const fs::path &);
    };
    const std::vector<Case> cases = {{"fifo", makeFifo}, {"socket", makeSocket}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        const fs::path dir = rootDir() / c.kind;
        fs::create_directory(dir);
        const std::string D = dir.string();
        writeBytes(dir / "a.htm", "&&& <a href=\"m.htm\"> <a href=\"gone.htm\">\n");
        c.make(dir / "m.htm");
        writeBytes(dir / "z.htm", "&&& <a href=\"zz.htm\">\n");

        RecordingEvents reported;
        Workspace ws(reported, pageFiles());
        Watchdog guard(std::string("a page that is a ") + c.kind);
        try {
            ws.changeFolder(D);
            ADD_FAILURE() << "the search pass went past the " << c.kind;
        } catch (const PageOpenError &e) {
            EXPECT_EQ(e.path(), D + "/m.htm");
            EXPECT_EQ(e.reason(), ReadFailure::notRegularFile());
            EXPECT_EQ(e.failure().cause, FailureCause::PageUnreadable);
        }
        EXPECT_EQ(ws.pageList().rows(), (Rows{"a.htm", "m.htm", "z.htm"}));
        EXPECT_EQ(ws.searchColumn().items(), (Hits{SearchHit::Found}));

        ws.unrequestedPages().append("earlier");
        reported.clear();
        EXPECT_THROW(ws.investigateLinks(), PageOpenError);
        EXPECT_EQ(ws.searchColumn().items(), (Hits{SearchHit::Found}));
        EXPECT_EQ(ws.requestList().rows(), (Rows{D + "/m.htm", D + "/gone.htm"}));
        EXPECT_EQ(brokenPairs(ws), Rows{"a.htm -> gone.htm"});
        EXPECT_EQ(ws.unrequestedPages().rows(), Rows{"earlier"});
        EXPECT_FALSE(ws.requestCount().has_value());
        EXPECT_FALSE(ws.unrequestedCount().has_value());
        EXPECT_TRUE(reported.events.empty()) << "no missing page, no step reached";

        // Even chosen by hand, the special file stays where it is.
        ws.unrequestedPages().clear();
        ws.unrequestedPages().append(D + "/m.htm");
        ws.unrequestedPages().selectAll();
        EXPECT_EQ(trashUnrequested(ws, &ui).leftOut, Rows{D + "/m.htm"});
        EXPECT_EQ(namesIn(dir), (Rows{"a.htm", "m.htm", "z.htm"}));
    }
    EXPECT_EQ(trashedFiles(), QStringList{});
}

// ---------------------------------------------------------------------------
// Huge, binary and pathological pages

// A 50 MB page is read whole: the search term and the links at its very end
// are found as surely as the one at its start.
TEST_F(Hostile, FiftyMegabytePageIsReadToItsVeryEnd)
{
    const std::string line = "<p>filler text that holds no attribute at all 0123456789</p>\n";
    std::string page = "<a href=\"first.htm\">first</a>\n";
    page.reserve(50u * 1024 * 1024 + 200);
    while (page.size() < 50u * 1024 * 1024)
        page += line;
    page += "<img src=\"last.htm\"> term-at-the-end <a href=\"end.htm\">end</a>";
    put("big.htm", page);
    page.clear();
    page.shrink_to_fit();
    put("end.htm", "<a href=\"big.htm\">back</a>\n");

    Workspace ws(reported, pageFiles());
    ws.setSearchTerm("term-at-the-end");
    {
        Watchdog guard("a 50 MB page");
        startOn(ws, K());
        ws.investigateLinks();
    }
    EXPECT_EQ(ws.searchColumn().items(), (Hits{SearchHit::Found, SearchHit::NotFound}));
    // The src pass runs before the href pass.
    EXPECT_EQ(ws.requestList().rows(),
              (Rows{inSite("last.htm"), inSite("first.htm"), inSite("end.htm"), inSite("big.htm")}));
    EXPECT_EQ(brokenPairs(ws), (Rows{"big.htm -> last.htm", "big.htm -> first.htm"}));
    EXPECT_EQ(ws.unrequestedPages().rows(), Rows{});
    fs::remove(siteDir() / "big.htm");
}

// Pages whose bytes are not plain UTF-8 text. Random bytes declare no
// encoding and are decoded as their bytes look, then cut at their first
// U+0000: no search hit and no link, though link-like text
// stands in the garbage. Text that decodes (UTF-8, a declared Shift_JIS, UTF-16 with its
// byte-order mark) is cut at its first U+0000: links before it count, links
// after it never do.
TEST_F(Hostile, BinaryPagesGiveNoLinksFromGarbageOrPastANul)
{
    std::mt19937 random(20240611);
    std::string garbage;
    for (int i = 0; i < 64 * 1024; ++i) {
        garbage += static_cast<char>(random() & 0xFF);
        if (i % 997 == 0)
            garbage += "\0&&& <a href=\"garbage.htm\">"s;
    }
    garbage[0] = '\x80'; // no byte-order mark, and ill-formed from the first byte
    ASSERT_FALSE(isWellFormedUtf8(garbage));

    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("&&& <a href=\"u16.htm\">") + '\0' + "<a href=\"past16.htm\">") {
        utf16 += c;
        utf16 += '\0';
    }

    struct Case {
        const char *what;
        std::string bytes;
        SearchHit search; // the search column's hit
        Rows requests;    // link texts registered, in order
    };
    const std::vector<Case> cases = {
        {"random bytes", garbage, SearchHit::NotFound, {}},
        {"UTF-8 with a NUL",
         "&&& <a href=\"before.htm\">\0<a href=\"after.htm\">"s,
         SearchHit::Found,
         {"before.htm"}},
        {"term only after the NUL", "<a href=\"before.htm\">\0&&&"s, SearchHit::NotFound, {"before.htm"}},
        {"declared Shift_JIS",
         "<meta charset=\"Shift_JIS\">\x82\xA0 &&& <a href=\"sjis.htm\">\0\xFF\xFE<a href=\"past.htm\">"s,
         SearchHit::Found,
         {"sjis.htm"}},
        {"UTF-16 with a byte-order mark", utf16, SearchHit::Found, {"u16.htm"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path dir = rootDir() / ("binary-" + std::to_string(&c - cases.data()));
        fs::create_directory(dir);
        writeBytes(dir / "x.htm", c.bytes);

        RecordingEvents reported;
        Workspace ws(reported, pageFiles());
        {
            Watchdog guard(c.what);
            startOn(ws, dir.string());
            ws.investigateLinks();
        }
        EXPECT_EQ(ws.searchColumn().items(), Hits{c.search});
        Rows expected;
        for (const std::string &link : c.requests)
            expected.push_back(dir.string() + "/" + link);
        EXPECT_EQ(ws.requestList().rows(), expected);
        EXPECT_EQ(linksOf(ws), c.requests) << "every link is broken: no target exists";
        EXPECT_EQ(ws.unrequestedPages().rows(), Rows{dir.string() + "/x.htm"});
        EXPECT_EQ(reported.events.back(), "investigation finished");
    }
}

// A million attribute texts without the quotes that would close their values:
// every pass still ends, and takes exactly what the rules give.
TEST_F(Hostile, MillionsOfUnclosedAttributesFinishWithTheRulesResult)
{
    constexpr int kCount = 1000000;
    auto repeat = [](const std::string &piece) {
        std::string text;
        text.reserve(piece.size() * kCount);
        for (int i = 0; i < kCount; ++i)
            text += piece;
        return text;
    };
    struct Case {
        const char *what;
        std::string page;
        Rows requests; // resolved targets, in order
    };
    const std::string K = this->K();
    const std::vector<Case> cases = {
        // Every "href=" gets an empty value: nothing names a page.
        {"href= alone", repeat("href="), {}},
        // The first "href=" starts an unquoted value that runs to the end of
        // the text (it holds no space or ">"), taking every other "href=" and
        // the quoted name along; the value written back is cut at its first
        // double quote again: nothing names a page.
        {"href= then one quoted value", repeat("href=") + "\"end.htm\"", {}},
        // A single quote never closed: an empty value, then one unquoted value
        // holding every other "src=" up to the end.
        {"src=' never closed",
         "src='" + repeat("src=") + "x.htm",
         {K + "/" + repeat("src=").substr(4) + "x.htm"}},
        {"src= alone", repeat("src="), {}},
        {"background= with one quote", repeat("background=") + "\"", {}},
        // The value runs from the apostrophe after the comma to the last
        // apostrophe: all the attribute texts between are part of it.
        {"onmouseover= inside one value",
         "onmouseover=\"f(1,'" + repeat("onmouseover=") + "x.htm'",
         {K + "/" + repeat("onmouseover=") + "x.htm"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(siteDir());
        fs::create_directory(siteDir());
        put("p.htm", c.page);
        RecordingEvents reported;
        Workspace ws(reported, pageFiles());
        {
            Watchdog guard(c.what);
            startOn(ws, K);
            ws.investigateLinks();
        }
        EXPECT_EQ(ws.searchColumn().items(), (Hits{SearchHit::NotFound}));
        EXPECT_EQ(ws.requestList().rows(), c.requests);
        EXPECT_EQ(ws.brokenLinks().size(), c.requests.size()) << "no target exists";
        EXPECT_EQ(reported.events.back(), "investigation finished");
    }
}

// Link texts of 5,000 characters, ASCII and full-width: registered once,
// resolved like any other, and reported broken with the whole text. A long
// anchor is found in its page when its name stands there, and broken when not.
TEST_F(Hostile, FiveThousandCharacterLinkTextsAreKeptWhole)
{
    const std::string ascii = "sub/" + std::string(4992, 'x') + ".htm";
    std::string wide;
    for (int i = 0; i < 4996; ++i)
        wide += "\xE3\x81\x82"; // あ
    wide += ".htm";
    const std::string anchorName = std::string(4995, 'n') + ".htm";
    const std::string lostAnchor = "#" + std::string(4995, 'q') + ".htm";
    ASSERT_EQ(ascii.size(), 5000u);
    put("long.htm", "<a href=\"" + ascii + "\"> <a href=\"" + wide + "\"> <a href=\"#" + anchorName
                        + "\"> <a name=\"" + anchorName + "\"> <a href=\"" + lostAnchor + "\"> <a href=\""
                        + ascii + "\">\n");

    Workspace ws(reported, pageFiles());
    startOn(ws, K());
    ws.investigateLinks();
    EXPECT_EQ(ws.requestList().rows(), (Rows{inSite(ascii), inSite(wide), "#" + anchorName, lostAnchor}));
    EXPECT_EQ(linksOf(ws), (Rows{ascii, wide, lostAnchor}));
    EXPECT_EQ(pagesOf(ws), (Rows{"long.htm", "long.htm", "long.htm"}));
    EXPECT_EQ(ws.unrequestedPages().rows(), Rows{inSite("long.htm")});
}

// ---------------------------------------------------------------------------
// Odd page names

// Names holding "$", "#", "\", "http", a space, full-width letters, a
// combining accent, and bytes that are not UTF-8, beside a site whose
// neighbours a resolved name could point at.
class OddNames : public Hostile {
protected:
    const std::string combining = "e\xCC\x81.htm";                                        // e + U+0301
    const std::string composed = "\xC3\xA9.htm";                                          // U+00E9
    const std::string fullWidth = "\xEF\xBC\xA6\xEF\xBC\xB5\xEF\xBC\xAC\xEF\xBC\xAC.htm"; // ＦＵＬＬ
    const std::string latin1 = "caf\xE9.htm";                                             // not UTF-8
    const std::string replacement = "caf\xEF\xBF\xBD.htm"; // U+FFFD, what a decoder makes of latin1

    void SetUp() override
    {
        Hostile::SetUp();
        for (const std::string &name : {"a b.htm"s, "a$b.htm"s, "#x.htm"s, "x#y.htm"s, "a\\b.htm"s,
                                        "http.htm"s, "x\\..\\..\\sibling.htm"s, "x\\..\\..\\sibling#.htm"s,
                                        "x\\..\\..\\site#.htm"s, fullWidth, combining, latin1})
            put(name, "&&& page\n");
        put(replacement, "requested\n");
        put("index.htm",
            "<a href=\"a b.htm\"> <a href=\"#x.htm\"> <a href=\"http.htm\"> <a href=\"a\\b.htm\"> "
            "<a href=\""
                + fullWidth + "\"> <a href=\"" + composed + "\"> <a href=\"" + replacement + "\">\n");
        // Not pages, but what some page names resolve to.
        put("x", "a file that is no page");
        writeBytes(rootDir() / "sibling.htm", "outside the site");
        fs::create_directory(rootDir() / "sibling");
        writeBytes(rootDir() / "sibling" / "keep.htm", "outside the site");
    }

    Rows expectedPages() const
    {
        // Ascending, ASCII letters without regard to case, other bytes by value.
        return {"#x.htm",
                "a b.htm",
                "a$b.htm",
                "a\\b.htm",
                latin1,
                replacement,
                combining,
                "http.htm",
                "index.htm",
                "x#y.htm",
                "x\\..\\..\\sibling#.htm",
                "x\\..\\..\\sibling.htm",
                "x\\..\\..\\site#.htm",
                fullWidth};
    }
};

// Listed in order, searched, and resolved as the rules say: "$" makes the
// name resolve to the base folder, "#" cuts it, "\" becomes a separator,
// "x\..\..\" leaves the site; a leading "#" keeps the name as it is,
// "http" inside it does not.
// Names compare exactly, so the composed é requests nothing the decomposed
// name holds.
TEST_F(OddNames, AreListedSearchedAndResolvedByTheRules)
{
    Workspace ws(reported, pageFiles());
    startOn(ws, K());
    ws.investigateLinks();

    EXPECT_EQ(ws.pageList().rows(), expectedPages());
    EXPECT_EQ(
        ws.searchColumn().items(),
        (Hits{SearchHit::Found, SearchHit::Found, SearchHit::Found, SearchHit::Found, SearchHit::Found,
              SearchHit::NotFound, SearchHit::Found, SearchHit::Found, SearchHit::NotFound, SearchHit::Found,
              SearchHit::Found, SearchHit::Found, SearchHit::Found, SearchHit::Found}));
    EXPECT_EQ(ws.requestList().rows(),
              (Rows{inSite("a b.htm"), "#x.htm", inSite("http.htm"), inSite("a/b.htm"), inSite(fullWidth),
                    inSite(composed), inSite(replacement)}));
    // "#x.htm" stays as written and names a file of the current directory,
    // the site; "a\b.htm" resolves into a folder "a" that is not there.
    EXPECT_EQ(brokenPairs(ws), (Rows{"index.htm -> a\\b.htm", "index.htm -> " + composed}));
    const std::string R = root_.toStdString();
    EXPECT_EQ(ws.unrequestedPages().rows(), (Rows{K(), inSite(latin1), inSite(combining), inSite("index.htm"),
                                                  inSite("x"), R + "/sibling", R + "/sibling.htm", K()}));
    EXPECT_EQ(reported.events, (Rows{"link pass finished", "unrequested cleared", "unrequested found",
                                     "investigation finished"}));
}

// "不要なHTML削除" after the investigation moves only the unrequested pages
// that are regular files directly inside the site. The rows that resolved
// to the site itself, to the folder above, to a file beside the site or to
// a file inside it that is no page stay untouched, and the page whose name
// is not UTF-8 is either moved itself or reported, never confused with the
// requested page whose name a decoder would make of it.
TEST_F(OddNames, UnrequestedPagesTrashOnlyPagesOfTheSite)
{
    Workspace ws(reported, pageFiles());
    startOn(ws, K());
    ws.investigateLinks();
    const Rows before = namesIn(siteDir());

    const Rows leftOut = trashUnrequested(ws, &ui).leftOut;

    const std::string R = root_.toStdString();
    EXPECT_EQ(leftOut, (Rows{K(), inSite("x"), R + "/sibling", R + "/sibling.htm", K()}));
    ASSERT_TRUE(fs::is_directory(siteDir()));
    EXPECT_EQ(readBytes(rootDir() / "sibling.htm"), "outside the site");
    EXPECT_EQ(readBytes(rootDir() / "sibling" / "keep.htm"), "outside the site");
    EXPECT_EQ(namesIn(rootDir() / "sibling"), Rows{"keep.htm"});
    EXPECT_EQ(readBytes(siteDir() / "x"), "a file that is no page");
    EXPECT_EQ(readBytes(siteDir() / replacement), "requested\n") << "a requested page was taken";

    Rows expectedLeft = before;
    std::erase(expectedLeft, combining);
    std::erase(expectedLeft, std::string("index.htm"));
    const bool latin1Moved = !entryExists(siteDir() / latin1);
    if (latin1Moved)
        std::erase(expectedLeft, latin1);
    else
        EXPECT_EQ(ui.errors.size(), 1u) << "a page that was not moved is reported";
    EXPECT_EQ(namesIn(siteDir()), expectedLeft);
    EXPECT_EQ(trashedFiles().size(), latin1Moved ? 3 : 2);
    EXPECT_TRUE(trashedFiles().contains(QString::fromStdString(combining)));
    EXPECT_TRUE(trashedFiles().contains("index.htm"));
    EXPECT_EQ(trashInfos().size(), trashedFiles().size());
    EXPECT_EQ(namesIn(rootDir()), (Rows{"sibling", "sibling.htm", "site"}));
}

// "選択HTMLを削除" of single odd pages: exactly the chosen file goes, whatever
// its name holds; a name that is not UTF-8 never takes the page that a
// decoder would make of it, and a name with "\" never takes a folder.
TEST_F(OddNames, SelectedOddPagesMoveAloneOrNotAtAll)
{
    fs::create_directory(siteDir() / "a");
    writeBytes(siteDir() / "a" / "b.htm", "inside a folder");
    for (const std::string &name : {"a\\b.htm"s, "a$b.htm"s, "#x.htm"s, "x\\..\\..\\site#.htm"s, latin1}) {
        SCOPED_TRACE(name);
        Workspace ws(reported, pageFiles());
        startOn(ws, K());
        const Rows before = namesIn(siteDir());
        const int trashedBefore = static_cast<int>(trashedFiles().size());
        bool found = false;
        for (std::size_t i = 0; i < ws.pageList().size(); ++i) {
            ws.pageList().setSelected(i, ws.pageList().row(i) == name);
            found = found || ws.pageList().row(i) == name;
        }
        ASSERT_TRUE(found);
        Moves messages;
        trashSelectedPages(ws, &ui, recordMoves(messages));

        Rows expected = before;
        if (!entryExists(siteDir() / name)) {
            std::erase(expected, name);
            EXPECT_EQ(messages, (Moves{{1, 1}}));
            EXPECT_EQ(trashedFiles().size(), trashedBefore + 1);
        } else {
            EXPECT_EQ(messages, (Moves{{0, 1}}));
            EXPECT_EQ(trashedFiles().size(), trashedBefore);
        }
        EXPECT_EQ(namesIn(siteDir()), expected);
        EXPECT_EQ(readBytes(siteDir() / "a" / "b.htm"), "inside a folder");
        EXPECT_EQ(readBytes(siteDir() / replacement), "requested\n");
        EXPECT_TRUE(fs::is_directory(siteDir()));
    }
    // Every name can be moved, the one that is not UTF-8 too.
    EXPECT_FALSE(entryExists(siteDir() / latin1));
    EXPECT_FALSE(entryExists(siteDir() / "a\\b.htm"));
    EXPECT_FALSE(entryExists(siteDir() / "a$b.htm"));
    EXPECT_FALSE(entryExists(siteDir() / "#x.htm"));
    EXPECT_FALSE(entryExists(siteDir() / "x\\..\\..\\site#.htm"));
}

// A page that is a link to a file outside the site: both trash commands take
// the link, never the file it leads to.
TEST_F(Hostile, PageLinkedToAFileOutsideMovesAsTheLinkItself)
{
    writeBytes(rootDir() / "outside.htm", "outside the site");
    writeBytes(rootDir() / "other.htm", "outside the site too");
    fs::create_symlink("../outside.htm", siteDir() / "link.htm");
    fs::create_symlink(rootDir() / "other.htm", siteDir() / "other.htm");
    put("index.htm", "no links\n");

    Workspace ws(reported, pageFiles());
    startOn(ws, K());
    ws.investigateLinks();
    ASSERT_EQ(ws.unrequestedPages().rows(),
              (Rows{inSite("index.htm"), inSite("link.htm"), inSite("other.htm")}));
    ws.unrequestedPages().setSelected(0, false);
    ws.unrequestedPages().setSelected(2, false);
    EXPECT_EQ(trashUnrequested(ws, &ui).leftOut, Rows{});

    ws.readPageList();
    ASSERT_EQ(ws.pageList().rows(), (Rows{"index.htm", "other.htm"}));
    ws.pageList().setSelected(1, true);
    Moves messages;
    trashSelectedPages(ws, &ui, recordMoves(messages));
    EXPECT_EQ(messages, (Moves{{1, 1}}));

    EXPECT_EQ(namesIn(siteDir()), Rows{"index.htm"});
    EXPECT_EQ(readBytes(rootDir() / "outside.htm"), "outside the site");
    EXPECT_EQ(readBytes(rootDir() / "other.htm"), "outside the site too");
    EXPECT_EQ(trashedFiles(), (QStringList{"link.htm", "other.htm"}));
    EXPECT_TRUE(fs::is_symlink(trash().toStdString() + "/files/link.htm"));
    EXPECT_TRUE(fs::is_symlink(trash().toStdString() + "/files/other.htm"));
    EXPECT_TRUE(ui.errors.empty());
}

// "フォルダの削除" on every kind of row the folder tree can highlight:
// only a real subfolder of the site moves, with what it holds, also one whose
// name is not UTF-8 (never confused with the folder a decoder would make of
// its name). The root and path rows, ".." and a link to a folder elsewhere
// stay.
TEST_F(Hostile, FolderDeletionTakesOnlyARealSubfolder)
{
    const std::string latin1 = "old\xE9";
    const std::string replacement = "old\xEF\xBF\xBD";
    for (const std::string &name : {"old"s, "a\\b"s, latin1, replacement}) {
        fs::create_directory(siteDir() / name);
        writeBytes(siteDir() / name / "page.htm", "in " + name);
    }
    fs::create_directory_symlink(rootDir(), siteDir() / "up");
    fs::create_directory(rootDir() / "sibling");
    writeBytes(rootDir() / "sibling" / "keep.htm", "outside the site");

    Workspace ws(reported, pageFiles());
    startOn(ws, K());
    Rows directoryRows{"/"};
    for (const fs::path &part : fs::path(K()).relative_path())
        directoryRows.push_back(part.string());
    const std::size_t pathRows = directoryRows.size();
    // Every row is highlighted in turn, but for the folder whose name a
    // decoder makes of the ill-formed one: the user never chooses it.
    for (const std::string &name : {"a\\b"s, "old"s, latin1, "up"s, ".."s})
        directoryRows.push_back(name);

    for (std::size_t i = 0; i < directoryRows.size(); ++i) {
        SCOPED_TRACE(directoryRows[i]);
        trashFolder(ws, directoryRows, static_cast<int>(i), &ui);
        ASSERT_TRUE(fs::is_directory(siteDir()));
    }
    EXPECT_GE(pathRows, 3u);
    EXPECT_EQ(namesIn(siteDir()), (Rows{replacement, "up"}));
    EXPECT_EQ(readBytes(siteDir() / replacement / "page.htm"), "in " + replacement);
    EXPECT_EQ(readBytes(rootDir() / "sibling" / "keep.htm"), "outside the site");
    EXPECT_EQ(namesIn(rootDir()), (Rows{"sibling", "site"}));
    EXPECT_EQ(namesIn(fs::path(trash().toStdString()) / "files"), (Rows{"a\\b", "old", latin1}));
    EXPECT_EQ(readBytes(fs::path(trash().toStdString()) / "files" / latin1 / "page.htm"), "in " + latin1);
    EXPECT_EQ(ui.confirmations.size(), 3u) << "one per folder sent: the three that moved";
    EXPECT_TRUE(ui.errors.empty());
}

// ---------------------------------------------------------------------------
// Folders and pages that vanish

// The site is removed after its page list was read: the investigation reports
// every page missing (beep and dialog each), registers nothing and ends
// normally; the trash then has nothing to take. Entering the vanished folder
// fails with the not-found text.
TEST_F(Hostile, FolderThatVanishesAfterListingGivesMissingPages)
{
    const fs::path gone = rootDir() / "gone";
    fs::create_directory(gone);
    writeBytes(gone / "a.htm", "&&& <a href=\"b.htm\">\n");
    writeBytes(gone / "b.htm", "&&& <a href=\"a.htm\">\n");
    const std::string G = gone.string();

    Workspace ws(reported, pageFiles());
    startOn(ws, G);
    fs::remove_all(gone);
    {
        Watchdog guard("investigation of a vanished folder");
        ws.investigateLinks();
    }
    EXPECT_EQ(reported.events, (Rows{"missing a.htm", "missing b.htm", "link pass finished",
                                     "unrequested cleared", "unrequested found", "investigation finished"}));
    EXPECT_EQ(ws.requestList().rows(), Rows{});
    EXPECT_EQ(ws.unrequestedPages().rows(), (Rows{G + "/a.htm", G + "/b.htm"}));
    EXPECT_EQ(ws.unrequestedCount(), 2u);

    EXPECT_EQ(trashUnrequested(ws, &ui).leftOut, (Rows{G + "/a.htm", G + "/b.htm"}));
    EXPECT_TRUE(ui.confirmations.empty());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_FALSE(fs::exists(trash().toStdString() + "/files"));

    try {
        ws.changeFolder(G);
        ADD_FAILURE() << "entered a folder that is gone";
    } catch (const CommandError &e) {
        EXPECT_EQ(e.failure().cause, FailureCause::FolderUnreadable);
        EXPECT_EQ(e.failure().path, G);
        EXPECT_EQ(e.failure().errorNumber, ENOENT);
    }
}

// The folder goes while the investigation runs (after its first page was
// read): the pages after it are reported missing, and the command ends.
TEST_F(Hostile, FolderThatVanishesDuringTheInvestigation)
{
    put("a.htm", "&&& <a href=\"b.htm\">\n");
    put("b.htm", "&&&\n");
    put("c.htm", "&&&\n");
    HookedFiles files;
    files.afterRead = [this](const std::string &) { fs::remove_all(siteDir()); };
    Workspace ws(reported, files);
    startOn(ws, K());
    ws.investigateLinks();
    EXPECT_EQ(ws.searchColumn().items(), (Hits{SearchHit::Found, SearchHit::Missing, SearchHit::Missing}));
    EXPECT_EQ(ws.requestList().rows(), Rows{inSite("b.htm")});
    EXPECT_EQ(brokenPairs(ws), Rows{"a.htm -> b.htm"});
    EXPECT_EQ(reported.events, (Rows{"missing b.htm", "missing c.htm", "link pass finished",
                                     "unrequested cleared", "unrequested found", "investigation finished"}));
}

// The page holding an anchor link disappears after it was read and before
// the anchor test reads it again: the read fails as a page that cannot be
// opened, so the investigation stops there with
// "ファイル %s は開けません。 %s " and the system's reason. The anchor stays
// registered without an outcome, later pages are not scanned, and the
// closing steps (unrequested list, counts, beep) do not run.
TEST_F(Hostile, PageThatVanishesBeforeItsAnchorTestStopsTheInvestigation)
{
    put("a.htm", "&&& <a href=\"b.htm\"> <a href=\"#sec.htm\"> <a name=\"sec.htm\">\n");
    put("b.htm", "&&& <a href=\"nowhere.htm\">\n");
    HookedFiles files;
    files.afterRead = [this](const std::string &path) {
        if (path == inSite("a.htm"))
            fs::remove(path);
    };
    Workspace ws(reported, files);
    startOn(ws, K());
    ws.unrequestedPages().append("earlier");
    try {
        ws.investigateLinks();
        ADD_FAILURE() << "the anchor test read a page that is gone";
    } catch (const PageOpenError &e) {
        EXPECT_EQ(e.path(), inSite("a.htm"));
        EXPECT_EQ(e.reason(), ReadFailure::system(ENOENT));
        EXPECT_EQ(e.failure().cause, FailureCause::PageUnreadable);
    }
    // Read for the scan and again for the anchor test (b.htm may have been
    // read ahead meanwhile).
    EXPECT_EQ(std::count(files.reads.begin(), files.reads.end(), inSite("a.htm")), 2);
    EXPECT_EQ(ws.searchColumn().items(), (Hits{SearchHit::Found}));
    EXPECT_EQ(ws.requestList().rows(), (Rows{inSite("b.htm"), "#sec.htm"}));
    EXPECT_EQ(linksOf(ws), Rows{});
    EXPECT_EQ(ws.unrequestedPages().rows(), Rows{"earlier"});
    EXPECT_FALSE(ws.requestCount().has_value());
    EXPECT_FALSE(ws.unrequestedCount().has_value());
    EXPECT_TRUE(reported.events.empty());
}

// ---------------------------------------------------------------------------
// Folders and pages that may not be read

// Runs `body` in a child process as an unprivileged user (nobody, when the
// tests run as root; the test's own user otherwise) and returns what it
// wrote, or nothing with `skip` set when the child could not drop its rights.
std::string runUnprivileged(const std::function<std::string()> &body, std::string &skip)
{
    int channel[2];
    if (::pipe(channel) != 0) {
        skip = "no pipe";
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        ::alarm(60); // a hung child ends, and the parent sees it killed
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        const std::string answer = body();
        const char *p = answer.data();
        std::size_t left = answer.size();
        while (left > 0) {
            const ssize_t n = ::write(channel[1], p, left);
            if (n <= 0)
                ::_exit(4);
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string answer;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0)
            answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
        skip = "could not become the unprivileged user 65534";
        return {};
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the child did not finish normally (status " << status << ")";
    return answer;
}

// A folder that may not be entered or listed fails the change of folder with
// the access-denied text; a page that may not be read stops the investigation
// with "ファイル %s は開けません。 %s " and the system's reason.
TEST_F(Hostile, UnreadableFolderOrPageFailsWithAccessDenied)
{
    // The unprivileged user must reach the folders inside the temporary ones.
    for (const fs::path &folder : {rootDir().parent_path(), rootDir()})
        fs::permissions(folder, fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
    struct Case {
        const char *what;
        fs::perms folder;
        fs::perms page;
        std::string expected;
    };
    const fs::perms readable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                               | fs::perms::others_read | fs::perms::others_exec;
    const fs::perms enterOnly = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    const std::vector<Case> cases = {
        {"folder without any right", fs::perms::none, readable, "command " + std::to_string(EACCES)},
        {"folder that can be entered, not listed", enterOnly, readable, "command " + std::to_string(EACCES)},
        {"page without read right", readable, fs::perms::none, "open "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path dir = rootDir() / ("locked-" + std::to_string(&c - cases.data()));
        fs::create_directory(dir);
        writeBytes(dir / "a.htm", "&&& <a href=\"b.htm\">\n");
        fs::permissions(dir / "a.htm", c.page);
        fs::permissions(dir, c.folder);

        std::string skip;
        const std::string answer = runUnprivileged(
            [&dir] {
                RecordingEvents reported;
                Workspace ws(reported, pageFiles());
                try {
                    ws.changeFolder(dir.string());
                    ws.investigateLinks();
                    return std::string("finished");
                } catch (const PageOpenError &e) {
                    return "open " + e.path() + "|"
                           + (e.reason() == ReadFailure::system(EACCES) ? "EACCES" : "other");
                } catch (const CommandError &e) {
                    return "command " + std::to_string(e.failure().errorNumber);
                }
            },
            skip);
        fs::permissions(dir, fs::perms::owner_all);
        fs::permissions(dir / "a.htm", fs::perms::owner_read | fs::perms::owner_write);
        if (!skip.empty())
            GTEST_SKIP() << skip;
        if (c.expected == "open ") {
            const std::string path = (dir / "a.htm").string();
            EXPECT_EQ(answer, "open " + path + "|EACCES");
        } else {
            EXPECT_EQ(answer, c.expected);
        }
    }
}

} // namespace
} // namespace tavlori::platform

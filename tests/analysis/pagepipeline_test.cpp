#include "analysis/pagepipeline.h"

#include "analysis/expand.h"
#include "analysis/extract.h"
#include "analysis/pagetext.h"
#include "analysis/textset.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using namespace std::string_literals;
using tavlori::PagePipeline;
using tavlori::PagePipelineOptions;
using tavlori::PreparedPage;
using Status = tavlori::PreparedPage::Status;

namespace {

// Pages in memory. A path in `files` reads; one in `refused` exists but fails
// with its reason; any other path is missing. `beforeRead` runs on the
// reading thread before each read and may sleep, block or throw.
class FakeFiles final : public tavlori::FileAccess {
public:
    std::map<std::string, std::string> files;
    std::map<std::string, tavlori::ReadFailure> refused;
    std::function<void(const std::string &)> beforeRead;
    std::atomic<int> reads{0}; // reads started
    std::atomic<int> busy{0};  // calls under way

    bool isFile(const std::string &path) override
    {
        const Busy mark(busy);
        return files.count(path) > 0 || refused.count(path) > 0;
    }

    bool readInto(const std::string &path, std::string &buffer, std::size_t &length,
                  tavlori::ReadFailure &reason) override
    {
        const Busy mark(busy);
        if (beforeRead)
            beforeRead(path);
        ++reads;
        if (const auto it = refused.find(path); it != refused.end()) {
            reason = it->second;
            return false;
        }
        const auto it = files.find(path);
        if (it == files.end()) {
            reason = tavlori::ReadFailure::system(ENOENT);
            return false;
        }
        // The buffer only grows: what lies beyond `length` is left over from
        // earlier pages, as a real reader leaves it.
        if (buffer.size() < it->second.size())
            buffer.resize(it->second.size());
        std::memcpy(buffer.data(), it->second.data(), it->second.size());
        length = it->second.size();
        return true;
    }

private:
    struct Busy {
        std::atomic<int> &count;
        explicit Busy(std::atomic<int> &c)
            : count(c)
        {
            ++count;
        }
        ~Busy() { --count; }
    };
};

// The threads of this process; 0 where the system does not list them.
std::size_t threadCount()
{
    std::error_code error;
    std::size_t count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error))
        ++count;
    return count;
}

// The threads of this process with none of the pipeline's: counted after one
// thread has come and gone, since a sanitizer starts a helper thread of its
// own with the program's first one.
std::size_t baselineThreadCount()
{
    std::thread([] {}).join();
    return threadCount();
}

// Waits up to a few seconds for `done`; true when it came.
bool eventually(const std::function<bool()> &done)
{
    for (int i = 0; i < 500; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

// What the engine makes of a page on its own thread, one function after the other.
struct Expected {
    Status status = Status::Ready;
    tavlori::ReadFailure reason;
    std::string bytes;
    std::string text;
    bool found = false;
    std::vector<std::pair<std::string, std::uint64_t>> links;
};

Expected expectedPage(const FakeFiles &fake, const std::string &path, const std::string &term, bool links)
{
    Expected e;
    if (const auto it = fake.refused.find(path); it != fake.refused.end()) {
        e.status = Status::Unreadable;
        e.reason = it->second;
        return e;
    }
    const auto it = fake.files.find(path);
    if (it == fake.files.end()) {
        e.status = Status::Missing;
        e.reason = tavlori::ReadFailure::system(ENOENT);
        return e;
    }
    e.bytes = it->second;
    e.text = tavlori::pageTextFromBytes(e.bytes);
    e.found = !term.empty() && e.text.find(term) != std::string::npos;
    if (links) {
        const std::string expanded = tavlori::expandLinkValues(e.text);
        tavlori::extractLinks(expanded, [&e](std::string_view value) {
            e.links.emplace_back(std::string(value), tavlori::hashBytes(value));
        });
    }
    return e;
}

// A failure message when `page` is not what `e` says, else empty.
std::string differences(const PreparedPage &page, const Expected &e)
{
    std::string out;
    if (page.status != e.status)
        out += "status; ";
    if (page.reason != e.reason)
        out += "reason; ";
    if (page.bytes != e.bytes)
        out += "bytes; ";
    if (page.text != e.text)
        out += "text; ";
    if (page.found != e.found)
        out += "found; ";
    bool sameLinks = page.links.size() == e.links.size();
    for (std::size_t i = 0; sameLinks && i < e.links.size(); ++i)
        sameLinks = page.links[i].value == e.links[i].first && page.links[i].hash == e.links[i].second;
    if (!sameLinks)
        out += "links; ";
    return out;
}

// A page of random markup: links of every attribute and quoting, range
// patterns, the search term now and then, Japanese text, CR LF or other line
// ends, sometimes a byte-order mark, a U+0000, Shift_JIS, or a large body.
std::string randomPage(std::mt19937 &random, int n)
{
    const auto pick = [&random](int below) {
        return std::uniform_int_distribution<int>(0, below - 1)(random);
    };
    const int lineEnd = pick(6);
    const std::string eol = lineEnd == 0 ? "\n" : lineEnd == 1 ? "\r" : "\r\n";
    std::string page;
    if (pick(10) == 0)
        page += "\xEF\xBB\xBF";
    const bool sjis = pick(15) == 0;
    if (sjis)
        page += "<meta charset=\"Shift_JIS\">" + eol + "<p>\x93\xFA\x96\x7B\x8C\xEA</p>" + eol;
    const int pieces = pick(4) == 0 ? 0 : pick(40);
    for (int i = 0; i < pieces; ++i) {
        const std::string k = std::to_string(pick(60));
        switch (pick(12)) {
        case 0:
            page += "<a href=\"dir/page" + k + ".htm\">next</a>";
            break;
        case 1:
            page += "<A HREF='../up" + k + ".HTM'>up</A>";
            break;
        case 2:
            page += "<img src=\"pic" + k + ".htm\" alt=x>";
            break;
        case 3:
            page += "<body background=bg" + k + ".htm>";
            break;
        case 4:
            page += "<td onmouseover=\"swap('over" + k + ".htm')\">";
            break;
        case 5:
            page += "<a href=\"snd/A-Z.wav\">";
            break;
        case 6:
            page += "<a href=\"a1-z1.wav&&&p" + k + ".htm\">";
            break;
        case 7:
            page += "<a href=\"#anchor" + k + "\"><a href=\"p" + k + ".htm#top\">";
            break;
        case 8:
            page += "needle";
            break;
        case 9:
            page += "<p>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E</p>";
            break;
        case 10:
            page += "<a href=http://example.com/x" + k + ".html>";
            break;
        default:
            page += eol;
            break;
        }
        if (pick(3) == 0)
            page += eol;
    }
    if (pick(25) == 0)
        page += "\0<a href=\"after-nul.htm\">"s;
    if (pick(40) == 0) // large, past the small budgets some runs use
        for (int i = 0; i < 4000; ++i)
            page +=
                "<a href=\"big" + std::to_string(i % 97) + ".htm\">row " + std::to_string(n) + "</a>" + eol;
    return page;
}

struct Site {
    FakeFiles fake;
    std::vector<std::string> paths;
};

// `count` pages in a folder; about one in twenty is missing and one in thirty
// exists but cannot be opened.
void makeSite(Site &site, unsigned seed, int count)
{
    std::mt19937 random(seed);
    for (int n = 0; n < count; ++n) {
        const std::string path = "/site/page" + std::to_string(n) + ".htm";
        site.paths.push_back(path);
        const int kind = std::uniform_int_distribution<int>(0, 59)(random);
        if (kind < 3)
            continue; // missing
        if (kind < 5)
            site.fake.refused[path] = tavlori::ReadFailure::system(EACCES);
        else
            site.fake.files[path] = randomPage(random, n);
    }
}

struct PassRun {
    std::size_t slots;
    bool links;
    std::size_t keepBytes;
    std::size_t aheadBytes;
    std::size_t handOver = 1;
};

TEST(PagePipeline, PagesComeOutInOrderAsTheSequentialFunctionsMakeThem)
{
    Site site;
    makeSite(site, 20260501, 300);
    const std::string term = "needle";
    // The worker is slowed now and then, so that it falls behind as well as
    // runs ahead; the consumer now and then holds a page a while and checks
    // that it stayed as it was while the worker went on with the others.
    std::atomic<unsigned> tick{0};
    site.fake.beforeRead = [&tick](const std::string &) {
        if (++tick % 7 == 0)
            std::this_thread::sleep_for(50us);
    };
    const PassRun runs[] = {
        {1, true, PagePipelineOptions{}.keepBytes, PagePipelineOptions{}.aheadBytes},
        {2, true, PagePipelineOptions{}.keepBytes, PagePipelineOptions{}.aheadBytes},
        {4, true, PagePipelineOptions{}.keepBytes, PagePipelineOptions{}.aheadBytes},
        {1, true, 4096, 8192},
        {2, true, 4096, 8192},
        {4, true, 4096, 8192},
        {3, false, 4096, 8192},
        // Batched hand-over, as the passes use it, and with a small budget.
        {16, true, PagePipelineOptions{}.keepBytes, PagePipelineOptions{}.aheadBytes, 8},
        {5, true, 4096, 8192, 2},
    };
    std::vector<Expected> expectedWithLinks, expectedWithout;
    for (const std::string &path : site.paths) {
        expectedWithLinks.push_back(expectedPage(site.fake, path, term, true));
        expectedWithout.push_back(expectedPage(site.fake, path, term, false));
    }
    std::size_t withLinks = 0, found = 0;
    for (const Expected &e : expectedWithLinks) {
        withLinks += e.links.empty() ? 0 : 1;
        found += e.found ? 1 : 0;
    }
    ASSERT_GT(withLinks, 100u);
    ASSERT_GT(found, 50u);

    for (const PassRun &run : runs) {
        SCOPED_TRACE(testing::Message() << "slots " << run.slots << ", links " << run.links << ", keep "
                                        << run.keepBytes << ", hand-over " << run.handOver);
        const auto &expected = run.links ? expectedWithLinks : expectedWithout;
        PagePipelineOptions options;
        options.slots = run.slots;
        options.links = run.links;
        options.keepBytes = run.keepBytes;
        options.aheadBytes = run.aheadBytes;
        options.handOver = run.handOver;
        PagePipeline pipeline(site.fake, site.paths, term, options);
        for (std::size_t i = 0; i < site.paths.size(); ++i) {
            const PreparedPage *page = pipeline.next();
            ASSERT_NE(page, nullptr) << i;
            ASSERT_EQ(page->index, i);
            ASSERT_EQ(page->path, site.paths[i]);
            ASSERT_EQ(differences(*page, expected[i]), "") << site.paths[i];
            if (i % 13 == 0) {
                std::this_thread::sleep_for(1ms);
                ASSERT_EQ(differences(*page, expected[i]), "") << "after a while " << site.paths[i];
            }
            if (i % 2 == 0)
                pipeline.release(); // else next() releases it
        }
        EXPECT_EQ(pipeline.next(), nullptr);
        EXPECT_EQ(pipeline.next(), nullptr);
    }
}

TEST(PagePipeline, MissingAndUnopenablePagesAtTheirPlaces)
{
    FakeFiles fake;
    fake.files["/s/a.htm"] = "<a href=\"b.htm\">\r\n";
    fake.files["/s/c.htm"] = "<a href=\"d.htm\">\r\n";
    fake.refused["/s/locked.htm"] = tavlori::ReadFailure::system(EACCES);
    fake.refused["/s/fifo.htm"] = tavlori::ReadFailure::notRegularFile();
    struct Row {
        std::string path;
        Status status;
        tavlori::ReadFailure reason;
        std::string firstLink;
    };
    const std::vector<Row> rows = {
        {"/s/gone.htm", Status::Missing, tavlori::ReadFailure::system(ENOENT), ""},
        {"/s/a.htm", Status::Ready, {}, "b.htm"},
        {"/s/locked.htm", Status::Unreadable, tavlori::ReadFailure::system(EACCES), ""},
        {"/s/fifo.htm", Status::Unreadable, tavlori::ReadFailure::notRegularFile(), ""},
        {"/s/also-gone.htm", Status::Missing, tavlori::ReadFailure::system(ENOENT), ""},
        {"/s/c.htm", Status::Ready, {}, "d.htm"},
    };
    std::vector<std::string> paths;
    for (const Row &row : rows)
        paths.push_back(row.path);
    PagePipeline pipeline(fake, paths, "", {.slots = 2});
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PreparedPage *page = pipeline.next();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->index, i);
        EXPECT_EQ(page->status, rows[i].status) << rows[i].path;
        EXPECT_TRUE(page->reason == rows[i].reason) << rows[i].path;
        EXPECT_EQ(page->links.empty() ? "" : std::string(page->links.front().value), rows[i].firstLink);
        if (page->status != Status::Ready) {
            EXPECT_TRUE(page->bytes.empty() && page->text.empty() && !page->found) << rows[i].path;
        }
    }
    EXPECT_EQ(pipeline.next(), nullptr);
}

// The consumer gives up in the middle: after k pages, by destroying the
// pipeline, by stop(), or by throwing as the engine throws at a page that
// cannot be opened. The worker, blocked on a full queue, must end and be
// joined, and read nothing more.
TEST(PagePipeline, TheConsumerStoppingInTheMiddleLeavesNoThread)
{
    const std::size_t baseline = baselineThreadCount();
    FakeFiles fake;
    std::vector<std::string> paths;
    for (int n = 0; n < 60; ++n) {
        paths.push_back("/s/p" + std::to_string(n) + ".htm");
        fake.files[paths.back()] = "<a href=\"x" + std::to_string(n) + ".htm\">\r\n";
    }
    fake.refused[paths[7]] = tavlori::ReadFailure::system(EACCES);

    enum class How { Destroy, Stop, Throw };
    for (const std::size_t slots : {1u, 2u, 4u}) {
        for (const How how : {How::Destroy, How::Stop, How::Throw}) {
            SCOPED_TRACE(testing::Message() << "slots " << slots << ", how " << int(how));
            fake.reads = 0;
            {
                PagePipeline pipeline(fake, paths, "", {.slots = slots});
                const std::size_t k = how == How::Throw ? 8 : 3;
                auto consume = [&] {
                    for (std::size_t i = 0; i < k; ++i) {
                        const PreparedPage *page = pipeline.next();
                        ASSERT_NE(page, nullptr);
                        if (page->status == Status::Unreadable)
                            throw std::runtime_error("cannot be opened");
                    }
                };
                if (how == How::Throw) {
                    EXPECT_THROW(consume(), std::runtime_error);
                } else {
                    consume();
                }
                // The consumer holds page k-1; the other slots fill, then the
                // worker waits for one.
                const int filled = int(k + slots - 1);
                EXPECT_TRUE(eventually([&] { return fake.reads.load() == filled; })) << fake.reads.load();
                std::this_thread::sleep_for(20ms);
                EXPECT_EQ(fake.reads.load(), filled) << "the queue is bounded";
                if (how == How::Stop) {
                    pipeline.stop();
                    EXPECT_EQ(pipeline.next(), nullptr);
                    pipeline.stop();
                }
            }
            const int readsAtEnd = fake.reads.load();
            EXPECT_EQ(fake.busy.load(), 0);
            if (baseline != 0) {
                EXPECT_TRUE(eventually([&] { return threadCount() == baseline; })) << threadCount();
            }
            std::this_thread::sleep_for(10ms);
            EXPECT_EQ(fake.reads.load(), readsAtEnd);
        }
    }
}

TEST(PagePipeline, StopEndsAWorkerThatIsReadingAhead)
{
    // Slow reads: the worker is busy with a page, not waiting, when told to
    // stop; it finishes that read and starts no other.
    FakeFiles fake;
    std::vector<std::string> paths;
    for (int n = 0; n < 200; ++n) {
        paths.push_back("/s/p" + std::to_string(n) + ".htm");
        fake.files[paths.back()] = "<p>x</p>\r\n";
    }
    fake.beforeRead = [](const std::string &) { std::this_thread::sleep_for(2ms); };
    PagePipeline pipeline(fake, paths, "", {.slots = 200});
    ASSERT_NE(pipeline.next(), nullptr);
    pipeline.stop();
    const int readsAtStop = fake.reads.load();
    EXPECT_LT(readsAtStop, 100);
    EXPECT_EQ(fake.busy.load(), 0);
    EXPECT_EQ(pipeline.next(), nullptr);
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(fake.reads.load(), readsAtStop);
}

TEST(PagePipeline, AWorkerExceptionIsRethrownAtItsPagesTurn)
{
    struct Case {
        std::size_t at;
        bool badAlloc;
    };
    const std::size_t count = 12;
    for (const Case c : {Case{0, true}, Case{5, true}, Case{count - 1, true}, Case{3, false}}) {
        SCOPED_TRACE(c.at);
        FakeFiles fake;
        std::vector<std::string> paths;
        for (std::size_t n = 0; n < count; ++n) {
            paths.push_back("/s/p" + std::to_string(n) + ".htm");
            fake.files[paths.back()] = "<a href=\"q" + std::to_string(n) + ".htm\">\r\n";
        }
        const std::string failing = paths[c.at];
        fake.beforeRead = [&](const std::string &path) {
            if (path != failing)
                return;
            if (c.badAlloc)
                throw std::bad_alloc();
            throw std::runtime_error("device gone");
        };
        PagePipeline pipeline(fake, paths, "", {.slots = 3});
        for (std::size_t i = 0; i < c.at; ++i) {
            const PreparedPage *page = pipeline.next();
            ASSERT_NE(page, nullptr);
            EXPECT_EQ(page->index, i);
            ASSERT_EQ(page->links.size(), 1u);
            EXPECT_EQ(page->links[0].value, "q" + std::to_string(i) + ".htm");
        }
        if (c.badAlloc) {
            EXPECT_THROW(pipeline.next(), std::bad_alloc);
        } else {
            EXPECT_THROW(pipeline.next(), std::runtime_error);
        }
        EXPECT_EQ(pipeline.next(), nullptr);
        EXPECT_EQ(fake.reads.load(), int(c.at)) << "no page after the one that threw";
    }
}

std::string largePage(std::size_t size)
{
    std::string page;
    for (int i = 0; page.size() < size; ++i)
        page += "<tr><td><a href=\"row" + std::to_string(i % 1000) + ".htm\">row</a></td></tr>\r\n";
    return page;
}

TEST(PagePipeline, ALargePageIsHeldAloneAndItsMemoryGivenBack)
{
    constexpr std::size_t kLarge = std::size_t(2) << 20;
    FakeFiles fake;
    std::vector<std::string> paths;
    for (int n = 0; n < 10; ++n) {
        paths.push_back("/s/p" + std::to_string(n) + ".htm");
        fake.files[paths.back()] = n == 1 || n == 2 ? largePage(kLarge) : "<a href=\"s.htm\">\r\n";
    }
    PagePipelineOptions options;
    options.slots = 3;
    options.keepBytes = 64 << 10;
    options.aheadBytes = 128 << 10;
    PagePipeline pipeline(fake, paths, "", options);

    ASSERT_NE(pipeline.next(), nullptr);
    // Page 1 is large: while the consumer holds it, the worker reads nothing
    // further, though slots are free.
    const PreparedPage *page = pipeline.next();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->index, 1u);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(fake.reads.load(), 2);
    const std::size_t heldWithOne = pipeline.heldBytes();
    EXPECT_GE(heldWithOne, kLarge);
    // So is page 2: it follows only once page 1 has been released.
    page = pipeline.next();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->index, 2u);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(fake.reads.load(), 3);
    EXPECT_LT(pipeline.heldBytes(), heldWithOne + heldWithOne / 2) << "page 1's buffers serve page 2";
    // The small pages after it leave no large buffer behind.
    for (std::size_t i = 3; i < paths.size(); ++i) {
        page = pipeline.next();
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->index, i);
    }
    EXPECT_EQ(pipeline.next(), nullptr);
    EXPECT_LT(pipeline.heldBytes(), std::size_t(256) << 10);
}

TEST(PagePipeline, AFreeSlotPassedOverGivesItsLargeBuffersBack)
{
    // Page 1 is large, though within the budget, so the worker runs on past
    // it. When two slots are free at once, the worker takes the one last
    // released and must not leave page 1's buffers in the other.
    constexpr std::size_t kLarge = std::size_t(512) << 10;
    FakeFiles fake;
    std::vector<std::string> paths;
    for (int n = 0; n < 8; ++n) {
        paths.push_back("/s/p" + std::to_string(n) + ".htm");
        fake.files[paths.back()] = n == 1 ? largePage(kLarge) : "<a href=\"s.htm\">\r\n";
    }
    // Page 3 waits for the first gate, page 5 (which would reuse page 1's
    // slot) for the second.
    std::atomic<bool> gate{false}, secondGate{false};
    fake.beforeRead = [&](const std::string &path) {
        while ((path == paths[3] && !gate) || (path == paths[5] && !secondGate))
            std::this_thread::sleep_for(1ms);
    };
    PagePipelineOptions options;
    options.slots = 3;
    options.keepBytes = 64 << 10;
    options.aheadBytes = 16 << 20;
    PagePipeline pipeline(fake, paths, "", options);
    for (std::size_t i = 0; i < 3; ++i)
        ASSERT_NE(pipeline.next(), nullptr); // page 3 is read into page 0's slot, and waits
    pipeline.release();                      // page 1's slot and page 2's are free now
    gate = true;
    const PreparedPage *page = pipeline.next();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->index, 3u);
    page = pipeline.next(); // page 4, prepared after both slots were free
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->index, 4u);
    EXPECT_LT(pipeline.heldBytes(), kLarge);
    secondGate = true;
    while ((page = pipeline.next()) != nullptr) {
    }
}

TEST(PagePipeline, AnEmptyListEndsAtOnce)
{
    const std::size_t baseline = baselineThreadCount();
    FakeFiles fake;
    PagePipeline pipeline(fake, {}, "needle");
    EXPECT_EQ(threadCount(), baseline);
    EXPECT_EQ(pipeline.next(), nullptr);
    pipeline.release();
    EXPECT_EQ(pipeline.next(), nullptr);
    pipeline.stop();
    pipeline.stop();
    EXPECT_EQ(fake.reads.load(), 0);
}

} // namespace

#pragma once
// Pages prepared ahead on a second thread. A worker reads, decodes, searches,
// expands and takes the link values of the next pages while one consumer
// (the request registry) takes them strictly in list order. A small, fixed
// number of slots bounds how far the worker runs ahead and how much memory
// the pages hold; each slot's buffers are reused from page to page.
#include "analysis/fileaccess.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tavlori {

// A link value of a page and its hashBytes (textset.h).
struct PreparedLink {
    std::string_view value;
    std::uint64_t hash = 0;
};

// One page as the worker left it. Every view points into the slot that holds
// the page and is valid until the consumer releases it.
struct PreparedPage {
    enum class Status {
        Ready,     // read: bytes, text, found and links are set
        Missing,   // the read failed and isFile says the path names no file
        Unreadable // the read failed although isFile says it names a file
    };

    std::size_t index = 0; // the page's place in the list given to the pipeline
    std::string_view path; // the page's path
    Status status = Status::Ready;
    ReadFailure reason;     // why the read failed (readInto's reason)
    std::string_view bytes; // the file's bytes
    std::string_view text;  // pageTextView of the bytes (may lie inside `bytes`)
    bool found = false;     // the search term is not empty and occurs in the text
    // Every value extractLinks takes from expandLinkValues of the text, in
    // its order; empty when the pipeline was told not to take links.
    std::vector<PreparedLink> links;
};

struct PagePipelineOptions {
    // Pages prepared or held at once; at least 1. One is the consumer's, the
    // others let the worker run ahead.
    std::size_t slots = 3;
    // False for a pass that only searches: no expansion, no links.
    bool links = true;
    // A slot whose buffers hold more than this, and more than twice what the
    // page now read into it needs, gives them back before use.
    std::size_t keepBytes = std::size_t(8) << 20;
    // The worker starts no further page while the pages prepared and not yet
    // released hold more than this, so a large page is followed by no second
    // one until it has been released.
    std::size_t aheadBytes = std::size_t(32) << 20;
    // A side that has to wait sleeps until this many pages (or free slots)
    // have gathered, or until the other side waits too: one wake-up per
    // batch instead of one per page. At most half the slots.
    std::size_t handOver = 1;
};

// Memory: a page's buffers are its bytes, its text unless the bytes already
// hold it, its expanded text and its links. The pages prepared and not yet
// released hold at most aheadBytes plus one page, whatever its size; that
// page's slot is the next one the worker fills, keeping its buffers only
// while the page in them needs more than half of them; every other free slot
// keeps at most keepBytes. So the slots hold at most about
// aheadBytes + slots * keepBytes + twice the buffers of the largest page,
// and about once when large pages are alike in size: one large page at a
// time, however many follow each other.
//
// The FileAccess is called from the worker thread (readInto, and isFile after
// a failed read), possibly at the same time as the consumer uses it: it must
// allow that. next(), release() and stop() are for one consumer thread.
class PagePipeline {
public:
    // Starts the worker on `paths` (the pages to prepare, in order).
    PagePipeline(FileAccess &files, std::vector<std::string> paths, std::string searchTerm,
                 PagePipelineOptions options = {});
    // Writes the path of page `index` into `path`; called on the worker
    // thread, so what it reads must not change while the pipeline runs.
    using PathOf = std::function<void(std::size_t index, std::string &path)>;
    // Starts the worker on `count` pages whose paths `pathOf` makes when each
    // page's turn comes, so that a long list needs no copy of every path.
    PagePipeline(FileAccess &files, std::size_t count, PathOf pathOf, std::string searchTerm,
                 PagePipelineOptions options = {});
    // Stops and joins the worker.
    ~PagePipeline();
    PagePipeline(const PagePipeline &) = delete;
    PagePipeline &operator=(const PagePipeline &) = delete;

    // The next page in order, once the worker has prepared it; null after the
    // last page, after stop() and after a page whose preparation threw. A
    // page still held is released first. When preparing this page threw
    // (std::bad_alloc, or an exception from the FileAccess), the exception
    // is rethrown here, at the page's turn, and the worker has ended.
    const PreparedPage *next();
    // Gives the page last returned by next() back to the worker; its views
    // are invalid from here on. Nothing when no page is held.
    void release();
    // Ends the worker: it stops at the next step of the page it prepares (a
    // read under way is finished first) or at once when it waits for a slot,
    // and is joined. Pages not yet taken are dropped. Idempotent.
    void stop();

    // The memory the slots' buffers hold, as of the last page each prepared.
    std::size_t heldBytes() const;

private:
    struct Slot;

    void begin();
    void run();
    void prepare(Slot &slot, std::size_t index);
    void trim(Slot &slot, std::size_t length);
    // Whether a sleeping worker or consumer may go on; both under the lock.
    bool workerDue() const;
    bool consumerDue() const;
    void wakeWorkerIfDue();
    void wakeConsumerIfDue();

    FileAccess &files_;
    const std::vector<std::string> paths_;
    const std::size_t count_;
    const PathOf pathOf_;
    const std::string searchTerm_;
    const PagePipelineOptions options_;

    std::vector<std::unique_ptr<Slot>> slots_;
    mutable std::mutex mutex_;
    std::condition_variable workerWake_;
    std::condition_variable consumerWake_;
    std::vector<Slot *> free_;         // the last one released on top: its memory is the warmest
    std::vector<Slot *> idle_;         // the worker's: the slots free besides the one it took
    std::deque<Slot *> ready_;         // prepared, in page order
    Slot *held_ = nullptr;             // the consumer's page
    std::size_t outstandingBytes_ = 0; // memory of the pages in ready_ and held_
    bool finished_ = false;            // the worker prepares no further page
    bool workerWaiting_ = false;       // the worker sleeps for a free slot or room
    bool consumerWaiting_ = false;     // the consumer sleeps for a prepared page
    std::size_t handOver_ = 1;         // the batch a sleeping side waits for
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

} // namespace tavlori

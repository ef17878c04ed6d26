#include "analysis/pagepipeline.h"

#include "analysis/expand.h"
#include "analysis/extract.h"
#include "analysis/hashing.h"
#include "analysis/pagetext.h"

#include <algorithm>
#include <utility>

namespace tavlori {

// A page and the buffers it lives in, kept from one page to the next.
struct PagePipeline::Slot {
    PreparedPage page;
    std::string path;
    std::string bytes;
    std::string text;
    std::string expanded;
    std::exception_ptr error;  // what preparing the page threw
    std::size_t footprint = 0; // the buffers' memory after the page was prepared

    void clear()
    {
        std::string().swap(bytes);
        std::string().swap(text);
        std::string().swap(expanded);
        std::vector<PreparedLink>().swap(page.links);
        page = PreparedPage();
    }

    std::size_t memory() const
    {
        return path.capacity() + bytes.capacity() + text.capacity() + expanded.capacity()
               + page.links.capacity() * sizeof(PreparedLink);
    }
};

PagePipeline::PagePipeline(FileAccess &files, std::vector<std::string> paths, std::string searchTerm,
                           PagePipelineOptions options)
    : files_(files)
    , paths_(std::move(paths))
    , count_(paths_.size())
    , pathOf_([this](std::size_t index, std::string &path) { path = paths_[index]; })
    , searchTerm_(std::move(searchTerm))
    , options_(options)
{
    begin();
}

PagePipeline::PagePipeline(FileAccess &files, std::size_t count, PathOf pathOf, std::string searchTerm,
                           PagePipelineOptions options)
    : files_(files)
    , count_(count)
    , pathOf_(std::move(pathOf))
    , searchTerm_(std::move(searchTerm))
    , options_(options)
{
    begin();
}

void PagePipeline::begin()
{
    const std::size_t count = std::max<std::size_t>(options_.slots, 1);
    handOver_ = std::clamp<std::size_t>(options_.handOver, 1, std::max<std::size_t>(count / 2, 1));
    for (std::size_t i = 0; i < count; ++i)
        slots_.push_back(std::make_unique<Slot>());
    for (auto it = slots_.rbegin(); it != slots_.rend(); ++it)
        free_.push_back(it->get());
    idle_.reserve(count);
    if (count_ == 0)
        finished_ = true;
    else
        worker_ = std::thread(&PagePipeline::run, this);
}

PagePipeline::~PagePipeline()
{
    stop();
}

void PagePipeline::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workerWake_.notify_all();
    consumerWake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

const PreparedPage *PagePipeline::next()
{
    release();
    Slot *slot = nullptr;
    {
        std::unique_lock lock(mutex_);
        if (ready_.empty()) {
            consumerWaiting_ = true;
            wakeWorkerIfDue();
            consumerWake_.wait(lock, [this] { return consumerDue(); });
            consumerWaiting_ = false;
        }
        if (stopping_ || ready_.empty())
            return nullptr;
        slot = ready_.front();
        ready_.pop_front();
        held_ = slot;
    }
    if (slot->error)
        std::rethrow_exception(std::exchange(slot->error, nullptr));
    return &slot->page;
}

void PagePipeline::release()
{
    {
        std::lock_guard lock(mutex_);
        if (!held_)
            return;
        outstandingBytes_ -= held_->footprint;
        free_.push_back(held_);
        held_ = nullptr;
        wakeWorkerIfDue();
    }
}

bool PagePipeline::workerDue() const
{
    // A batch of free slots, or every prepared page taken: the consumer then
    // waits for the worker, which must not wait for it in turn.
    return stopping_
           || (!free_.empty() && outstandingBytes_ <= options_.aheadBytes
               && (free_.size() >= handOver_ || ready_.empty() || consumerWaiting_));
}

bool PagePipeline::consumerDue() const
{
    return stopping_ || finished_ || ready_.size() >= handOver_ || (!ready_.empty() && workerWaiting_);
}

void PagePipeline::wakeWorkerIfDue()
{
    if (workerWaiting_ && workerDue())
        workerWake_.notify_one();
}

void PagePipeline::wakeConsumerIfDue()
{
    if (consumerWaiting_ && consumerDue())
        consumerWake_.notify_one();
}

std::size_t PagePipeline::heldBytes() const
{
    std::lock_guard lock(mutex_);
    std::size_t total = 0;
    for (const auto &slot : slots_)
        total += slot->footprint;
    return total;
}

void PagePipeline::run()
{
    for (std::size_t index = 0; index < count_; ++index) {
        Slot *slot = nullptr;
        {
            std::unique_lock lock(mutex_);
            // A free slot, and room: the pages not yet released hold no more
            // than the budget (none at all, after a large page).
            if (!workerDue()) {
                workerWaiting_ = true;
                wakeConsumerIfDue();
                workerWake_.wait(lock, [this] { return workerDue(); });
                workerWaiting_ = false;
            }
            if (stopping_)
                return;
            slot = free_.back();
            free_.pop_back();
            idle_.assign(free_.begin(), free_.end());
        }
        // The slot last released is taken, so a large page's buffers serve the
        // next page; large buffers in the other free slots are given back.
        // Only the worker takes free slots, so they are its own to change.
        for (Slot *other : idle_) {
            if (other->memory() > options_.keepBytes)
                other->clear();
        }
        std::exception_ptr error;
        try {
            prepare(*slot, index);
        } catch (...) {
            error = std::current_exception();
        }
        const bool failed = error != nullptr;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            slot->error = std::move(error);
            slot->footprint = slot->memory();
            for (Slot *other : idle_)
                other->footprint = other->memory();
            outstandingBytes_ += slot->footprint;
            ready_.push_back(slot);
            // After a page that threw, the consumer meets the exception at
            // its turn and no later page.
            if (failed)
                finished_ = true;
            wakeConsumerIfDue();
        }
        if (failed)
            return;
    }
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        wakeConsumerIfDue();
    }
}

void PagePipeline::prepare(Slot &slot, std::size_t index)
{
    PreparedPage &page = slot.page;
    pathOf_(index, slot.path);
    const std::string &path = slot.path;
    page.index = index;
    page.path = path;
    page.status = PreparedPage::Status::Ready;
    page.reason = {};
    page.bytes = {};
    page.text = {};
    page.found = false;
    page.links.clear();

    // A page that reads is a file; only a failed read asks whether the page
    // is missing or exists but cannot be opened.
    std::size_t length = 0;
    if (!files_.readInto(path, slot.bytes, length, page.reason)) {
        trim(slot, 0);
        page.status = files_.isFile(path) ? PreparedPage::Status::Unreadable : PreparedPage::Status::Missing;
        return;
    }
    trim(slot, length);
    page.bytes = std::string_view(slot.bytes.data(), length);
    if (stopping_)
        return;
    page.text = pageTextView(page.bytes, slot.text);
    page.found = !searchTerm_.empty() && page.text.find(searchTerm_) != std::string_view::npos;
    if (!options_.links || stopping_)
        return;
    const std::string_view expanded = expandLinkValues(page.text, slot.expanded);
    if (stopping_)
        return;
    std::vector<PreparedLink> &links = page.links;
    // Room for a link every 32 bytes up front: a large page's list then
    // grows without being copied at each doubling, and the room it does not
    // use is never touched, so it takes address space, not memory.
    links.reserve(expanded.size() / 32);
    extractLinks(expanded, [&links](std::string_view value) { links.push_back({value, hashBytes(value)}); });
}

// Gives back the buffers a large earlier page left in the slot when the page
// now read needs far less: the bytes are moved into a buffer of their size,
// the other buffers are dropped before being written again.
void PagePipeline::trim(Slot &slot, std::size_t length)
{
    const auto oversized = [this, length](std::size_t capacity) {
        return capacity > options_.keepBytes && capacity / 2 > length;
    };
    if (oversized(slot.bytes.capacity()))
        std::string(slot.bytes.data(), length).swap(slot.bytes);
    for (std::string *buffer : {&slot.text, &slot.expanded}) {
        if (oversized(buffer->capacity()))
            std::string().swap(*buffer);
    }
    if (oversized(slot.page.links.capacity() * sizeof(PreparedLink)))
        std::vector<PreparedLink>().swap(slot.page.links);
}

} // namespace tavlori

#include "analysis/workspace.h"

#include "analysis/deletion.h"
#include "analysis/hashing.h"
#include "analysis/listing.h"
#include "analysis/pagepipeline.h"
#include "analysis/pagetext.h"
#include "analysis/rowindex.h"
#include "analysis/textset.h"

#include <system_error>
#include <utility>

namespace tavlori {

bool namesAnchor(std::string_view text, std::string_view name)
{
    // One search for the tail ="NAME", rarer than the whole attribute's
    // first letter; each hit is checked for the attribute name before it.
    std::string tail;
    tail.reserve(name.size() + 3);
    tail.append("=\"").append(name).append(1, '"');
    for (std::size_t at = text.find(tail); at != std::string_view::npos; at = text.find(tail, at + 1)) {
        const std::string_view before = text.substr(0, at);
        if (before.ends_with("name") || before.ends_with("id"))
            return true;
    }
    return false;
}

struct Workspace::Indexes {
    RowIndex requests{RowIndex::Key::Row};                       // the request list, for registerLink
    RowIndex requestsResolved{RowIndex::Key::ResolvedCaseBlind}; // the request list, for findUnrequestedPages
    RowIndex missingResolved{RowIndex::Key::Resolved};           // the broken links' texts, for checkTarget

    // Link texts whose target is in the request list, valid for the base
    // folder seenFor and the request list's reset revision seenRevision.
    TextSet seenLinks;
    std::string seenFor;
    std::uint64_t seenRevision = 0;
    bool seenValid = false;

    void syncSeen(const RowList &requestList, const std::string &baseFolder)
    {
        if (seenValid && requestList.resetRevision() == seenRevision && baseFolder == seenFor)
            return;
        seenLinks.clear();
        seenFor = baseFolder;
        seenRevision = requestList.resetRevision();
        seenValid = true;
    }
};

Workspace::Workspace(EngineEvents &events, FileAccess &files, char separator)
    : events_(events)
    , files_(files)
    , separator_(separator)
    , indexes_(std::make_unique<Indexes>())
{
}

Workspace::~Workspace() = default;

std::string Workspace::pagePath(std::string_view name) const
{
    return joinPath(baseFolder_, separator_, name);
}

std::string Workspace::resolve(std::string_view link) const
{
    return resolveLink(link, baseFolder_, separator_);
}

void Workspace::readPageList(const std::string &folder)
{
    pageListFolder_ = folder;
    readPageList();
}

void Workspace::readPageList()
{
    pageList_.clear();
    std::error_code error;
    // Listing a large folder takes a while: it reports the entries read.
    std::size_t listed = 0;
    std::vector<std::string> names = listPages(
        pageListFolder_, error, [this, &listed] { events_.progress(Phase::ListingPages, ++listed, 0); });
    if (error)
        throw CommandError(Failure::folder(pageListFolder_, error.value()));
    pageList_.assign(std::move(names));
}

std::string_view Workspace::readPage(const std::string &path)
{
    ReadFailure reason;
    // The text is a function of the bytes alone: bytes equal to the page
    // being scanned, read again, have its text. Comparing them as they are
    // read keeps a large page from being held twice.
    if (currentPage_ && path == currentPage_->path) {
        bool same = false;
        if (!files_.sameBytes(path, currentPage_->bytes, same, reason))
            throw PageOpenError(path, reason);
        if (same)
            return currentPage_->text;
    }
    std::size_t length = 0;
    if (!files_.readInto(path, holdingBuffer_, length, reason))
        throw PageOpenError(path, reason);
    pageTextFromBytes(std::string_view(holdingBuffer_.data(), length), holdingText_);
    return holdingText_;
}

void Workspace::start(const std::string &folder)
{
    baseFolder_ = folder;
    pageList_.selectAll();
}

void Workspace::changeFolder(const std::string &folder)
{
    searchColumn_.clear();
    brokenLinks_.clear();
    unrequestedPages_.clear();
    baseFolder_ = folder;
    // The page list follows the base folder and is read again in any case;
    // one reading gives the rows of both, so a new folder is listed once.
    readPageList(baseFolder_);
    events_.reached(Step::PageListRead);
    pageList_.selectAll();
    searchPass();
}

void Workspace::pagePass(bool links)
{
    brokenLinks_.clear();
    searchColumn_.clear();
    struct Release {
        Workspace &workspace;
        bool links;
        ~Release()
        {
            workspace.releaseBuffers();
            if (links)
                workspace.files_.endPass();
        }
    } release{*this, links};
    const std::size_t count = pageList_.size();
    std::vector<std::size_t> selected;
    for (std::size_t i = 0; i < count; ++i) {
        if (pageList_.isSelected(i))
            selected.push_back(i);
    }
    if (links)
        files_.beginPass();
    events_.progress(Phase::Pages, 0, count);
    // The pages are read, decoded, searched and their links taken on a
    // second thread, ahead of this one, which enters the results strictly
    // in the page list's order: every list comes out as one page after the
    // other would make it. Destroyed (the worker stopped) before Release.
    PagePipelineOptions options;
    options.links = links;
    // Pages are handed over in batches: a page is prepared in a few
    // microseconds, so waking the other thread for each one would cost more
    // than the page itself.
    options.slots = 16;
    options.handOver = 8;
    options.keepBytes = std::size_t(1) << 20;
    // The worker joins the paths as it goes: neither the base folder nor the
    // page list's rows change during a pass.
    const auto pathOf = [this, &selected](std::size_t index, std::string &path) {
        joinPath(baseFolder_, separator_, pageList_.row(selected[index]), path);
    };
    PagePipeline pipeline(files_, selected.size(), pathOf, searchTerm_, options);
    for (std::size_t i = 0; i < count; ++i) {
        if (pageList_.isSelected(i)) {
            if (events_.shouldStop())
                throw PassStopped();
            const PreparedPage *page = pipeline.next();
            if (page && takePage(pageList_.row(i), *page) && links)
                registerLinks(pageList_.row(i), *page);
        } else {
            searchColumn_.append(SearchHit::NotSearched);
        }
        events_.progress(Phase::Pages, i + 1, count);
    }
}

bool Workspace::takePage(const std::string &name, const PreparedPage &page)
{
    switch (page.status) {
    case PreparedPage::Status::Unreadable:
        throw PageOpenError(std::string(page.path), page.reason);
    case PreparedPage::Status::Missing:
        events_.pageMissing(name);
        // The missing page keeps its place in the search column, so that hit
        // i stays beside page i.
        searchColumn_.append(SearchHit::Missing);
        return false;
    case PreparedPage::Status::Ready:
        break;
    }
    searchColumn_.append(page.found ? SearchHit::Found : SearchHit::NotFound);
    return true;
}

void Workspace::searchPass()
{
    pagePass(false);
}

void Workspace::releaseBuffers()
{
    currentPage_ = nullptr;
    for (std::string *buffer : {&holdingBuffer_, &holdingText_})
        std::string().swap(*buffer);
}

void Workspace::linkPass()
{
    pagePass(true);
}

void Workspace::registerLinks(const std::string &page, const PreparedPage &prepared)
{
    struct Current {
        Workspace &workspace;
        ~Current() { workspace.currentPage_ = nullptr; }
    } current{*this};
    currentPage_ = &prepared;
    const std::vector<PreparedLink> &links = prepared.links;
    const TextSet &seen = indexes_->seenLinks;
    // Knowing the next link texts lets the set of link texts be fetched into
    // the cache ahead of use.
    constexpr std::size_t kAhead = 8;
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (i + kAhead < links.size())
            seen.prefetchSlot(links[i + kAhead].hash);
        if (i + kAhead / 2 < links.size())
            seen.prefetchKey(links[i + kAhead / 2].hash);
        addLink(page, links[i].value, links[i].hash);
    }
}

void Workspace::registerLink(const std::string &page, std::string_view link)
{
    addLink(page, link, hashBytes(link));
}

void Workspace::addLink(const std::string &page, std::string_view link, std::uint64_t hash)
{
    Indexes &indexes = *indexes_;
    indexes.syncSeen(requestList_, baseFolder_);
    if (indexes.seenLinks.contains(link, hash))
        return;
    resolveLink(link, baseFolder_, separator_, targetBuffer_);
    indexes.requests.sync(requestList_, baseFolder_, separator_);
    const bool registered = indexes.requests.contains(requestList_, targetBuffer_);
    // From here on the target is in the list, whatever checkTarget meets.
    indexes.seenLinks.insert(link, hash);
    if (registered)
        return;
    requestList_.append(targetBuffer_);
    checkResolved(page, link, requestList_.row(requestList_.size() - 1));
}

void Workspace::checkTarget(const std::string &page, std::string_view link)
{
    const std::string target = resolve(link);
    checkResolved(page, link, target);
}

bool Workspace::targetExists(const std::string &target)
{
    // Resolution leaves a target relative only when it returns the link as
    // written; such a target names a place in the base folder.
    if (baseFolder_.empty() || isAbsolutePath(target, separator_))
        return files_.targetExists(target);
    joinPath(baseFolder_, separator_, target, existsBuffer_);
    return files_.targetExists(existsBuffer_);
}

void Workspace::checkResolved(const std::string &page, std::string_view link, const std::string &target)
{
    // An external address is registered as written but names no file here:
    // it is neither tested nor listed. The link text decides, not the target:
    // a joined target may start like one ("//page.htm" under an empty base).
    if (isExternalAddress(link))
        return;
    if (targetExists(target))
        return;
    // "#TOP" goes to the top of the page, which every page has: never a broken link, anchor or not.
    if (link == "#TOP")
        return;
    indexes_->missingResolved.sync(brokenLinks_, baseFolder_, separator_);
    bool broken = !indexes_->missingResolved.contains(brokenLinks_, target);
    if (!link.empty() && link.front() == '#') {
        // The holding page is read again for this test alone, whatever the
        // step above found. The anchor is named by name="N" or id="N".
        if (namesAnchor(readPage(pagePath(page)), link.substr(1)))
            broken = false;
    }
    if (broken)
        brokenLinks_.append({page, std::string(link)});
}

void Workspace::findUnrequestedPages()
{
    unrequestedPages_.clear();
    events_.reached(Step::UnrequestedPagesCleared);
    const std::size_t count = pageList_.size();
    RowIndex &requested = indexes_->requestsResolved;
    // Indexing a large request list takes a while: it reports its rows.
    requested.sync(requestList_, baseFolder_, separator_, [this](std::size_t done, std::size_t total) {
        events_.progress(Phase::IndexingRequests, done, total);
    });
    events_.progress(Phase::SeekingUnrequested, 0, count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string path = resolve(pageList_.row(i));
        if (!requested.contains(requestList_, path))
            unrequestedPages_.append(std::move(path));
        events_.progress(Phase::SeekingUnrequested, i + 1, count);
    }
}

void Workspace::investigateLinks()
{
    linkPass();
    events_.reached(Step::LinkPassFinished);
    findUnrequestedPages();
    events_.reached(Step::UnrequestedPagesFound);
    unrequestedPages_.selectAll();
    requestCount_ = requestList_.size();
    unrequestedCount_ = unrequestedPages_.size();
    events_.reached(Step::InvestigationFinished);
}

void Workspace::clearRequests()
{
    requestList_.clear();
}

void Workspace::clearSearchColumn()
{
    searchColumn_.clear();
}

std::size_t Workspace::removeMovedUnrequested(const std::vector<std::string> &moved)
{
    const std::size_t removed = removeMovedRows(unrequestedPages_, moved, baseFolder_, separator_);
    if (removed > 0)
        unrequestedCount_ = unrequestedPages_.size();
    return removed;
}

} // namespace tavlori

#include "analysis/workspace.h"

#include "analysis/deletion.h"
#include "analysis/expand.h"
#include "analysis/extract.h"
#include "analysis/hashing.h"
#include "analysis/listing.h"
#include "analysis/pagetext.h"
#include "analysis/rowindex.h"
#include "analysis/textset.h"

#include <system_error>
#include <utility>

namespace tavlori {

struct Workspace::Indexes {
    RowIndex requests{RowIndex::Key::Row};                       // the request list, for registerLink
    RowIndex requestsResolved{RowIndex::Key::ResolvedCaseBlind}; // the request list, for findUnrequestedPages
    RowIndex missingResolved{RowIndex::Key::Resolved};           // the broken links' texts, for checkTarget

    // Link texts whose target is in the request list, valid for the base
    // folder seenFor and the request list's reset revision seenRevision.
    TextSet seenLinks;
    // The link values of the page being scanned, with their hashes.
    std::vector<std::pair<std::string_view, std::uint64_t>> pageLinks;
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

Workspace::Workspace(Host &host, FileAccess &files, char separator)
    : host_(host)
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
    // Listing a large folder takes a while: the window keeps repainting.
    std::vector<std::string> names = listPages(pageListFolder_, error, [this] { host_.processMessages(); });
    if (error)
        throw CommandError(folderErrorText(error.value()));
    pageList_.assign(std::move(names));
}

std::string_view Workspace::readPage(const std::string &path)
{
    std::size_t length = 0;
    std::string reason;
    if (!files_.readInto(path, holdingBuffer_, length, reason))
        throw PageOpenError(path, std::move(reason));
    const std::string_view bytes(holdingBuffer_.data(), length);
    // The text is a function of the bytes alone: bytes equal to the page
    // loaded last (the page being scanned, read again) have its text.
    if (pageLoaded_ && bytes == std::string_view(readBuffer_.data(), readLength_))
        return textBuffer_;
    pageTextFromBytes(bytes, holdingText_);
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
    host_.processMessages();
    pageList_.selectAll();
    searchPass();
}

bool Workspace::loadPage(const std::string &page)
{
    pageLoaded_ = false;
    joinPath(baseFolder_, separator_, page, pathBuffer_);
    // A page that reads is a file; only a failed read asks whether the page
    // is missing or exists but cannot be opened. The answers are those of
    // testing first, with one look-up of the path instead of two.
    std::size_t length = 0;
    std::string reason;
    if (!files_.readInto(pathBuffer_, readBuffer_, length, reason)) {
        if (files_.isFile(pathBuffer_))
            throw PageOpenError(pathBuffer_, std::move(reason));
        host_.beep();
        host_.missingPage(page);
        // The missing page keeps its place in the search column, so that hit
        // i stays beside page i.
        searchColumn_.append(SearchHit::Missing);
        return false;
    }
    pageTextFromBytes(std::string_view(readBuffer_).substr(0, length), textBuffer_);
    readLength_ = length;
    pageLoaded_ = true;
    const bool found = !searchTerm_.empty() && std::string_view(textBuffer_).find(searchTerm_) != std::string_view::npos;
    searchColumn_.append(found ? SearchHit::Found : SearchHit::NotFound);
    return true;
}

void Workspace::pagePass(void (Workspace::*perPage)(const std::string &))
{
    brokenLinks_.clear();
    searchColumn_.clear();
    struct Release {
        Workspace &workspace;
        ~Release() { workspace.releaseBuffers(); }
    } release{*this};
    const std::size_t count = pageList_.size();
    host_.progress(0, count);
    for (std::size_t i = 0; i < count; ++i) {
        if (pageList_.isSelected(i))
            (this->*perPage)(pageList_.row(i));
        else
            searchColumn_.append(SearchHit::NotSearched);
        host_.progress(i + 1, count);
    }
}

void Workspace::searchPass()
{
    pagePass(&Workspace::searchPage);
}

void Workspace::releaseBuffers()
{
    pageLoaded_ = false;
    for (std::string *buffer : {&readBuffer_, &textBuffer_, &expandBuffer_, &holdingBuffer_, &holdingText_})
        std::string().swap(*buffer);
}

void Workspace::searchPage(const std::string &page)
{
    loadPage(page);
}

void Workspace::linkPass()
{
    pagePass(&Workspace::scanPage);
}

void Workspace::scanPage(const std::string &page)
{
    if (!loadPage(page))
        return;
    const std::string_view expanded = expandLinkValues(textBuffer_, expandBuffer_);
    // The values are taken first and registered afterwards, in the same
    // order: taking them has no effect of its own, and knowing the next ones
    // lets the set of link texts be fetched into the cache ahead of use.
    auto &links = indexes_->pageLinks;
    links.clear();
    extractLinks(expanded, [&links](std::string_view value) { links.emplace_back(value, hashBytes(value)); });
    const TextSet &seen = indexes_->seenLinks;
    constexpr std::size_t kAhead = 8;
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (i + kAhead < links.size())
            seen.prefetchSlot(links[i + kAhead].second);
        if (i + kAhead / 2 < links.size())
            seen.prefetchKey(links[i + kAhead / 2].second);
        addLink(page, links[i].first, links[i].second);
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
        return files_.isFile(target);
    joinPath(baseFolder_, separator_, target, existsBuffer_);
    return files_.isFile(existsBuffer_);
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
    if (link == "#TOP")
        return;
    indexes_->missingResolved.sync(brokenLinks_, baseFolder_, separator_);
    bool broken = !indexes_->missingResolved.contains(brokenLinks_, target);
    if (!link.empty() && link.front() == '#') {
        // The holding page is read again for this test alone, whatever the
        // step above found. The anchor is named by name="N" or id="N".
        const std::string_view text = readPage(pagePath(page));
        const std::string_view name = link.substr(1);
        std::string anchor;
        anchor.reserve(name.size() + 7);
        const auto names = [&](std::string_view attribute) {
            anchor.assign(attribute).append(name).append(1, '"');
            return text.find(anchor) != std::string_view::npos;
        };
        if (names("name=\"") || names("id=\""))
            broken = false;
    }
    if (broken)
        brokenLinks_.append({page, std::string(link)});
}

void Workspace::findUnrequestedPages()
{
    unrequestedPages_.clear();
    host_.processMessages();
    const std::size_t count = pageList_.size();
    RowIndex &requested = indexes_->requestsResolved;
    // Indexing a large request list takes a while: it reports its rows as
    // progress, so the window keeps repainting.
    requested.sync(requestList_, baseFolder_, separator_,
                   [this](std::size_t done, std::size_t total) { host_.progress(done, total); });
    host_.progress(0, count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string path = resolve(pageList_.row(i));
        if (!requested.contains(requestList_, path))
            unrequestedPages_.append(std::move(path));
        host_.progress(i + 1, count);
    }
}

void Workspace::investigateLinks()
{
    linkPass();
    host_.processMessages();
    host_.processMessages();
    findUnrequestedPages();
    host_.processMessages();
    unrequestedPages_.selectAll();
    host_.processMessages();
    requestCount_ = requestList_.size();
    unrequestedCount_ = unrequestedPages_.size();
    host_.beep();
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

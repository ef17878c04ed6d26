#include "analysis/workspace.h"

#include "analysis/expand.h"
#include "analysis/extract.h"
#include "analysis/listing.h"
#include "analysis/pagetext.h"
#include "analysis/textset.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>
#include <vector>

namespace tavlori {

// ---------------------------------------------------------------------------
// Errors

PageOpenError::PageOpenError(std::string path, std::string reason)
    : CommandError("ファイル " + path + " は開けません。 " + reason + " ")
    , path_(std::move(path))
    , reason_(std::move(reason))
{
}

std::string standardErrorText(std::string_view message)
{
    std::string text(message);
    // The last byte of a non-ASCII UTF-8 character is 0x80..0xBF, so every
    // such character counts as higher than ".", as every character above
    // U+002E does.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

std::string folderErrorText(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return "指定されたファイルが見つかりません";
    case EMFILE:
    case ENFILE:
        return "開かれたファイルが多すぎます。";
    case EACCES:
    case EPERM:
        return "ファイルへのアクセスが拒否されました";
    case ENOSPC:
        return "ディスクがいっぱいです";
    case ENOTDIR:
        return "指定されたパスが見つかりません";
    default:
        return "I/O エラー " + std::to_string(errorNumber);
    }
}

// ---------------------------------------------------------------------------
// Row indexes
//
// The registry and the detection of unrequested pages ask "does any row of
// this list equal that text" once per link and once per page. An index beside
// each list answers in constant time. It holds row numbers, not texts: the key
// of a row is read from the row itself, or, for an index of resolved rows,
// from a side copy kept only for rows whose resolved text differs from the
// row (most request-list rows resolve to themselves).
//
// An index follows its list lazily: rows appended since the last look are
// added; a cleared or replaced list, or a changed baseFolder for resolved keys,
// rebuilds it.

namespace {

enum class KeyKind {
    Row,             // the row text, compared exactly
    Resolved,        // resolveLink of the row, compared exactly
    ResolvedCaseBlind // resolveLink of the row, ASCII letters compared without case
};

inline unsigned char foldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

std::uint64_t hashText(std::string_view s, bool caseBlind)
{
    if (!caseBlind)
        return hashBytes(s);
    // FNV-1a over the folded bytes; only the detection of unrequested pages
    // uses it, once per page and once per request.
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : s)
        h = (h ^ foldAscii(static_cast<unsigned char>(c))) * 0x100000001b3ull;
    return finalMix(h);
}

bool equalCaseBlind(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(static_cast<unsigned char>(a[i])) != foldAscii(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

class RowIndex {
public:
    explicit RowIndex(KeyKind kind) : kind_(kind) {}

    // Brings the index in step with `list` as it stands under `baseFolder`.
    void sync(const RowList &list, const std::string &baseFolder, char sep)
    {
        const bool resolved = kind_ != KeyKind::Row;
        if (!valid_ || list.resetRevision() != revision_ || list.size() < indexed_
            || (resolved && baseFolder != builtFor_)) {
            slots_.clear();
            alternates_.clear();
            used_ = 0;
            indexed_ = 0;
            revision_ = list.resetRevision();
            if (resolved)
                builtFor_ = baseFolder;
            valid_ = true;
        }
        for (; indexed_ < list.size(); ++indexed_)
            add(list, indexed_, sep);
    }

    // True when some row's key equals `key`. The index must be in step.
    bool contains(const RowList &list, std::string_view key) const
    {
        if (slots_.empty())
            return false;
        const std::uint64_t h = hashText(key, caseBlind());
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = h & mask;; i = (i + 1) & mask) {
            const Slot &slot = slots_[i];
            if (slot.row == kEmpty)
                return false;
            if (slot.hash == h && keysEqual(keyOf(list, slot), key))
                return true;
        }
    }

private:
    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();
    static constexpr std::uint32_t kNoAlternate = std::numeric_limits<std::uint32_t>::max();

    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t row = kEmpty;
        std::uint32_t alternate = kNoAlternate; // index into alternates_
    };

    bool caseBlind() const { return kind_ == KeyKind::ResolvedCaseBlind; }

    bool keysEqual(std::string_view a, std::string_view b) const
    {
        return caseBlind() ? equalCaseBlind(a, b) : a == b;
    }

    std::string_view keyOf(const RowList &list, const Slot &slot) const
    {
        if (slot.alternate != kNoAlternate)
            return alternates_[slot.alternate];
        return list.row(slot.row);
    }

    void add(const RowList &list, std::size_t row, char sep)
    {
        Slot slot;
        slot.row = static_cast<std::uint32_t>(row);
        const std::string &text = list.row(row);
        if (kind_ == KeyKind::Row) {
            slot.hash = hashText(text, false);
        } else {
            std::string key = resolveLink(text, builtFor_, sep);
            slot.hash = hashText(key, caseBlind());
            if (key != text) {
                slot.alternate = static_cast<std::uint32_t>(alternates_.size());
                alternates_.push_back(std::move(key));
            }
        }
        if ((used_ + 1) * 2 > slots_.size())
            grow();
        place(slot);
        ++used_;
    }

    void place(const Slot &slot)
    {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = slot.hash & mask;
        while (slots_[i].row != kEmpty)
            i = (i + 1) & mask;
        slots_[i] = slot;
    }

    void grow()
    {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        for (const Slot &slot : old) {
            if (slot.row != kEmpty)
                place(slot);
        }
    }

    KeyKind kind_;
    std::vector<Slot> slots_; // open addressing, power-of-two size, at most half full
    std::vector<std::string> alternates_;
    std::size_t used_ = 0;
    std::size_t indexed_ = 0;
    std::uint64_t revision_ = 0;
    std::string builtFor_;
    bool valid_ = false;
};

} // namespace

struct Workspace::Indexes {
    RowIndex requests{KeyKind::Row};                          // requestList, for registerLink
    RowIndex requestsResolved{KeyKind::ResolvedCaseBlind};    // requestList, for findUnrequestedPages
    RowIndex missingResolved{KeyKind::Resolved};              // missingTargets, for checkTarget

    // Link texts whose target is in requestList, valid for seenFor and the
    // request list's reset revision seenRevision.
    TextSet seenLinks;
    // The HTML values of the page being scanned, with their hashes.
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

// ---------------------------------------------------------------------------
// Workspace

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
    std::string path;
    path.reserve(baseFolder.size() + 1 + name.size());
    path += baseFolder;
    path += separator_;
    path += name;
    return path;
}

std::string Workspace::resolve(std::string_view linkText) const
{
    return resolveLink(linkText, baseFolder, separator_);
}

void Workspace::readPageList()
{
    std::error_code error;
    std::filesystem::current_path(pageListFolder, error);
    if (error)
        throw CommandError(folderErrorText(error.value()));
    pageList.clear();
    std::vector<std::string> names = listPages(pageListFolder, error);
    if (error)
        throw CommandError(folderErrorText(error.value()));
    pageList.assign(std::move(names));
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

void Workspace::start(const std::string &directory)
{
    baseFolder = directory;
    pageList.selectAll();
}

void Workspace::changeFolder(const std::string &directory)
{
    searchColumn.clear();
    missingTargets.clear();
    unrequestedPages.clear();
    brokenLinkPages.clear();
    baseFolder = directory;
    // The page list follows baseFolder and is read again in any case; one
    // reading gives the rows of both, so a new folder is listed once.
    pageListFolder = baseFolder;
    readPageList();
    host_.processMessages();
    pageList.selectAll();
    searchPass();
    pageList.scrollToTop();
    searchColumn.scrollToTop();
    missingTargets.scrollToTop();
    unrequestedPages.scrollToTop();
    brokenLinkPages.scrollToTop();
    requestList.scrollToTop();
}

bool Workspace::loadPage(const std::string &HTML)
{
    pageLoaded_ = false;
    pathBuffer_.assign(baseFolder);
    pathBuffer_ += separator_;
    pathBuffer_ += HTML;
    // A page that reads is a file; only a failed read asks whether the page
    // is missing or exists but cannot be opened. The answers are those of
    // testing first, with one look-up of the path instead of two.
    std::size_t length = 0;
    std::string reason;
    if (!files_.readInto(pathBuffer_, readBuffer_, length, reason)) {
        if (files_.isFile(pathBuffer_))
            throw PageOpenError(pathBuffer_, std::move(reason));
        host_.beep();
        host_.missingPage(HTML);
        // The missing page keeps its place in the search column, so that row
        // i stays beside page i.
        searchColumn.append("-");
        return false;
    }
    pageTextFromBytes(std::string_view(readBuffer_).substr(0, length), textBuffer_);
    readLength_ = length;
    pageLoaded_ = true;
    const bool found = !searchTerm.empty() && std::string_view(textBuffer_).find(searchTerm) != std::string_view::npos;
    searchColumn.append(found ? "found" : "-");
    return true;
}

void Workspace::pagePass(void (Workspace::*perPage)(const std::string &))
{
    missingTargets.clear();
    searchColumn.clear();
    brokenLinkPages.clear();
    struct Release {
        Workspace &workspace;
        ~Release() { workspace.releaseBuffers(); }
    } release{*this};
    const std::size_t count = pageList.size();
    host_.progress(0, count);
    for (std::size_t i = 0; i < count; ++i) {
        if (pageList.isSelected(i))
            (this->*perPage)(pageList.row(i));
        else
            searchColumn.append(" ");
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

void Workspace::searchPage(const std::string &HTML)
{
    loadPage(HTML);
}

void Workspace::linkPass()
{
    pagePass(&Workspace::scanPage);
}

void Workspace::scanPage(const std::string &HTML)
{
    if (!loadPage(HTML))
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
        addLink(HTML, links[i].first, links[i].second);
    }
}

void Workspace::registerLink(const std::string &F, std::string_view S)
{
    addLink(F, S, hashBytes(S));
}

void Workspace::addLink(const std::string &F, std::string_view S, std::uint64_t hash)
{
    Indexes &indexes = *indexes_;
    indexes.syncSeen(requestList, baseFolder);
    if (indexes.seenLinks.contains(S, hash))
        return;
    resolveLink(S, baseFolder, separator_, targetBuffer_);
    indexes.requests.sync(requestList, baseFolder, separator_);
    const bool registered = indexes.requests.contains(requestList, targetBuffer_);
    // From here on the target is in the list, whatever checkTarget meets.
    indexes.seenLinks.insert(S, hash);
    if (registered)
        return;
    requestList.append(targetBuffer_);
    unlinkResolved(F, S, requestList.row(requestList.size() - 1));
}

void Workspace::checkTarget(const std::string &F, std::string_view S)
{
    const std::string T = resolve(S);
    unlinkResolved(F, S, T);
}

void Workspace::unlinkResolved(const std::string &F, std::string_view S, const std::string &T)
{
    // An external address is registered as written but names no file here:
    // it is neither tested nor listed. The link text decides, not the target:
    // a joined target may start like one ("//page.htm" under an empty base).
    if (isExternalAddress(S))
        return;
    if (files_.isFile(T))
        return;
    if (S == "#TOP")
        return;
    indexes_->missingResolved.sync(missingTargets, baseFolder, separator_);
    bool broken = !indexes_->missingResolved.contains(missingTargets, T);
    if (!S.empty() && S.front() == '#') {
        // The holding page is read again for this test alone, whatever the
        // step above found. The anchor is named by name="N" or id="N".
        const std::string_view page = readPage(pagePath(F));
        const std::string_view name = S.substr(1);
        std::string anchor;
        anchor.reserve(name.size() + 7);
        const auto names = [&](std::string_view attribute) {
            anchor.assign(attribute).append(name).append(1, '"');
            return page.find(anchor) != std::string_view::npos;
        };
        if (names("name=\"") || names("id=\""))
            broken = false;
    }
    if (broken) {
        brokenLinkPages.append(F);
        missingTargets.append(std::string(S));
    }
}

void Workspace::findUnrequestedPages()
{
    unrequestedPages.clear();
    host_.processMessages();
    const std::size_t count = pageList.size();
    RowIndex &requested = indexes_->requestsResolved;
    requested.sync(requestList, baseFolder, separator_);
    host_.progress(0, count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string P = resolve(pageList.row(i));
        if (!requested.contains(requestList, P))
            unrequestedPages.append(std::move(P));
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
    pageList.scrollToTop();
    searchColumn.scrollToTop();
    unrequestedPages.selectAll();
    requestList.scrollToTop();
    brokenLinkPages.scrollToTop();
    missingTargets.scrollToTop();
    unrequestedPages.scrollToTop();
    host_.processMessages();
    requestCount = std::to_string(requestList.size());
    unrequestedCount = std::to_string(unrequestedPages.size());
    host_.beep();
}

void Workspace::clearRequests()
{
    requestList.clear();
}

} // namespace tavlori

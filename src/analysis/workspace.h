#pragma once
// The workspace: the base folder, the page list, the results of the term
// search and the link investigation, and the commands that produce them.
// Every relative path is resolved against the base folder; the process's
// current directory plays no part.
#include "analysis/errors.h"
#include "analysis/events.h"
#include "analysis/fileaccess.h"
#include "analysis/resolve.h"
#include "analysis/results.h"
#include "analysis/rowlist.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavlori {

struct PreparedPage;

// True when `text` names the anchor `name`: it holds name="NAME" or id="NAME".
bool namesAnchor(std::string_view text, std::string_view name);

// The search term a new workspace starts with.
// "&&&" separates link members: until the user types a term, only pages joining links with it are found.
inline constexpr std::string_view kDefaultSearchTerm = "&&&";

class Workspace {
public:
    explicit Workspace(EngineEvents &events, FileAccess &files = standardFileAccess(),
                       char separator = kNativeSeparator);
    ~Workspace();
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    // --- the base folder and paths in it ---

    // The folder whose pages are investigated; empty until start().
    const std::string &baseFolder() const { return baseFolder_; }
    char separator() const { return separator_; }
    // The base folder, the separator and the name, joined as they stand.
    std::string pagePath(std::string_view name) const;
    // resolveLink against the base folder.
    std::string resolve(std::string_view link) const;

    // --- the page list ---

    // The folder the page list was read from.
    const std::string &pageListFolder() const { return pageListFolder_; }
    // The page names. Their rows change only through the workspace; a view
    // writes its selection, focused row and top row into the list.
    const RowList &pageList() const { return pageList_; }
    RowList &pageList() { return pageList_; }
    // Reads the page names of `folder`, which becomes the page list's folder;
    // no row is selected afterwards. Throws CommandError when the folder
    // cannot be read.
    void readPageList(const std::string &folder);
    // Reads the page list's folder again.
    void readPageList();

    // --- results ---

    const std::string &searchTerm() const { return searchTerm_; }
    void setSearchTerm(std::string term) { searchTerm_ = std::move(term); }
    // One hit per page of the page list, from the last pass.
    const ResultList<SearchHit> &searchColumn() const { return searchColumn_; }
    // The broken links of the last link pass, in the order they were met.
    const ResultList<BrokenLink> &brokenLinks() const { return brokenLinks_; }
    // The resolved paths of the pages no link requests, from the last
    // investigation; all selected when it ends. A view writes its selection,
    // focused row and top row.
    const RowList &unrequestedPages() const { return unrequestedPages_; }
    RowList &unrequestedPages() { return unrequestedPages_; }
    // The resolved targets of every link met since the list was last emptied.
    // A view writes its focused row and top row.
    const RowList &requestList() const { return requestList_; }
    RowList &requestList() { return requestList_; }
    // The sizes of the request list and of the unrequested pages as the last
    // investigation left them (the unrequested count follows pages moved
    // away since); nothing before the first investigation.
    std::optional<std::size_t> requestCount() const { return requestCount_; }
    std::optional<std::size_t> unrequestedCount() const { return unrequestedCount_; }

    // --- commands ---

    // The window is shown: `folder` becomes the base folder, every page is selected.
    void start(const std::string &folder);
    // The data side of a change of folder: the results are emptied, `folder`
    // becomes the base folder, its pages are read, all selected and searched.
    void changeFolder(const std::string &folder);
    // The term search over the selected pages. Throws PageOpenError at a
    // page that exists but cannot be read, PassStopped when the events ask
    // to stop; the columns keep the pages entered before.
    void searchPass();
    // The term search and the link scan over the selected pages; stops as
    // searchPass does.
    void linkPass();
    // Adds the target of `link`, met in `page`, to the request list when it
    // is not there yet, and tests it when added.
    void registerLink(const std::string &page, std::string_view link);
    // Lists `link` of `page` as broken when its target is missing.
    void checkTarget(const std::string &page, std::string_view link);
    // Lists the pages whose resolved path no request names.
    void findUnrequestedPages();
    // The link pass, then the unrequested pages, all selected; sets the counts.
    // A link pass that stops leaves the unrequested pages and the counts as they were.
    void investigateLinks();
    // Empties the request list.
    void clearRequests();

    // --- after pages or folders have moved away ---

    // Empties the search column, whose rows no longer stand beside their pages.
    void clearSearchColumn();
    // Removes the unrequested pages that have moved (see removeMovedRows);
    // the unrequested count follows when rows went. Returns the rows removed.
    std::size_t removeMovedUnrequested(const std::vector<std::string> &moved);

private:
    struct Indexes;
    // Reads a page's text; throws PageOpenError when it exists but cannot be
    // read. The view lasts until the next page is read.
    std::string_view readPage(const std::string &path);
    // The search pass, and with `links` the link pass: empty the search
    // column and the broken links, then for each page in list order its
    // search hit (NotSearched when it is not selected) and, with `links`,
    // its links entered in the request list.
    void pagePass(bool links);
    // The page's turn in a pass: throws PageOpenError when it exists but
    // cannot be read, reports it when missing, appends its search hit.
    // False when the page is missing.
    bool takePage(const std::string &name, const PreparedPage &page);
    // Enters the links of `page`, prepared ahead, in the request list.
    void registerLinks(const std::string &page, const PreparedPage &prepared);
    // Gives back the memory of the per-page buffers (after a pass, which may
    // have met a very large page).
    void releaseBuffers();
    // registerLink with the hash of the link text already taken.
    void addLink(const std::string &page, std::string_view link, std::uint64_t hash);
    // checkTarget with the target already resolved.
    void checkResolved(const std::string &page, std::string_view link, const std::string &target);
    // True when `target` names a file; a relative target is looked up in
    // the base folder.
    bool targetExists(const std::string &target);

    EngineEvents &events_;
    FileAccess &files_;
    char separator_;
    std::string baseFolder_;
    std::string pageListFolder_;
    std::string searchTerm_{kDefaultSearchTerm};
    RowList pageList_;
    ResultList<SearchHit> searchColumn_;
    ResultList<BrokenLink> brokenLinks_;
    RowList unrequestedPages_;
    RowList requestList_;
    std::optional<std::size_t> requestCount_;
    std::optional<std::size_t> unrequestedCount_;
    std::unique_ptr<Indexes> indexes_;
    // The page whose links are being entered, while they are.
    const PreparedPage *currentPage_ = nullptr;
    // Reused from page to page, so that a pass allocates nothing per page.
    std::string holdingBuffer_; // a page read again for an anchor test
    std::string holdingText_;
    std::string targetBuffer_; // a link's resolved target
    std::string existsBuffer_; // a relative target joined to the base folder
};

} // namespace tavlori

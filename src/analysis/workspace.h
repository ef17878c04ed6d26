#pragma once
// The workspace: the base folder baseFolder, the page list, the five result
// lists and the three edit fields, and the operations of the term search and
// the link investigation on them. Named as the window's controls and handlers.
#include "analysis/fileaccess.h"
#include "analysis/host.h"
#include "analysis/resolve.h"
#include "analysis/rowlist.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavlori {

// A failure that ends the running command, shown in the standard error dialog.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "ファイル %s は開けません。 %s ": a page that exists but cannot be opened.
class PageOpenError : public CommandError {
public:
    PageOpenError(std::string path, std::string reason);
    const std::string &path() const { return path_; }
    const std::string &reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

// The text of the standard error dialog: the message, with "." appended when
// its last character has a higher code than ".".
std::string standardErrorText(std::string_view message);

// The text for an operating-system error number (errno) met while entering a
// folder: not found, too many open files, access denied, disk full, ...; any
// other as "I/O エラー %d".
std::string folderErrorText(int errorNumber);

class Workspace {
public:
    explicit Workspace(Host &host, FileAccess &files = standardFileAccess(),
                       char separator = kNativeSeparator);
    ~Workspace();
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    // --- state, named as the window's controls ---
    std::string baseFolder;     // base folder; empty until the window is shown
    std::string pageListFolder;  // the page list's own folder
    RowList pageList;     // page names
    RowList searchColumn;         // search column
    RowList missingTargets;         // missing link targets, as written
    RowList unrequestedPages;         // unrequested pages, resolved
    RowList brokenLinkPages;         // pages holding a broken link
    RowList requestList;         // request list, resolved targets
    std::string searchTerm = "&&&"; // search term
    std::string requestCount;        // request count
    std::string unrequestedCount;        // unrequested count

    char separator() const { return separator_; }
    // baseFolder, the separator and the name, joined as they stand.
    std::string pagePath(std::string_view name) const;
    // resolveLink against the current baseFolder.
    std::string resolve(std::string_view linkText) const;

    // Reads the page list's rows from pageListFolder, which also becomes the
    // process's current directory; no row is selected afterwards.
    // Throws CommandError when the folder cannot be read.
    void readPageList();

    // --- handlers and working methods ---
    void start(const std::string &directory);
    // The data side of a change of folder (after the directory list entered
    // `directory` and made it the current directory).
    void changeFolder(const std::string &directory);
    void searchPass();
    void searchPage(const std::string &HTML);
    void linkPass();
    void scanPage(const std::string &HTML);
    void registerLink(const std::string &F, std::string_view S);
    void checkTarget(const std::string &F, std::string_view S);
    void findUnrequestedPages();
    void investigateLinks(); // the link investigation
    void clearRequests(); // clear the request list

    Host &host() { return host_; }
    FileAccess &files() { return files_; }

private:
    struct Indexes;
    // Reads a page's text; throws PageOpenError when it exists but cannot be
    // read. The view lasts until the next page is read.
    std::string_view readPage(const std::string &path);
    // The per-page steps shared by searchPage and scanPage: locate the page,
    // report it when missing, read it into textBuffer_ and append its search
    // row. False when the page is missing.
    bool loadPage(const std::string &HTML);
    // Gives back the memory of the per-page buffers (after a pass, which may
    // have met a very large page).
    void releaseBuffers();
    // The search pass and the link pass: empty missingTargets, searchColumn and
    // brokenLinkPages, then `perPage` for each selected page and " " for each other.
    void pagePass(void (Workspace::*perPage)(const std::string &));
    // registerLink with the hash of the link text already taken.
    void addLink(const std::string &F, std::string_view S, std::uint64_t hash);
    // checkTarget with the target already resolved.
    void unlinkResolved(const std::string &F, std::string_view S, const std::string &T);
    Host &host_;
    FileAccess &files_;
    char separator_;
    std::unique_ptr<Indexes> indexes_;
    // Reused from page to page, so that a pass allocates nothing per page.
    std::string pathBuffer_;   // the page's path
    std::string readBuffer_;   // the page's bytes (beyond readLength_: left over)
    std::size_t readLength_ = 0;
    std::string textBuffer_;   // the page's text
    bool pageLoaded_ = false;  // textBuffer_ is the text of the bytes in readBuffer_
    std::string holdingBuffer_; // a page read again for an anchor test
    std::string holdingText_;
    std::string expandBuffer_; // the text after range expansion
    std::string targetBuffer_; // a link's resolved target
};

} // namespace tavlori

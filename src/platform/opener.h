#pragma once
// Opening pages: in the external HTML editor, or with the program the desktop
// associates with them. Rows of the result lists are text taken from pages,
// so a row is opened only as an http(s) address or as a local path, and is
// never part of a command line: the editor gets the page path as its one
// argument, the desktop gets a URL.
#include "analysis/resolve.h"
#include "analysis/rowlist.h"
#include "analysis/workspace.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <string>

namespace tavlori::platform {

// --- what a row may be opened as ---

enum class OpenKind {
    Refused,    // no file and no web address: other schemes, control characters, ...
    WebAddress, // an http:// or https:// address with a host
    LocalPath,  // a file or folder path, made absolute against the base folder
};

struct OpenTarget {
    OpenKind kind = OpenKind::Refused;
    QUrl url;     // what is handed to the desktop
    QString path; // the absolute path for LocalPath
};

// Decides what `row` is opened as. A relative row is joined to `baseDir` with
// `sep` (the base folder is the current directory the row was written for).
// Under Windows rules ("\" as `sep`) network paths ("\\server", "//server")
// and drive-relative paths ("D:x") are refused.
OpenTarget decideOpen(const QString &row, const QString &baseDir, char sep = kNativeSeparator);

// --- starting programs ---

// The external editor: the program whose path is in the environment variable
// TAVLORI_EDITOR when it is set and not empty (a path, not a command line),
// otherwise the path fixed when the program was built.
QString editorPath();
// Starts the editor with `pagePath` as its one argument; no shell is involved.
// When it could not be started, the failure names the editor, the page and
// the cause (the editor is missing, may not be run, or the system's reason).
std::optional<Failure> startEditor(const QString &pagePath);
// Hands `url` to the desktop's default program. False when that failed.
bool openWithDefaultProgram(const QUrl &url);

// Test seams: the editor started by startEditor (empty restores the built-in
// one), and a recorder that takes the place of the desktop (none restores it).
void setEditorPathForTests(const QString &program);
using UrlOpener = std::function<bool(const QUrl &)>;
void setUrlOpenerForTests(UrlOpener opener);

// --- the opening commands on the workspace ---

// `index` as a row of a list of `size` rows; throws CommandError (NoSuchRow,
// the index) when there is no such row.
std::size_t checkedRow(int index, std::size_t size);
// The current row of `list`; throws as checkedRow when there is none.
const std::string &currentRow(const RowList &list);

// The page of the current row of pageList in the editor, then requestList
// is emptied whatever the start gave. An empty page list throws before
// anything is started or emptied. An editor that cannot be started throws
// CommandError as startEditor's failure (after requestList was emptied).
void editPage(Workspace &workspace);
// The page holding a broken link in the editor; fails as above.
void editBrokenLinkPage(Workspace &workspace, const BrokenLink &broken);
// The current row of the unrequested pages / the request list, or the link
// of a broken link, with the default program, when decideOpen allows it;
// a refused row opens nothing. When the default program cannot open it,
// throws CommandError naming the row (its address, or its absolute path) and
// the cause: no browser, no file, or no program for the file.
void openUnrequestedPage(Workspace &workspace);
void openRequest(Workspace &workspace);
void openMissingTarget(Workspace &workspace, const BrokenLink &broken);

} // namespace tavlori::platform

#pragma once
// What the three trash commands hand to the trash: which paths
// "選択HTMLを削除", "不要なHTML削除" (trashUnrequested) and "フォルダの削除" move.
#include "analysis/resolve.h"
#include "analysis/rowlist.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavlori {

// --- what a path names on disk ---

// What stands at a path, seen without following a final symbolic link.
enum class EntryKind {
    Missing,
    File, // a regular file
    Directory,
    LinkToFile, // a symbolic link to a regular file
    LinkToDirectory,
    OtherLink, // a symbolic link to nothing, or to something else
    Other,     // FIFO, socket, device
};
using EntryProbe = std::function<EntryKind(const std::string &path)>;
// The probe built on std::filesystem.
EntryKind probeEntry(const std::string &path);

// --- "選択HTMLを削除" ---

// The selected rows of the page list, each joined to the page list's folder
// `pageListFolder`, which gets `sep` appended unless it already ends with it.
std::vector<std::string> selectedPagePaths(const RowList &pageList, std::string_view pageListFolder,
                                           char sep = kNativeSeparator);

// --- "不要なHTML削除" ---

struct UnrequestedPagePaths {
    std::vector<std::string> paths;   // what goes to the trash
    std::vector<std::string> leftOut; // selected rows that were not offered
};
// The selected rows of unrequestedPages that name a page file directly inside the
// base folder: either baseFolder, `sep` and a bare name, or a bare name (which
// the base folder, the current directory, resolves), the name matching the
// page mask (a name cut at "#" may name a file that is no page). A bare-name row is offered
// as its full path. A row that resolves to a folder (a name or base folder
// holding "$" or "#"), to a path outside the base folder, or to anything but
// a file (a link to a file counts) is left out, so the trash can never take
// the whole site or a file elsewhere.
UnrequestedPagePaths unrequestedPagePaths(const RowList &unrequestedPages, std::string_view baseFolder,
                                          char sep = kNativeSeparator, const EntryProbe &probe = probeEntry);

// --- "フォルダの削除" ---

// The folder of the folder tree's highlighted row (`highlighted` indexes
// `folderRows`, -1 for none): baseFolder, `sep` and the row's text, when that
// names an existing folder directly inside the base folder (not a link, not
// "." or "..", not a drive or root row, which would name the base folder
// itself). Nothing otherwise: nothing is moved then.
std::optional<std::string> folderToTrash(const std::vector<std::string> &folderRows, int highlighted,
                                         std::string_view baseFolder, char sep = kNativeSeparator,
                                         const EntryProbe &probe = probeEntry);

// --- after the trash ---

// Removes from unrequestedPages the rows whose file has moved: a row naming one of
// the `moved` paths, or a path inside a moved folder. A bare-name row names
// baseFolder, `sep` and the name; repeated separators count as one, so a page
// joined at the root by the page-path rule ("//a.html") is the one moved as
// "/a.html". Returns the number of rows removed.
std::size_t removeMovedRows(RowList &unrequestedPages, const std::vector<std::string> &moved,
                            std::string_view baseFolder, char sep = kNativeSeparator);

// True for a name that is one entry of a folder: not empty, not "." or "..",
// and free of separators ("/" always; "\" too where it is the separator).
bool isBareName(std::string_view name, char sep = kNativeSeparator);

} // namespace tavlori

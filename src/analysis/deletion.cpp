#include "analysis/deletion.h"

#include "analysis/listing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tavlori {

EntryKind probeEntry(const std::string &path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(path, ec);
    switch (own.type()) {
    case fs::file_type::not_found:
    case fs::file_type::none:
        return EntryKind::Missing;
    case fs::file_type::regular:
        return EntryKind::File;
    case fs::file_type::directory:
        return EntryKind::Directory;
    case fs::file_type::symlink: {
        const fs::file_status target = fs::status(path, ec);
        if (target.type() == fs::file_type::regular)
            return EntryKind::LinkToFile;
        if (target.type() == fs::file_type::directory)
            return EntryKind::LinkToDirectory;
        return EntryKind::OtherLink;
    }
    default:
        return EntryKind::Other;
    }
}

bool isBareName(std::string_view name, char sep)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    if (name.find('/') != std::string_view::npos)
        return false;
    // Where "\" separates folders, a ":" marks a drive or a stream, never a name.
    if (sep == kWindowsSeparator && name.find_first_of("\\:") != std::string_view::npos)
        return false;
    return true;
}

std::vector<std::string> selectedPagePaths(const RowList &pageList, std::string_view pageListFolder, char sep)
{
    std::string folder(pageListFolder);
    if (folder.empty() || folder.back() != sep)
        folder.push_back(sep);

    std::vector<std::string> paths;
    for (std::size_t i = 0; i < pageList.size(); ++i) {
        if (pageList.isSelected(i))
            paths.push_back(folder + pageList.row(i));
    }
    return paths;
}

namespace {

// The full path of a page that `row` names directly inside the base folder,
// or nothing when it names anything else. The name must be a page name: a
// page such as "notes#1.htm" resolves to "notes", a file that is no page.
std::optional<std::string> pageInBase(const std::string &row, std::string_view baseFolder, char sep)
{
    if (baseFolder.empty())
        return std::nullopt;
    if (isBareName(row, sep))
        return matchesPageMask(row) ? std::optional(joinPath(baseFolder, sep, row)) : std::nullopt;
    if (row.size() <= baseFolder.size() + 1)
        return std::nullopt;
    const std::string_view text(row);
    if (text.substr(0, baseFolder.size()) != baseFolder || text[baseFolder.size()] != sep)
        return std::nullopt;
    const std::string_view name = text.substr(baseFolder.size() + 1);
    if (!isBareName(name, sep) || !matchesPageMask(name))
        return std::nullopt;
    return row;
}

} // namespace

UnrequestedPagePaths unrequestedPagePaths(const RowList &unrequestedPages, std::string_view baseFolder,
                                          char sep, const EntryProbe &probe)
{
    UnrequestedPagePaths result;
    for (std::size_t i = 0; i < unrequestedPages.size(); ++i) {
        if (!unrequestedPages.isSelected(i))
            continue;
        const std::string &row = unrequestedPages.row(i);
        const std::optional<std::string> path = pageInBase(row, baseFolder, sep);
        const EntryKind kind = path ? probe(*path) : EntryKind::Missing;
        if (kind == EntryKind::File || kind == EntryKind::LinkToFile)
            result.paths.push_back(*path);
        else
            result.leftOut.push_back(row);
    }
    return result;
}

std::optional<std::string> folderToTrash(const std::vector<std::string> &folderRows, int highlighted,
                                         std::string_view baseFolder, char sep, const EntryProbe &probe)
{
    if (highlighted < 0 || static_cast<std::size_t>(highlighted) >= folderRows.size())
        return std::nullopt;
    const std::string &row = folderRows[static_cast<std::size_t>(highlighted)];
    if (!isBareName(row, sep))
        return std::nullopt;
    std::string path = joinPath(baseFolder, sep, row);
    if (probe(path) != EntryKind::Directory)
        return std::nullopt;
    return path;
}

namespace {

// `path` with every run of separators made one.
std::string oneSeparator(std::string_view path, char sep)
{
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        if (c == sep && !out.empty() && out.back() == sep)
            continue;
        out.push_back(c);
    }
    return out;
}

} // namespace

std::size_t removeMovedRows(RowList &unrequestedPages, const std::vector<std::string> &moved,
                            std::string_view baseFolder, char sep)
{
    if (moved.empty() || unrequestedPages.empty())
        return 0;
    std::vector<std::string> gone;
    gone.reserve(moved.size());
    for (const std::string &path : moved)
        gone.push_back(oneSeparator(path, sep));
    std::sort(gone.begin(), gone.end());
    const auto hasMoved = [&](const std::string &row) {
        const std::string path =
            oneSeparator(isBareName(row, sep) ? joinPath(baseFolder, sep, row) : row, sep);
        // The path itself, or a folder holding it, among the moved paths.
        for (std::size_t cut = path.size(); cut != std::string::npos && cut > 0;
             cut = path.rfind(sep, cut - 1)) {
            if (std::binary_search(gone.begin(), gone.end(), path.substr(0, cut)))
                return true;
        }
        return false;
    };
    return unrequestedPages.keepIf([&](const std::string &row) { return !hasMoved(row); });
}

} // namespace tavlori

#include "analysis/deletion.h"

#include "analysis/resolve.h"
#include "analysis/rowlist.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tavlori {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

RowList rowsWithSelection(const std::vector<std::pair<std::string, bool>> &rows)
{
    RowList list;
    for (const auto &[text, selected] : rows)
        list.append(text);
    for (std::size_t i = 0; i < rows.size(); ++i)
        list.setSelected(i, rows[i].second);
    return list;
}

// A probe that answers from a table; everything else is missing.
EntryProbe tableProbe(std::map<std::string, EntryKind> entries)
{
    return [entries = std::move(entries)](const std::string &path) {
        const auto it = entries.find(path);
        return it == entries.end() ? EntryKind::Missing : it->second;
    };
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("tavlori-deletion-" + std::to_string(random()));
        fs::create_directories(path_);
        path_ = fs::canonical(path_);
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path &path() const { return path_; }

private:
    fs::path path_;
};

void writeFile(const fs::path &path)
{
    std::ofstream(path) << "<html></html>";
}

TEST(SelectedPagePaths, JoinsTheSelectedRowsToThePageListFolder)
{
    struct Case {
        std::string dir;
        char sep;
        std::vector<std::pair<std::string, bool>> rows;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"D:\\web\\shop",
         '\\',
         {{"a.html", true}, {"b.html", false}, {"c.html", true}},
         {"D:\\web\\shop\\a.html", "D:\\web\\shop\\c.html"}},
        // A folder that already ends with the separator gets no second one.
        {"D:\\", '\\', {{"a.html", true}}, {"D:\\a.html"}},
        {"/srv/web", '/', {{"a.html", false}, {"b.htm", true}}, {"/srv/web/b.htm"}},
        {"/", '/', {{"a.html", true}}, {"/a.html"}},
        // Nothing selected: no path.
        {"D:\\web", '\\', {{"a.html", false}}, {}},
        {"D:\\web", '\\', {}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(selectedPagePaths(rowsWithSelection(c.rows), c.dir, c.sep), c.expected) << c.dir;
}

TEST(UnrequestedPagePaths, OffersOnlyPagesDirectlyInsideTheBaseFolder)
{
    const std::string base = "D:\\web\\shop";
    const EntryProbe probe = tableProbe({
        {"D:\\web\\shop\\a.html", EntryKind::File},
        {"D:\\web\\shop\\b.html", EntryKind::File},
        {"D:\\web\\shop\\http_guide.html", EntryKind::File},
        {"D:\\web\\shop\\linked.html", EntryKind::LinkToFile},
        {"D:\\web\\shop\\dir.html", EntryKind::Directory},
        {"D:\\web\\shop\\tolist.html", EntryKind::LinkToDirectory},
        {"D:\\web\\shop", EntryKind::Directory},
        {"D:\\web\\top.html", EntryKind::File},
        {"D:\\web\\shop\\list\\x.html", EntryKind::File},
    });
    const RowList rows = rowsWithSelection({
        {"D:\\web\\shop\\a.html", true},
        {"D:\\web\\shop\\b.html", false},      // not selected
        {"D:\\web\\shop", true},               // a "$" page resolves to the folder
        {"D:\\web\\top.html", true},           // outside the base folder
        {"D:\\web\\shop\\list\\x.html", true}, // in a subfolder
        {"http_guide.html", true},             // a bare name names a page of the base folder
        {"D:\\web\\shop\\linked.html", true},
        {"D:\\web\\shop\\dir.html", true},     // a folder
        {"D:\\web\\shop\\tolist.html", true},  // a link to a folder
        {"D:\\web\\shop\\gone.html", true},    // nothing there
        {"D:\\web\\shop\\..\\top.html", true}, // ".." is no page name
        {"D:\\web\\shopping\\a.html", true},   // only a prefix of the base folder
        {"#part.html", true},                  // missing bare name
    });
    const UnrequestedPagePaths list = unrequestedPagePaths(rows, base, '\\', probe);
    EXPECT_EQ(list.paths, (std::vector<std::string>{"D:\\web\\shop\\a.html", "D:\\web\\shop\\http_guide.html",
                                                    "D:\\web\\shop\\linked.html"}));
    EXPECT_EQ(list.leftOut,
              (std::vector<std::string>{"D:\\web\\shop", "D:\\web\\top.html", "D:\\web\\shop\\list\\x.html",
                                        "D:\\web\\shop\\dir.html", "D:\\web\\shop\\tolist.html",
                                        "D:\\web\\shop\\gone.html", "D:\\web\\shop\\..\\top.html",
                                        "D:\\web\\shopping\\a.html", "#part.html"}));
}

TEST(UnrequestedPagePaths, NoRowOrNoSelectionOffersNoPath)
{
    const EntryProbe probe = tableProbe({{"D:\\web\\a.html", EntryKind::File}});
    const UnrequestedPagePaths empty = unrequestedPagePaths(RowList(), "D:\\web", '\\', probe);
    EXPECT_TRUE(empty.paths.empty());
    EXPECT_TRUE(empty.leftOut.empty());

    const UnrequestedPagePaths none =
        unrequestedPagePaths(rowsWithSelection({{"D:\\web\\a.html", false}}), "D:\\web", '\\', probe);
    EXPECT_TRUE(none.paths.empty());
    EXPECT_TRUE(none.leftOut.empty());

    // At a drive root the rows hold two separators in a row, as resolution makes them.
    const UnrequestedPagePaths root =
        unrequestedPagePaths(rowsWithSelection({{"D:\\\\a.html", true}}), "D:\\", '\\',
                             tableProbe({{"D:\\\\a.html", EntryKind::File}}));
    EXPECT_EQ(root.paths, std::vector<std::string>{"D:\\\\a.html"});
}

// The rows come from real page names through real resolution, against a real
// site: a page name holding "$" resolves to the site folder, and on POSIX a
// name holding "\" climbs out of it. Neither may reach the trash.
TEST(UnrequestedPagePaths, RealSiteKeepsTheFolderAndOutsideFilesOutOfTheTrash)
{
    TempFolder temp;
    const fs::path site = temp.path() / "site";
    fs::create_directories(site / "sub");
    writeFile(temp.path() / "outside.html");
    writeFile(site / "a.html");
    writeFile(site / "price$1.html");
    writeFile(site / "..\\outside.html"); // one file whose name holds backslashes
    writeFile(site / "sub\\b.html");
    fs::create_directory_symlink(site / "sub", site / "folder.html");

    const std::string baseFolder = site.string();
    RowList unrequestedPages;
    for (const char *name : {"a.html", "price$1.html", "..\\outside.html", "sub\\b.html", "folder.html"})
        unrequestedPages.append(resolveLink(name, baseFolder, '/'));
    unrequestedPages.selectAll();
    ASSERT_EQ(unrequestedPages.row(1), baseFolder);
    ASSERT_EQ(unrequestedPages.row(2), temp.path().string() + "/outside.html");

    const UnrequestedPagePaths list = unrequestedPagePaths(unrequestedPages, baseFolder, '/');
    EXPECT_EQ(list.paths, std::vector<std::string>{baseFolder + "/a.html"});
    EXPECT_EQ(list.leftOut, (std::vector<std::string>{unrequestedPages.row(1), unrequestedPages.row(2),
                                                      unrequestedPages.row(3), unrequestedPages.row(4)}));
}

TEST(UnrequestedPagePaths, BaseFolderWithHashOffersNoneOfItsPages)
{
    TempFolder temp;
    const fs::path site = temp.path() / "no#1";
    fs::create_directories(site);
    writeFile(site / "a.html");
    writeFile(site / "b.html");
    const std::string baseFolder = site.string();
    RowList unrequestedPages;
    for (const char *name : {"a.html", "b.html"})
        unrequestedPages.append(resolveLink(name, baseFolder, '/'));
    unrequestedPages.selectAll();
    ASSERT_EQ(unrequestedPages.row(0), baseFolder);

    const UnrequestedPagePaths list = unrequestedPagePaths(unrequestedPages, baseFolder, '/');
    EXPECT_TRUE(list.paths.empty());
    EXPECT_EQ(list.leftOut.size(), 2u);
}

TEST(FolderToTrash, OnlyASubfolderOfTheBaseFolder)
{
    const EntryProbe probe = tableProbe({
        {"D:\\web\\old", EntryKind::Directory},
        {"D:\\\\old", EntryKind::Directory},
        {"D:\\web\\page.html", EntryKind::File},
    });
    const std::vector<std::string> rows = {"D:\\", "web", "old", "page.html", "missing"};
    struct Case {
        std::string baseFolder;
        int highlighted;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"D:\\web", 2, "D:\\web\\old"}, {"D:\\", 2, "D:\\\\old"}, // two separators in a row at a drive root
        {"D:\\web", 0, std::nullopt},                             // the drive row names no folder inside
        {"D:\\web", 1, std::nullopt},                             // no folder "web" inside D:\web
        {"D:\\web", 3, std::nullopt},                             // a file, not a folder
        {"D:\\web", 4, std::nullopt},   {"D:\\web", -1, std::nullopt}, // nothing highlighted
        {"D:\\web", 5, std::nullopt},                                  // past the rows
    };
    for (const Case &c : cases)
        EXPECT_EQ(folderToTrash(rows, c.highlighted, c.baseFolder, '\\', probe), c.expected)
            << c.baseFolder << " row " << c.highlighted;
    EXPECT_EQ(folderToTrash({}, 0, "D:\\web", '\\', probe), std::nullopt);
}

// On POSIX the root row "/" joined to the base folder names the base folder
// itself; such a row, "..", "." and a link to a folder never reach the trash.
TEST(FolderToTrash, RealFoldersOnlyTheSubfolder)
{
    TempFolder temp;
    const fs::path site = temp.path() / "site";
    fs::create_directories(site / "old");
    writeFile(site / "a.html");
    fs::create_directory_symlink(temp.path(), site / "up");
    const std::string baseFolder = site.string();
    const std::vector<std::string> rows = {
        "/", temp.path().filename().string(), "site", "..", ".", "old", "up", "a.html", ""};
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const std::optional<std::string> folder = folderToTrash(rows, i, baseFolder, '/');
        if (rows[static_cast<std::size_t>(i)] == "old")
            EXPECT_EQ(folder, baseFolder + "/old");
        else
            EXPECT_EQ(folder, std::nullopt) << "row " << rows[static_cast<std::size_t>(i)];
    }
}

TEST(ProbeEntry, TellsFilesFoldersAndLinksApart)
{
    TempFolder temp;
    const fs::path &t = temp.path();
    writeFile(t / "f");
    fs::create_directory(t / "d");
    fs::create_symlink(t / "f", t / "lf");
    fs::create_directory_symlink(t / "d", t / "ld");
    fs::create_symlink(t / "nowhere", t / "ln");
    const std::vector<std::pair<std::string, EntryKind>> cases = {
        {"f", EntryKind::File},        {"d", EntryKind::Directory},
        {"lf", EntryKind::LinkToFile}, {"ld", EntryKind::LinkToDirectory},
        {"ln", EntryKind::OtherLink},  {"missing", EntryKind::Missing},
    };
    for (const auto &[name, kind] : cases)
        EXPECT_EQ(probeEntry((t / name).string()), kind) << name;
}

// After the trash, a row leaves unrequestedPages when its file moved: the path
// itself, or a folder holding it; bare names are joined to the base folder;
// repeated separators (the root join "//a.html") count as one. The rows left
// keep their order and selection.
TEST(RemoveMovedRows, TakesTheRowsWhoseFilesMoved)
{
    struct Case {
        std::string baseFolder;
        char sep;
        std::vector<std::string> rows;
        std::vector<std::string> moved;
        std::vector<std::string> left;
    };
    const std::vector<Case> cases = {
        {"/w", '/', {"/w/a.html", "/w/b.html", "/w/ab.html"}, {"/w/a.html"}, {"/w/b.html", "/w/ab.html"}},
        {"/", '/', {"//a.html", "//b.html"}, {"/a.html"}, {"//b.html"}},
        {"/w", '/', {"a.html", "/w/old/x.html", "/w/older.html"}, {"/w/a.html", "/w/old"}, {"/w/older.html"}},
        {"D:\\w", '\\', {"D:\\w\\a.html", "D:\\w\\b.html"}, {"D:\\w\\b.html"}, {"D:\\w\\a.html"}},
        {"/w", '/', {"/w/a.html"}, {}, {"/w/a.html"}},
    };
    for (const Case &c : cases) {
        RowList list;
        for (const std::string &row : c.rows)
            list.append(row);
        list.selectAll();
        const std::size_t removed = removeMovedRows(list, c.moved, c.baseFolder, c.sep);
        EXPECT_EQ(list.rows(), c.left) << c.rows.front();
        EXPECT_EQ(removed, c.rows.size() - c.left.size());
        EXPECT_EQ(list.selectedCount(), c.left.size());
    }
}

TEST(IsBareName, RejectsSeparatorsDotsAndDrives)
{
    struct Case {
        std::string name;
        char sep;
        bool bare;
    };
    const std::vector<Case> cases = {
        {"a.html", '/', true},    {"a\\b.html", '/', true},  {"a\\b.html", '\\', false},
        {"a/b.html", '/', false}, {"a/b.html", '\\', false}, {"..", '/', false},
        {".", '\\', false},       {"", '/', false},          {"D:", '\\', false},
        {"...", '/', true},       {"#x.html", '/', true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isBareName(c.name, c.sep), c.bare) << c.name << " sep " << c.sep;
}

} // namespace
} // namespace tavlori

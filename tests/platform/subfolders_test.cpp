// The folder tree's subfolders, read from the folder's listing.
#include "platform/subfolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace tavlori::platform {
namespace {

class TempFolder {
public:
    TempFolder()
    {
        std::random_device seed;
        path_ = fs::temp_directory_path() / ("tavlori-subfolders-" + std::to_string(seed()));
        fs::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path &path() const { return path_; }

private:
    fs::path path_;
};

TEST(SubfolderNames, FoldersAndLinksToFoldersInCaseBlindOrder)
{
    TempFolder dir;
    for (const char *name : {"b", "A", "a", "_x", "Zeta", ".hidden", "page.html.d"})
        fs::create_directory(dir.path() / name);
    std::ofstream(dir.path() / "file.html") << "x";
    std::ofstream(dir.path() / "c") << "a file named like a folder";
    fs::create_directory_symlink(dir.path() / "b", dir.path() / "linked");
    fs::create_symlink(dir.path() / "file.html", dir.path() / "linkToFile");
    fs::create_symlink(dir.path() / "nowhere", dir.path() / "dangling");

    // Letters fold to lower case, so "_" (0x5F) comes before them.
    const std::vector<std::string> expected = {"_x", "A", "a", "b", "linked", "page.html.d", "Zeta"};
    EXPECT_EQ(subfolderNames(dir.path().string()), expected);
}

TEST(SubfolderNames, FolderThatCannotBeReadGivesNone)
{
    TempFolder dir;
    EXPECT_TRUE(subfolderNames((dir.path() / "gone").string()).empty());
    std::ofstream(dir.path() / "plain") << "x";
    EXPECT_TRUE(subfolderNames((dir.path() / "plain").string()).empty());
}

} // namespace
} // namespace tavlori::platform

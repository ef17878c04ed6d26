#include "analysis/listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tavlori::listPages;
using tavlori::matchesPageMask;
using tavlori::pageNameLess;

namespace {

TEST(MatchesPageMask, HtmAnywhereLetterCaseIgnored)
{
    const struct {
        const char *name;
        bool matches;
    } cases[] = {
        {"index.html", true},
        {"A.HTM", true},
        {"old.htm.bak", true},
        {"x.HtMl", true},
        {".htm", true},
        {"a..htm", true},
        {"page.htmx", true},
        {"a.b.htm", true},
        {"readme.txt", false},
        {"htm", false},
        {"a-htm", false},
        {"a.ht", false},
        {"a.hxm", false},
        {"a.h", false},
        {"a.", false},
        {"", false},
        {"\xE6\x97\xA5\xE6\x9C\xAC.htm", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(matchesPageMask(c.name), c.matches) << c.name;
}

TEST(PageNameLess, CaseBlindWithExactTieBreak)
{
    // Each name sorts before the next one.
    const std::vector<std::string> ordered = {
        "A.htm", "a.htm", "a.html", "a_b.htm", "B.htm", "b.html", "Z.htm", "z.htm",
        "\xE6\x97\xA5.htm",
    };
    for (std::size_t i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_TRUE(pageNameLess(ordered[i], ordered[i + 1])) << ordered[i] << " < " << ordered[i + 1];
        EXPECT_FALSE(pageNameLess(ordered[i + 1], ordered[i])) << ordered[i + 1] << " < " << ordered[i];
    }
    EXPECT_FALSE(pageNameLess("a.htm", "a.htm"));

    std::vector<std::string> shuffled = ordered;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    std::sort(shuffled.begin(), shuffled.end(),
              [](const std::string &a, const std::string &b) { return pageNameLess(a, b); });
    EXPECT_EQ(shuffled, ordered);
}

class TempFolder {
public:
    TempFolder()
    {
        std::random_device seed;
        path_ = fs::temp_directory_path() / ("tavlori-listing-" + std::to_string(seed()));
        fs::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path &path() const { return path_; }
    void file(const std::string &name) const { std::ofstream(path_ / name) << "x"; }

private:
    fs::path path_;
};

TEST(ListPages, ListsMatchingFilesOnlyInCaseBlindOrder)
{
    TempFolder dir;
    for (const char *name : {"b.html", "A.HTM", "a.htm", "old.htm.bak", "readme.txt", ".x.htm",
                             "Z.htm", "index.html"})
        dir.file(name);
    fs::create_directory(dir.path() / "dir.html");
    fs::create_directory(dir.path() / "target");
    fs::create_symlink(dir.path() / "target", dir.path() / "linkdir.htm");
    fs::create_symlink(dir.path() / "nowhere", dir.path() / "dangling.htm");
    fs::create_symlink(dir.path() / "a.htm", dir.path() / "link.htm");

    std::error_code error;
    const std::vector<std::string> names = listPages(dir.path().string(), error);
    EXPECT_FALSE(error) << error.message();
    const std::vector<std::string> expected = {"A.HTM", "a.htm", "b.html", "dangling.htm",
                                               "index.html", "link.htm", "old.htm.bak", "Z.htm"};
    EXPECT_EQ(names, expected);
}

TEST(ListPages, EmptyFolderGivesNoRows)
{
    TempFolder dir;
    dir.file("notes.txt");
    std::error_code error;
    EXPECT_TRUE(listPages(dir.path().string(), error).empty());
    EXPECT_FALSE(error);
}

TEST(ListPages, MissingFolderIsAnError)
{
    TempFolder dir;
    std::error_code error;
    EXPECT_TRUE(listPages((dir.path() / "gone").string(), error).empty());
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);

    dir.file("plain.htm");
    EXPECT_TRUE(listPages((dir.path() / "plain.htm").string(), error).empty());
    EXPECT_TRUE(error) << "a file is not a folder";
}

} // namespace

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
        "A.htm", "a.htm", "a.html", "a_b.htm", "B.htm", "b.html", "Z.htm", "z.htm", "\xE6\x97\xA5.htm",
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
    for (const char *name :
         {"b.html", "A.HTM", "a.htm", "old.htm.bak", "readme.txt", ".x.htm", "Z.htm", "index.html"})
        dir.file(name);
    fs::create_directory(dir.path() / "dir.html");
    fs::create_directory(dir.path() / "target");
    fs::create_symlink(dir.path() / "target", dir.path() / "linkdir.htm");
    fs::create_symlink(dir.path() / "nowhere", dir.path() / "dangling.htm");
    fs::create_symlink(dir.path() / "a.htm", dir.path() / "link.htm");

    std::error_code error;
    const std::vector<std::string> names = listPages(dir.path().string(), error);
    EXPECT_FALSE(error) << error.message();
    const std::vector<std::string> expected = {"A.HTM",      "a.htm",    "b.html",      "dangling.htm",
                                               "index.html", "link.htm", "old.htm.bak", "Z.htm"};
    EXPECT_EQ(names, expected);
}

TEST(ListPages, OrderOfTrickyNamesIsThePageNameOrder)
{
    // Names whose order turns on letter case against the bytes between "Z"
    // and "a", on one name starting another, on equal heads of eight bytes,
    // and on bytes above 0x7F (not all of them UTF-8).
    const std::vector<std::string> ordered = {
        "A.htm",
        "a.htm",
        "a.html",
        "A.HTML.bak",
        "A[.htm",
        "a_.htm",
        "A_b.htm",
        "ab.htm",
        "AB.HTM0",
        "aB.HTM0",
        "ab.htm0",
        "abcdefgh.htm",
        "ABCDEFGH.htmX",
        "abcdefgh.htmx",
        "abcdefgh.htmY",
        "abcdefgh1.htm",
        "B.htm",
        "z.htm",
        "~.htm",
        "\x7f.htm",
        "\xC3\x89.htm",
        "\xC3\xA9.htm",
        "\xE6\x97\xA5.htm",
        "\xFF.htm",
    };
    for (std::size_t i = 0; i + 1 < ordered.size(); ++i)
        EXPECT_TRUE(pageNameLess(ordered[i], ordered[i + 1])) << ordered[i] << " < " << ordered[i + 1];

    TempFolder dir;
    std::vector<std::string> shuffled = ordered;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(11));
    for (const std::string &name : shuffled)
        dir.file(name);
    std::error_code error;
    EXPECT_EQ(listPages(dir.path().string(), error), ordered);
    EXPECT_FALSE(error) << error.message();
}

TEST(ListPages, ManyNamesComeOutInPageNameOrder)
{
    // Random names from a small alphabet of letters in both cases and the
    // bytes that sort between them, so that many names are equal but for
    // case or length: the listing's order and set are those of sorting the
    // names with pageNameLess.
    const std::string alphabet = "aAbB_[0.";
    std::mt19937 random(5);
    std::vector<std::string> names;
    TempFolder dir;
    for (int i = 0; i < 600; ++i) {
        std::string name;
        const std::size_t length = random() % 10;
        for (std::size_t k = 0; k < length; ++k)
            name += alphabet[random() % alphabet.size()];
        name += (random() % 2) ? ".htm" : ".HTML";
        if (name.front() == '.' || std::find(names.begin(), names.end(), name) != names.end())
            continue;
        names.push_back(name);
        dir.file(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string &a, const std::string &b) { return pageNameLess(a, b); });
    std::error_code error;
    EXPECT_EQ(listPages(dir.path().string(), error), names);
    EXPECT_FALSE(error) << error.message();
}

TEST(ListPages, TicksWhileReadingALargeFolder)
{
    // Every entry read counts, pages or not: a large folder of other files
    // takes as long to read.
    TempFolder dir;
    const std::size_t entries = 2 * tavlori::kTickEntries + 10;
    for (std::size_t i = 0; i < entries; ++i)
        dir.file((i % 100 == 0 ? "p" : "n") + std::to_string(100000 + i) + (i % 100 == 0 ? ".htm" : ".txt"));
    std::size_t ticks = 0;
    std::error_code error;
    const std::vector<std::string> names = listPages(dir.path().string(), error, [&ticks] { ++ticks; });
    EXPECT_FALSE(error) << error.message();
    EXPECT_EQ(ticks, 2u);
    ASSERT_EQ(names.size(), (entries + 99) / 100);
    EXPECT_EQ(names.front(), "p100000.htm");
    EXPECT_EQ(names.back(), "p" + std::to_string(100000 + (entries - 1) / 100 * 100) + ".htm");
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

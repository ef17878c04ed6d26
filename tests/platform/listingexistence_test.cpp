// The answers from directory listings against stat's, over hostile trees made
// in the test: every combination of a few components (links to files and
// folders, dangling links, loops, ".." through links, files used as folders,
// names differing only in case or not UTF-8, FIFOs, long names, ".", "..",
// empty components) as absolute and relative paths, with and without a
// trailing separator; and, as a user that is not root, folders that can be
// read but not searched and searched but not read.
#include "platform/listingexistence.h"
#include "platform/pagefiles.h"
#include "platform/unusual_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavlori::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Reading = ListingExistence::Reading;

bool statSaysFile(const std::string &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string printable(std::string_view path)
{
    std::string out;
    for (const unsigned char c : path) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    if (out.size() > 300)
        out = out.substr(0, 140) + "..." + out.substr(out.size() - 140);
    return out;
}

// Every path made of `prefix` and one to `depth` of the components, with and
// without a trailing separator.
void combinations(const std::string &prefix, const std::vector<std::string> &components, int depth,
                  std::vector<std::string> &out)
{
    std::function<void(const std::string &, int)> grow = [&](const std::string &path, int left) {
        for (const std::string &component : components) {
            const std::string next =
                path.empty() || path.back() == '/' ? path + component : path + "/" + component;
            out.push_back(next);
            out.push_back(next + "/");
            if (left > 1)
                grow(next, left - 1);
        }
    };
    grow(prefix, depth);
}

// The questions whose answers differ from stat's, described (at most `limit`).
std::vector<std::string> differences(ListingExistence &cache, const std::vector<std::string> &paths,
                                     std::size_t limit = 20)
{
    std::vector<std::string> found;
    std::size_t count = 0;
    for (const std::string &path : paths) {
        // stat sees the path up to its first NUL, as the C string does.
        const bool expected = statSaysFile(std::string(path.c_str()));
        const bool answered = cache.isFile(path);
        if (expected != answered && count++ < limit)
            found.push_back(printable(path) + ": stat says " + (expected ? "file" : "no file"));
    }
    if (count > limit)
        found.push_back(std::to_string(count - limit) + " more");
    return found;
}

std::string join(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &line : lines)
        out += line + "\n";
    return out;
}

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tavlori-existence-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        // Others may search the tree, so that a child that is not root can.
        ASSERT_EQ(::chmod(root.c_str(), 0755), 0);
        before = fs::current_path();
    }
    void TearDown() override
    {
        fs::current_path(before);
        // Give the folders made without rights theirs back, so the tree can be removed.
        std::error_code error;
        for (const auto &entry : fs::directory_iterator(root, error))
            if (entry.is_directory(error) && !entry.is_symlink(error))
                ::chmod(entry.path().c_str(), 0755);
        fs::remove_all(root, error);
    }
    void file(const std::string &relative)
    {
        std::ofstream(root + "/" + relative) << "x";
        ASSERT_TRUE(fs::exists(root + "/" + relative)) << relative;
    }
    void folder(const std::string &relative)
    {
        ASSERT_TRUE(fs::create_directory(root + "/" + relative)) << relative;
    }
    void link(const std::string &relative, const std::string &body)
    {
        ASSERT_EQ(::symlink(body.c_str(), (root + "/" + relative).c_str()), 0) << relative;
    }

    std::string root;
    fs::path before;
};

// The tree of the first differential: no permissions in play.
class HostileTreeTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        if (HasFatalFailure())
            return;
        file("f");
        file("f.html");
        file("F.html");
        folder("d");
        file("d/f.html");
        file("d/g");
        link("d/lg", "g");
        folder("d/sub");
        file("d/sub/g");
        link("d/sub/up", "..");
        link("d/sub/top", "../..");
        folder("D");
        file("D/only-upper");
        test::makeFifo(root + "/fifo");
        test::makeSocket(root + "/sock");
        file("\xff\xfe.html");
        folder("\xe3\x81");
        file("\xe3\x81/f.html");
        file(std::string(255, 'n'));
        link("lf", "f.html");
        link("ld", "d");
        link("ldabs", root + "/d/sub");
        link("lsub", "d/sub"); // lsub/../g is d/g, while the text says g
        link("ldang", "nowhere/at/all");
        link("lloop1", "lloop2");
        link("lloop2", "lloop1");
        link("lself", "lself");
        link("lroot", "/");
        link("lslash", "d/");
        link("lslashf", "f.html/");
        link("ldot", ".");
        link("lfifo", "fifo");
        link("lfdir", "f.html/x");
        link("ldeep", "d/sub/top/d/sub/up");
        link("labove", "../../../../../../../..");
        link("lvia", "d/sub/top/lf"); // through two links to a third
        // c0 needs 41 links to reach f.html (one too many), c1 needs 40.
        for (int i = 0; i < 41; ++i)
            link("c" + std::to_string(i), i == 40 ? "f.html" : "c" + std::to_string(i + 1));
        // e0 takes 40 links to reach d, whose link lg is then one too many;
        // e1 takes 39.
        for (int i = 0; i < 40; ++i)
            link("e" + std::to_string(i), i == 39 ? "d" : "e" + std::to_string(i + 1));
    }

    const std::vector<std::string> components = {"f",
                                                 "f.html",
                                                 "F.html",
                                                 "F.HTML",
                                                 "d",
                                                 "D",
                                                 "sub",
                                                 "g",
                                                 "only-upper",
                                                 "fifo",
                                                 "sock",
                                                 "\xff\xfe.html",
                                                 "\xe3\x81",
                                                 std::string(255, 'n'),
                                                 std::string(256, 'n'),
                                                 "lf",
                                                 "ld",
                                                 "ldabs",
                                                 "lsub",
                                                 "ldang",
                                                 "lloop1",
                                                 "lself",
                                                 "lroot",
                                                 "lslash",
                                                 "lslashf",
                                                 "ldot",
                                                 "lfifo",
                                                 "lfdir",
                                                 "ldeep",
                                                 "labove",
                                                 "lvia",
                                                 "c0",
                                                 "c1",
                                                 "e0",
                                                 "e1",
                                                 "lg",
                                                 "up",
                                                 "top",
                                                 ".",
                                                 "..",
                                                 "",
                                                 "missing"};
};

TEST_F(HostileTreeTest, AnswersAsStatDoes)
{
    for (const Reading reading : {Reading::Listings, Reading::NamesOneByOne}) {
        SCOPED_TRACE(reading == Reading::Listings ? "listings" : "names one by one");
        ListingExistence cache(reading);

        std::vector<std::string> paths;
        combinations(root + "/", components, 3, paths);
        combinations("/.." + root + "/", components, 2, paths); // above the root
        combinations("", components, 3, paths);
        paths.insert(paths.end(),
                     {"", "/", "//", ".", "..", "/..", "/../..", root, root + "/", root + "//f",
                      root + "/./f", root + "///d//sub//g", "f"s + '\0' + "/x", root + "/f" + '\0' + "/x",
                      root + "/d" + '\0' + "f.html", root + "/lslash" + '\0', "\0"s});
        // Too long for the kernel, and one byte shorter.
        std::string longest = root + "/";
        while (longest.size() + 2 + 6 < PATH_MAX)
            longest += "./";
        longest += std::string(PATH_MAX - 1 - longest.size() - 6, '/') + "f.html";
        ASSERT_EQ(longest.size(), static_cast<std::size_t>(PATH_MAX - 1));
        paths.push_back(longest);
        paths.push_back("/" + longest);

        fs::current_path(root);
        cache.clear();
        EXPECT_EQ(join(differences(cache, paths)), "");

        // From a current directory below the tree's top.
        paths.clear();
        combinations("../", components, 3, paths);
        combinations("sub/", components, 2, paths);
        fs::current_path(root + "/d");
        cache.clear();
        EXPECT_EQ(join(differences(cache, paths)), "");
    }
}

// The page files answer a link pass's existence questions from listings kept
// for the pass: the same answers as isFile, and outside a pass, or in the
// next one, the file system as it is then.
TEST_F(HostileTreeTest, PageFilesAnswerTargetsAsIsFileDoes)
{
    PageFiles files;
    std::vector<std::string> paths;
    combinations(root + "/", components, 3, paths);
    combinations("", components, 2, paths);
    fs::current_path(root);
    files.beginPass();
    std::size_t differ = 0;
    for (const std::string &path : paths) {
        if (files.targetExists(path) != files.isFile(path) && differ++ < 20)
            ADD_FAILURE() << printable(path) << ": isFile says " << files.isFile(path);
    }
    const std::string added = root + "/d/added.html";
    EXPECT_FALSE(files.targetExists(added));
    file("d/added.html");
    EXPECT_FALSE(files.targetExists(added)); // kept for the pass
    files.endPass();
    EXPECT_TRUE(files.targetExists(added));
    ASSERT_EQ(::unlink(added.c_str()), 0);
    EXPECT_FALSE(files.targetExists(added));
    file("d/added.html");
    files.beginPass();
    EXPECT_TRUE(files.targetExists(added));
    files.endPass();
}

// Within a pass the listings read stay: changes show only after clear(), and
// asking again reads no folder and asks stat nothing.
TEST_F(HostileTreeTest, ListingsKeptUntilCleared)
{
    ListingExistence cache;
    const std::string added = root + "/d/added.html";
    const std::string removed = root + "/d/g";
    const std::string retargeted = root + "/lf";
    const std::vector<std::string> questions = {added, removed, retargeted, root + "/lsub/../g",
                                                root + "/ldeep/sub/g"};
    const std::vector<bool> first = {false, true, true, true, true};
    for (std::size_t i = 0; i < questions.size(); ++i)
        EXPECT_EQ(cache.isFile(questions[i]), first[i]) << questions[i];

    const ListingExistence::Counters read = cache.counters();
    file("d/added.html");
    ASSERT_EQ(::unlink(removed.c_str()), 0);
    ASSERT_EQ(::unlink(retargeted.c_str()), 0);
    link("lf", "d");
    for (std::size_t i = 0; i < questions.size(); ++i)
        EXPECT_EQ(cache.isFile(questions[i]), first[i]) << "same pass: " << questions[i];
    EXPECT_EQ(cache.counters().directoriesRead, read.directoriesRead);
    EXPECT_EQ(cache.counters().namesStated, read.namesStated);
    EXPECT_EQ(cache.counters().pathsStated, read.pathsStated);

    cache.clear();
    const std::vector<bool> after = {true, false, false, false, true};
    for (std::size_t i = 0; i < questions.size(); ++i)
        EXPECT_EQ(cache.isFile(questions[i]), after[i]) << "after clear(): " << questions[i];
    EXPECT_GT(cache.counters().directoriesRead, read.directoriesRead);
}

// Folders that can be read but not searched, searched but not read, neither,
// a sticky world-writable folder with a link in it, and links into each.
class PermissionTreeTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        if (HasFatalFailure())
            return;
        folder("open");
        file("open/a");
        for (const char *name : {"ronly", "xonly", "none"}) {
            folder(name);
            file(name + "/a"s);
            folder(name + "/sub"s);
            file(name + "/sub/a"s);
            link(name + "/la"s, "a");
            link(name + "/lup"s, "../open/a");
            link(name + "/lsub"s, "sub");
        }
        link("lr", "ronly");
        link("lx", "xonly");
        link("ln", "none");
        link("lxa", "xonly/sub/a");
        folder("sticky");
        link("sticky/ls", "../open/a");
        link("sticky/lx", "../xonly/sub");
        ASSERT_EQ(::chmod((root + "/sticky").c_str(), 01777), 0);
        ASSERT_EQ(::chmod((root + "/ronly").c_str(), 0444), 0);
        ASSERT_EQ(::chmod((root + "/xonly").c_str(), 0111), 0);
        ASSERT_EQ(::chmod((root + "/none").c_str(), 0), 0);
    }

    // The differential in this process, its differences as text.
    std::string run()
    {
        const std::vector<std::string> components = {"open", "ronly", "xonly", "none", "sticky", "a",  "sub",
                                                     "la",   "lup",   "lsub",  "lr",   "lx",     "ln", "lxa",
                                                     "ls",   ".",     "..",    "",     "missing"};
        std::string report;
        for (const Reading reading : {Reading::Listings, Reading::NamesOneByOne}) {
            ListingExistence cache(reading);
            std::vector<std::string> paths;
            combinations(root + "/", components, 3, paths);
            combinations("", components, 3, paths);
            if (::chdir(root.c_str()) != 0)
                return "cannot enter " + root;
            cache.clear();
            report += join(differences(cache, paths));

            // From a folder that can be searched but not read.
            paths.clear();
            combinations("", components, 2, paths);
            combinations("../", components, 2, paths);
            if (::chdir((root + "/xonly").c_str()) == 0) {
                cache.clear();
                report += join(differences(cache, paths));
            }
        }
        return report;
    }
};

TEST_F(PermissionTreeTest, AnswersAsStatDoesForUserNotRoot)
{
    if (::geteuid() != 0) {
        EXPECT_EQ(run(), "");
        return;
    }
    // As root every folder can be searched; the differential runs in a child
    // that becomes nobody, and tells its differences through a pipe.
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        const gid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0
            || ::geteuid() != nobody)
            ::_exit(77);
        const std::string report = run();
        std::size_t written = 0;
        while (written < report.size()) {
            const ssize_t n = ::write(channel[1], report.data() + written, report.size() - written);
            if (n <= 0)
                break;
            written += static_cast<std::size_t>(n);
        }
        ::_exit(report.empty() ? 0 : 1);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "cannot become the user nobody";
    EXPECT_EQ(report, "");
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace tavlori::platform

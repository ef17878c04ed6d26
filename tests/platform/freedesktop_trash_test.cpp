// Items in the freedesktop trash, read back the way
// a file manager restores: each .trashinfo Path, percent-decoded by GLib (and
// joined to $topdir in a volume's own trash), names the original path, and
// the item in files/ holds the original bytes. Names hold "%", spaces,
// Japanese and bytes that are not UTF-8.
#include <glib.h> // before Qt: GLib's headers and Qt's keyword macros

#include "platform/trash.h"

#include "platform/trash_fixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace tavlori::platform {
namespace {

namespace fs = std::filesystem;
using test::RecordingTrashUi;
using test::TrashFixture;

// The one table of names.
const std::vector<std::string> &trashNames()
{
    static const std::vector<std::string> names = {
        "a%41.html",      // restored as aA.html when Path is not encoded
        "100%.html",      // not restorable at all when Path is not encoded
        "%E3%81%82.html", // looks encoded already
        "two words here.html",
        "日本語のページ.html",
        "caf\xE9.html",           // Latin-1, not UTF-8
        "bad\xFF\xFE name%.html", // stray bytes, a space and "%"
    };
    return names;
}

std::string readAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeAll(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// The decoded Path of every record in `trashDir`/info, keyed by the name of
// its item in files/.
std::map<std::string, std::string> trashRecords(const fs::path &trashDir)
{
    std::map<std::string, std::string> records;
    std::error_code error;
    for (fs::directory_iterator it(trashDir / "info", error), end; !error && it != end; it.increment(error)) {
        const std::string file = it->path().filename().string();
        const std::string suffix = ".trashinfo";
        if (file.size() <= suffix.size()
            || file.compare(file.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        std::istringstream lines(readAll(it->path()));
        std::string line;
        std::string path;
        while (std::getline(lines, line)) {
            if (line.rfind("Path=", 0) == 0)
                path = line.substr(5);
        }
        // The record's value is the encoded text: plain ASCII.
        for (const unsigned char c : path)
            EXPECT_TRUE(c > 0x20 && c < 0x7F) << "unencoded byte in Path=" << path;
        char *decoded = g_uri_unescape_string(path.c_str(), nullptr);
        EXPECT_NE(decoded, nullptr) << path;
        records[file.substr(0, file.size() - suffix.size())] = decoded ? decoded : "";
        g_free(decoded);
    }
    return records;
}

class FreedesktopTrash : public TrashFixture {
protected:
    // Writes every name of the table into `folder`, each with its own bytes,
    // and moves them in one job. Returns the job's results.
    std::vector<TrashItemResult> trashAllIn(const fs::path &folder)
    {
        std::vector<std::string> paths;
        for (const std::string &name : trashNames()) {
            writeAll(folder / name, "content of " + name);
            paths.push_back((folder / name).string());
        }
        return moveToTrash(paths, &ui, {.confirm = false, .showProgress = true});
    }

    // Every name came back as its original path, with its original bytes.
    // Returns the items in files/ that came from `folder`.
    std::vector<std::string> expectRestorable(const fs::path &trashDir, const fs::path &folder,
                                              const std::string &topdir)
    {
        std::vector<std::string> items;
        std::map<std::string, std::string> restored; // original path -> bytes in files/
        for (const auto &[item, recorded] : trashRecords(trashDir)) {
            EXPECT_FALSE(recorded.empty());
            const std::string original = topdir.empty() ? recorded : topdir + "/" + recorded;
            // Records of other runs may stand in a volume's trash.
            if (original.rfind(folder.string() + "/", 0) != 0)
                continue;
            EXPECT_TRUE(topdir.empty() || recorded.front() != '/') << recorded;
            items.push_back(item);
            restored[original] = readAll(trashDir / "files" / item);
        }
        EXPECT_EQ(restored.size(), trashNames().size());
        for (const std::string &name : trashNames()) {
            const std::string original = (folder / name).string();
            EXPECT_EQ(restored.count(original), 1u) << "no record restores " << original;
            EXPECT_EQ(restored[original], "content of " + name) << original;
            EXPECT_FALSE(fs::exists(fs::symlink_status(folder / name))) << original;
        }
        return items;
    }

    RecordingTrashUi ui;
};

TEST_F(FreedesktopTrash, PathsAreRecordedEncodedAndItemsKeepTheirBytes)
{
    const std::vector<TrashItemResult> results = trashAllIn(site().toStdString());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(movedPaths(results).size(), trashNames().size());
    expectRestorable(trash().toStdString(), site().toStdString(), std::string());
    EXPECT_TRUE(siteEntries().isEmpty());
}

// GIO refuses system-internal mounts; the job fails, says so for every
// item, and nothing moves or is erased.
TEST_F(FreedesktopTrash, ASystemInternalMountMovesNothing)
{
    if (!fs::is_directory("/dev/shm") || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no writable /dev/shm";
    QTemporaryDir shm("/dev/shm/tavlori-test-XXXXXX");
    ASSERT_TRUE(shm.isValid());
    const fs::path folder = shm.path().toStdString();
    const std::vector<std::string> before = [] {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it("/dev/shm", error), end; !error && it != end; it.increment(error))
            names.push_back(it->path().filename().string());
        return names;
    }();

    const std::vector<TrashItemResult> results = trashAllIn(folder);

    EXPECT_TRUE(movedPaths(results).empty());
    ASSERT_EQ(results.size(), trashNames().size());
    ASSERT_EQ(ui.errors.size(), trashNames().size());
    for (std::size_t i = 0; i < trashNames().size(); ++i) {
        EXPECT_EQ(results[i].outcome, TrashOutcome::TrashUnavailable);
        EXPECT_EQ(ui.errors[i], results[i]);
        EXPECT_EQ(readAll(folder / trashNames()[i]), "content of " + trashNames()[i]);
    }
    EXPECT_FALSE(fs::exists(trash().toStdString() + "/files"));
    std::vector<std::string> after;
    std::error_code error;
    for (fs::directory_iterator it("/dev/shm", error), end; !error && it != end; it.increment(error))
        after.push_back(it->path().filename().string());
    EXPECT_EQ(after, before) << "no trash folder was made on the mount";
    fs::remove_all(folder); // names that are not UTF-8 are beyond QTemporaryDir
}

// A writable folder on an ordinary file system other than the one holding
// the home trash, or an empty path when the machine has none.
std::string folderOnAnotherVolume(dev_t homeDevice)
{
    static const std::vector<std::string> realTypes = {"ext2", "ext3",  "ext4",  "xfs",     "btrfs", "f2fs",
                                                       "vfat", "exfat", "ntfs3", "fuseblk", "jfs"};
    // Mount points GIO counts as the system's own, where it never trashes.
    static const std::vector<std::string> systemPaths = {
        "/",      "/bin",   "/boot", "/dev",       "/etc",  "/home",    "/lib",
        "/lib64", "/media", "/mnt",  "/opt",       "/root", "/run",     "/sbin",
        "/srv",   "/tmp",   "/usr",  "/usr/local", "/var",  "/var/tmp", "/var/log"};
    std::istringstream mounts(readAll("/proc/self/mounts"));
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, point, type, options;
        fields >> device >> point >> type >> options;
        if (std::find(realTypes.begin(), realTypes.end(), type) == realTypes.end()
            || std::find(systemPaths.begin(), systemPaths.end(), point) != systemPaths.end()
            || options.rfind("ro", 0) == 0 || point.rfind("/proc", 0) == 0 || point.rfind("/sys", 0) == 0)
            continue;
        struct stat info {};
        if (::stat(point.c_str(), &info) != 0 || info.st_dev == homeDevice
            || ::access(point.c_str(), W_OK) != 0)
            continue;
        return point;
    }
    return {};
}

TEST_F(FreedesktopTrash, AnotherVolumeUsesItsOwnTopdirTrash)
{
    struct stat home {};
    ASSERT_EQ(::stat(site().toStdString().c_str(), &home), 0);
    const std::string topdir = folderOnAnotherVolume(home.st_dev);
    if (topdir.empty())
        GTEST_SKIP() << "no second writable ordinary file system is mounted";
    const fs::path trashDir = fs::path(topdir) / (".Trash-" + std::to_string(::geteuid()));
    const bool trashExisted = fs::exists(trashDir);
    QTemporaryDir work(QString::fromStdString(topdir) + "/tavlori-test-XXXXXX");
    ASSERT_TRUE(work.isValid());
    const fs::path folder = work.path().toStdString();

    const std::vector<TrashItemResult> results = trashAllIn(folder);
    EXPECT_EQ(movedPaths(results).size(), trashNames().size())
        << (ui.errors.empty() ? std::string() : ui.errors.front().path + ": " + ui.errors.front().detail);
    // The test's own items leave the volume's trash again.
    for (const std::string &item : expectRestorable(trashDir, folder, topdir)) {
        fs::remove_all(trashDir / "files" / item);
        fs::remove(trashDir / "info" / (item + ".trashinfo"));
    }
    if (!trashExisted)
        fs::remove_all(trashDir);
    fs::remove_all(folder);
}

} // namespace
} // namespace tavlori::platform

#include "platform/pagefiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;
using tavlori::FileAccess;

namespace {

// Ends the test program (SIGALRM) instead of letting a blocking open hang it.
class HangGuard {
public:
    HangGuard() { ::alarm(30); }
    ~HangGuard() { ::alarm(0); }
};

// Both implementations answer every question alike.
class FileAccessTest : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        dir = fs::path(tmp.path().toStdString());
    }
    FileAccess &files()
    {
        return std::string(GetParam()) == "PageFiles"
                   ? static_cast<FileAccess &>(tavlori::platform::pageFiles())
                   : tavlori::standardFileAccess();
    }
    // A read into a buffer of its own.
    struct Read {
        bool ok = false;
        std::string bytes;
        tavlori::ReadFailure reason;
    };
    Read read(const std::string &path)
    {
        Read result;
        std::size_t length = 0;
        result.ok = files().readInto(path, result.bytes, length, result.reason);
        if (result.ok)
            result.bytes.resize(length);
        return result;
    }
    std::string write(const std::string &name, const std::string &bytes)
    {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    }

    QTemporaryDir tmp;
    fs::path dir;
};

TEST_P(FileAccessTest, ReadsWholeFile)
{
    std::string bytes(200000, 'x');
    bytes[0] = '\0';
    bytes[199999] = '\xFF';
    const std::string path = write("big.htm", bytes);
    const Read result = read(path);
    ASSERT_TRUE(result.ok) << result.reason.errorNumber;
    EXPECT_EQ(result.bytes, bytes);
    EXPECT_TRUE(files().isFile(path));

    const std::string empty = write("empty.htm", "");
    const Read none = read(empty);
    ASSERT_TRUE(none.ok) << none.reason.errorNumber;
    EXPECT_TRUE(none.bytes.empty());
}

// A page read again is compared with the bytes held; a file that cannot be
// read fails with readInto's reason.
TEST_P(FileAccessTest, SameBytesComparesTheWholeFile)
{
    std::string large(3 * 1048576 + 5, 'x');
    large[1048576] = '\0';
    std::string lastDiffers = large;
    lastDiffers.back() = 'y';
    const struct {
        std::string file;
        std::string held;
        bool same;
    } cases[] = {
        {"", "", true},
        {"abc", "abc", true},
        {"abc", "abd", false},
        {"abc", "ab", false},
        {"ab", "abc", false},
        {"", "a", false},
        {large, large, true},
        {large, lastDiffers, false},
        {large, large.substr(0, 1048576), false},
        {large.substr(0, 1048576), large, false},
    };
    for (const auto &c : cases) {
        const std::string path = write("again.htm", c.file);
        bool same = !c.same;
        tavlori::ReadFailure reason;
        ASSERT_TRUE(files().sameBytes(path, c.held, same, reason)) << reason.errorNumber;
        EXPECT_EQ(same, c.same) << c.file.size() << " against " << c.held.size();
    }
    const std::string gone = (dir / "gone.htm").string();
    std::string buffer;
    tavlori::ReadFailure readReason, reason;
    std::size_t length = 0;
    bool same = true;
    ASSERT_FALSE(files().readInto(gone, buffer, length, readReason));
    EXPECT_FALSE(files().sameBytes(gone, "", same, reason));
    EXPECT_EQ(reason, readReason);
    EXPECT_FALSE(files().sameBytes("/dev/zero", "", same, reason));
    EXPECT_EQ(reason, tavlori::ReadFailure::notRegularFile());
}

TEST_P(FileAccessTest, RelativePathAgainstCurrentDirectory)
{
    write("rel.htm", "relative");
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    const bool isFile = files().isFile("rel.htm");
    const Read result = read("rel.htm");
    fs::current_path(before);
    EXPECT_TRUE(isFile);
    EXPECT_TRUE(result.ok) << result.reason.errorNumber;
    EXPECT_EQ(result.bytes, "relative");
}

TEST_P(FileAccessTest, FifoIsRefusedWithoutBlocking)
{
    const std::string path = (dir / "x.htm").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    HangGuard guard;
    EXPECT_TRUE(files().isFile(path)) << "it exists and is no folder";
    const Read result = read(path);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, tavlori::ReadFailure::notRegularFile());
}

TEST_P(FileAccessTest, SocketIsRefused)
{
    const std::string path = (dir / "s.htm").string();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        GTEST_SKIP() << "temporary path too long for a socket: " << path;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    HangGuard guard;
    EXPECT_TRUE(files().isFile(path)) << "it exists and is no folder";
    const Read result = read(path);
    ::close(fd);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, tavlori::ReadFailure::notRegularFile());
}

TEST_P(FileAccessTest, DeviceIsRefusedUnopened)
{
    // Read as a file, /dev/zero would never end.
    HangGuard guard;
    EXPECT_TRUE(files().isFile("/dev/zero"));
    const Read result = read("/dev/zero");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, tavlori::ReadFailure::notRegularFile());
}

TEST_P(FileAccessTest, DirectoryIsNotAFile)
{
    fs::create_directory(dir / "dir.html");
    fs::create_directory(dir / "target");
    fs::create_directory_symlink(dir / "target", dir / "linkdir.htm");
    for (const char *name : {"dir.html", "linkdir.htm"}) {
        const std::string path = (dir / name).string();
        EXPECT_FALSE(files().isFile(path)) << name;
        const Read result = read(path);
        EXPECT_FALSE(result.ok) << name;
        EXPECT_EQ(result.reason, tavlori::ReadFailure::notRegularFile()) << name;
    }
}

TEST_P(FileAccessTest, SymbolicLinksAreFollowed)
{
    write("a.htm", "through the link");
    fs::create_symlink(dir / "a.htm", dir / "link.htm");
    fs::create_symlink(dir / "nowhere.htm", dir / "dangling.htm");

    EXPECT_TRUE(files().isFile((dir / "link.htm").string()));
    const Read linked = read((dir / "link.htm").string());
    ASSERT_TRUE(linked.ok) << linked.reason.errorNumber;
    EXPECT_EQ(linked.bytes, "through the link");

    EXPECT_FALSE(files().isFile((dir / "dangling.htm").string()));
    const Read dangling = read((dir / "dangling.htm").string());
    EXPECT_FALSE(dangling.ok);
    EXPECT_EQ(dangling.reason, tavlori::ReadFailure::system(ENOENT));
}

TEST_P(FileAccessTest, MissingFileGivesTheSystemReason)
{
    const std::string path = (dir / "missing.htm").string();
    EXPECT_FALSE(files().isFile(path));
    const Read result = read(path);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, tavlori::ReadFailure::system(ENOENT));
}

TEST_P(FileAccessTest, UnreadableFileGivesTheSystemReason)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: file permissions do not apply";
    const std::string path = write("locked.htm", "secret");
    fs::permissions(path, fs::perms::none);
    EXPECT_TRUE(files().isFile(path)) << "an unreadable file still exists";
    const Read result = read(path);
    fs::permissions(path, fs::perms::owner_all);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, tavlori::ReadFailure::system(EACCES));
}

// One buffer serves a whole run of reads, larger files before smaller ones
// and refusals in between: each read gives the file's bytes or its reason,
// with nothing of an earlier, longer file left in the bytes it reports.
TEST_P(FileAccessTest, OneBufferServesEveryRead)
{
    std::string big(200000, 'x');
    big[0] = '\0';
    big[199999] = '\xFF';
    const std::string bigPath = write("big.htm", big);
    const std::string smallPath = write("small.htm", "abc");
    const std::string emptyPath = write("empty.htm", "");
    const std::string growingPath = write("grows.htm", std::string(5000, 'g'));
    const std::string fifoPath = (dir / "fifo.htm").string();
    ASSERT_EQ(::mkfifo(fifoPath.c_str(), 0600), 0);
    fs::create_directory(dir / "dir.html");
    fs::create_symlink(dir / "nowhere.htm", dir / "dangling.htm");

    const tavlori::ReadFailure refused = tavlori::ReadFailure::notRegularFile();
    const tavlori::ReadFailure missing = tavlori::ReadFailure::system(ENOENT);
    const struct {
        std::string path;
        bool ok;
        std::string bytes;
        tavlori::ReadFailure reason;
    } reads[] = {
        {bigPath, true, big, {}},
        {smallPath, true, "abc", {}},
        {fifoPath, false, "", refused},
        {emptyPath, true, "", {}},
        {"/dev/zero", false, "", refused},
        {(dir / "dir.html").string(), false, "", refused},
        {growingPath, true, std::string(5000, 'g'), {}},
        {(dir / "dangling.htm").string(), false, "", missing},
        {(dir / "missing.htm").string(), false, "", missing},
        {smallPath, true, "abc", {}},
    };
    HangGuard guard;
    std::string buffer;
    for (const auto &r : reads) {
        std::size_t length = 12345;
        tavlori::ReadFailure reason;
        const bool ok = files().readInto(r.path, buffer, length, reason);
        ASSERT_EQ(ok, r.ok) << r.path;
        if (ok) {
            ASSERT_LE(length, buffer.size()) << r.path;
            EXPECT_EQ(buffer.substr(0, length), r.bytes) << r.path;
        } else {
            EXPECT_EQ(reason, r.reason) << r.path;
        }
    }

    // A file that grew since the last read is read to its new end.
    std::ofstream(growingPath, std::ios::binary | std::ios::app) << std::string(70000, 'h');
    std::size_t length = 0;
    tavlori::ReadFailure reason;
    ASSERT_TRUE(files().readInto(growingPath, buffer, length, reason)) << reason.errorNumber;
    EXPECT_EQ(buffer.substr(0, length), std::string(5000, 'g') + std::string(70000, 'h'));
}

INSTANTIATE_TEST_SUITE_P(Both, FileAccessTest, ::testing::Values("PageFiles", "standardFileAccess"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace

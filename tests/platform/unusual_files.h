#pragma once
// Entries that are no regular file, made for tests: a FIFO and a Unix socket.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavlori::test {

inline void makeFifo(const std::filesystem::path &path)
{
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
}

// A bound Unix socket left in its folder; the descriptor is closed, the entry stays.
inline void makeSocket(const std::filesystem::path &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.native().size(), sizeof address.sun_path) << "path too long for a socket: " << path;
    std::copy(path.native().begin(), path.native().end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    ::close(fd);
    ASSERT_EQ(bound, 0) << path;
}

} // namespace tavlori::test

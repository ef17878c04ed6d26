#include "platform/pagefiles.h"

#include "analysis/errors.h"
#include "platform/descriptor.h"
#include "platform/listingexistence.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlori::platform {

namespace {

// read(), started again when a signal interrupts it.
ssize_t readSome(int fd, char *data, std::size_t size)
{
    ssize_t n;
    do
        n = ::read(fd, data, size);
    while (n < 0 && errno == EINTR);
    return n;
}

} // namespace

bool PageFiles::isFile(const std::string &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

namespace {

// Opens a page as readInto and sameBytes read it: a device is refused before
// it is opened (opening one can act on it: a tape rewinds, a modem line
// hangs up), the opening never blocks, and what was opened must be a
// regular file. No descriptor, with the reason, when it fails.
Descriptor openPage(const std::string &path, struct stat &info, ReadFailure &reason)
{
    if (::stat(path.c_str(), &info) == 0 && (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))) {
        reason = ReadFailure::notRegularFile();
        return Descriptor();
    }
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        const int openError = errno;
        // A socket cannot be opened at all; it is refused as any other
        // file that is not regular.
        if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
            reason = ReadFailure::notRegularFile();
        else
            reason = ReadFailure::system(openError);
        return Descriptor();
    }
    if (::fstat(fd.get(), &info) != 0) {
        reason = ReadFailure::system(errno);
        return Descriptor();
    }
    if (!S_ISREG(info.st_mode)) {
        reason = ReadFailure::notRegularFile();
        return Descriptor();
    }
    return fd;
}

} // namespace

bool PageFiles::readInto(const std::string &path, std::string &buffer, std::size_t &length,
                         ReadFailure &reason)
{
    struct stat info;
    const Descriptor fd = openPage(path, info, reason);
    if (fd.get() < 0)
        return false;

    // The buffer only ever grows, so a page no larger than an earlier one is
    // read without touching the allocator or clearing memory. Room for one
    // byte past the size shows the end: a read that returns less than it was
    // asked for, after every byte the size promised, has met the end of the
    // file, so a page takes one read. A file that grew is read on to its
    // end; one that shrank, or shows no size (as some special file systems
    // do), is read until a read returns nothing.
    const std::size_t size = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    const std::size_t wanted = size > 0 ? size + 1 : 4096;
    if (buffer.size() < wanted)
        buffer.resize(wanted);
    std::size_t got = 0;
    for (;;) {
        if (got == buffer.size())
            buffer.resize(buffer.size() * 2);
        const std::size_t asked = buffer.size() - got;
        const ssize_t n = readSome(fd.get(), buffer.data() + got, asked);
        if (n < 0) {
            reason = ReadFailure::system(errno);
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
        if (size > 0 && static_cast<std::size_t>(n) < asked && got >= size)
            break;
    }
    length = got;
    return true;
}

bool PageFiles::sameBytes(const std::string &path, std::string_view bytes, bool &same, ReadFailure &reason)
{
    struct stat info;
    const Descriptor fd = openPage(path, info, reason);
    if (fd.get() < 0)
        return false;
    // Compared a piece at a time, so that a large page is not held twice.
    // Every byte is read even after a difference: a read that fails fails
    // the whole comparison, as it fails readInto.
    constexpr std::size_t kPiece = std::size_t(1) << 20;
    std::string piece(std::min(kPiece, bytes.size() + 1), '\0');
    std::size_t got = 0;
    same = true;
    for (;;) {
        const ssize_t n = readSome(fd.get(), piece.data(), piece.size());
        if (n < 0) {
            reason = ReadFailure::system(errno);
            return false;
        }
        if (n == 0)
            break;
        const std::string_view read(piece.data(), static_cast<std::size_t>(n));
        if (same && (got + read.size() > bytes.size() || bytes.substr(got, read.size()) != read))
            same = false;
        got += read.size();
    }
    if (got != bytes.size())
        same = false;
    return true;
}

PageFiles::PageFiles() = default;
PageFiles::~PageFiles() = default;

void PageFiles::beginPass()
{
    listings_ = std::make_unique<ListingExistence>();
}

void PageFiles::endPass()
{
    // The listings of a large site take memory worth giving back.
    listings_.reset();
}

bool PageFiles::targetExists(const std::string &path)
{
    return listings_ ? listings_->isFile(path) : isFile(path);
}

PageFiles &pageFiles()
{
    static PageFiles instance;
    return instance;
}

} // namespace tavlori::platform

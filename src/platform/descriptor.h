#pragma once
// An open file descriptor, closed on every way out of the scope that owns it.
#include <utility>

#include <unistd.h>

namespace tavlori::platform {

class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : fd_(fd)
    {
    }
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(Descriptor &&other) noexcept
        : fd_(std::exchange(other.fd_, -1))
    {
    }
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace tavlori::platform

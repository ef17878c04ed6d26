#include "analysis/fileaccess.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace tavlori {

namespace {

namespace fs = std::filesystem;

// Standard C++ cannot open a file without blocking on a FIFO, so the type is
// checked first and anything but a regular file is refused unopened. A path
// swapped for a FIFO between the check and the opening could still block;
// the platform layer's PageFiles closes that gap.
class StandardFileAccess final : public FileAccess {
public:
    bool isFile(const std::string &path) override
    {
        std::error_code error;
        const fs::file_type type = fs::status(path, error).type();
        return !error && type != fs::file_type::not_found && type != fs::file_type::directory;
    }

    bool readInto(const std::string &path, std::string &buffer, std::size_t &length,
                  ReadFailure &reason) override
    {
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (error) {
            reason = ReadFailure::system(error.value());
            return false;
        }
        if (status.type() != fs::file_type::regular) {
            reason = ReadFailure::notRegularFile();
            return false;
        }

        std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
        if (!file) {
            reason = ReadFailure::system(errno);
            return false;
        }

        // The buffer sized to the file; a file that shrank is cut to what was
        // read, one that grew is read on to its end.
        long size = 0;
        if (std::fseek(file.get(), 0, SEEK_END) == 0)
            size = std::ftell(file.get());
        std::rewind(file.get());
        const std::size_t expected = size > 0 ? static_cast<std::size_t>(size) : 0;
        if (buffer.size() < expected)
            buffer.resize(expected);
        std::size_t got = std::fread(buffer.data(), 1, expected, file.get());
        if (got == expected) {
            char chunk[16384];
            std::size_t more;
            while ((more = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
                if (buffer.size() < got + more)
                    buffer.resize(got + more);
                std::memcpy(buffer.data() + got, chunk, more);
                got += more;
            }
        }
        if (std::ferror(file.get())) {
            reason = ReadFailure::system(errno ? errno : EIO);
            return false;
        }
        length = got;
        return true;
    }
};

} // namespace

bool FileAccess::sameBytes(const std::string &path, std::string_view bytes, bool &same, ReadFailure &reason)
{
    std::string buffer;
    std::size_t length = 0;
    if (!readInto(path, buffer, length, reason))
        return false;
    same = std::string_view(buffer.data(), length) == bytes;
    return true;
}

FileAccess &standardFileAccess()
{
    static StandardFileAccess instance;
    return instance;
}

} // namespace tavlori

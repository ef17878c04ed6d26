#pragma once
// Page files as the program and the report read them: a path that is not a
// regular file is refused without ever blocking on it, and a file is read in
// one go into one buffer.
#include "analysis/fileaccess.h"

#include <memory>
#include <string>

namespace tavlori::platform {

class ListingExistence;

class PageFiles final : public FileAccess {
public:
    PageFiles();
    ~PageFiles() override;

    // stat() of the path (links followed) succeeds and names no folder.
    bool isFile(const std::string &path) override;
    // Reads into the caller's buffer: a device is refused unopened, any
    // other file is opened without blocking and refused after the opening
    // when it is not a regular file (opening a FIFO this way has no effect a
    // read would not have, and O_NOCTTY keeps a terminal from becoming the
    // controlling one).
    bool readInto(const std::string &path, std::string &buffer, std::size_t &length,
                  ReadFailure &reason) override;
    // Compares while reading a piece at a time, opening as readInto does.
    bool sameBytes(const std::string &path, std::string_view bytes, bool &same, ReadFailure &reason) override;
    // During a link pass, a target's existence comes from the listings of
    // its folders, each read once per pass (ListingExistence); outside a
    // pass, from stat. The answers are isFile's. One thread at a time.
    void beginPass() override;
    void endPass() override;
    bool targetExists(const std::string &path) override;

private:
    std::unique_ptr<ListingExistence> listings_; // during a pass
};

// The one instance the program and the report share.
PageFiles &pageFiles();

} // namespace tavlori::platform

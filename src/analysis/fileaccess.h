#pragma once
// Access to page files: whether a path names a file, a file's bytes, whether
// they are still the bytes read before, and the existence of link targets
// during a pass. Keeping these behind one interface lets the platform layer
// answer without blocking (FIFOs, devices) and from directory listings, and
// lets tests count or fake what is read.
#include "analysis/errors.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tavlori {

class FileAccess {
public:
    virtual ~FileAccess() = default;
    // True for anything that exists and is not a folder, as the page list
    // lists it; symbolic links are followed, so a link to a file counts and a
    // link that leads nowhere or to a folder does not. A FIFO, socket or
    // device counts (it exists) and then fails in readInto. A relative path is
    // looked up against the process's current directory.
    virtual bool isFile(const std::string &path) = 0;
    // Reads the whole file into `buffer`, which the caller keeps from one call
    // to the next: on success the bytes are the first `length` bytes of
    // `buffer` (whose size may be larger; what lies beyond is left over from
    // earlier calls). Never blocks on a path that is not a regular file: such
    // a path fails with ReadFailure::notRegularFile() in `reason` instead of
    // being read; any other failure gives the operating system's error number.
    virtual bool readInto(const std::string &path, std::string &buffer, std::size_t &length,
                          ReadFailure &reason) = 0;

    // Reads the file and tells whether its bytes are exactly `bytes` (a page
    // read again, to learn whether it changed). Fails as readInto does. The
    // default reads the whole file through readInto; an implementation
    // overrides it to compare a piece at a time, so that a large page is
    // not held twice.
    virtual bool sameBytes(const std::string &path, std::string_view bytes, bool &same, ReadFailure &reason);

    // A link pass begins: the files do not change until endPass(), so
    // targetExists may keep what it learns until then. Called on the thread
    // that asks targetExists.
    virtual void beginPass() {}
    // The link pass has ended (or stopped): what targetExists kept is dropped.
    virtual void endPass() {}
    // isFile for the link targets of a pass, asked on one thread only (the
    // registry's), many times over the same folders: an implementation may
    // answer from what it learnt since beginPass() instead of asking the file
    // system each time. The answers are isFile's. isFile itself stays safe
    // to call from another thread meanwhile.
    virtual bool targetExists(const std::string &path) { return isFile(path); }
};

// The implementation built on the C++ standard library alone.
FileAccess &standardFileAccess();

} // namespace tavlori

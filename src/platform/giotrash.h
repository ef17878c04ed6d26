#pragma once
// Moving one item to the freedesktop trash through GIO, the library the Linux
// desktops themselves trash with: it records the original path percent-encoded
// in the item's .trashinfo, uses $topdir/.Trash-$uid on other volumes, and
// works on the path's bytes, so names that are not UTF-8 are moved as well.
//
// This header names no GLib or Qt type (trash.h holds only standard C++), so
// that GLib's headers stay inside giotrash.cpp and never meet Qt's keyword
// macros.
#include "platform/trash.h"

#include <string>

namespace tavlori::platform::gio {

struct Result {
    // Moved, NotFound, PermissionDenied, or TrashUnavailable for every other
    // failure (a system-internal mount, no trash folder, ...).
    TrashOutcome outcome = TrashOutcome::Moved;
    std::string detail; // GLib's own message when the item was not moved
};

// Moves the item at `path` (bytes as the file system holds them, relative to
// the current directory or absolute) to the trash. Nothing is erased: on any
// failure the item stays where it is.
Result trash(const std::string &path);

} // namespace tavlori::platform::gio

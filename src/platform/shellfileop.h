#pragma once
// The shell's file operation for moving items to the trash, as the commands
// ask for it: a request record with a function code, a path list and flags.
//
// Items go to the real trash: on Linux through GIO (the freedesktop trash under
// $XDG_DATA_HOME/Trash or a volume's $topdir/.Trash-$uid, the original path
// recorded percent-encoded, names taken as bytes), elsewhere through
// QFile::moveToTrash (the recycle bin on Windows). Nothing is ever erased: a
// request without FOF_ALLOWUNDO is refused, and an item that cannot be moved
// stays where it is.
//
// The dialogs that a desktop shell shows on its own (confirmation, progress,
// errors) are asked of a ShellUi, the request's owner, so this layer needs no
// widgets.
#include "analysis/deletion.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavlori::platform {

inline constexpr unsigned FO_DELETE = 3;
inline constexpr std::uint16_t FOF_SILENT = 0x0004;
inline constexpr std::uint16_t FOF_NOCONFIRMATION = 0x0010;
inline constexpr std::uint16_t FOF_ALLOWUNDO = 0x0040;

// The dialogs of a trash request.
class ShellUi {
public:
    virtual ~ShellUi() = default;
    // A yes/no question before anything moves; true to go on.
    virtual bool confirm(const std::string &text) = 0;
    // Before item `done` (0-based) of `total`, and once more with done ==
    // total at the end. False cancels: the remaining items stay.
    virtual bool progress(std::size_t done, std::size_t total, const std::string &item) = 0;
    // An item could not be moved; the request goes on with the next one.
    virtual void error(const std::string &text) = 0;
};

// Why an item was not moved.
enum class TrashError : int {
    None = 0,
    NotFound = 1,         // nothing stands at the path
    PermissionDenied = 2, // the folder holding it may not be changed
    TrashUnavailable = 3, // no trash can take it (system-internal mount, no trash folder)
    Cancelled = 4,        // the user declined or cancelled
    UndoNotAllowed = 5,   // the request would erase instead of moving to the trash
    BadRequest = 6,       // a function other than FO_DELETE
};

struct TrashFailure {
    std::string path;
    TrashError error = TrashError::None;
    std::string text; // the error display's text
};

// The request record. `hwnd` owns the dialogs; without an owner no dialog
// can be asked, so a request that needs a confirmation moves nothing.
struct SHFILEOPSTRUCTW {
    ShellUi *hwnd = nullptr;
    unsigned wFunc = 0;
    std::string pFrom; // path list: every path followed by NUL, then NUL
    std::uint16_t fFlags = 0;
    // Filled in by SHFileOperation.
    bool fAnyOperationsAborted = false;
    std::vector<std::string> moved;      // paths moved, as given
    std::vector<TrashFailure> failures;  // paths not moved, with the reason
};

// Carries out the request. Returns 0 when every path was moved (also for a
// list without any path, which asks for nothing and moves nothing), otherwise
// the TrashError of the first failure as a number.
int SHFileOperation(SHFILEOPSTRUCTW &op);

// The texts of the dialogs.
std::string confirmationText(const std::vector<std::string> &paths);
std::string failureText(const std::string &path, TrashError error);
// The last component of a path, for the dialogs; the path itself when it has none.
std::string itemName(std::string_view path);

} // namespace tavlori::platform

#pragma once
// Moving items to the trash: a list of paths and options in, one result per
// path out, in the order given.
//
// Items go to the real trash: on Linux through GIO (the freedesktop trash under
// $XDG_DATA_HOME/Trash or a volume's $topdir/.Trash-$uid, the original path
// recorded percent-encoded, names taken as bytes), elsewhere through
// QFile::moveToTrash. Nothing is ever erased: an item that cannot be moved
// stays where it is.
//
// The dialogs a file manager shows while trashing (confirmation, progress,
// errors) are asked of a TrashUi, so this layer needs no widgets; it hands
// over the items and outcomes, and the window words them.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavlori::platform {

enum class TrashOutcome;

// The dialogs of a trash job.
class TrashUi {
public:
    virtual ~TrashUi() = default;
    // A yes/no question about moving `paths` before anything moves; true to go on.
    virtual bool confirm(const std::vector<std::string> &paths) = 0;
    // Before item `done` (0-based) of `total`, and once more with done ==
    // total at the end. False cancels: the remaining items stay.
    virtual bool progress(std::size_t done, std::size_t total, const std::string &item) = 0;
    // The item at `path` could not be moved; the job goes on with the next
    // one. `detail` is the trash's own words, where it gave any.
    virtual void error(const std::string &path, TrashOutcome outcome, const std::string &detail) = 0;
};

// What became of one item.
enum class TrashOutcome {
    Moved,
    NotFound,         // nothing stands at the path
    PermissionDenied, // the folder holding it may not be changed
    TrashUnavailable, // no trash can take it (system-internal mount, no trash folder)
    Cancelled,        // the user declined or cancelled
};

struct TrashItemResult {
    std::string path; // as given
    TrashOutcome outcome = TrashOutcome::Moved;
    // Where no trash takes the item: the trash's own words, when it gave any.
    std::string detail;

    bool operator==(const TrashItemResult &) const = default;
};

struct TrashOptions {
    // Ask before anything moves. Without a TrashUi no question can be asked,
    // so nothing moves then.
    bool confirm = true;
    // Report every item to TrashUi::progress, which may cancel.
    bool showProgress = true;
};

// Moves `paths` (relative ones start at the current directory) to the trash.
// An empty list asks nothing and moves nothing. A failed item is reported to
// `ui` (when given) and the job goes on with the next one; declining the
// confirmation or cancelling the progress leaves the remaining items
// Cancelled, without an error display.
std::vector<TrashItemResult> moveToTrash(const std::vector<std::string> &paths, TrashUi *ui,
                                         TrashOptions options = {});

// The paths of the items that went to the trash, in order.
std::vector<std::string> movedPaths(const std::vector<TrashItemResult> &results);

// The last component of a path, for the dialogs; the path itself when it has none.
std::string itemName(std::string_view path);

} // namespace tavlori::platform

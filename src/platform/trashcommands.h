#pragma once
// The three trash commands on the workspace, ready for the window's handlers:
// the window passes its TrashUi (the dialogs of the trash), shows the
// messages handed to it, and refreshes its views afterwards.
#include "analysis/workspace.h"
#include "platform/trash.h"

#include <functional>
#include <string>
#include <vector>

namespace tavlori::platform {

// A plain message dialog with one OK button; returns when it is closed.
// Told what "選択HTMLを削除" did: `moved` of the `offered` selected pages
// went to the trash; `offered` 0 when no page was selected.
using ShowMoved = std::function<void(std::size_t moved, std::size_t offered)>;

// What a command moved, for the lists to follow it.
struct MoveResult {
    std::vector<std::string> moved;   // the paths moved, as given to the trash
    std::vector<std::string> leftOut; // selected rows that were not offered to the trash
    bool countChanged = false;        // unrequestedCount got a new count
};

// After a command that moved at least one item (nothing happens otherwise):
// the page list is read again (with `keepSelection`, the rows that were
// selected and are still there stay selected; without it none is), the
// search column is emptied, since no search pass follows, and the rows of
// unrequestedPages whose files moved are removed, unrequestedCount then showing the new count.
// Throws CommandError when the page list cannot be read again.
void followMoves(Workspace &workspace, MoveResult &result, bool keepSelection);

// "選択HTMLを削除": moves the selected pages of the page list, without a
// confirmation, and tells `shown` how many moved of how many, before the
// lists follow. When any page moved, the lists follow (followMoves, no row
// selected afterwards).
MoveResult trashSelectedPages(Workspace &workspace, TrashUi *ui, const ShowMoved &shown);

// "不要なHTML削除" without the window's steps (pumping, repaint, beep): moves
// the selected rows of unrequestedPages that name a page of the base folder,
// with a confirmation and a progress display. `leftOut` gets the selected rows
// that were not offered (see unrequestedPagePaths). The lists do not follow
// by themselves.
MoveResult trashUnrequested(Workspace &workspace, TrashUi *ui);

// "フォルダの削除" without the window's part (the folder tree): moves the
// folder of the highlighted row of the folder tree (`folderRows`,
// `highlighted`, -1 for none) when it is a subfolder of the base folder, with
// a confirmation. The lists do not follow by themselves.
MoveResult trashFolder(Workspace &workspace, const std::vector<std::string> &folderRows, int highlighted,
                       TrashUi *ui);

} // namespace tavlori::platform

#pragma once
// The three trash commands on the workspace, ready for the window's handlers:
// the window passes its ShellUi (the dialogs of the trash request), shows the
// messages handed to it, and refreshes its views afterwards.
#include "analysis/workspace.h"
#include "platform/shellfileop.h"

#include <functional>
#include <string>
#include <vector>

namespace tavlori::platform {

// A plain message dialog with one OK button; returns when it is closed.
using ShowMessage = std::function<void(const std::string &text)>;

// True when the trash request for `FileListBuffer` (owner `mainWindow`,
// flags FOF_ALLOWUNDO + FOF_NOCONFIRMATION) reports success; false when it
// fails or when `FileListBuffer` is empty, which sends nothing.
bool moveToTrash(const std::string &FileListBuffer, ShellUi *mainWindow);

// What a request moved, for the lists to follow it.
struct MoveResult {
    std::vector<std::string> moved; // the paths moved, as sent
    bool listsChanged = false;      // the workspace's lists were brought up to date
    bool countChanged = false;      // unrequestedCount got a new count
};

// After a request that moved at least one item (nothing happens otherwise):
// the page list is read again (with `keepSelection`, the rows that were
// selected and are still there stay selected; without it none is), the
// search column is emptied, since no search pass follows, and the rows of
// unrequestedPages whose files moved are removed, unrequestedCount then showing the new count.
// Throws CommandError when the page list cannot be read again.
void followMoves(Workspace &workspace, MoveResult &result, bool keepSelection);

// "選択HTMLを削除": moves the selected pages of the page list. Shows
// "ファイルが選択されていません。" when none is selected; otherwise, after the
// request, "<n> 件のファイルをゴミ箱に移動しました。", or
// "ファイルの移動に失敗しました。" (followed by " (N 件中 M 件を移動しました)"
// when some of the N pages moved and some did not). When any page moved, the
// lists follow (followMoves, no row selected afterwards).
MoveResult trashSelectedPages(Workspace &workspace, ShellUi *mainWindow, const ShowMessage &message);

// "不要なHTML削除" without the window's steps (pumping, repaint, beep): moves
// the selected rows of unrequestedPages that name a page of the base folder, with a
// confirmation, and a progress display unless `Dlg` is false. Returns the
// selected rows that were left out of the request (see unrequestedPagesList);
// `moved`, when given, gets the paths that went to the trash.
std::vector<std::string> trashUnrequested(Workspace &workspace, bool Dlg, ShellUi *appWindow,
                                  std::vector<std::string> *moved = nullptr);

// "フォルダの削除" without the window's part (the directory list): moves the
// folder of the highlighted row of the directory list (`directoryRows`,
// `highlighted`, -1 for none) when it is a subfolder of the base folder, with
// a confirmation. Returns the paths moved.
std::vector<std::string> trashFolder(Workspace &workspace, const std::vector<std::string> &directoryRows,
                                 int highlighted, ShellUi *appWindow);

} // namespace tavlori::platform

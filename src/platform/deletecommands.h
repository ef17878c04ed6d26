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
bool MoveMultiToRecycleBin(const std::string &FileListBuffer, ShellUi *mainWindow);

// "選択HTMLを削除": moves the selected pages of the page list. Shows
// "ファイルが選択されていません。" when none is selected; otherwise, after the
// request, "<n> 件のファイルをゴミ箱に移動しました。" and reads the page list
// again, or "ファイルの移動に失敗しました。". Throws CommandError when the
// page list cannot be read again.
void BitBtn2Click(Workspace &workspace, ShellUi *mainWindow, const ShowMessage &message);

// "不要なHTML削除" without the window's steps (pumping, repaint, beep): moves
// the selected rows of ListBox3 that name a page of the base folder, with a
// confirmation, and a progress display unless `Dlg` is false. The answer is
// not examined; ListBox3 keeps its rows. Returns the selected rows that were
// left out of the request (see unrequestedPagesList).
std::vector<std::string> GOMIBAKO(Workspace &workspace, bool Dlg, ShellUi *appWindow);

// "フォルダの削除" without the rebuild of the directory list, which the window
// does afterwards in every case: moves the folder of the highlighted row of
// the directory list (`directoryRows`, `highlighted`, -1 for none) when it is
// a subfolder of the base folder, with a confirmation.
void N1Click(Workspace &workspace, const std::vector<std::string> &directoryRows, int highlighted,
             ShellUi *appWindow);

} // namespace tavlori::platform

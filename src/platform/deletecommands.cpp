#include "platform/deletecommands.h"

#include "analysis/deletion.h"

#include <optional>

namespace tavlori::platform {

namespace {

// Sends one trash request; the answer is returned for those who examine it.
int sendTrashRequest(std::string pathList, std::uint16_t flags, ShellUi *owner)
{
    SHFILEOPSTRUCTW op;
    op.hwnd = owner;
    op.wFunc = FO_DELETE;
    op.pFrom = std::move(pathList);
    op.fFlags = flags;
    return SHFileOperation(op);
}

} // namespace

bool MoveMultiToRecycleBin(const std::string &FileListBuffer, ShellUi *mainWindow)
{
    if (FileListBuffer.empty())
        return false;
    return sendTrashRequest(FileListBuffer, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, mainWindow) == 0;
}

void BitBtn2Click(Workspace &workspace, ShellUi *mainWindow, const ShowMessage &message)
{
    const SelectedPagesList list =
        selectedPagesList(workspace.FileListBox1, workspace.FileListDir, workspace.separator());
    if (list.SelectedCount == 0) {
        message("ファイルが選択されていません。");
        return;
    }
    if (!MoveMultiToRecycleBin(list.FileBuffer, mainWindow)) {
        message("ファイルの移動に失敗しました。");
        return;
    }
    message(std::to_string(list.SelectedCount) + " 件のファイルをゴミ箱に移動しました。");
    workspace.readPageList();
}

std::vector<std::string> GOMIBAKO(Workspace &workspace, bool Dlg, ShellUi *appWindow)
{
    std::optional<UnrequestedPagesList> list =
        unrequestedPagesList(workspace.ListBox3, workspace.KIJUNDIR, workspace.separator());
    if (!list)
        return {};
    std::uint16_t flags = FOF_ALLOWUNDO;
    if (!Dlg)
        flags |= FOF_SILENT;
    sendTrashRequest(std::move(list->FileNames), flags, appWindow);
    return std::move(list->leftOut);
}

void N1Click(Workspace &workspace, const std::vector<std::string> &directoryRows, int highlighted,
             ShellUi *appWindow)
{
    std::optional<std::string> list =
        folderList(directoryRows, highlighted, workspace.KIJUNDIR, workspace.separator());
    if (list)
        sendTrashRequest(std::move(*list), FOF_ALLOWUNDO, appWindow);
}

} // namespace tavlori::platform

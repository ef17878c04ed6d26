#include "platform/deletecommands.h"

#include "analysis/deletion.h"

#include <optional>
#include <unordered_set>

namespace tavlori::platform {

namespace {

// Sends one trash request; the answer is returned for those who examine it,
// and the paths moved are added to `moved` when it is given.
int sendTrashRequest(std::string pathList, std::uint16_t flags, ShellUi *owner,
                     std::vector<std::string> *moved = nullptr)
{
    SHFILEOPSTRUCTW op;
    op.hwnd = owner;
    op.wFunc = FO_DELETE;
    op.pFrom = std::move(pathList);
    op.fFlags = flags;
    const int result = SHFileOperation(op);
    if (moved)
        moved->insert(moved->end(), op.moved.begin(), op.moved.end());
    return result;
}

} // namespace

void followMoves(Workspace &workspace, MoveResult &result, bool keepSelection)
{
    if (result.moved.empty())
        return;
    std::unordered_set<std::string> selected;
    if (keepSelection) {
        const RowList &pages = workspace.pageList();
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (pages.isSelected(i))
                selected.insert(pages.row(i));
        }
    }
    result.listsChanged = true;
    // The search column's rows stood beside the old rows; no pass follows to
    // fill it again.
    workspace.clearSearchColumn();
    if (workspace.removeMovedUnrequested(result.moved) > 0)
        result.countChanged = true;
    workspace.readPageList();
    RowList &pages = workspace.pageList();
    for (std::size_t i = 0; i < pages.size() && !selected.empty(); ++i) {
        if (selected.count(pages.row(i)) != 0)
            pages.setSelected(i, true);
    }
}

bool moveToTrash(const std::string &FileListBuffer, ShellUi *mainWindow)
{
    if (FileListBuffer.empty())
        return false;
    return sendTrashRequest(FileListBuffer, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, mainWindow) == 0;
}

MoveResult trashSelectedPages(Workspace &workspace, ShellUi *mainWindow, const ShowMessage &message)
{
    MoveResult result;
    const SelectedPagesList list =
        selectedPagesList(workspace.pageList(), workspace.pageListFolder(), workspace.separator());
    if (list.SelectedCount == 0) {
        message("ファイルが選択されていません。");
        return result;
    }
    const bool succeeded =
        sendTrashRequest(list.FileBuffer, FOF_ALLOWUNDO | FOF_NOCONFIRMATION, mainWindow, &result.moved)
        == 0;
    if (succeeded) {
        message(std::to_string(list.SelectedCount) + " 件のファイルをゴミ箱に移動しました。");
    } else if (result.moved.empty()) {
        message("ファイルの移動に失敗しました。");
    } else {
        message("ファイルの移動に失敗しました。 (" + std::to_string(list.SelectedCount) + " 件中 "
                + std::to_string(result.moved.size()) + " 件を移動しました)");
    }
    followMoves(workspace, result, false);
    return result;
}

std::vector<std::string> trashUnrequested(Workspace &workspace, bool Dlg, ShellUi *appWindow,
                                  std::vector<std::string> *moved)
{
    std::optional<UnrequestedPagesList> list =
        unrequestedPagesList(workspace.unrequestedPages(), workspace.baseFolder(), workspace.separator());
    if (!list)
        return {};
    std::uint16_t flags = FOF_ALLOWUNDO;
    if (!Dlg)
        flags |= FOF_SILENT;
    sendTrashRequest(std::move(list->FileNames), flags, appWindow, moved);
    return std::move(list->leftOut);
}

std::vector<std::string> trashFolder(Workspace &workspace, const std::vector<std::string> &directoryRows,
                                 int highlighted, ShellUi *appWindow)
{
    std::vector<std::string> moved;
    std::optional<std::string> list =
        folderList(directoryRows, highlighted, workspace.baseFolder(), workspace.separator());
    if (list)
        sendTrashRequest(std::move(*list), FOF_ALLOWUNDO, appWindow, &moved);
    return moved;
}

} // namespace tavlori::platform

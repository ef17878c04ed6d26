#include "platform/trashcommands.h"

#include "analysis/deletion.h"

#include <optional>
#include <unordered_set>

namespace tavlori::platform {

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

MoveResult trashSelectedPages(Workspace &workspace, TrashUi *ui, const ShowMoved &shown)
{
    MoveResult result;
    const std::vector<std::string> paths =
        selectedPagePaths(workspace.pageList(), workspace.pageListFolder(), workspace.separator());
    if (paths.empty()) {
        shown(0, 0);
        return result;
    }
    result.moved = movedPaths(moveToTrash(paths, ui, {.confirm = false, .showProgress = true}));
    shown(result.moved.size(), paths.size());
    followMoves(workspace, result, false);
    return result;
}

MoveResult trashUnrequested(Workspace &workspace, TrashUi *ui)
{
    UnrequestedPagePaths pages =
        unrequestedPagePaths(workspace.unrequestedPages(), workspace.baseFolder(), workspace.separator());
    MoveResult result;
    result.moved = movedPaths(moveToTrash(pages.paths, ui, {.confirm = true, .showProgress = true}));
    result.leftOut = std::move(pages.leftOut);
    return result;
}

MoveResult trashFolder(Workspace &workspace, const std::vector<std::string> &folderRows, int highlighted,
                       TrashUi *ui)
{
    MoveResult result;
    const std::optional<std::string> folder =
        folderToTrash(folderRows, highlighted, workspace.baseFolder(), workspace.separator());
    if (folder)
        result.moved = movedPaths(moveToTrash({*folder}, ui, {.confirm = true, .showProgress = true}));
    return result;
}

} // namespace tavlori::platform

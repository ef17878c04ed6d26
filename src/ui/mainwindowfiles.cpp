#include "ui/mainwindow.h"

#include "platform/opener.h"
#include "platform/trashcommands.h"
#include "ui/dialogs.h"
#include "ui/foldertree.h"
#include "ui/texts.h"
#include "ui/trashdialogs.h"
#include "ui_mainwindow.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

#include <string>
#include <vector>

// The window's commands on files: moving pages and folders to the trash, and
// opening rows in the editor or with the desktop's default program.

namespace tavlori::ui {

void MainWindow::trashSelectedPages()
{
    runCommand([this] {
        TrashDialogs dialogs(this);
        const platform::MoveResult result = platform::trashSelectedPages(
            workspace_, &dialogs, [this](std::size_t moved, std::size_t offered) {
                ui::message(this, offered == 0 ? texts::noPageSelected() : texts::pagesMoved(moved, offered));
            });
        showMoves(result);
    });
}

void MainWindow::trashUnrequestedPages()
{
    runCommand([this] {
        TrashDialogs dialogs(this);
        // Rows that name no page of the base folder (the folder itself, a
        // file elsewhere) are not offered; the confirmation names what goes.
        platform::MoveResult result = platform::trashUnrequested(workspace_, &dialogs);
        // The window shows the progress window gone before the lists follow.
        processMessages();
        platform::followMoves(workspace_, result, true);
        showMoves(result);
        processMessages();
        ui_->unrequestedPages->repaint();
        processMessages();
        ui::beep();
    });
}

void MainWindow::trashFolder()
{
    runCommand([this] {
        FolderTree *folderTree = ui_->folderTree;
        std::vector<std::string> rows;
        rows.reserve(static_cast<std::size_t>(folderTree->count()));
        for (int row = 0; row < folderTree->count(); ++row)
            rows.push_back(folderTree->item(row)->text().toStdString());
        TrashDialogs dialogs(this);
        platform::MoveResult result =
            platform::trashFolder(workspace_, rows, folderTree->currentRow(), &dialogs);
        if (result.moved.empty())
            return;
        // The moved folder leaves the folder tree; the folder shown stays
        // the base folder, so no change of folder runs.
        folderTree->refreshRows();
        platform::followMoves(workspace_, result, true);
        showMoves(result);
    });
}

void MainWindow::openCurrentRow(QAbstractItemView *view, RowList &rows, void (*command)(Workspace &))
{
    runCommand([this, view, &rows, command] {
        // The row the user just clicked is the one the command reads.
        const int current = view->selectionModel()->currentIndex().row();
        rows.setCurrentIndex(current < static_cast<int>(rows.size()) ? current : -1);
        command(workspace_);
    });
}

void MainWindow::openBrokenLink(QAbstractItemView *view, void (*command)(Workspace &, const BrokenLink &))
{
    runCommand([this, view, command] {
        // The row the user just clicked is the one the command reads.
        const auto &broken = workspace_.brokenLinks();
        const int current = view->selectionModel()->currentIndex().row();
        command(workspace_, broken[platform::checkedRow(
                                current < static_cast<int>(broken.size()) ? current : -1, broken.size())]);
    });
}

void MainWindow::editPage()
{
    openCurrentRow(ui_->pageList, workspace_.pageList(), &platform::editPage);
}

void MainWindow::editBrokenLinkPage()
{
    openBrokenLink(ui_->brokenLinkPages, &platform::editBrokenLinkPage);
}

void MainWindow::openUnrequestedPage()
{
    openCurrentRow(ui_->unrequestedPages, workspace_.unrequestedPages(), &platform::openUnrequestedPage);
}

void MainWindow::openRequest()
{
    // Raised by searchColumn too: the row read is always the request list's.
    openCurrentRow(ui_->requestList, workspace_.requestList(), &platform::openRequest);
}

void MainWindow::openMissingTarget()
{
    openBrokenLink(ui_->missingTargets, &platform::openMissingTarget);
}

} // namespace tavlori::ui

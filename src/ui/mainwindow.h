#pragma once
// The main window: every control of the program, laid out as mainwindow.ui
// describes, the commands they run, and what the window makes of the
// engine's events (tavlori::EngineEvents). What the user does in a list view reaches the commands
// through ListViewEvents (listviewevents.h). The workspace's lists are shown through
// RowListModels; the engine changes them and the window catches the views up
// whenever it repaints.
#include "analysis/events.h"
#include "analysis/workspace.h"
#include "platform/trashcommands.h"
#include "ui/anchors.h"

#include <QElapsedTimer>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <exception>
#include <functional>
#include <memory>

class QAbstractItemView;
class QMenu;
class QAction;

namespace Ui {
class MainWindow;
}

namespace tavlori::ui {

class RowListModel;
class ResultColumnModel;

class MainWindow : public QWidget, public EngineEvents {
    Q_OBJECT
public:
    // The window on the process's working directory: the volume selector, the
    // folder tree and the page list start there.
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    Workspace &workspace() { return workspace_; }
    Ui::MainWindow &controls() { return *ui_; }
    QMenu *folderMenu() const { return folderMenu_; }
    QAction *trashFolderAction() const { return trashFolderAction_; }

    // The designed client size the layout is measured against, and where
    // the window first stands on the screen.
    static constexpr QSize kDesignedSize{1446, 873};
    static constexpr QPoint kDesignedPosition{247, 105};

    // Brings every view up to date with the workspace.
    void syncViews();

    // Processes pending window messages: the window repaints; the user's
    // input waits until the running command has ended. Virtual so that a
    // benchmark can time it.
    virtual void processMessages();

    // --- the engine's events ---
    // A missing page: a beep, then the missing-page dialog over the lists as
    // they stand.
    void pageMissing(const std::string &name) override;
    // The progress strip follows the pages and rows; listing a folder only
    // repaints.
    void progress(Phase phase, std::size_t done, std::size_t total) override;
    // Repaints where a command passes a step; an investigation ends with a beep.
    void reached(Step step) override;

public slots:
    void start();
    void enterFolder();
    void changeVolume();
    void showFolderMenu();
    void folderTreeLeft();
    void scrollUp();
    void scrollDown();
    void investigateLinks();
    void clearRequests();
    void trashSelectedPages();
    void trashUnrequestedPages();
    void trashFolder();
    void editPage();
    void editBrokenLinkPage();
    void openUnrequestedPage();
    void openRequest();
    void openMissingTarget();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    // Runs one command of the user: a failure (CommandError or any other
    // exception) ends it and is shown in the standard error dialog. A command
    // started inside another (the folder tree's change event fired while a
    // change of folder runs) hands its failure to the outer one, which stops
    // at once, so the dialog is shown once.
    void runCommand(const std::function<void()> &command);
    // Rethrows a failure that a nested command handed up.
    void rethrowNested();

private:
    struct Anchored {
        QWidget *widget;
        QRect designed;
        Anchors anchors;
        int minimumWidth;
    };
    void connectHandlers();
    void applyStyle();
    void showVolume();
    void endCommand();
    void reportFailure(const QString &message);
    // Moves the top row of `view` to `top`: the page list and the search
    // column follow each other.
    void followTopRow(QAbstractItemView *view, int top);
    // Shows what a trash request changed in the lists and the count field.
    void showMoves(const platform::MoveResult &result);
    // Runs an opening command on the row that `view` shows focused.
    void openCurrentRow(QAbstractItemView *view, RowList &rows, void (*command)(Workspace &));
    // Runs an opening command on the broken link that `view` shows focused.
    void openBrokenLink(QAbstractItemView *view, void (*command)(Workspace &, const BrokenLink &));
    // Shows the counts of the last investigation.
    void showCounts();
    // Scrolls every list to its first row (after a change of folder and an
    // investigation).
    void scrollListsToTop();

    std::unique_ptr<Ui::MainWindow> ui_;
    Workspace workspace_;
    QList<RowListModel *> models_;
    QList<ResultColumnModel *> columnModels_;
    RowListModel *pageListModel_ = nullptr;
    QMenu *folderMenu_ = nullptr;
    QAction *trashFolderAction_ = nullptr;
    QList<Anchored> anchored_;
    bool shown_ = false;
    QString startupError_;
    int depth_ = 0;                  // commands running, nested ones counted
    std::exception_ptr nestedError_; // failure of a nested command
    bool closeRequested_ = false;
    bool followingTopRow_ = false;
    QElapsedTimer progressClock_;
    // The progress strip repaints at most this often while a pass runs.
    static constexpr qint64 kProgressRepaintMs = 50;
    // When processMessages() last brought the lists up to date.
    QElapsedTimer listsClock_;
    static constexpr qint64 kListsCatchUpMs = 250;
};

} // namespace tavlori::ui

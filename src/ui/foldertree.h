#pragma once
// The folder tree: the root, the folders on the path down to one folder
// (its directory), that folder itself and its subfolders, one row each. One
// row is highlighted. A single click or the arrow keys only move the
// highlight; a double-click or Enter opens the highlighted row, that is enters
// its folder, makes it the process's current directory, rebuilds the rows and
// fires changed().
#include <QListWidget>
#include <QString>

#include <functional>

namespace tavlori::ui {

class FolderTree : public QListWidget {
    Q_OBJECT
public:
    explicit FolderTree(QWidget *parent = nullptr);

    // The folder shown, a full path as the system reports the current directory.
    QString directory() const { return directory_; }
    // Shows `directory` without entering it and without firing changed().
    void setDirectory(const QString &directory);

    // Full path of a row: the root, a folder on the path, the directory itself
    // or one of its subfolders.
    QString rowPath(int row) const;
    QString highlightedPath() const { return rowPath(currentRow()); }
    // The row of the directory itself.
    int directoryRow() const { return directoryRow_; }

    // Opens a row. The directory's own row does nothing and returns false.
    // Throws tavlori::CommandError (the folder and the system's error number)
    // when the folder cannot be entered; nothing changes then.
    bool openRow(int row);
    bool openHighlighted() { return openRow(currentRow()); }

    // Enters the root of volume `root` unless the directory already lies on
    // it; throws as openRow() does.
    bool enterVolume(const QString &root);
    // Which volume root a path lies on; set by the window to the volume
    // selector's answer.
    void setVolumeOf(std::function<QString(const QString &)> volumeOf);

    // Reads the subfolders again and fires changed().
    void rebuild();
    // Reads the subfolders again without firing changed(): the rows follow
    // the disk, the workspace is left as it is.
    void refreshRows();

signals:
    // The directory changed (entered or rebuilt).
    void changed();
    // A double-click of the left button anywhere in the list.
    void listDoubleClicked();
    // Any mouse button pressed over the list.
    void mousePressed();
    // The list lost the keyboard focus.
    void focusLeft();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void enter(const QString &path);
    void fillRows();
    // Opens the highlighted row and shows a failure in the standard error dialog.
    void openHighlightedReporting();

    QString directory_;
    int directoryRow_ = -1;
    int opened_ = 0; // attempts to open a row, to tell whether a handler opened one
    std::function<QString(const QString &)> volumeOf_;
};

} // namespace tavlori::ui

#include "ui/foldertree.h"

#include "analysis/workspace.h"
#include "platform/subfolders.h"
#include "ui/dialogs.h"
#include "ui/texts.h"
#include "ui/workingdirectory.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tavlori::ui {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kIndent = 8;

// Draws each row indented by its depth, so the path reads as a tree.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(option.rect.left() + index.data(kLevelRole).toInt() * kIndent);
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

} // namespace

FolderTree::FolderTree(QWidget *parent)
    : QListWidget(parent)
    , volumeOf_([](const QString &path) { return QStorageInfo(path).rootPath(); })
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::NoContextMenu);
    setItemDelegate(new IndentDelegate(this));
}

void FolderTree::setDirectory(const QString &directory)
{
    directory_ = directory;
    fillRows();
}

void FolderTree::setVolumeOf(std::function<QString(const QString &)> volumeOf)
{
    volumeOf_ = std::move(volumeOf);
}

QString FolderTree::rowPath(int row) const
{
    const QListWidgetItem *it = item(row);
    return it ? it->data(kPathRole).toString() : QString();
}

void FolderTree::fillRows()
{
    clear();
    const QIcon driveIcon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const auto add = [this](const QIcon &icon, const QString &text, const QString &path, int level) {
        auto *row = new QListWidgetItem(icon, text, this);
        row->setData(kPathRole, path);
        row->setData(kLevelRole, level);
    };

    // The root, then each folder on the path; the last of them is the directory.
    add(driveIcon, QStringLiteral("/"), QStringLiteral("/"), 0);
    const QStringList parts = directory_.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path;
    for (int i = 0; i < parts.size(); ++i) {
        path += QLatin1Char('/') + parts.at(i);
        add(openIcon, parts.at(i), path, i + 1);
    }
    directoryRow_ = static_cast<int>(parts.size());

    const QString prefix = directory_.endsWith(QLatin1Char('/')) ? directory_ : directory_ + QLatin1Char('/');
    for (const std::string &name : platform::subfolderNames(directory_.toStdString())) {
        const QString text = QString::fromStdString(name);
        add(closedIcon, text, prefix + text, directoryRow_ + 1);
    }
    setCurrentRow(directoryRow_);
}

void FolderTree::enter(const QString &path)
{
    QString entered;
    if (std::optional<Failure> failure = enterWorkingDirectory(path, &entered))
        throw CommandError(std::move(*failure));
    directory_ = entered;
    fillRows();
    emit changed();
}

bool FolderTree::openRow(int row)
{
    ++opened_;
    const QString path = rowPath(row);
    if (path.isEmpty() || row == directoryRow_ || path == directory_)
        return false;
    enter(path);
    return true;
}

bool FolderTree::enterVolume(const QString &root)
{
    if (volumeOf_(directory_) == root)
        return false;
    enter(root);
    return true;
}

void FolderTree::rebuild()
{
    fillRows();
    emit changed();
}

void FolderTree::refreshRows()
{
    fillRows();
}

void FolderTree::openHighlightedReporting()
{
    try {
        openHighlighted();
    } catch (const CommandError &e) {
        standardError(this, texts::failure(e.failure()));
    }
}

void FolderTree::mousePressEvent(QMouseEvent *event)
{
    // The left button moves the highlight as a list does. A right-click
    // highlights the row under the pointer, without entering it, so that the
    // context menu's command acts on the folder the user pointed at.
    if (event->button() == Qt::LeftButton) {
        QListWidget::mousePressEvent(event);
    } else if (event->button() == Qt::RightButton) {
        const int row = indexAt(event->position().toPoint()).row();
        if (row >= 0)
            setCurrentRow(row);
    }
    emit mousePressed();
}

void FolderTree::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit mousePressed();
    if (event->button() != Qt::LeftButton)
        return;
    const int before = opened_;
    emit listDoubleClicked();
    // The list opens its highlighted row itself, unless the double-click's
    // handler already did (it leaves the directory's own row highlighted, or
    // has just reported that the folder cannot be entered).
    if (opened_ == before)
        openHighlightedReporting();
}

void FolderTree::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openHighlightedReporting();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderTree::focusOutEvent(QFocusEvent *event)
{
    QListWidget::focusOutEvent(event);
    // A popup (the list's own context menu) takes the focus only for a while.
    if (event->reason() != Qt::PopupFocusReason)
        emit focusLeft();
}

} // namespace tavlori::ui

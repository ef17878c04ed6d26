#include "ui/rowlistmodel.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSize>

#include <utility>

namespace tavlori::ui {

RowListModel::RowListModel(RowList &rows, QObject *parent)
    : QAbstractListModel(parent)
    , rows_(rows)
    , shown_(static_cast<int>(rows.size()))
    , resetRevision_(rows.resetRevision())
    , selectionRevision_(rows.selectionRevision())
{
}

void RowListModel::attach(QAbstractItemView *view)
{
    view_ = view;
    view->setModel(this);
    QItemSelectionModel *selection = view->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &RowListModel::onSelectionChanged);
    connect(selection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { onCurrentChanged(current); });
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { rows_.setTopIndex(value); });
    pushSelection();
    pushCurrent();
}

int RowListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : shown_;
}

QVariant RowListModel::data(const QModelIndex &index, int role) const
{
    const int row = index.row();
    // The RowList may already have lost rows the view still counts until the
    // next sync(): such a row draws as nothing.
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromUtf8(rows_.row(row));
    case Qt::SizeHintRole:
        return QSize(1, kRowHeight);
    default:
        return {};
    }
}

void RowListModel::sync()
{
    const int size = static_cast<int>(rows_.size());
    bool reset = false;
    if (rows_.resetRevision() != resetRevision_ || size < shown_) {
        pushing_ = true;
        beginResetModel();
        shown_ = size;
        resetRevision_ = rows_.resetRevision();
        endResetModel();
        pushing_ = false;
        reset = true;
    } else if (size > shown_) {
        pushing_ = true;
        beginInsertRows(QModelIndex(), shown_, size - 1);
        shown_ = size;
        endInsertRows();
        pushing_ = false;
    }
    if (reset || rows_.selectionRevision() != selectionRevision_)
        pushSelection();
    pushCurrent();
    if (reset && view_) {
        // A reset view stands at the top, as a reset RowList does.
        view_->verticalScrollBar()->setValue(0);
    }
}

void RowListModel::scrollToTop()
{
    if (!view_) {
        rows_.setTopIndex(0);
        return;
    }
    QScrollBar *bar = view_->verticalScrollBar();
    bar->setValue(0);
    rows_.setTopIndex(bar->value());
}

int RowListModel::topRow() const
{
    return view_ ? view_->verticalScrollBar()->value() : rows_.topIndex();
}

void RowListModel::requestTopRow(int row)
{
    if (!view_ || row == topRow() || row < 0 || row >= shown_)
        return;
    // The scroll bar's range follows the rows only after the view has laid
    // them out; lay out now so the range is the one for the rows shown.
    view_->doItemsLayout();
    view_->verticalScrollBar()->setValue(row);
    rows_.setTopIndex(view_->verticalScrollBar()->value());
}

void RowListModel::pushSelection()
{
    selectionRevision_ = rows_.selectionRevision();
    if (!view_)
        return;
    // One range per run of selected rows, so selecting everything is one range.
    QItemSelection selection;
    const int size = shown_;
    int row = 0;
    while (row < size) {
        if (!rows_.isSelected(static_cast<std::size_t>(row))) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < size && rows_.isSelected(static_cast<std::size_t>(row)))
            ++row;
        selection.select(index(first), index(row - 1));
    }
    pushing_ = true;
    view_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    pushing_ = false;
}

void RowListModel::pushCurrent()
{
    if (!view_)
        return;
    const int wanted = rows_.currentIndex() < shown_ ? rows_.currentIndex() : -1;
    QItemSelectionModel *selection = view_->selectionModel();
    if (selection->currentIndex().row() == wanted)
        return;
    pushing_ = true;
    selection->setCurrentIndex(wanted < 0 ? QModelIndex() : index(wanted), QItemSelectionModel::NoUpdate);
    pushing_ = false;
}

void RowListModel::onSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    if (pushing_)
        return;
    const auto write = [this](const QItemSelection &ranges, bool on) {
        for (const QItemSelectionRange &range : ranges) {
            const int last = qMin(range.bottom(), static_cast<int>(rows_.size()) - 1);
            for (int row = range.top(); row <= last; ++row)
                rows_.setSelected(static_cast<std::size_t>(row), on);
        }
    };
    write(deselected, false);
    write(selected, true);
    // The RowList now holds what the view shows; nothing to push back.
    selectionRevision_ = rows_.selectionRevision();
}

void RowListModel::onCurrentChanged(const QModelIndex &current)
{
    if (pushing_)
        return;
    rows_.setCurrentIndex(current.isValid() ? current.row() : -1);
}

// --- ResultColumnModel ------------------------------------------------------

ResultColumnModel::ResultColumnModel(Source source, QObject *parent)
    : QAbstractListModel(parent)
    , source_(std::move(source))
    , shown_(static_cast<int>(source_.size()))
    , resetRevision_(source_.resetRevision())
{
}

void ResultColumnModel::attach(QAbstractItemView *view)
{
    view_ = view;
    view->setModel(this);
}

int ResultColumnModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : shown_;
}

QVariant ResultColumnModel::data(const QModelIndex &index, int role) const
{
    const int row = index.row();
    // The list may already have lost rows the view still counts until the
    // next sync(): such a row draws as nothing.
    if (row < 0 || static_cast<std::size_t>(row) >= source_.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return source_.text(static_cast<std::size_t>(row));
    case Qt::SizeHintRole:
        return QSize(1, RowListModel::kRowHeight);
    default:
        return {};
    }
}

void ResultColumnModel::sync()
{
    const int size = static_cast<int>(source_.size());
    const bool hadRows = shown_ > 0;
    bool reset = false;
    if (source_.resetRevision() != resetRevision_ || size < shown_) {
        beginResetModel();
        shown_ = size;
        resetRevision_ = source_.resetRevision();
        endResetModel();
        reset = true;
    } else if (size > shown_) {
        beginInsertRows(QModelIndex(), shown_, size - 1);
        shown_ = size;
        endInsertRows();
    }
    if (!view_)
        return;
    // The first rows to appear make the first row the focused one.
    QItemSelectionModel *selection = view_->selectionModel();
    if (shown_ > 0 && (reset || !hadRows) && !selection->currentIndex().isValid())
        selection->setCurrentIndex(index(0), QItemSelectionModel::NoUpdate);
    if (reset)
        view_->verticalScrollBar()->setValue(0);
}

void ResultColumnModel::scrollToTop()
{
    if (view_)
        view_->verticalScrollBar()->setValue(0);
}

} // namespace tavlori::ui

#pragma once
// List views' models over the workspace's lists. A model copies no rows:
// data() converts the one row the view asks for. The engine changes a list
// without telling anybody; sync() catches the view up with what the list's
// revision counters say happened (reset, rows appended, selection set).
#include "analysis/rowlist.h"

#include <QAbstractListModel>
#include <QPointer>

#include <cstdint>
#include <functional>

class QAbstractItemView;
class QItemSelection;
class QModelIndex;

namespace tavlori::ui {

// A model over a RowList. What the user does in the view (selection,
// focused row, scrolling) is written back into the RowList at once.
class RowListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Rows are drawn this many pixels high.
    static constexpr int kRowHeight = 12;

    explicit RowListModel(RowList &rows, QObject *parent = nullptr);

    RowList &rows() { return rows_; }

    // Shows the model in `view` and ties the view's selection, focused row and
    // scroll position to the RowList.
    void attach(QAbstractItemView *view);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // Brings the view up to date with the RowList.
    void sync();

    // Scrolls the view to its first row.
    void scrollToTop();

    // The first visible row, as the view's scroll bar stands.
    int topRow() const;
    // Asks the list to show `row` at the top. A value equal to the current one
    // changes nothing; a value below 0 or past the last row is refused; the
    // list scrolls no further than to show its last row at the bottom.
    void requestTopRow(int row);

private:
    void pushSelection();
    void pushCurrent();
    void onSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void onCurrentChanged(const QModelIndex &current);

    RowList &rows_;
    QPointer<QAbstractItemView> view_;
    int shown_ = 0; // rows the view has been told about
    std::uint64_t resetRevision_ = 0;
    std::uint64_t selectionRevision_ = 0;
    bool pushing_ = false; // set while the model itself changes the view
};

// A model over one column of a typed result list (ResultList): the window
// decides each row's text. Its view keeps its own selection; as on a RowList,
// the first row becomes the focused row when rows appear.
class ResultColumnModel : public QAbstractListModel {
    Q_OBJECT
public:
    struct Source {
        std::function<std::size_t()> size;
        std::function<std::uint64_t()> resetRevision;
        std::function<QString(std::size_t)> text;
    };

    explicit ResultColumnModel(Source source, QObject *parent = nullptr);

    // Shows the model in `view`.
    void attach(QAbstractItemView *view);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // Brings the view up to date with the list.
    void sync();
    // Scrolls the view to its first row.
    void scrollToTop();

private:
    Source source_;
    QPointer<QAbstractItemView> view_;
    int shown_ = 0;
    std::uint64_t resetRevision_ = 0;
};

// A result list's column for ResultColumnModel.
template <typename List, typename Text>
ResultColumnModel::Source resultColumn(const List &list, Text text)
{
    return {[&list] { return list.size(); }, [&list] { return list.resetRevision(); },
            [&list, text](std::size_t i) { return text(list[i]); }};
}

} // namespace tavlori::ui

#pragma once
// A list view's model over one of the workspace's RowLists. The model copies
// no rows: data() converts the one row the view asks for. The engine changes
// a RowList without telling anybody; sync() catches the view up with what the
// list's revision counters say happened (reset, rows appended, selection set,
// scroll to the top). What the user does in the view (selection, focused row,
// scrolling) is written back into the RowList at once.
#include "analysis/rowlist.h"

#include <QAbstractListModel>
#include <QPointer>

#include <cstdint>

class QAbstractItemView;
class QItemSelection;
class QModelIndex;

namespace tavlori::ui {

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
    std::uint64_t scrollRevision_ = 0;
    bool pushing_ = false; // set while the model itself changes the view
};

} // namespace tavlori::ui

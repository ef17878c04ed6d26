#pragma once
// A list of text rows shown in a list view: the rows with selected flags, a
// current row and a top row. Views read the rows in place; the revision counters tell a
// view what changed since it last looked, so it never copies the list.
#include <cstdint>
#include <string>
#include <vector>

namespace tavlori {

class RowList {
public:
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const std::string &row(std::size_t i) const { return rows_[i]; }
    const std::vector<std::string> &rows() const { return rows_; }

    // Empties the list.
    void clear();
    // Appends one row, not selected.
    void append(std::string row);
    // Replaces every row; none is selected, current -1, top 0.
    void assign(std::vector<std::string> rows);
    // Keeps only the rows for which `keep` is true, in order, each with its
    // selected flag; the current row follows its row (the first row when it
    // went), top 0. Returns the number of rows removed.
    template <typename Keep>
    std::size_t keepIf(Keep keep);

    bool isSelected(std::size_t i) const { return selected_[i] != 0; }
    void setSelected(std::size_t i, bool on);
    void selectAll();
    std::size_t selectedCount() const;

    // Focused row, -1 when there is none.
    int currentIndex() const { return current_; }
    void setCurrentIndex(int i) { current_ = i; }

    // First visible row, as the view reports it.
    int topIndex() const { return top_; }
    void setTopIndex(int i) { top_ = i; }

    // Bumped when rows are removed or replaced (a view resets).
    std::uint64_t resetRevision() const { return resetRevision_; }
    // Bumped when the engine changes selected flags.
    std::uint64_t selectionRevision() const { return selectionRevision_; }

private:
    void rowsRemoved(int newCurrent);

    std::vector<std::string> rows_;
    std::vector<unsigned char> selected_;
    int current_ = -1;
    int top_ = 0;
    std::uint64_t resetRevision_ = 0;
    std::uint64_t selectionRevision_ = 0;
};

template <typename Keep>
std::size_t RowList::keepIf(Keep keep)
{
    std::size_t to = 0;
    int newCurrent = -1;
    for (std::size_t from = 0; from < rows_.size(); ++from) {
        if (!keep(rows_[from]))
            continue;
        if (static_cast<int>(from) == current_)
            newCurrent = static_cast<int>(to);
        if (to != from) {
            rows_[to] = std::move(rows_[from]);
            selected_[to] = selected_[from];
        }
        ++to;
    }
    const std::size_t removed = rows_.size() - to;
    if (removed == 0)
        return 0;
    rows_.resize(to);
    selected_.resize(to);
    rowsRemoved(newCurrent);
    return removed;
}

} // namespace tavlori

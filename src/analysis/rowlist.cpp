#include "analysis/rowlist.h"

#include <algorithm>

namespace tavlori {

void RowList::clear()
{
    rows_.clear();
    selected_.clear();
    current_ = -1;
    top_ = 0;
    ++resetRevision_;
}

void RowList::append(std::string row)
{
    rows_.push_back(std::move(row));
    selected_.push_back(0);
    if (current_ < 0)
        current_ = 0;
}

void RowList::assign(std::vector<std::string> rows)
{
    rows_ = std::move(rows);
    selected_.assign(rows_.size(), 0);
    current_ = rows_.empty() ? -1 : 0;
    top_ = 0;
    ++resetRevision_;
}

void RowList::rowsRemoved(int newCurrent)
{
    current_ = newCurrent >= 0 ? newCurrent : (rows_.empty() ? -1 : 0);
    top_ = 0;
    ++resetRevision_;
    ++selectionRevision_;
}

void RowList::setSelected(std::size_t i, bool on)
{
    selected_[i] = on ? 1 : 0;
    ++selectionRevision_;
}

void RowList::selectAll()
{
    std::fill(selected_.begin(), selected_.end(), 1);
    ++selectionRevision_;
}

std::size_t RowList::selectedCount() const
{
    return static_cast<std::size_t>(std::count(selected_.begin(), selected_.end(), 1));
}

} // namespace tavlori

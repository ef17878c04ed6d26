#include "analysis/rowindex.h"

#include <utility>

namespace tavlori {

void RowIndex::add(std::string_view text, std::size_t row, char separator)
{
    Slot slot;
    slot.row = static_cast<std::uint32_t>(row);
    if (kind_ == Key::Row) {
        slot.hash = hash(text);
    } else {
        std::string key = resolveLink(text, builtFor_, separator);
        slot.hash = hash(key);
        if (key != text) {
            slot.alternate = static_cast<std::uint32_t>(alternates_.size());
            alternates_.push_back(std::move(key));
        }
    }
    if ((used_ + 1) * 2 > slots_.size())
        grow();
    place(slot);
    ++used_;
}

void RowIndex::place(const Slot &slot)
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slot.hash & mask;
    while (slots_[i].row != kEmpty)
        i = (i + 1) & mask;
    slots_[i] = slot;
}

void RowIndex::grow()
{
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    for (const Slot &slot : old) {
        if (slot.row != kEmpty)
            place(slot);
    }
}

} // namespace tavlori

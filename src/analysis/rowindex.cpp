#include "analysis/rowindex.h"

#include <utility>

namespace tavlori {

void RowIndex::add(std::string_view text, std::size_t row, char separator)
{
    if (kind_ == Key::Row) {
        table_.insert(static_cast<std::uint32_t>(row), hash(text));
        return;
    }
    std::string key = resolveLink(text, builtFor_, separator);
    const std::uint64_t h = hash(key);
    if (key == text) {
        table_.insert(static_cast<std::uint32_t>(row), h);
        return;
    }
    table_.insert(kAlternate | static_cast<std::uint32_t>(alternates_.size()), h);
    alternates_.push_back(std::move(key));
}

} // namespace tavlori

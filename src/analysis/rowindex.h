#pragma once
// An index beside a row list that answers "does any row equal this text" in
// constant time. The request registry and the detection of unrequested pages
// ask that once per link and once per page.
//
// It holds row numbers, not texts: the key of a row is read from the row
// itself, or, for an index of resolved rows, from a side copy kept only for
// rows whose resolved text differs from the row (most request-list rows
// resolve to themselves). It follows its list lazily: rows appended since
// the last look are added; a cleared or replaced list, or another base
// folder for resolved keys, rebuilds it.
#include "analysis/ascii.h"
#include "analysis/hashing.h"
#include "analysis/resolve.h"
#include "analysis/results.h"
#include "analysis/rowlist.h"
#include "analysis/texttable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavlori {

// The text a row index reads from each kind of list: the row of a RowList,
// the link of a broken link.
inline std::string_view indexedText(const RowList &list, std::size_t i)
{
    return list.row(i);
}
inline std::string_view indexedText(const ResultList<BrokenLink> &list, std::size_t i)
{
    return list[i].link;
}

class RowIndex {
public:
    enum class Key {
        Row,              // the row text, compared exactly
        Resolved,         // resolveLink of the row, compared exactly
        ResolvedCaseBlind // resolveLink of the row, ASCII letters compared without case
    };

    explicit RowIndex(Key kind)
        : kind_(kind)
    {
    }

    // Brings the index in step with `list` as it stands under `baseFolder`.
    template <typename List>
    void sync(const List &list, const std::string &baseFolder, char separator)
    {
        sync(list, baseFolder, separator, [](std::size_t, std::size_t) {});
    }

    // The same, calling `progress(done, total)` with the rows indexed so far
    // after every kProgressRows rows added: a large list takes a while to index.
    template <typename List, typename Progress>
    void sync(const List &list, const std::string &baseFolder, char separator, Progress &&progress);

    static constexpr std::size_t kProgressRows = 512;

    // True when some row's key equals `key`. The index must be in step.
    template <typename List>
    bool contains(const List &list, std::string_view key) const;

private:
    // A number in the table is a row, or, with this bit set, the index of
    // the row's key in alternates_. Lists stay far below 2^31 rows.
    static constexpr std::uint32_t kAlternate = std::uint32_t(1) << 31;

    bool caseBlind() const { return kind_ == Key::ResolvedCaseBlind; }
    std::uint64_t hash(std::string_view key) const { return caseBlind() ? hashFolded(key) : hashBytes(key); }
    template <typename List>
    std::string_view keyOf(const List &list, std::uint32_t number) const;
    void add(std::string_view text, std::size_t row, char separator);

    Key kind_;
    TextTable table_;
    std::vector<std::string> alternates_;
    std::size_t indexed_ = 0;
    std::uint64_t revision_ = 0;
    std::string builtFor_;
    bool valid_ = false;
};

template <typename List, typename Progress>
void RowIndex::sync(const List &list, const std::string &baseFolder, char separator, Progress &&progress)
{
    const bool resolved = kind_ != Key::Row;
    if (!valid_ || list.resetRevision() != revision_ || list.size() < indexed_
        || (resolved && baseFolder != builtFor_)) {
        table_.clear();
        alternates_.clear();
        indexed_ = 0;
        revision_ = list.resetRevision();
        if (resolved)
            builtFor_ = baseFolder;
        valid_ = true;
    }
    std::size_t sinceProgress = 0;
    for (; indexed_ < list.size(); ++indexed_) {
        add(indexedText(list, indexed_), indexed_, separator);
        if (++sinceProgress == kProgressRows) {
            sinceProgress = 0;
            progress(indexed_ + 1, list.size());
        }
    }
}

template <typename List>
bool RowIndex::contains(const List &list, std::string_view key) const
{
    const auto matches = [&](std::uint32_t number) {
        const std::string_view stored = keyOf(list, number);
        return caseBlind() ? equalFolded(stored, key) : stored == key;
    };
    return table_.find(hash(key), matches) != TextTable::kNone;
}

template <typename List>
std::string_view RowIndex::keyOf(const List &list, std::uint32_t number) const
{
    if (number & kAlternate)
        return alternates_[number & ~kAlternate];
    return indexedText(list, number);
}

} // namespace tavlori

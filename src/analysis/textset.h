#pragma once
// The set of link texts already met, which spares the registry the
// resolution of a link text it has met before.
#include "analysis/texttable.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace tavlori {

// The link texts registerLink has met since the request list or the base folder last
// changed. resolveLink is a function of the link text and the base folder alone, and a
// target stays in the request list until the list is emptied, so a link text
// met before needs neither resolving nor looking up again. Most links repeat
// (navigation, nearby pages), so this is the common case: one hash and one
// probe. The texts lie end to end in one arena; a slot holds the upper half
// of the hash, so a probe rarely reads a text it does not match.
class TextSet {
public:
    void clear()
    {
        table_.clear();
        blocks_.clear();
    }

    bool contains(std::string_view key, std::uint64_t hash) const
    {
        return table_.find(hash, [&](std::uint32_t at) { return keyAt(at) == key; }) != TextTable::kNone;
    }

    // Hints for a lookup of `hash` a little later: first its home slot, then,
    // once that slot is at hand, the key it points to when the tags agree.
    void prefetchSlot(std::uint64_t hash) const { table_.prefetchSlot(hash); }

    void prefetchKey(std::uint64_t hash) const
    {
        const std::uint32_t at = table_.homeNumber(hash);
        if (at != TextTable::kNone)
            prefetch(blocks_[at >> kBlockBits].data() + (at & (kBlockSize - 1)));
    }

    // Adds a key that is not in the set. A key larger than a block gets a
    // block of its own. A key that finds no room (every block number taken,
    // or a length beyond 32 bits) is left out: it is then resolved and looked
    // up each time, as without the set.
    void insert(std::string_view key, std::uint64_t hash)
    {
        if (key.size() > std::numeric_limits<std::uint32_t>::max())
            return;
        const std::size_t stored = kLengthBytes + key.size();
        const bool ownBlock = stored > kBlockSize;
        if (ownBlock || blocks_.empty() || blocks_.back().size() + stored > kBlockSize) {
            if (blocks_.size() >= kMaxBlocks)
                return;
            blocks_.emplace_back();
            blocks_.back().reserve(ownBlock ? stored : kBlockSize);
        }
        std::string &block = blocks_.back();
        const auto at = static_cast<std::uint32_t>(((blocks_.size() - 1) << kBlockBits) | block.size());
        const auto length = static_cast<std::uint32_t>(key.size());
        block.append(reinterpret_cast<const char *>(&length), kLengthBytes).append(key);
        table_.insert(at, hash);
    }

private:
    // The keys stand in blocks of 1 MiB, each key after its length in four
    // bytes; the table addresses it by block number and offset in 32 bits. A
    // larger key fills a block of its own at offset 0. Blocks never move, so
    // the set grows without copying the keys. The last block number is left
    // out: its last offset would be the table's empty mark.
    static constexpr std::size_t kLengthBytes = 4;
    static constexpr unsigned kBlockBits = 20;
    static constexpr std::size_t kBlockSize = std::size_t(1) << kBlockBits;
    static constexpr std::size_t kMaxBlocks = (std::size_t(1) << (32 - kBlockBits)) - 1;

    std::string_view keyAt(std::uint32_t at) const
    {
        const std::string &block = blocks_[at >> kBlockBits];
        const std::size_t offset = at & (kBlockSize - 1);
        std::uint32_t length;
        std::memcpy(&length, block.data() + offset, kLengthBytes);
        return std::string_view(block).substr(offset + kLengthBytes, length);
    }

    TextTable table_;
    std::vector<std::string> blocks_;
};

} // namespace tavlori

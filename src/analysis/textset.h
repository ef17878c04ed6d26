#pragma once
// The set of link texts already met, which spares the registry the
// resolution of a link text it has met before.
#include "analysis/hashing.h"

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
        slots_.clear();
        blocks_.clear();
        used_ = 0;
    }

    bool contains(std::string_view key, std::uint64_t hash) const
    {
        if (slots_.empty())
            return false;
        const std::uint32_t tag = tagOf(hash);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot &slot = slots_[i];
            if (slot.at == kEmpty)
                return false;
            if (slot.tag == tag && keyAt(slot.at) == key)
                return true;
        }
    }

    // Hints for a lookup of `hash` a little later: first its home slot, then,
    // once that slot is at hand, the key it points to when the tags agree.
    // A set that changes in between only makes a hint useless.
    void prefetchSlot(std::uint64_t hash) const
    {
        if (!slots_.empty())
            prefetch(&slots_[hash & (slots_.size() - 1)]);
    }

    void prefetchKey(std::uint64_t hash) const
    {
        if (slots_.empty())
            return;
        const Slot &slot = slots_[hash & (slots_.size() - 1)];
        if (slot.at != kEmpty && slot.tag == tagOf(hash))
            prefetch(blocks_[slot.at >> kBlockBits].data() + (slot.at & (kBlockSize - 1)));
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
        if ((used_ + 1) * 4 > slots_.size() * 3)
            grow();
        std::string &block = blocks_.back();
        Slot slot;
        slot.tag = tagOf(hash);
        slot.at = static_cast<std::uint32_t>(((blocks_.size() - 1) << kBlockBits) | block.size());
        const auto length = static_cast<std::uint32_t>(key.size());
        block.append(reinterpret_cast<const char *>(&length), kLengthBytes).append(key);
        place(slot, hash);
        ++used_;
    }

private:
    // The keys stand in blocks of 1 MiB, each key after its length in four
    // bytes; a slot addresses it by block number and offset in 32 bits. A
    // larger key fills a block of its own at offset 0. Blocks never move, so
    // the set grows without copying the keys.
    static constexpr std::size_t kLengthBytes = 4;
    static constexpr unsigned kBlockBits = 20;
    static constexpr std::size_t kBlockSize = std::size_t(1) << kBlockBits;
    static constexpr std::size_t kMaxBlocks = (std::size_t(1) << (32 - kBlockBits)) - 1;
    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();

    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t at = kEmpty; // block number and offset of the key's length
    };

    static std::uint32_t tagOf(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

    std::string_view keyAt(std::uint32_t at) const
    {
        const std::string &block = blocks_[at >> kBlockBits];
        const std::size_t offset = at & (kBlockSize - 1);
        std::uint32_t length;
        std::memcpy(&length, block.data() + offset, kLengthBytes);
        return std::string_view(block).substr(offset + kLengthBytes, length);
    }

    void place(const Slot &slot, std::uint64_t hash)
    {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash & mask;
        while (slots_[i].at != kEmpty)
            i = (i + 1) & mask;
        slots_[i] = slot;
    }

    void grow()
    {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
        for (const Slot &slot : old) {
            if (slot.at != kEmpty)
                place(slot, hashBytes(keyAt(slot.at)));
        }
    }

    std::vector<Slot> slots_; // open addressing, power-of-two size, at most 3/4 full
    std::vector<std::string> blocks_;
    std::size_t used_ = 0;
};

} // namespace tavlori

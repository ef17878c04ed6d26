#pragma once
// The one hash table of texts: the link texts met, the row indexes of the
// result lists and the names of listed folders all stand in one.
#include "analysis/hashing.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace tavlori {

// Open addressing over 32-bit numbers that stand for texts kept by the
// table's owner (an offset into its arena, a row, an entry); the owner hashes
// the texts and says which number matches. A slot holds the number and the
// upper half of its text's hash, so a probe rarely reads a text it does not
// match. The home slot is taken from that half as well: the table grows
// without reading or hashing a text again.
class TextTable {
public:
    static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

    void clear()
    {
        slots_.clear();
        used_ = 0;
    }

    std::size_t size() const { return used_; }

    // The number under `hash` for which `matches(number)` is true, or kNone.
    template <typename Matches>
    std::uint32_t find(std::uint64_t hash, Matches &&matches) const
    {
        if (slots_.empty())
            return kNone;
        const std::uint32_t tag = tagOf(hash);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = tag & mask;; i = (i + 1) & mask) {
            const Slot &slot = slots_[i];
            if (slot.number == kNone)
                return kNone;
            if (slot.tag == tag && matches(slot.number))
                return slot.number;
        }
    }

    // Adds `number` (not kNone) under `hash`. A text added twice is found
    // either way.
    void insert(std::uint32_t number, std::uint64_t hash)
    {
        if ((used_ + 1) * 4 > slots_.size() * 3)
            grow();
        place(Slot{tagOf(hash), number});
        ++used_;
    }

    // Hints for a find of `hash` a little later: first its home slot, then,
    // once that slot is at hand, the number in it when the tags agree (kNone
    // otherwise), whose text the owner may fetch. A table that changes in
    // between only makes a hint useless.
    void prefetchSlot(std::uint64_t hash) const
    {
        if (!slots_.empty())
            prefetch(&slots_[tagOf(hash) & (slots_.size() - 1)]);
    }

    std::uint32_t homeNumber(std::uint64_t hash) const
    {
        if (slots_.empty())
            return kNone;
        const Slot &slot = slots_[tagOf(hash) & (slots_.size() - 1)];
        return slot.tag == tagOf(hash) ? slot.number : kNone;
    }

private:
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t number = kNone;
    };

    static std::uint32_t tagOf(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

    void place(const Slot &slot)
    {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = slot.tag & mask;
        while (slots_[i].number != kNone)
            i = (i + 1) & mask;
        slots_[i] = slot;
    }

    void grow()
    {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        for (const Slot &slot : old) {
            if (slot.number != kNone)
                place(slot);
        }
    }

    std::vector<Slot> slots_; // power-of-two size, at most 3/4 full
    std::size_t used_ = 0;
};

} // namespace tavlori

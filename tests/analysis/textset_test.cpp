// The set of link texts already met: keys of every length, across block ends
// and growth of the table.
#include "analysis/textset.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

using tavlori::hashBytes;
using tavlori::TextSet;

namespace {

// A key of `length` bytes whose content depends on `seed`, so that keys of
// one length differ.
std::string keyOf(std::size_t length, char seed)
{
    std::string key(length, seed);
    for (std::size_t i = 0; i < length; i += 4099)
        key[i] = static_cast<char>('a' + (i / 4099 + seed) % 26);
    return key;
}

bool holds(const TextSet &set, const std::string &key)
{
    return set.contains(key, hashBytes(key));
}

} // namespace

TEST(TextSet, KeysOfAnyLengthAreFoundAfterTheTableGrows)
{
    constexpr std::size_t kMiB = std::size_t(1) << 20;
    const std::vector<std::size_t> lengths = {0,        1,        65535,    65536, 65537,    3 * 65536 + 7,
                                              kMiB - 5, kMiB - 4, kMiB - 3, kMiB,  kMiB + 1, 3 * kMiB + 11};
    TextSet set;
    std::vector<std::string> large;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        large.push_back(keyOf(lengths[i], static_cast<char>('A' + i)));
        set.insert(large.back(), hashBytes(large.back()));
    }
    for (const std::string &key : large) {
        SCOPED_TRACE(key.size());
        EXPECT_TRUE(holds(set, key));
    }

    // Enough small keys to grow the table several times: every key is
    // placed again from its stored text.
    std::vector<std::string> small;
    for (int i = 0; i < 5000; ++i) {
        small.push_back("page" + std::to_string(i) + ".html");
        set.insert(small.back(), hashBytes(small.back()));
    }
    for (const std::string &key : large) {
        SCOPED_TRACE(key.size());
        EXPECT_TRUE(holds(set, key));
        // Neither its text one byte shorter nor one byte longer is in the
        // set (the empty key is, so the one-byte key is left out here).
        if (key.size() > 1) {
            EXPECT_FALSE(holds(set, key.substr(0, key.size() - 1)));
        }
        EXPECT_FALSE(holds(set, key + "x"));
    }
    for (const std::string &key : small)
        EXPECT_TRUE(holds(set, key)) << key;
    EXPECT_FALSE(holds(set, "page5000.html"));

    set.clear();
    for (const std::string &key : large)
        EXPECT_FALSE(holds(set, key));
}

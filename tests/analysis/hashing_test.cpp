// The one hash of texts and the one table over it.
#include "analysis/ascii.h"
#include "analysis/hashing.h"
#include "analysis/texttable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using tavlori::TextTable;

namespace {

std::string folded(std::string s)
{
    for (char &c : s)
        c = tavlori::foldAscii(c);
    return s;
}

} // namespace

// The case-blind hash is the hash of the text with its ASCII capitals made
// small: every capital folds, on both sides of the alphabet's edges nothing
// else does, bytes with the high bit set never do, at every place in the
// eight-byte words and in the tail.
TEST(Hashing, FoldedHashIsTheHashOfTheFoldedText)
{
    std::string everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte += static_cast<char>(b);
    const std::vector<std::string> texts = {
        "",
        "A",
        "@AZ[`az{",
        "INDEX.HTML",
        "Page0001.Htm",
        std::string("\xC1\xDA\xC3\x81\xE3\x81\x82Z", 8), // capitals with the high bit set
        "/Site/Sub/../PAGE.htm#Top",
        everyByte,
        everyByte.substr(1) + everyByte.substr(0, 3),
    };
    for (const std::string &text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(tavlori::hashFolded(text), tavlori::hashBytes(folded(text)));
    }
    EXPECT_EQ(tavlori::hashFolded("ABCDEFGHIJ"), tavlori::hashFolded("abcdefghij"));
    EXPECT_NE(tavlori::hashBytes("ABCDEFGHIJ"), tavlori::hashBytes("abcdefghij"));
    // The bytes one below and one above the capitals are not letters.
    EXPECT_NE(tavlori::hashFolded("@"), tavlori::hashFolded("`"));
    EXPECT_NE(tavlori::hashFolded("["), tavlori::hashFolded("{"));
}

// Numbers whose hashes agree in every bit the table keeps (one home, one
// tag) are told apart by the owner's match alone, across the growth of the
// table and the wrap of a probe past its last slot.
TEST(TextTable, NumbersUnderOneHashAreFoundThroughTheOwnersMatch)
{
    const std::vector<std::uint64_t> hashes = {
        0x0000000000000000ull, // home slot 0
        0xFFFFFFFF00000000ull, // the last slot at every size: probes wrap
        0x1234567800000001ull,
    };
    for (const std::uint64_t hash : hashes) {
        SCOPED_TRACE(hash);
        TextTable table;
        constexpr std::uint32_t kCount = 300; // several growths from 64 slots
        for (std::uint32_t n = 0; n < kCount; ++n)
            table.insert(n * 7, hash + n); // low bits differ, never seen by the table
        EXPECT_EQ(table.size(), kCount);
        for (std::uint32_t n = 0; n < kCount; ++n)
            EXPECT_EQ(table.find(hash, [&](std::uint32_t number) { return number == n * 7; }), n * 7);
        EXPECT_EQ(table.find(hash, [](std::uint32_t number) { return number == 1; }), TextTable::kNone);
        EXPECT_EQ(table.find(hash ^ (std::uint64_t(1) << 40), [](std::uint32_t) { return true; }),
                  TextTable::kNone);
        table.clear();
        EXPECT_EQ(table.find(hash, [](std::uint32_t) { return true; }), TextTable::kNone);
    }
}

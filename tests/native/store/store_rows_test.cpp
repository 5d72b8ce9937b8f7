// The row list under the tables: copies that share blocks never see each other's changes, rows
// keep their bytes through repacks (also when a row is set from the list's own bytes), and the
// version tells every change apart.
#include "store/store_rows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qm::storefile {
namespace {

// A row of a deleted flag 0 and n copies of c.
std::string Row(std::size_t n, char c) {
    std::string row(1, '\0');
    row.append(n, c);
    return row;
}

std::vector<std::string> Contents(const RowList& rows) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < rows.size(); ++i) out.emplace_back(rows[i]);
    return out;
}

TEST(RowList, CopiesShareBytesButNotChanges) {
    RowList a;
    a.Reserve(4, 1000);  // room left in a's block after the copy
    a.Add("one");
    a.Add("two");
    RowList b = a;
    EXPECT_EQ(b.Version(), a.Version());
    a.Add("three");  // into a's free space, which b does not own
    b.Add("zwei");   // into a block of b's own
    b.Set(0, "eins");
    EXPECT_EQ(Contents(a), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(Contents(b), (std::vector<std::string>{"eins", "two", "zwei"}));
    EXPECT_NE(a.Version(), b.Version());

    RowList c = std::move(a);
    a.Add("after move");  // the moved-from list must not write into c's block
    EXPECT_EQ(Contents(c), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(Contents(a), (std::vector<std::string>{"after move"}));
    RowList d;
    d = c;
    c.Add("four");
    d.Add("vier");
    EXPECT_EQ(Contents(c).back(), "four");
    EXPECT_EQ(Contents(d).back(), "vier");
    EXPECT_EQ(d.size(), 4u);
    RowList e;
    e.Reserve(4, 1000);
    e.Add("mine");
    e = c;  // the free space of e's own block went with it
    e.Add("five");
    EXPECT_EQ(Contents(e), (std::vector<std::string>{"one", "two", "three", "four", "five"}));
    EXPECT_EQ(Contents(c).back(), "four");
}

// A load's block and a big table's references come from the system's large memory: every byte of
// them is usable, and a block outlives the list that made it while a copy still refers into it.
TEST(RowList, LargeBlocksAreWholeAndLiveAsLongAsACopyUsesThem) {
    const std::size_t rowCount = 200000;  // references over the large-memory size
    const std::string big = Row(3 * (std::size_t{1} << 20), 'b');
    RowList copy;
    {
        RowList rows;
        rows.Reserve(rowCount, 5u << 20);  // one block larger than a huge page, not a multiple of it
        rows.Add(big);                     // fills most of the block, to its last huge page
        for (std::size_t i = 0; i < rowCount; ++i) rows.Add(Row(i % 7, static_cast<char>('a' + i % 26)));
        rows.Add(Row((5u << 20) - rows.Bytes() - 1, 'z'));  // up to the block's last byte
        rows.Add(big);                                      // past the end: a second large block
        copy = rows;
    }
    ASSERT_EQ(copy.size(), rowCount + 3);
    EXPECT_EQ(copy[0], big);
    EXPECT_EQ(copy[rowCount + 2], big);
    for (std::size_t i = 0; i < rowCount; i += 997)
        ASSERT_EQ(copy[i + 1], Row(i % 7, static_cast<char>('a' + i % 26))) << i;
    const std::string tail(copy[rowCount + 1]);
    EXPECT_EQ(tail.back(), 'z');
    copy.Set(0, Row(1, 'n'));
    copy.Set(rowCount + 2, Row(1, 'm'));
    copy.ShrinkIfWasteful();  // most bytes are old versions now: repacked into one new large block
    EXPECT_EQ(copy[0], Row(1, 'n'));
    EXPECT_EQ(copy[rowCount + 1], tail);
    EXPECT_EQ(copy[rowCount + 2], Row(1, 'm'));
    for (std::size_t i = 0; i < rowCount; i += 997)
        ASSERT_EQ(copy[i + 1], Row(i % 7, static_cast<char>('a' + i % 26))) << i;
}

// Rows added from an adopted block (a batch joined on load) stay where they are; rows from
// elsewhere are still copied, and the block lives while any copy of the list refers into it.
TEST(RowList, RowsOfAnAdoptedBlockAreNotCopied) {
    RowList copy;
    const char* inBlock = nullptr;
    {
        std::string joined(1, '\x09');  // a batch's type byte, then two rows
        joined.append(Row(3, 'a')).append(Row(2, 'b'));
        std::shared_ptr<char[]> block = AllocateRowBlock(joined.size());
        std::memcpy(block.get(), joined.data(), joined.size());
        inBlock = block.get() + 1;
        RowList rows;
        rows.Reserve(2, 64);
        rows.Add(Row(1, 'x'));  // before the block: copied into the list's own
        rows.Adopt(std::move(block), joined.size());
        rows.Add(std::string_view(inBlock, 4));
        rows.Add(std::string_view(inBlock + 4, 3));
        const std::string outside = Row(2, 'b');  // equal bytes, another place: copied
        rows.Add(outside);
        EXPECT_EQ(rows[1].data(), inBlock);
        EXPECT_EQ(rows[2].data(), inBlock + 4);
        EXPECT_NE(rows[3].data(), outside.data());
        EXPECT_EQ(rows.Bytes(), 2u + 4u + 3u + 3u);
        copy = rows;
        rows.Set(1, Row(5, 'n'));  // written into the list's own block, not over the adopted bytes
        EXPECT_EQ(rows[1], Row(5, 'n'));
    }
    EXPECT_EQ(Contents(copy), (std::vector<std::string>{Row(1, 'x'), Row(3, 'a'), Row(2, 'b'), Row(2, 'b')}));
    EXPECT_EQ(copy[1].data(), inBlock);
}

TEST(RowList, RewritesKeepEveryRowAndTheByteCount) {
    RowList rows;
    std::vector<std::string> want;
    for (int i = 0; i < 300; ++i) {
        want.push_back(Row(static_cast<std::size_t>(i % 50 + 1), static_cast<char>('a' + i % 26)));
        rows.Add(want.back());
    }
    // Enough rewrites of large rows to make most memory old versions, so the list repacks; some rows
    // are set from the list's own bytes, which a repack moves.
    for (int round = 0; round < 40; ++round) {
        for (std::size_t i = 0; i < want.size(); i += 7) {
            if (round % 2 == 0 && i >= 7) {
                want[i] = want[i - 7];  // a large row set just before
                rows.Set(i, rows[i - 7]);
            } else {
                want[i] = Row(static_cast<std::size_t>(4000 + round), 'x');
                rows.Set(i, want[i]);
            }
        }
        ASSERT_EQ(Contents(rows), want) << "round " << round;
    }
    std::uint64_t bytes = 0;
    for (const std::string& r : want) bytes += r.size();
    EXPECT_EQ(rows.Bytes(), bytes);
    rows.ShrinkIfWasteful();
    EXPECT_EQ(Contents(rows), want);
}

TEST(RowList, FlagsRemovalTruncationAndVersions) {
    RowList rows;
    for (const char* r : {"\x00" "a", "\x00" "b", "\x00" "c", "\x00" "d"}) rows.Add(std::string_view(r, 2));
    RowList kept = rows;
    std::uint64_t v = rows.Version();
    rows.SetFirstByte(1, '\x01');
    rows.SetFirstByte(3, '\x01');
    EXPECT_NE(rows.Version(), v);
    EXPECT_EQ(kept[1], std::string_view("\x00" "b", 2));  // the copy's bytes never change
    v = rows.Version();
    rows.RemoveIf([](std::string_view r) { return r[0] == '\x01'; });
    EXPECT_NE(rows.Version(), v);
    EXPECT_EQ(Contents(rows), (std::vector<std::string>{std::string("\x00" "a", 2), std::string("\x00" "c", 2)}));
    EXPECT_EQ(rows.Bytes(), 4u);
    rows.Truncate(1);
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.Bytes(), 2u);
    EXPECT_FALSE(rows == kept);
    kept.Truncate(1);
    EXPECT_TRUE(rows == kept);
    rows.Clear();
    EXPECT_EQ(rows.size(), 0u);
    EXPECT_EQ(rows.Bytes(), 0u);
}

}  // namespace
}  // namespace qm::storefile

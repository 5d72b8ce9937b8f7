// ListTable: cells read back exactly as added (empty, long and Chinese ones included), rows
// padded to the widest, reordering by permutation only, and every read outside the table empty.
#include "platform/list_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

TEST(ListTable, CellsComeBackAsAddedAtTheirRowAndColumn) {
    ListTable t(3);
    const std::string longCell(70000, 'x');  // beyond any list view's buffer
    const std::vector<std::string> cells = {"1", "", "网站", "", "", "", "3", longCell, "帐号"};
    for (const std::string& c : cells) t.AddCell(c);
    ASSERT_EQ(t.size(), 3u);
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c) EXPECT_EQ(t.Cell(r, c), cells[r * 3 + c]) << r << "," << c;
    EXPECT_EQ(t[2], (ListRow{"3", longCell, "帐号"}));
    EXPECT_EQ(t.Cell(3, 0), "");
    EXPECT_EQ(t.Cell(0, 3), "");
    EXPECT_THROW(t.at(3), std::out_of_range);
}

TEST(ListTable, AnUnfinishedRowIsNotYetARow) {
    ListTable t(2);
    t.AddCell("a");
    EXPECT_TRUE(t.empty());
    t.AddCell("b");
    t.AddCell("c");
    EXPECT_EQ(t.size(), 1u);
    EXPECT_EQ(t.Cell(1, 0), "");
}

TEST(ListTable, AReservedTableFillsWithoutMovingItsText) {
    ListTable t(2);
    t.AddCell("first");
    t.AddCell("");
    t.Reserve(3, 3 * 40);  // room beyond what is there already
    const char* text = t.Cell(0, 0).data();
    for (int i = 0; i < 3; ++i) {
        t.AddCell("http://www.example-site-" + std::to_string(i) + ".com/");
        t.AddCell("网站");
    }
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t.Cell(0, 0).data(), text) << "the text was copied as it grew";
    EXPECT_EQ(t[0], (ListRow{"first", ""}));
    EXPECT_EQ(t[3], (ListRow{"http://www.example-site-2.com/", "网站"}));
    t.Reserve(0, 0);  // nothing more to come: the cells stay as they are
    EXPECT_EQ(t.Cell(2, 0), "http://www.example-site-1.com/");
}

TEST(ListTable, AClearedTableRefillsInTheMemoryItHad) {
    ListTable t(3);
    for (int i = 0; i < 300; ++i) t.AddCell("http://www.example-site-" + std::to_string(i) + ".com/");
    t.Reorder([] {
        std::vector<std::size_t> order;
        for (std::size_t i = 100; i-- > 0;) order.push_back(i);
        return order;
    }());
    t.Clear(2);
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(t.Columns(), 2u);
    EXPECT_EQ(t.Cell(0, 0), "");
    t.AddCell("site 0");
    t.AddCell("site 1");
    const char* text = t.Cell(0, 0).data();
    for (int i = 2; i < 300; ++i) t.AddCell("site " + std::to_string(i));
    ASSERT_EQ(t.size(), 150u);
    EXPECT_EQ(t.Cell(0, 0).data(), text) << "the text moved as it grew again";
    EXPECT_EQ(t[0], (ListRow{"site 0", "site 1"}));  // in the order added, the old order gone
    EXPECT_EQ(t[149], (ListRow{"site 298", "site 299"}));
    t.Clear(0);
    EXPECT_EQ(t.Columns(), 1u);
}

TEST(ListTable, RowsOfDifferentWidthsArePaddedToTheWidest) {
    const ListTable t(std::vector<ListRow>{{"a"}, {"b", "c", "d"}, {}});
    EXPECT_EQ(t.Columns(), 3u);
    EXPECT_EQ(t[0], (ListRow{"a", "", ""}));
    EXPECT_EQ(t[2], (ListRow{"", "", ""}));
    std::vector<ListRow> seen;
    for (const ListRow& row : t) seen.push_back(row);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1], (ListRow{"b", "c", "d"}));
    EXPECT_EQ(ListTable(std::vector<ListRow>{}).size(), 0u);
}

TEST(ListTable, ReorderTakesOnlyAPermutationAndComposes) {
    ListTable t(2);
    for (int i = 0; i < 4; ++i) {
        t.AddCell(std::to_string(i));
        t.AddCell("row " + std::to_string(i));
    }
    t.Reorder({3, 1, 0, 2});
    EXPECT_EQ(t.Cell(0, 1), "row 3");
    EXPECT_EQ(t.Cell(3, 0), "2");
    t.Reorder({1, 0, 3, 2});  // relative to the order shown now
    EXPECT_EQ(t.Cell(0, 0), "1");
    EXPECT_EQ(t.Cell(1, 0), "3");
    EXPECT_EQ(t.Cell(2, 0), "2");
    EXPECT_EQ(t.Cell(3, 0), "0");
    for (const std::vector<std::size_t>& bad :
         std::vector<std::vector<std::size_t>>{{0, 1, 2}, {0, 1, 2, 2}, {0, 1, 2, 4}, {0, 1, 2, 3, 0}}) {
        t.Reorder(bad);
        EXPECT_EQ(t.Cell(0, 0), "1");
        EXPECT_EQ(t.Cell(3, 0), "0");
    }
    // Rows added after a reorder come last.
    t.AddCell("4");
    t.AddCell("row 4");
    EXPECT_EQ(t.Cell(4, 1), "row 4");
    // A replaced row keeps its place in the order shown, padded or cut to the columns.
    t.ReplaceRow(1, {"new"});
    t.ReplaceRow(2, {"x", "y", "z"});
    t.ReplaceRow(5, {"outside"});
    EXPECT_EQ(t.size(), 5u);
    EXPECT_EQ(t[1], (ListRow{"new", ""}));
    EXPECT_EQ(t[2], (ListRow{"x", "y"}));
    EXPECT_EQ(t.Cell(0, 0), "1");
    t.Reorder({1, 0, 2, 3, 4});
    EXPECT_EQ(t[0], (ListRow{"new", ""}));
    t.AddCell("half");  // a row half added takes no replacement
    t.ReplaceRow(0, {"no"});
    EXPECT_EQ(t[0], (ListRow{"new", ""}));
}

}  // namespace
}  // namespace qm

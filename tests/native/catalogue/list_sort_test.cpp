// The header-click sort: keys, the insertion rules with their tie orders, the reverse direction,
// and agreement with a plain re-statement of the rules on random lists with many ties.
#include "catalogue/list_sort.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace qm {
namespace {

using Order = std::vector<std::size_t>;

TEST(SortKey, TrimsAndReadsTheLeadingNumber) {
    EXPECT_EQ(SortKey(""), 0);
    EXPECT_EQ(SortKey("  12 "), 12);
    EXPECT_EQ(SortKey("3.5万"), 3.5);
    EXPECT_EQ(SortKey("约100"), 0);
    EXPECT_EQ(SortKey("\t-7"), -7);
    EXPECT_EQ(SortKey("1,234"), 1);
}

TEST(SortKey, OnlyTheNumberColumnsSort) {
    for (int c : {0, 5, 6, 7, 8, 9}) EXPECT_TRUE(IsNumberColumn(c)) << c;
    for (int c : {-1, 1, 2, 3, 4, 10, 11}) EXPECT_FALSE(IsNumberColumn(c)) << c;
}

TEST(InsertionSort, PrColumnWithAnEmptyCell) {
    // Rows hold 3, "", 10: ascending is empty, 3, 10 and descending its reverse.
    const std::vector<double> keys = {SortKey("3"), SortKey(""), SortKey("10")};
    EXPECT_EQ(SortedRowOrder(keys, true), (Order{1, 0, 2}));
    EXPECT_EQ(SortedRowOrder(keys, false), (Order{2, 0, 1}));
}

TEST(InsertionSort, TiesWithTheLastKeyKeepTheirOrder) {
    EXPECT_EQ(AscendingInsertionOrder({1, 2, 2, 2}), (Order{0, 1, 2, 3}));
}

TEST(InsertionSort, TiesWithTheFirstKeyComeOutReversed) {
    // 5 first, then 1, 1, 1: each 1 is not larger than the first key and goes before it.
    EXPECT_EQ(AscendingInsertionOrder({5, 1, 1, 1}), (Order{3, 2, 1, 0}));
    EXPECT_EQ(AscendingInsertionOrder({1, 1, 1}), (Order{0, 1, 2}));  // equal to the last: appended
}

TEST(InsertionSort, TiesInTheMiddleFollowTheElementTheSearchHits) {
    // Sequence 1 5 9, then 5: mid of (1,3) is 2 -> equal -> inserted after position 2.
    EXPECT_EQ(AscendingInsertionOrder({1, 9, 5, 5}), (Order{0, 2, 3, 1}));
    // Rows 0 2 4 3 1 hold 1 4 4 4 9; the last 4: lo=1 hi=5 mid=3 hits row 4 and follows it.
    EXPECT_EQ(AscendingInsertionOrder({1, 9, 4, 4, 4, 4}), (Order{0, 2, 4, 5, 3, 1}));
}

TEST(InsertionSort, KeysWithinTheToleranceAreEqual) {
    // 1.00000005 is within 0.0000001 of 1, so it counts as equal to the first key and goes
    // before it; 1.0000002 is larger and goes after the last.
    EXPECT_EQ(AscendingInsertionOrder({1, 1.00000005}), (Order{0, 1}));
    EXPECT_EQ(AscendingInsertionOrder({2, 1, 1.00000005}), (Order{2, 1, 0}));
    EXPECT_EQ(AscendingInsertionOrder({2, 1, 1.0000002}), (Order{1, 2, 0}));
}

TEST(InsertionSort, DescendingIsTheExactReverseTiesIncluded) {
    const std::vector<double> keys = {5, 1, 1, 7};
    Order asc = SortedRowOrder(keys, true), desc = SortedRowOrder(keys, false);
    EXPECT_EQ(asc, (Order{2, 1, 0, 3}));
    EXPECT_EQ(desc, (Order{3, 0, 1, 2}));
}

// The rules once more, on a plain vector, to check the blocked sequence on long lists.
Order Reference(const std::vector<double>& keys) {
    std::vector<std::size_t> a;
    for (std::size_t row = 0; row < keys.size(); ++row) {
        const double k = keys[row];
        std::size_t n = a.size(), pos = 0;
        if (n == 0)
            pos = 1;
        else if (k - keys[a[n - 1]] >= -kSortTolerance)
            pos = n + 1;
        else if (k - keys[a[0]] <= kSortTolerance)
            pos = 1;
        else {
            std::size_t lo = 1, hi = n;
            while (lo < hi - 1) {
                std::size_t mid = (lo + hi) / 2;
                double am = keys[a[mid - 1]];
                if (std::abs(k - am) <= kSortTolerance) {
                    pos = mid + 1;
                    break;
                }
                if (k - am < -kSortTolerance)
                    hi = mid;
                else
                    lo = mid;
            }
            if (pos == 0) pos = lo + 1;
        }
        a.insert(a.begin() + static_cast<std::ptrdiff_t>(pos - 1), row);
    }
    return a;
}

TEST(InsertionSort, LongListsWithManyTiesMatchTheRules) {
    std::mt19937 rng(7);
    for (int size : {0, 1, 2, 3, 50, 1500, 5000}) {
        std::vector<double> keys;
        std::uniform_int_distribution<int> d(0, size / 10 + 2);
        for (int i = 0; i < size; ++i) keys.push_back(d(rng));
        ASSERT_EQ(AscendingInsertionOrder(keys), Reference(keys)) << "size " << size;
    }
}

TEST(InsertionSort, ALongSortedListStaysInOrder) {
    std::vector<double> keys;
    for (int i = 0; i < 100000; ++i) keys.push_back(i / 3);
    const Order order = AscendingInsertionOrder(keys);
    for (std::size_t i = 0; i < order.size(); ++i) ASSERT_EQ(order[i], i);
}

}  // namespace
}  // namespace qm

// Two engines standing for two processes on one store file: appends, changes, purges and a
// restore that replaces the file are all seen by the other side, and nothing is lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/record_store.h"
#include "store_test_util.h"

namespace qm {
namespace {

using testing::Snap;
using testing::Snapshot;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;


TEST(StoreSharing, TwoEnginesAppendingInTurnLoseNothing) {
    SetStoreKdfIterationsForTesting(1000);
    TempFolder dir;
    const std::string path = dir.File("网站数据库.edb");
    ASSERT_TRUE(RecordStore::Create(path, "pw", {"a", "b"}));
    RecordStore one, two;
    ASSERT_TRUE(one.Open(path, "s", "pw"));
    ASSERT_TRUE(two.Open(path, "s", "pw"));
    Snapshot expected;
    for (int i = 0; i < 60; ++i) {
        RecordStore& e = i % 3 == 0 ? two : one;
        ASSERT_TRUE(e.Append({std::to_string(i), i % 3 == 0 ? "two" : "one"}));
        expected.push_back({std::to_string(i), i % 3 == 0 ? "two" : "one"});
    }
    // A change by one engine to a record the other appended.
    ASSERT_TRUE(one.GoTo(1));
    ASSERT_TRUE(one.Write(2, "changed"));
    expected[0][1] = "changed";
    ASSERT_TRUE(two.First());  // an action starts: the other side's work is read in
    EXPECT_EQ(Snap(two, 2), expected);
    // A purge that compacts the file under the other engine, which keeps appending.
    ASSERT_TRUE(two.GoTo(2));
    ASSERT_TRUE(two.DeleteCurrent());
    ASSERT_TRUE(two.Purge());
    expected.erase(expected.begin() + 1);
    ASSERT_TRUE(one.Append({"after", "purge"}));
    expected.push_back({"after", "purge"});
    one.CloseAll();
    two.CloseAll();
    RecordStore third;
    ASSERT_TRUE(third.Open(path, "s", "pw"));
    EXPECT_EQ(Snap(third, 2), expected);
}

TEST(StoreSharing, ARestoredFileIsReadBeforeTheNextAction) {
    SetStoreKdfIterationsForTesting(1000);
    TempFolder dir;
    const std::string path = dir.File("cat.edb");
    ASSERT_TRUE(RecordStore::Create(path, "pw", {"c"}));
    RecordStore rs;
    ASSERT_TRUE(rs.Open(path, "c", "pw"));
    ASSERT_TRUE(rs.Append({"kept in backup"}));
    rs.CloseAll();
    const std::string backup = ReadBytes(dir.Path() / "cat.edb");
    ASSERT_TRUE(rs.Open(path, "c", "pw"));
    ASSERT_TRUE(rs.Append({"later"}));
    EXPECT_EQ(rs.RecordCount(), 2);
    // The restore replaces the file while the store is open (and while its table is cached).
    WriteBytes(dir.Path() / "cat.edb", backup);
    ASSERT_TRUE(rs.First());
    EXPECT_EQ(Snap(rs, 1), (Snapshot{{"kept in backup"}}));
    ASSERT_TRUE(rs.Append({"after restore"}));
    rs.CloseAll();
    RecordStore other;
    ASSERT_TRUE(other.Open(path, "c", "pw"));
    EXPECT_EQ(Snap(other, 1), (Snapshot{{"kept in backup"}, {"after restore"}}));
}

}  // namespace
}  // namespace qm

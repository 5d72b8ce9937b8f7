// Two engines standing for two processes on one store file: appends, changes, purges and a
// restore that replaces the file are all seen by the other side, and nothing is lost, also when
// both write at the same time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "store/record_store.h"
#include "store_test_util.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::Snap;
using testing::Snapshot;
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
    EXPECT_EQ(two.RecordCount(), 60);
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

TEST(StoreSharing, SelectingAStoreReadsWhatAnotherCopyWroteSince) {
    SetStoreKdfIterationsForTesting(1000);
    TempFolder dir;
    const std::string sites = dir.File("网站数据库.edb"), cats = dir.File("分类数据库.edb");
    ASSERT_TRUE(RecordStore::Create(sites, "pw", {"s"}));
    ASSERT_TRUE(RecordStore::Create(cats, "pw", {"c"}));
    RecordStore rs;
    ASSERT_TRUE(rs.Open(sites, "s", "pw"));
    ASSERT_TRUE(rs.Open(cats, "c", "pw"));
    RecordStore other;  // another running copy of the program
    ASSERT_TRUE(other.Open(sites, "s", "pw"));
    ASSERT_TRUE(other.Append({"from the other copy"}));
    other.CloseAll();
    ASSERT_TRUE(rs.SelectStore("s"));
    EXPECT_EQ(rs.RecordCount(), 1);
}

TEST(StoreSharing, ARestoredFileThatGrewPastTheCachedOneIsReadAgainWhole) {
    SetStoreKdfIterationsForTesting(1000);
    TempFolder dir;
    const std::string path = dir.File("cat.edb");
    ASSERT_TRUE(RecordStore::Create(path, "pw", {"c"}));
    RecordStore a, b;
    ASSERT_TRUE(a.Open(path, "c", "pw"));
    ASSERT_TRUE(a.Append({"in the backup"}));
    a.CloseAll();
    const std::string backup = ReadBytes(dir.Path() / "cat.edb");
    ASSERT_TRUE(a.Open(path, "c", "pw"));
    ASSERT_TRUE(a.Append({"after the backup"}));
    a.CloseAll();  // a keeps its table of the file
    WriteBytes(dir.Path() / "cat.edb", backup);
    ASSERT_TRUE(b.Open(path, "c", "pw"));
    ASSERT_TRUE(b.Append({"b1"}));
    ASSERT_TRUE(b.Append({"b2"}));  // now longer than the file a remembers
    b.CloseAll();
    ASSERT_TRUE(a.Open(path, "c", "pw"));
    EXPECT_EQ(Snap(a, 1), (Snapshot{{"in the backup"}, {"b1"}, {"b2"}}));
}

TEST(StoreSharing, AStoreOfAnotherInstallationPutInPlaceIsReadWithItsOwnKey) {
    SetStoreKdfIterationsForTesting(1000);
    TempFolder dir;
    const std::string path = dir.File("cat.edb"), other = dir.File("other.edb");
    ASSERT_TRUE(RecordStore::Create(path, "pw", {"c"}));
    RecordStore rs;  // derives and keeps the key of this file's salt
    ASSERT_TRUE(rs.Open(path, "c", "pw"));
    ASSERT_TRUE(rs.Append({"ours"}));
    rs.CloseAll();
    ASSERT_TRUE(RecordStore::Create(other, "pw", {"c"}));  // same password, another salt
    {
        RecordStore them;
        ASSERT_TRUE(them.Open(other, "c", "pw"));
        ASSERT_TRUE(them.Append({"theirs 1"}));
        ASSERT_TRUE(them.Append({"theirs 2"}));
    }
    WriteBytes(dir.Path() / "cat.edb", ReadBytes(dir.Path() / "other.edb"));
    ASSERT_TRUE(rs.Open(path, "c", "pw")) << rs.LastError();
    EXPECT_EQ(Snap(rs, 1), (Snapshot{{"theirs 1"}, {"theirs 2"}}));
}

TEST(StoreSharing, TwoWritersAtTheSameTimeLoseNothing) {
    SetStoreKdfIterationsForTesting(1000);
    TempFolder dir;
    const std::string path = dir.File("site.edb");
    ASSERT_TRUE(RecordStore::Create(path, "pw", {"writer", "n"}));
    constexpr int kEach = 300;
    auto write = [&](const char* name, bool* ok) {
        RecordStore e;  // an engine of its own, as a second program would have
        *ok = e.Open(path, "s", "pw");
        for (int i = 0; i < kEach && *ok; ++i) *ok = e.Append({name, std::to_string(i)});
        e.CloseAll();
    };
    bool ok1 = false, ok2 = false;
    std::thread one(write, "one", &ok1), two(write, "two", &ok2);
    one.join();
    two.join();
    ASSERT_TRUE(ok1 && ok2);
    bool opened = false;
    const Snapshot all = testing::SnapFile(path, "pw", 2, &opened);
    ASSERT_EQ(all.size(), 2u * kEach);
    std::map<std::string, int> next;  // each writer's rows, in its order
    for (const Fields& f : all) EXPECT_EQ(f[1], std::to_string(next[f[0]]++)) << f[0];
    EXPECT_EQ(next["one"], kEach);
    EXPECT_EQ(next["two"], kEach);
}

}  // namespace
}  // namespace qm

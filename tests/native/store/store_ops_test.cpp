// The record operations and the open-store model: positions, positional values, Find, deletion
// and purge, aliases and full-path identity, persistence across engines.
#include <gtest/gtest.h>

#include "platform/file_io.h"
#include "store/record_store.h"
#include "store/store_file.h"
#include "store_test_util.h"

namespace qm {
namespace {

using testing::Snap;
using testing::Snapshot;
using testing::TempFolder;

const std::vector<std::string> kFields = {"名称", "地址", "PR值"};
const char kPassword[] = "pw-网站@1";

class StoreOps : public ::testing::Test {
  protected:
    void SetUp() override {
        SetStoreKdfIterationsForTesting(1000);
        path = dir.File("网站数据库.edb");
        ASSERT_TRUE(RecordStore::Create(path, kPassword, kFields));
        ASSERT_TRUE(rs.Open(path, "网站", kPassword)) << rs.LastError();
    }
    void Fill(int n) {
        for (int i = 1; i <= n; ++i)
            ASSERT_TRUE(rs.Append(
                {std::string("n").append(std::to_string(i)), std::string("a").append(std::to_string(i))}));
    }
    TempFolder dir;
    std::string path;
    RecordStore rs;
};

TEST_F(StoreOps, EmptyStoreHasNoCurrentRecord) {
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(rs.RecordNumber(), 1);  // past the end
    EXPECT_EQ(rs.Read(1), "");
    EXPECT_EQ(rs.Read("名称"), "");
    EXPECT_FALSE(rs.Modify({std::string("x")}));
    EXPECT_FALSE(rs.Write(1, "x"));
    EXPECT_FALSE(rs.DeleteCurrent());
    EXPECT_FALSE(rs.Find([](const Fields&) { return true; }));
    EXPECT_EQ(rs.RecordNumber(), 1);
}

TEST_F(StoreOps, AppendIsPositionalAndMissingValuesAreEmpty) {
    ASSERT_TRUE(rs.Append({"a"}));
    ASSERT_TRUE(rs.Append({"b", "", "7"}));
    EXPECT_FALSE(rs.Append({"1", "2", "3", "4"}));  // more values than fields
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.RecordNumber(), 1);  // Append leaves the position alone
    EXPECT_EQ(Snap(rs, 3), (Snapshot{{"a", "", ""}, {"b", "", "7"}}));
}

TEST_F(StoreOps, AppendBlankBecomesCurrentAndWriteFillsIt) {
    Fill(2);
    ASSERT_TRUE(rs.AppendBlank());
    EXPECT_EQ(rs.RecordNumber(), 3);
    EXPECT_TRUE(rs.Write("地址", "http://x"));
    EXPECT_TRUE(rs.Write(3, "5"));
    EXPECT_FALSE(rs.Write("没有", "v"));
    EXPECT_FALSE(rs.Write(4, "v"));
    EXPECT_FALSE(rs.Write(0, "v"));
    EXPECT_EQ(rs.Read("地址"), "http://x");
    EXPECT_EQ(rs.Read("pr值"), "5");  // field names fold ASCII case
    EXPECT_EQ(rs.Read(9), "");
}

TEST_F(StoreOps, ModifyKeepsOmittedAndTrailingFields) {
    ASSERT_TRUE(rs.Append({"a", "b", "c"}));
    ASSERT_TRUE(rs.Modify({std::nullopt, std::string("B")}));
    EXPECT_EQ(Snap(rs, 3), (Snapshot{{"a", "B", "c"}}));
    ASSERT_TRUE(rs.Modify({std::string("")}));
    EXPECT_EQ(Snap(rs, 3), (Snapshot{{"", "B", "c"}}));
    EXPECT_FALSE(rs.Modify({std::string("1"), std::string("2"), std::string("3"), std::string("4")}));
    rs.Skip();
    EXPECT_FALSE(rs.Modify({std::string("past the end")}));
}

TEST_F(StoreOps, NavigationStaysWithinTheRecordsAndThePositionAfterThem) {
    Fill(3);
    EXPECT_TRUE(rs.GoTo(3));
    EXPECT_TRUE(rs.Skip());
    EXPECT_EQ(rs.RecordNumber(), 4);
    EXPECT_FALSE(rs.Skip());
    EXPECT_EQ(rs.RecordNumber(), 4);
    EXPECT_FALSE(rs.GoTo(5));
    EXPECT_FALSE(rs.GoTo(0));
    EXPECT_EQ(rs.RecordNumber(), 4);
    EXPECT_TRUE(rs.GoTo(1));
    EXPECT_TRUE(rs.GoTo(4));  // the position after the last record is one to go to
    EXPECT_EQ(rs.RecordNumber(), 4);
    EXPECT_TRUE(rs.First());
    EXPECT_TRUE(rs.Skip(2));
    EXPECT_EQ(rs.Read(1), "n3");
}

TEST_F(StoreOps, FindSearchesForwardAndRestoresThePositionOnNoMatch) {
    Fill(5);
    auto is = [](std::string v) { return [v](const Fields& f) { return f[0] == v; }; };
    ASSERT_TRUE(rs.GoTo(2));
    EXPECT_TRUE(rs.Find(is("n4")));
    EXPECT_EQ(rs.RecordNumber(), 4);
    EXPECT_TRUE(rs.Find(is("n4")));  // the current record itself counts
    EXPECT_EQ(rs.RecordNumber(), 4);
    EXPECT_FALSE(rs.Find(is("n1")));  // behind us
    EXPECT_EQ(rs.RecordNumber(), 4);
    EXPECT_FALSE(rs.Find(is("none")));
    EXPECT_EQ(rs.RecordNumber(), 4);
}

TEST_F(StoreOps, SharedRowsOutliveChangesAndTheEngineThatHandedThemOut) {
    Fill(3);
    std::vector<std::shared_ptr<const char[]>> keep;
    std::vector<std::string_view> rows;
    {
        RecordStore other;
        ASSERT_TRUE(other.Open(path, "other", kPassword));
        ASSERT_TRUE(other.ShareRows(&keep, [&](std::string_view row) { rows.push_back(row); }));
        ASSERT_TRUE(other.GoTo(2));
        ASSERT_TRUE(other.Write(1, std::string(100000, 'x')));  // a new block for the new row
        ASSERT_TRUE(other.DeleteCurrent());
        ASSERT_TRUE(other.Purge());
        other.CloseAll();
    }  // the engine and every table it read are gone
    ASSERT_EQ(rows.size(), 3u);
    std::string_view f[4];
    storefile::RowFields(rows[1], f, 4);
    EXPECT_EQ(f[0], "n2");
    EXPECT_EQ(f[1], "a2");
    EXPECT_EQ(f[2], "");
    EXPECT_EQ(f[3], "") << "a field the row does not have";
    storefile::RowFields(rows[2], f, 1);
    EXPECT_EQ(f[0], "n3");

    // Shared again, the rows are the store's new ones, in record order.
    rows.clear();
    ASSERT_TRUE(rs.ShareRows(&keep, [&](std::string_view row) { rows.push_back(row); }));
    ASSERT_EQ(rows.size(), 2u);
    storefile::RowFields(rows[1], f, 2);
    EXPECT_EQ(f[0], "n3");
    RecordStore none;
    EXPECT_FALSE(none.ShareRows(&keep, [](std::string_view) { FAIL(); }));
}

TEST_F(StoreOps, DeleteAndPurgeRenumberAtOnce) {
    Fill(5);
    ASSERT_TRUE(rs.GoTo(3));
    ASSERT_TRUE(rs.DeleteCurrent());
    EXPECT_EQ(rs.RecordCount(), 5);  // only marked
    ASSERT_TRUE(rs.Purge());
    EXPECT_EQ(rs.RecordCount(), 4);
    ASSERT_TRUE(rs.GoTo(3));
    EXPECT_EQ(rs.Read(1), "n4");
    rs.CloseAll();
    RecordStore other;
    ASSERT_TRUE(other.Open(path, "x", kPassword));
    EXPECT_EQ(Snap(other, 1), (Snapshot{{"n1"}, {"n2"}, {"n4"}, {"n5"}}));
}

TEST_F(StoreOps, OpenFailsOnMissingFileWrongPasswordAndSamePathTwice) {
    RecordStore other;
    EXPECT_FALSE(other.Open(dir.File("none.edb"), "a", kPassword));
    EXPECT_FALSE(other.Open(path, "a", "wrong"));
    EXPECT_FALSE(other.Open(path, "a", ""));
    EXPECT_FALSE(rs.Open(path, "again", kPassword));
    // The same file under another spelling of its path.
    std::string upper = dir.Folder() + "\\.\\网站数据库.EDB";
    EXPECT_TRUE(rs.IsOpen(upper));
    EXPECT_FALSE(rs.Open(upper, "again", kPassword));
    EXPECT_FALSE(rs.IsOpen(dir.File("网站.edb")));
}

TEST_F(StoreOps, AWrongPasswordFailsAlsoWhenTheTableIsCached) {
    Fill(2);
    rs.CloseAll();  // the engine keeps the table and the key
    EXPECT_FALSE(rs.Open(path, "网站", "wrong"));
    EXPECT_FALSE(rs.Open(path, "网站", ""));
    ASSERT_TRUE(rs.Open(path, "网站", kPassword));
    EXPECT_EQ(rs.RecordCount(), 2);
}

TEST_F(StoreOps, ALeftoverOfAnInterruptedCompactionIsGoneAfterTheNextChange) {
    Fill(2);
    rs.CloseAll();
    // A compaction that stopped before its hand-over leaves a new file no entry names.
    ASSERT_TRUE(RecordStore::Create(path + ".new", kPassword, kFields));
    RecordStore next;  // the next start of the program
    ASSERT_TRUE(next.Open(path, "网站", kPassword));
    EXPECT_TRUE(fileio::Exists(path + ".new"));  // an open only reads
    ASSERT_TRUE(next.Append({"n3"}));
    EXPECT_FALSE(fileio::Exists(path + ".new"));
    EXPECT_EQ(next.RecordCount(), 3);
}

TEST_F(StoreOps, SelectStoreByAliasTitleOrPathAndCloseLeavesNoCurrentStore) {
    const std::string second = dir.File("分类数据库.edb");
    ASSERT_TRUE(RecordStore::Create(second, "p2", {"分类名称"}));
    ASSERT_TRUE(rs.Open(second, "Cat", "p2"));
    ASSERT_TRUE(rs.Append({"c1"}));
    EXPECT_TRUE(rs.SelectStore("网站"));
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.SelectStore("cAT"));
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_TRUE(rs.SelectStore("网站数据库"));
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.SelectStore(second));
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_FALSE(rs.SelectStore("nothing"));
    EXPECT_FALSE(rs.Open(dir.File("x.edb"), "cat", "p2"));  // alias in use (and no file)
    const std::string third = dir.File("综合库.edb");
    ASSERT_TRUE(RecordStore::Create(third, "p3", {"x"}));
    EXPECT_FALSE(rs.Open(third, "cat", "p3"));  // differs from "Cat" only in letter case
    EXPECT_EQ(rs.LastError(), "alias in use: cat");
    EXPECT_TRUE(rs.Close("CAT"));
    EXPECT_FALSE(rs.Close("cat"));
    EXPECT_EQ(rs.RecordNumber(), 0);
    EXPECT_FALSE(rs.Append({"x"}));
    EXPECT_TRUE(rs.SelectStore("网站"));
}

TEST_F(StoreOps, TextIsKeptByteForByteAcrossEngines) {
    const std::string tricky = "淺\\丄A|" + std::string("\0\xff", 2);
    const std::string big(100000, 'x');
    ASSERT_TRUE(rs.Append({tricky, big, ""}));
    rs.CloseAll();
    RecordStore other;
    ASSERT_TRUE(other.Open(path, "y", kPassword));
    EXPECT_EQ(Snap(other, 3), (Snapshot{{tricky, big, ""}}));
    // A file name whose second byte is a backslash (淺 is 9C 5C) names one file, not a folder.
    const std::string odd = dir.File("淺.edb");
    ASSERT_TRUE(RecordStore::Create(odd, kPassword, kFields));
    ASSERT_TRUE(other.Open(odd, "淺", kPassword));
    ASSERT_TRUE(other.Append({"x"}));
    other.CloseAll();
    bool opened = false;
    EXPECT_EQ(testing::SnapFile(odd, kPassword, 1, &opened), Snapshot{{"x"}});
}

TEST_F(StoreOps, LengthsAndRecordNumbersAtTheEdgesOfTheirEncodingSurviveAReopen) {
    // Lengths and indices are stored in 7-bit groups: 127 and 128, 16383 and 16384 are the edges.
    Fill(130);
    ASSERT_TRUE(rs.GoTo(129));  // index 128
    ASSERT_TRUE(rs.Modify({std::string(128, 'a'), std::string(16384, 'b'), std::string(127, 'c')}));
    ASSERT_TRUE(rs.GoTo(130));
    ASSERT_TRUE(rs.Write(2, std::string(16383, 'd')));
    ASSERT_TRUE(rs.GoTo(128) && rs.DeleteCurrent());
    const Snapshot want = Snap(rs, 3);
    rs.CloseAll();
    RecordStore other;
    ASSERT_TRUE(other.Open(path, "x", kPassword));
    EXPECT_EQ(Snap(other, 3), want);
    ASSERT_TRUE(other.Purge());
    ASSERT_TRUE(other.GoTo(128));
    EXPECT_EQ(other.Read(1), std::string(128, 'a'));
}

TEST_F(StoreOps, ReopenUsesTheCachedTableAndSeesOutsideChanges) {
    Fill(2);
    rs.Close("网站");
    RecordStore outsider;  // stands for a second instance of the program
    ASSERT_TRUE(outsider.Open(path, "o", kPassword));
    ASSERT_TRUE(outsider.Append({"outside"}));
    outsider.CloseAll();
    ASSERT_TRUE(rs.Open(path, "网站", kPassword));
    EXPECT_EQ(rs.RecordCount(), 3);
    ASSERT_TRUE(rs.GoTo(3));
    EXPECT_EQ(rs.Read(1), "outside");
}

TEST_F(StoreOps, ManyModificationsCompactTheFile) {
    Fill(20);
    for (int round = 0; round < 200; ++round) {
        ASSERT_TRUE(rs.GoTo(round % 20 + 1));
        ASSERT_TRUE(rs.Modify({std::nullopt, std::string(400, static_cast<char>('a' + round % 26))}));
    }
    fileio::FileStat st;
    ASSERT_TRUE(fileio::StatPath(path, &st));
    EXPECT_LT(st.size, 64u * 1024u);  // 200 rewrites of ~400 bytes would be ~90 KB
    rs.CloseAll();
    RecordStore other;
    ASSERT_TRUE(other.Open(path, "y", kPassword));
    ASSERT_EQ(other.RecordCount(), 20);
    ASSERT_TRUE(other.GoTo(20));
    EXPECT_EQ(other.Read(2), std::string(400, static_cast<char>('a' + 199 % 26)));
    EXPECT_FALSE(fileio::Exists(path + ".new"));
}

TEST_F(StoreOps, ReadsFollowEveryChangeOfTheCurrentRecord) {
    Fill(3);
    ASSERT_TRUE(rs.GoTo(2));
    EXPECT_EQ(rs.Read(1), "n2");
    ASSERT_TRUE(rs.Write(1, "w2"));
    EXPECT_EQ(rs.Read(1), "w2");
    ASSERT_TRUE(rs.Modify({std::nullopt, std::string("m2")}));
    EXPECT_EQ(rs.Read("地址"), "m2");
    ASSERT_TRUE(rs.DeleteCurrent());
    ASSERT_TRUE(rs.Purge());
    EXPECT_EQ(rs.Read(1), "n3");  // record 2 is now the former third one

    RecordStore outsider;
    ASSERT_TRUE(outsider.Open(path, "o", kPassword));
    ASSERT_TRUE(outsider.GoTo(2));
    ASSERT_TRUE(outsider.Write(1, "from outside"));
    outsider.CloseAll();
    ASSERT_TRUE(rs.GoTo(2));
    EXPECT_EQ(rs.Read(1), "from outside");
}

TEST_F(StoreOps, AStoreWrittenInManySmallEntriesIsCompactedWhenClosed) {
    // Past the engine's threshold of single-change entries (4096) in one session.
    for (int i = 0; i < 4200; ++i) ASSERT_TRUE(rs.Append({std::to_string(i)}));
    fileio::FileStat before, now;
    ASSERT_TRUE(fileio::StatPath(path, &before));

    RecordStore reader;  // a store that is only read is never written
    ASSERT_TRUE(reader.Open(path, "r", kPassword));
    ASSERT_EQ(reader.RecordCount(), 4200);
    ASSERT_TRUE(reader.GoTo(4200));
    EXPECT_EQ(reader.Read(1), "4199");
    reader.CloseAll();
    ASSERT_TRUE(fileio::StatPath(path, &now));
    EXPECT_EQ(now, before);

    rs.CloseAll();
    ASSERT_TRUE(fileio::StatPath(path, &now));
    EXPECT_LT(now.size, before.size / 2);  // 32 bytes of sealing per entry are gone
    EXPECT_NE(now.identity, before.identity);
    EXPECT_FALSE(fileio::Exists(path + ".new"));

    ASSERT_TRUE(reader.Open(path, "r", kPassword));
    ASSERT_EQ(reader.RecordCount(), 4200);
    ASSERT_TRUE(reader.GoTo(4200));
    EXPECT_EQ(reader.Read(1), "4199");
    ASSERT_TRUE(reader.Append({"one more"}));
    reader.CloseAll();  // a few entries since: appended to, not rewritten
    fileio::FileStat last;
    ASSERT_TRUE(fileio::StatPath(path, &last));
    EXPECT_EQ(last.identity, now.identity);
    EXPECT_GT(last.size, now.size);
}

// A record too long to be rewritten as one entry (as renaming its category rewrites it) is never
// stored: the engine refuses the change before writing, in a batch too, and one just below the
// limit is stored, rewritten and read back.
TEST_F(StoreOps, ARecordTooLongToBeRewrittenIsRefusedAndNothingIsWritten) {
    Fill(1);
    const std::string before = testing::FileBytes(path);
    const std::string tooLong(16u << 20, 'x');
    EXPECT_FALSE(rs.Append({"big", tooLong}));
    EXPECT_EQ(rs.LastError(), "record too long");
    ASSERT_TRUE(rs.GoTo(1));
    EXPECT_FALSE(rs.Write(2, tooLong));
    EXPECT_FALSE(rs.Modify({std::nullopt, std::nullopt, tooLong}));
    ASSERT_TRUE(rs.BeginBatch());
    EXPECT_FALSE(rs.Append({"big", tooLong}));
    EXPECT_EQ(rs.RecordCount(), 1);
    ASSERT_TRUE(rs.CommitBatch());
    EXPECT_EQ(testing::FileBytes(path), before);
    EXPECT_EQ(rs.Read(2), "a1");
    const std::string largest((16u << 20) - 64, 'y');
    ASSERT_TRUE(rs.Append({"large", largest}));
    ASSERT_TRUE(rs.GoTo(2) && rs.Write(1, "renamed"));
    EXPECT_FALSE(rs.Write(3, std::string(100, 'z')));  // now over the limit
    RecordStore other;
    ASSERT_TRUE(other.Open(path, "o", kPassword)) << other.LastError();
    ASSERT_TRUE(other.GoTo(2));
    EXPECT_EQ(other.Read(1), "renamed");
    EXPECT_TRUE(other.Read(2) == largest);
    EXPECT_EQ(other.Read(3), "");
}

TEST(StoreCreate, RefusesToOverwriteUnlessAsked) {
    SetStoreKdfIterationsForTesting(1000);
    TempFolder dir;
    const std::string path = dir.File("综合库.edb");
    ASSERT_TRUE(RecordStore::Create(path, "a", {"f"}));
    EXPECT_FALSE(RecordStore::Create(path, "b", {"f"}));
    EXPECT_FALSE(RecordStore::Create(dir.File("x.edb"), "b", {}));
    RecordStore rs;
    EXPECT_TRUE(rs.Open(path, "t", "a"));
    rs.CloseAll();
    EXPECT_TRUE(RecordStore::Create(path, "b", {"f"}, true));
    EXPECT_FALSE(rs.Open(path, "t", "a"));
    EXPECT_TRUE(rs.Open(path, "t", "b"));
}

// The check for an existing file is made again once the new one is written: a store another
// copy of the program created meanwhile is kept, and the new file goes away.
TEST(StoreCreate, NeverReplacesAFileThatAppearedWhileItWasWritten) {
    SetStoreKdfIterationsForTesting(1000);
    TempFolder dir;
    const std::string path = dir.File("分类数据库.edb");
    bool planted = false;
    fileio::SetFaultHook([&](fileio::Op op) {
        if (op == fileio::Op::Write && !planted) {
            planted = true;
            EXPECT_TRUE(testing::PutFileBytes(path, "another store"));
        }
        return fileio::Fault::None;
    });
    EXPECT_FALSE(RecordStore::Create(path, "pw", {"f"}));
    fileio::SetFaultHook({});
    EXPECT_TRUE(planted);
    EXPECT_EQ(testing::FileBytes(path), "another store");
    EXPECT_FALSE(fileio::Exists(path + ".new"));
}

// A flush that fails is a failed write: a new store is not put in place, and a batch (the file is
// flushed before it) is not written.
TEST(StoreCreate, AFailedFlushIsAFailedWrite) {
    SetStoreKdfIterationsForTesting(1000);
    TempFolder dir;
    const std::string path = dir.File("综合库.edb");
    auto failFlushes = [] {
        fileio::SetFaultHook(
            [](fileio::Op op) { return op == fileio::Op::Sync ? fileio::Fault::Fail : fileio::Fault::None; });
    };
    failFlushes();
    EXPECT_FALSE(RecordStore::Create(path, "pw", {"f"}));
    fileio::SetFaultHook({});
    EXPECT_FALSE(fileio::Exists(path));
    EXPECT_FALSE(fileio::Exists(path + ".new"));
    ASSERT_TRUE(RecordStore::Create(path, "pw", {"f"}));
    RecordStore rs;
    ASSERT_TRUE(rs.Open(path, "t", "pw"));
    const std::string before = testing::FileBytes(path);
    ASSERT_TRUE(rs.BeginBatch());
    ASSERT_TRUE(rs.Append({"in the batch"}));
    failFlushes();
    EXPECT_FALSE(rs.CommitBatch());
    fileio::SetFaultHook({});
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(testing::FileBytes(path), before);
}

}  // namespace
}  // namespace qm

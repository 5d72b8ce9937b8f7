// Batches: inside one, every change acts on the tables at once exactly as it does one by one
// (record numbers, the current record, Find, purges that renumber), and each store file changed is
// written once, at the end. Compared step by step with the same changes made one by one, and on
// disk afterwards; an aborted or failed batch leaves nothing behind; other engines see the file as
// it was until the batch ends, and their writes wait for it. Crashes and I/O faults inside a batch
// are covered by the sweeps of store_faults_test.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/file_io.h"
#include "store/record_store.h"
#include "store/store_format.h"
#include "store_test_util.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::Snap;
using testing::SnapFile;
using testing::Snapshot;
using testing::TempFolder;
using testing::WriteBytes;

const char kPw[] = "pw";

class StoreBatch : public ::testing::Test {
  protected:
    void SetUp() override {
        SetStoreKdfIterationsForTesting(1000);
        fileio::SetSyncToDiskForTesting(false);  // flushes are counted, not waited for
        ASSERT_TRUE(RecordStore::Create(batched, kPw, {"a", "b", "c"}));
        ASSERT_TRUE(RecordStore::Create(literal, kPw, {"a", "b", "c"}));
    }
    void TearDown() override {
        fileio::SetFaultHook({});
        fileio::SetSyncToDiskForTesting(true);
    }
    // The same records in both stores, appended one by one.
    void Fill(int n) {
        for (const std::string& path : {batched, literal}) {
            RecordStore r;
            ASSERT_TRUE(r.Open(path, "s", kPw));
            for (int i = 0; i < n; ++i)
                ASSERT_TRUE(r.Append({std::string("c").append(std::to_string(i % 7)), std::to_string(i),
                                      std::string(i % 5, 'x')}));
        }
    }
    Snapshot OnDisk(const std::string& path) {
        bool opened = false;
        Snapshot s = SnapFile(path, kPw, 3, &opened);
        EXPECT_TRUE(opened) << path;
        return s;
    }
    TempFolder dir;
    const std::string batched = dir.File("batched.edb"), literal = dir.File("literal.edb");
};

// What the program sees after one step: the step's result, the position, the count and the current
// record's fields.
std::string Seen(RecordStore& r, bool result) {
    std::string s = std::to_string(result);
    s.append(" #")
        .append(std::to_string(r.RecordNumber()))
        .append("/")
        .append(std::to_string(r.RecordCount()));
    for (int k = 1; k <= 3; ++k) s.append("|").append(r.Read(k));
    return s;
}

// One random step, the same on any engine given the same random numbers.
bool RandomStep(RecordStore& r, const std::string& path, std::uint32_t op, std::uint32_t arg) {
    const std::string v = std::string("c").append(std::to_string(arg % 7));
    switch (op % 13) {
        case 0:
        case 1:
            return r.Append({v, std::to_string(arg), "new"});
        case 2:
            return r.AppendBlank() && r.Write(1, v);
        case 3:
            return r.Write(1 + static_cast<int>(arg % 3), std::string("w").append(std::to_string(arg)));
        case 4:
            return r.Modify({std::nullopt, std::string("m").append(std::to_string(arg))});
        case 5:
            return r.GoTo(static_cast<long long>(arg % (r.RecordCount() + 3)));
        case 6:
            return r.Skip(static_cast<long long>(arg % 5) - 1);
        case 7:
            return r.First();
        case 8:
            return r.Find([&](const Fields& f) { return f[0] == v; });
        case 9:
            return r.DeleteCurrent();
        case 10:
            return r.Purge();
        case 11:
            return r.DeleteCurrent() && r.Purge();
        default:  // the program's open-work-close pattern: closing keeps the batch's changes
            r.CloseAll();
            return r.Open(path, "s", kPw);
    }
}

TEST_F(StoreBatch, EveryStepSeesWhatTheSameStepsOneByOneSee) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        Fill(40);
        RecordStore x, y;
        ASSERT_TRUE(x.Open(batched, "s", kPw));
        ASSERT_TRUE(y.Open(literal, "s", kPw));
        ASSERT_TRUE(x.BeginBatch());
        EXPECT_TRUE(x.InBatch());
        const std::string before = ReadBytes(dir.Path() / "batched.edb");
        std::mt19937 rng(seed);
        for (int step = 0; step < 400; ++step) {
            const std::uint32_t op = rng(), arg = rng();
            const bool rx = RandomStep(x, batched, op, arg), ry = RandomStep(y, literal, op, arg);
            ASSERT_EQ(Seen(x, rx), Seen(y, ry)) << "seed " << seed << ", step " << step << ", op " << op % 13;
            if (step % 50 == 0) {
                ASSERT_EQ(Snap(x, 3), Snap(y, 3)) << "step " << step;
            }
        }
        EXPECT_EQ(ReadBytes(dir.Path() / "batched.edb"), before);  // nothing written until the end
        ASSERT_TRUE(x.CommitBatch()) << x.LastError();
        EXPECT_FALSE(x.InBatch());
        EXPECT_EQ(Snap(x, 3), Snap(y, 3));
        x.CloseAll();
        y.CloseAll();
        EXPECT_EQ(OnDisk(batched), OnDisk(literal)) << "seed " << seed;
        ASSERT_TRUE(RecordStore::Create(batched, kPw, {"a", "b", "c"}, true));
        ASSERT_TRUE(RecordStore::Create(literal, kPw, {"a", "b", "c"}, true));
    }
}

TEST_F(StoreBatch, DeletingACategoryInABatchGivesTheLiteralResultInOneWrite) {
    Fill(700);
    auto deleteCategory = [](RecordStore& r, const std::string& name) {
        ASSERT_TRUE(r.First());
        int deleted = 0;
        while (r.Find([&](const Fields& f) { return f[0] == name; })) {
            ASSERT_TRUE(r.DeleteCurrent() && r.Purge());
            ++deleted;
        }
        EXPECT_EQ(deleted, 100);
    };
    RecordStore x, y;
    ASSERT_TRUE(x.Open(batched, "s", kPw));
    ASSERT_TRUE(y.Open(literal, "s", kPw));
    int writes = 0;
    fileio::SetDetailedFaultHook([&](const fileio::OpInfo& op) {
        writes += op.op == fileio::Op::Write && op.path == fileio::AbsolutePath(batched);
        return fileio::Fault::None;
    });
    ASSERT_TRUE(x.BeginBatch());
    deleteCategory(x, "c3");
    EXPECT_EQ(writes, 0);
    ASSERT_TRUE(x.CommitBatch());
    fileio::SetFaultHook({});
    EXPECT_EQ(writes,
              1 + 1);  // the batch, and the hand-over of the compaction a purge of a small store makes
    deleteCategory(y, "c3");
    EXPECT_EQ(x.RecordNumber(), y.RecordNumber());
    EXPECT_EQ(Snap(x, 3), Snap(y, 3));
    x.CloseAll();
    y.CloseAll();
    EXPECT_EQ(OnDisk(batched), OnDisk(literal));
    EXPECT_EQ(OnDisk(batched).size(), 600u);
}

TEST_F(StoreBatch, ABatchOnALargeStoreIsWrittenAsItsOwnEntryAndReadBackTheSame) {
    // Over 4 MB a purge does not rewrite the file, so what the batch entry says is what is read.
    RecordStore r;
    ASSERT_TRUE(r.Open(batched, "s", kPw));
    ASSERT_TRUE(r.BeginBatch());
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(r.Append({std::to_string(i), std::string(15000, 'a' + i % 26)}));
    ASSERT_TRUE(r.CommitBatch());
    const std::size_t before = ReadBytes(dir.Path() / "batched.edb").size();
    ASSERT_GT(before, 4u << 20);
    ASSERT_TRUE(r.BeginBatch());
    for (long long n : {11, 11, 50, 120}) ASSERT_TRUE(r.GoTo(n) && r.DeleteCurrent() && r.Purge());
    ASSERT_TRUE(r.GoTo(100) && r.Write(3, "changed"));
    ASSERT_TRUE(r.GoTo(200) && r.DeleteCurrent());  // marked, not purged
    ASSERT_TRUE(r.Append({"new"}));
    ASSERT_TRUE(r.CommitBatch());
    // Runs of kept rows, and only the rows written in the batch (two changed, one new) whole.
    EXPECT_LT(ReadBytes(dir.Path() / "batched.edb").size(), before + 2 * 15000 + 1000);
    const Snapshot want = Snap(r, 3);
    ASSERT_EQ(want.size(), 297u);
    EXPECT_EQ(OnDisk(batched), want);
    ASSERT_TRUE(r.Purge());
    RecordStore fresh;
    ASSERT_TRUE(fresh.Open(dir.File("batched.edb"), "f", kPw));
    ASSERT_TRUE(fresh.Purge());  // the record marked in the batch is marked on disk too
    EXPECT_EQ(Snap(fresh, 3), Snap(r, 3));
}

TEST_F(StoreBatch, AnAbortedBatchLeavesTheTablesAndFilesAsTheyWere) {
    Fill(10);
    const std::string before = ReadBytes(dir.Path() / "batched.edb");
    RecordStore r;
    ASSERT_TRUE(r.Open(batched, "s", kPw));
    const Snapshot was = Snap(r, 3);
    ASSERT_TRUE(r.BeginBatch());
    EXPECT_FALSE(r.BeginBatch());  // one batch at a time
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(r.Append({"n"}));
    ASSERT_TRUE(r.GoTo(28) && r.DeleteCurrent() && r.Purge());
    r.CloseAll();
    ASSERT_TRUE(r.Open(batched, "s", kPw));
    ASSERT_TRUE(r.GoTo(25));
    EXPECT_EQ(r.RecordCount(), 29);
    r.AbortBatch();
    EXPECT_FALSE(r.InBatch());
    EXPECT_EQ(r.RecordCount(), 10);
    EXPECT_EQ(r.RecordNumber(), 11);  // past the end, as after a deletion there
    EXPECT_EQ(Snap(r, 3), was);
    EXPECT_FALSE(r.CommitBatch());  // no batch
    r.CloseAll();
    EXPECT_EQ(ReadBytes(dir.Path() / "batched.edb"), before);
    EXPECT_EQ(OnDisk(batched), was);
}

TEST_F(StoreBatch, OthersReadTheFileAsBeforeAndWaitToWriteUntilTheBatchEnds) {
    Fill(3);
    RecordStore a;
    ASSERT_TRUE(a.Open(batched, "s", kPw));
    const Snapshot before = Snap(a, 3);
    ASSERT_TRUE(a.BeginBatch());
    ASSERT_TRUE(a.Append({"in the batch"}));
    RecordStore reader;
    ASSERT_TRUE(reader.Open(batched, "r", kPw));
    EXPECT_EQ(Snap(reader, 3), before);
    reader.CloseAll();
    std::atomic<bool> written{false};
    std::thread other([&] {  // a second program writing the same file
        RecordStore b;
        EXPECT_TRUE(b.Open(batched, "s", kPw));
        EXPECT_TRUE(b.Append({"after the batch"}));
        written = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(written) << "a writer did not wait for the batch";
    ASSERT_TRUE(a.Append({"also in the batch"}));
    ASSERT_TRUE(a.CommitBatch());
    other.join();
    Snapshot want = before;
    for (const char* v : {"in the batch", "also in the batch", "after the batch"})
        want.push_back({v, "", ""});
    EXPECT_EQ(OnDisk(batched), want);
    ASSERT_TRUE(a.First());  // the other program's row is read in
    EXPECT_EQ(Snap(a, 3), want);
}

TEST_F(StoreBatch, ABatchLargerThanOneEntryIsTakenOnlyWhole) {
    Fill(2);
    RecordStore r;
    ASSERT_TRUE(r.Open(batched, "s", kPw));
    const Snapshot before = Snap(r, 3);
    const std::size_t sizeBefore = ReadBytes(dir.Path() / "batched.edb").size();
    ASSERT_TRUE(r.BeginBatch());
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(r.Append({std::to_string(i), std::string(200000, 'a' + i)}));
    ASSERT_TRUE(r.CommitBatch()) << r.LastError();
    const Snapshot after = Snap(r, 3);
    r.CloseAll();
    EXPECT_EQ(OnDisk(batched), after);
    const std::string whole = ReadBytes(dir.Path() / "batched.edb");
    const std::vector<std::size_t> at = testing::EntryBounds(whole);
    ASSERT_EQ(at.size(), 3u + 3u + 1u);  // schema, two appends, the batch in three parts; the end
    ASSERT_EQ(at[3], sizeBefore);
    // Cut inside the last part, or the last part zeroed: none of the batch, and the next change is
    // written where the batch began.
    WriteBytes(dir.Path() / "batched.edb", whole.substr(0, at[5] + 1000));
    EXPECT_EQ(OnDisk(batched), before);
    {
        RecordStore next;
        ASSERT_TRUE(next.Open(batched, "s", kPw));
        ASSERT_TRUE(next.Append({"next"}));
    }
    Snapshot withNext = before;
    withNext.push_back({"next", "", ""});
    EXPECT_EQ(OnDisk(batched), withNext);
    EXPECT_EQ(testing::EntryBounds(ReadBytes(dir.Path() / "batched.edb"))[3], at[3]);
    std::string zeroed = whole;
    std::fill(zeroed.begin() + static_cast<std::ptrdiff_t>(at[5]), zeroed.end(), '\0');
    WriteBytes(dir.Path() / "batched.edb", zeroed);
    EXPECT_EQ(OnDisk(batched), before);
    // The first part damaged, the later ones intact: what a machine crash leaves when it loses a
    // page of the batch's one write, so none of the batch either.
    auto damageFirstPart = [&](std::string bytes) {
        bytes[at[3] + 100] = static_cast<char>(bytes[at[3] + 100] ^ 1);
        WriteBytes(dir.Path() / "batched.edb", bytes);
    };
    damageFirstPart(whole);
    EXPECT_EQ(OnDisk(batched), before);
    // With a change written after the batch, the same damage is followed by data.
    WriteBytes(dir.Path() / "batched.edb", whole);
    {
        RecordStore next;
        ASSERT_TRUE(next.Open(batched, "s", kPw));
        ASSERT_TRUE(next.Append({"after"}));
    }
    damageFirstPart(ReadBytes(dir.Path() / "batched.edb"));
    RecordStore fresh;
    EXPECT_FALSE(fresh.Open(batched, "s", kPw));
    EXPECT_EQ(fresh.LastError(), "damaged entry at " + std::to_string(at[3]));
}

// The body of a batch is cut into parts of one size whatever the rows' bounds (a reader tells a torn
// batch by that size), and a body of whole parts ends with its last full part, not an empty one.
TEST_F(StoreBatch, ABatchIsCutIntoWholePartsUpToItsLastByte) {
    namespace sf = storefile;
    constexpr std::size_t kPart = sf::kBatchPartSize, kPartEntry = sf::kEntryOverhead + 1 + kPart;
    Fill(2);
    // Body: the row count, the run of the two rows kept (2 bytes), the run head of one new row, its
    // length (3 bytes) and the row {"x", L bytes, ""}: flag, 1 + 1, 3 + L, 1. So L + 14 bytes.
    for (const std::size_t extra : {0, 1, 2}) {
        const std::size_t l = 2 * kPart - 14 + extra;
        const std::string name = "parts" + std::to_string(extra) + ".edb", path = dir.File(name);
        WriteBytes(dir.Path() / name, ReadBytes(dir.Path() / "batched.edb"));
        {
            RecordStore r;
            ASSERT_TRUE(r.Open(path, "s", kPw));
            ASSERT_TRUE(r.BeginBatch());
            ASSERT_TRUE(r.Append({"x", std::string(l, 'y')}));
            ASSERT_TRUE(r.CommitBatch()) << r.LastError();
        }
        const std::string bytes = ReadBytes(dir.Path() / name);
        const std::vector<std::size_t> at = testing::EntryBounds(bytes);
        ASSERT_EQ(at.size(), 3u + (extra ? 3u : 2u) + 1u) << extra;  // schema, two appends, the parts
        EXPECT_EQ(at[4] - at[3], kPartEntry);
        EXPECT_EQ(at[5] - at[4], kPartEntry);
        if (extra) EXPECT_EQ(at[6] - at[5], sf::kEntryOverhead + 1 + extra);
        EXPECT_EQ(at.back(), bytes.size());
        Snapshot want = OnDisk(batched);
        want.push_back({"x", std::string(l, 'y'), ""});
        EXPECT_EQ(OnDisk(path), want) << extra;
    }
}

TEST_F(StoreBatch, AFilePutInPlaceDuringTheBatchFailsItsCommitAndIsKept) {
    Fill(3);
    const std::string backup = ReadBytes(dir.Path() / "batched.edb");
    RecordStore r;
    ASSERT_TRUE(r.Open(batched, "s", kPw));
    ASSERT_TRUE(r.Append({"before the batch"}));
    const Snapshot before = Snap(r, 3);
    ASSERT_TRUE(r.BeginBatch());
    ASSERT_TRUE(r.Append({"lost with the batch"}));
    // A restore: the backup written beside the store and renamed over it (a system that does not
    // rename over an open file cannot do this to a batch).
    WriteBytes(dir.Path() / "restored.tmp", backup);
    std::error_code renamed;
    std::filesystem::rename(dir.Path() / "restored.tmp", dir.Path() / "batched.edb", renamed);
    if (renamed) {
        ASSERT_TRUE(r.CommitBatch());
        GTEST_SKIP() << "no rename over an open file here: " << renamed.message();
    }
    EXPECT_FALSE(r.CommitBatch());
    EXPECT_NE(r.LastError().find("replaced"), std::string::npos) << r.LastError();
    EXPECT_EQ(r.RecordCount(), 4);  // the batch is undone
    EXPECT_EQ(ReadBytes(dir.Path() / "batched.edb"), backup);
    ASSERT_TRUE(r.First());  // and the restored file is read in
    EXPECT_EQ(Snap(r, 3), Snapshot(before.begin(), before.begin() + 3));
}

}  // namespace
}  // namespace qm

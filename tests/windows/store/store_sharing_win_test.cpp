// Stores and other handles on Windows: a backup reading a store that is open, a compaction whose
// rename meets another handle (briefly, or for longer), and a writer that denies sharing.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "../../native/store/store_test_util.h"
#include "platform/file_io.h"
#include "store/record_store.h"
#include "platform/win32/wide.h"

namespace qm {
namespace {

using testing::Snap;
using testing::SnapFile;
using testing::Snapshot;
using testing::TempFolder;

HANDLE OpenOther(const std::string& path, DWORD share) {
    return CreateFileW(ToWide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

class StoreWindows : public ::testing::Test {
protected:
    void SetUp() override {
        SetStoreKdfIterationsForTesting(1000);
        path = dir.File("网站数据库.edb");
        ASSERT_TRUE(RecordStore::Create(path, "pw", {"a"}));
        ASSERT_TRUE(rs.Open(path, "s", "pw"));
        for (const char* v : {"1", "2", "3"}) ASSERT_TRUE(rs.Append({v}));
    }
    TempFolder dir;
    std::string path;
    RecordStore rs;
};

TEST_F(StoreWindows, ABackupCanReadTheFileWhileTheStoreIsOpenAndWritten) {
    HANDLE h = OpenOther(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(rs.Append({"4"}));
    char magic[7] = {};
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(h, magic, sizeof magic, &got, nullptr));
    EXPECT_EQ(std::string(magic, got), "QMSTORE");
    CloseHandle(h);
}

TEST_F(StoreWindows, CompactionRetriesWhileAnotherHandleIsBrieflyOpen) {
    HANDLE h = OpenOther(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::thread release([h] {
        Sleep(60);
        CloseHandle(h);
    });
    ASSERT_TRUE(rs.GoTo(2));
    ASSERT_TRUE(rs.DeleteCurrent());
    EXPECT_TRUE(rs.Purge());  // small store: compacts at once
    release.join();
    EXPECT_FALSE(fileio::Exists(path + ".new")) << rs.LastError();
    bool opened = false;
    EXPECT_EQ(SnapFile(path, "pw", 1, &opened), (Snapshot{{"1"}, {"3"}}));
    EXPECT_TRUE(opened);
}

TEST_F(StoreWindows, ABlockedReplacementIsFinishedLaterAndNothingIsLost) {
    // Without FILE_SHARE_DELETE the handle blocks the rename on Windows and under Wine alike.
    HANDLE h = OpenOther(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(rs.GoTo(1));
    ASSERT_TRUE(rs.DeleteCurrent());
    EXPECT_TRUE(rs.Purge());                     // the purge itself is in the file; only the rewrite waits
    EXPECT_TRUE(fileio::Exists(path + ".new"));  // the open handle blocks the rename
    bool opened = false;
    EXPECT_EQ(SnapFile(path, "pw", 1, &opened), (Snapshot{{"2"}, {"3"}}));
    CloseHandle(h);
    rs.CloseAll();
    RecordStore later;  // the next open finishes the interrupted replacement
    ASSERT_TRUE(later.Open(path, "s", "pw"));
    EXPECT_FALSE(fileio::Exists(path + ".new"));
    EXPECT_TRUE(later.Append({"4"}));
    EXPECT_EQ(Snap(later, 1), (Snapshot{{"2"}, {"3"}, {"4"}}));
}

TEST_F(StoreWindows, AWriterThatDeniesSharingMakesChangesFailCleanly) {
    HANDLE h = OpenOther(path, FILE_SHARE_READ);  // denies writers
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(rs.Append({"blocked"}));
    EXPECT_EQ(rs.RecordCount(), 3);
    CloseHandle(h);
    EXPECT_TRUE(rs.Append({"4"}));
    bool opened = false;
    EXPECT_EQ(SnapFile(path, "pw", 1, &opened), (Snapshot{{"1"}, {"2"}, {"3"}, {"4"}}));
}

}  // namespace
}  // namespace qm

// I/O failures and crashes at every file operation of a scripted session. Each operation the
// engine makes is numbered; for each number the session is run again with that operation
// failing (once, or for good as when the disk is full or the process dies there). Afterwards a
// fresh engine must find on disk exactly what the session's engine believes (a failed operation
// changed nothing), or, after a crash, the state before or after the operation in flight.
#include <gtest/gtest.h>

#include <functional>

#include "platform/file_io.h"
#include "platform/record_store.h"
#include "store_test_util.h"

namespace qm {
namespace {

using testing::Snap;
using testing::SnapFile;
using testing::Snapshot;
using testing::TempFolder;

const char kPw[] = "pw";
constexpr int kFields = 2;

using Step = std::function<bool(RecordStore&)>;

// Appends, changes, a delete with purge (which compacts) and a close, then more of the same. Each
// step makes at most one change, so a failed step must leave the table as it was.
std::vector<Step> Script() {
    return {
        [](RecordStore& r) {
            return r.Append({"a", "1"});
        },
        [](RecordStore& r) {
            return r.Append({"b", "2"});
        },
        [](RecordStore& r) {
            return r.Append({"c", "3"});
        },
        [](RecordStore& r) {
            return r.GoTo(2) && r.Modify({std::nullopt, std::string("22")});
        },
        [](RecordStore& r) { return r.AppendBlank(); },
        [](RecordStore& r) { return r.Write(1, "d"); },
        [](RecordStore& r) { return r.GoTo(1) && r.DeleteCurrent(); },
        [](RecordStore& r) { return r.Purge(); },
        [](RecordStore& r) { return r.CloseAll(), true; },  // the session reopens the store
        [](RecordStore& r) {
            return r.Append({"e", "5"});
        },
        [](RecordStore& r) { return r.GoTo(1) && r.Write("f2", "x"); },
    };
}

struct Session {
    TempFolder dir;
    std::string path;
    Session() {
        SetStoreKdfIterationsForTesting(1000);
        fileio::SetSyncToDiskForTesting(false);  // a crash of the process, not of the machine
        path = dir.File("网站数据库.edb");
        RecordStore::Create(path, kPw, {"f1", "f2"});
    }
    ~Session() { fileio::SetSyncToDiskForTesting(true); }
    bool Reopen(RecordStore& r) { return r.Open(path, "s", kPw); }
};

// Runs the script; the step that closes reopens the store. Returns the number of file operations.
int CountOperations() {
    Session s;
    int ops = 0;
    RecordStore r;
    s.Reopen(r);
    fileio::SetFaultHook([&](fileio::Op) {
        ++ops;
        return fileio::Fault::None;
    });
    for (const Step& step : Script()) {
        step(r);
        if (r.RecordNumber() == 0) s.Reopen(r);
    }
    r.CloseAll();
    fileio::SetFaultHook({});
    return ops;
}

// Runs the session once per file operation k, with operation k failing once (or for good).
void RunWithFailures(bool forGood) {
    const int total = CountOperations();
    ASSERT_GT(total, 30);
    int checked = 0;
    {
        for (int k = 0; k < total; ++k) {
            Session s;
            RecordStore r;
            ASSERT_TRUE(s.Reopen(r));
            int n = 0;
            bool faulting = false;
            fileio::SetFaultHook([&](fileio::Op op) {
                if (!faulting) return fileio::Fault::None;
                const int i = n++;
                if (i == k || (forGood && i > k))
                    return op == fileio::Op::Write ? fileio::Fault::ShortWrite : fileio::Fault::Fail;
                return fileio::Fault::None;
            });
            for (const Step& step : Script()) {
                if (r.RecordNumber() == 0 && !s.Reopen(r)) break;  // reopen failed while faulting
                Snapshot before = Snap(r, kFields);
                const int atStart = n;
                faulting = true;
                const bool ok = step(r);
                if (r.RecordNumber() == 0) s.Reopen(r);
                faulting = false;
                if (r.RecordNumber() == 0) continue;  // could not reopen while failing
                if (!ok) {
                    EXPECT_EQ(Snap(r, kFields), before) << "failed step changed the table, op " << k;
                }
                // The disk is compared where the fault struck and (below) at the end of the session.
                if (atStart <= k && k < n) {
                    bool opened = false;
                    Snapshot disk = SnapFile(s.path, kPw, kFields, &opened);
                    ASSERT_TRUE(opened) << "op " << k;
                    ASSERT_EQ(disk, Snap(r, kFields)) << "op " << k << (forGood ? " for good" : " once");
                    ++checked;
                }
            }
            if (r.RecordNumber() != 0) {
                faulting = false;
                bool opened = false;
                Snapshot disk = SnapFile(s.path, kPw, kFields, &opened);
                ASSERT_TRUE(opened) << "op " << k;
                ASSERT_EQ(disk, Snap(r, kFields))
                    << "end of session, op " << k << (forGood ? " for good" : " once");
                ++checked;
            }
            faulting = true;
            r.CloseAll();
            fileio::SetFaultHook({});
        }
    }
    std::printf("file operations per session: %d; checks: %d\n", total, checked);
}

TEST(StoreFaults, EachOperationFailingOnceLeavesTheDiskAsReported) {
    RunWithFailures(false);
}

// Disk full, access denied, a folder turned read-only: from operation k on, everything fails.
TEST(StoreFaults, EachOperationFailingForGoodLeavesTheDiskAsReported) {
    RunWithFailures(true);
}

TEST(StoreFaults, ACrashAtAnyOperationLeavesACompletedPrefix) {
    const int total = CountOperations();
    // States after each completed step, from a clean run.
    std::vector<Snapshot> states;
    {
        Session s;
        RecordStore r;
        s.Reopen(r);
        states.push_back(Snap(r, kFields));
        for (const Step& step : Script()) {
            step(r);
            if (r.RecordNumber() == 0) s.Reopen(r);
            states.push_back(Snap(r, kFields));
        }
    }
    int writePoints = 0;
    for (int k = 0; k < total; ++k) {
        Session s;
        int done = 0;
        {
            RecordStore r;
            ASSERT_TRUE(s.Reopen(r));
            int n = 0;
            bool dead = false, wrote = false;
            fileio::SetFaultHook([&](fileio::Op op) {
                if (dead) return fileio::Fault::Fail;
                if (n++ != k) return fileio::Fault::None;
                dead = true;  // the process stops here: nothing after this reaches the disk
                wrote = op == fileio::Op::Write;
                return wrote ? fileio::Fault::ShortWrite : fileio::Fault::Fail;
            });
            for (const Step& step : Script()) {
                if (!step(r) || dead) break;
                if (r.RecordNumber() == 0 && !s.Reopen(r)) break;
                ++done;
            }
            writePoints += wrote;
            r.CloseAll();
            fileio::SetFaultHook({});
        }
        bool opened = false;
        Snapshot disk = SnapFile(s.path, kPw, kFields, &opened);
        ASSERT_TRUE(opened) << "store does not open after a crash at operation " << k;
        const bool matches = disk == states[static_cast<std::size_t>(done)] ||
                             (static_cast<std::size_t>(done + 1) < states.size() &&
                              disk == states[static_cast<std::size_t>(done + 1)]);
        EXPECT_TRUE(matches) << "crash at operation " << k << " after " << done << " completed steps";
    }
    std::printf("crash points: %d file operations, %d of them writes\n", total, writePoints);
}

}  // namespace
}  // namespace qm

// I/O failures and crashes at every file operation of a scripted session. Each operation the
// engine makes is numbered; for each number the session is run again with that operation
// failing (once, or for good as when the disk is full or the process dies there). Afterwards a
// fresh engine must find on disk exactly what the session's engine believes (a failed operation
// changed nothing), or, after a crash, the state before or after the operation in flight. A crash
// of the machine may also lose or garble what was written since the last flush: then the store
// must open with the state of the last flush or a later one.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "platform/file_io.h"
#include "store/record_store.h"
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

// Appends, changes, a delete with purge (which compacts) and a close, then more of the same and a
// batch. Each step makes at most one change (a batch counts as one), so a failed step must leave
// the table as it was.
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
        [](RecordStore& r) {  // one change made of many: all of it or none
            if (!r.BeginBatch()) return false;
            const bool ok = r.Append({"g", "7"}) && r.GoTo(1) && r.DeleteCurrent() && r.Purge() &&
                            r.Append({"h", "8"}) && r.GoTo(2) && r.Write(2, "y") && r.AppendBlank();
            if (!ok) r.AbortBatch();
            return ok && r.CommitBatch();
        },
        [](RecordStore& r) {
            return r.Append({"i", "9"});
        },
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

// The order of writes, flushes and renames that the machine-crash guarantee rests on.
struct Event {
    fileio::Op op;
    std::string path, to;
};

// Every write to `file` among the first `upto` events is followed by a flush of it before `upto`.
bool FlushedBefore(const std::vector<Event>& log, const std::string& file, std::size_t upto) {
    bool pending = false;
    for (std::size_t i = 0; i < upto; ++i) {
        if (log[i].path != file) continue;
        if (log[i].op == fileio::Op::Write) pending = true;
        if (log[i].op == fileio::Op::Sync) pending = false;
    }
    return !pending;
}

TEST(StoreFaults, ChangesAreFlushedAtCloseAndNewFilesBeforeTheyTakeTheName) {
    Session s;
    const std::string store = fileio::AbsolutePath(s.path), created = s.dir.File("other.edb");
    std::vector<Event> log;
    fileio::SetDetailedFaultHook([&](const fileio::OpInfo& op) {
        if (op.op == fileio::Op::Write || op.op == fileio::Op::Sync || op.op == fileio::Op::Rename)
            log.push_back({op.op, std::string(op.path), std::string(op.to)});
        return fileio::Fault::None;
    });
    auto everyRenameFlushed = [&] {
        int renames = 0;
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (log[i].op != fileio::Op::Rename) continue;
            ++renames;
            EXPECT_TRUE(FlushedBefore(log, log[i].path, i)) << "renamed unflushed: " << log[i].path;
            EXPECT_TRUE(FlushedBefore(log, log[i].to, i)) << "replaced unflushed: " << log[i].to;
        }
        return renames;
    };
    ASSERT_TRUE(RecordStore::Create(created, kPw, {"a"}));
    EXPECT_EQ(everyRenameFlushed(), 1);
    log.clear();
    {
        RecordStore r;
        ASSERT_TRUE(s.Reopen(r));
        for (const char* v : {"a", "b", "c"}) ASSERT_TRUE(r.Append({v}));
        EXPECT_FALSE(FlushedBefore(log, store, log.size()));  // changes are written, not yet flushed
        r.CloseAll();
        EXPECT_TRUE(FlushedBefore(log, store, log.size()));
        log.clear();
        ASSERT_TRUE(s.Reopen(r));
        ASSERT_TRUE(r.GoTo(2) && r.DeleteCurrent() && r.Purge());  // a small store compacts at once
        EXPECT_EQ(everyRenameFlushed(), 1);
        fileio::SetFaultHook({});
    }
}

// What a machine crash does to the bytes written to a file since its last flush.
enum class Loss { CutBack, Zeros, Garbage, OldBytes };

// The disk under the engine, as the file operations reach it: for each file the bytes at its last
// flush and the ranges written since. Renames are taken to be durable at once (the system writes
// them through), so a file renamed before it was flushed brings no flushed bytes along.
class Disk {
  public:
    // The store file as it is now, flushed.
    void Adopt(const std::string& path) { files_[path].flushed = Read(path); }
    // Sees an operation before it runs.
    void Before(const fileio::OpInfo& op) {
        const std::string path(op.path);
        switch (op.op) {
            case fileio::Op::Write:
                files_[path].written.push_back({op.offset, op.size});
                break;
            case fileio::Op::Sync: {
                Image& f = files_[path];
                const std::string now = Read(path);
                f.old = f.old.size() > now.size() ? now + f.old.substr(now.size()) : now;
                f.flushed = now;
                f.written.clear();
                break;
            }
            case fileio::Op::Rename:
                files_[std::string(op.to)] = files_[path];
                files_.erase(path);
                break;
            case fileio::Op::Remove:
                files_.erase(path);
                break;
            default:
                break;
        }
    }
    // Rewrites every file as the crash leaves it; `lost` picks the pages (of kPage bytes) whose
    // unflushed bytes are lost (none given: all of them).
    void Crash(Loss loss, std::mt19937& rng, const std::function<bool(std::uint64_t)>& lost = {}) {
        for (auto& [path, f] : files_) {
            if (loss == Loss::CutBack) {
                if (f.flushed)
                    Write(path, *f.flushed);
                else
                    fileio::RemoveFile(path);
                continue;
            }
            std::string bytes = Read(path);
            for (auto [offset, size] : f.written) {
                for (std::uint64_t i = offset; i < offset + size && i < bytes.size(); ++i) {
                    if (lost && !lost(i / kPage)) continue;
                    char c = 0;
                    if (loss == Loss::Garbage) c = static_cast<char>(rng());
                    if (loss == Loss::OldBytes && i < f.old.size()) c = f.old[i];
                    bytes[i] = c;
                }
            }
            Write(path, bytes);
        }
    }

    static constexpr std::uint64_t kPage = 4096;
    // The pages of `path` written since its last flush.
    std::vector<std::uint64_t> UnflushedPages(const std::string& path) {
        std::vector<std::uint64_t> pages;
        for (auto [offset, size] : files_[path].written)
            for (std::uint64_t p = offset / kPage; size && p <= (offset + size - 1) / kPage; ++p)
                if (pages.empty() || pages.back() < p) pages.push_back(p);
        return pages;
    }

  private:
    struct Image {
        std::optional<std::string> flushed;  // none: never flushed, lost whole in a crash
        std::string old;                     // the bytes ever flushed at each offset, the latest
        std::vector<std::pair<std::uint64_t, std::uint64_t>> written;  // since the flush
    };
    static std::string Read(const std::string& path) { return testing::FileBytes(path); }
    static void Write(const std::string& path, const std::string& bytes) {
        EXPECT_TRUE(testing::PutFileBytes(path, bytes)) << path;
    }
    std::map<std::string, Image> files_;
};

TEST(StoreFaults, AMachineCrashAtAnyWriteLeavesTheLastFlushOrALaterState) {
    std::vector<Snapshot> states;
    int writes = 0;
    {
        Session s;
        RecordStore r;
        s.Reopen(r);
        states.push_back(Snap(r, kFields));
        fileio::SetFaultHook([&](fileio::Op op) {
            writes += op == fileio::Op::Write;
            return fileio::Fault::None;
        });
        for (const Step& step : Script()) {
            step(r);
            if (r.RecordNumber() == 0) s.Reopen(r);
            states.push_back(Snap(r, kFields));
        }
        fileio::SetFaultHook({});
    }
    ASSERT_GT(writes, 8);
    std::printf("machine crashes at %d writes, four ways each\n", writes);
    std::mt19937 rng(1234);
    for (Loss loss : {Loss::CutBack, Loss::Zeros, Loss::Garbage, Loss::OldBytes}) {
        for (int k = 0; k < writes; ++k) {
            Session s;
            const std::string store = fileio::AbsolutePath(s.path);
            Disk disk;
            disk.Adopt(store);
            std::size_t step = 0, flushed = 0;  // the step in flight; states[flushed] is on disk
            {
                RecordStore r;
                ASSERT_TRUE(s.Reopen(r));
                int n = 0;
                bool dead = false, inHook = false;
                fileio::SetDetailedFaultHook([&](const fileio::OpInfo& op) {
                    if (dead) return fileio::Fault::Fail;
                    if (inHook) return fileio::Fault::None;  // the model reading the files
                    inHook = true;
                    disk.Before(op);
                    inHook = false;
                    if ((op.op == fileio::Op::Sync && op.path == store) ||
                        (op.op == fileio::Op::Rename && op.to == store))
                        flushed = step;
                    if (op.op == fileio::Op::Write && n++ == k)
                        dead = true;  // this write lands; then the power goes
                    return fileio::Fault::None;
                });
                for (const Step& st : Script()) {
                    if (!st(r) || dead) break;
                    if (r.RecordNumber() == 0 && !s.Reopen(r)) break;
                    ++step;
                }
                r.CloseAll();
                fileio::SetFaultHook({});
            }
            disk.Crash(loss, rng);
            bool opened = false;
            const Snapshot found = SnapFile(s.path, kPw, kFields, &opened);
            const std::string where = "loss " + std::to_string(static_cast<int>(loss)) + ", write " +
                                      std::to_string(k) + ", step " + std::to_string(step);
            ASSERT_TRUE(opened) << where;
            bool matches = false;
            for (std::size_t j = flushed; j <= step + 1 && j < states.size(); ++j)
                matches |= found == states[j];
            EXPECT_TRUE(matches) << where << ", flushed at step " << flushed;
        }
    }
}

// A machine crash may write back any of the pages written since the last flush and lose the
// others. A large batch goes out as several parts in one write, so a lost page inside an early part
// can sit before parts that did reach the disk: the store must still open, before the batch or
// (when nothing of it was lost) after it.
TEST(StoreFaults, AMachineCrashLosingAnyPagesOfALargeBatchLeavesItWholeOrNone) {
    Session s;
    const std::string store = fileio::AbsolutePath(s.path);
    auto batch = [](RecordStore& r) {
        if (!r.BeginBatch()) return false;
        bool ok = r.GoTo(1) && r.Write(2, "changed");
        for (int i = 0; ok && i < 900; ++i)
            ok = r.Append({"site" + std::to_string(i), std::string(1000, 'x')});
        return ok && r.CommitBatch();
    };
    Snapshot before, after;
    {
        RecordStore r;
        ASSERT_TRUE(s.Reopen(r));
        ASSERT_TRUE(r.Append({"a", "1"}) && r.Append({"b", "2"}));
        r.CloseAll();  // flushed
        ASSERT_TRUE(s.Reopen(r));
        before = Snap(r, kFields);
    }
    const std::string flushedBytes = testing::FileBytes(s.path);
    {
        RecordStore r;
        ASSERT_TRUE(s.Reopen(r));
        ASSERT_TRUE(batch(r));
        after = Snap(r, kFields);
    }
    ASSERT_GT(testing::FileBytes(s.path).size(), flushedBytes.size() + 3 * (256u << 10));  // four parts
    ASSERT_TRUE(testing::PutFileBytes(s.path, flushedBytes));
    // The session again, the power going right after the batch's write.
    Disk disk;
    disk.Adopt(store);
    {
        RecordStore r;
        ASSERT_TRUE(s.Reopen(r));
        bool dead = false, inHook = false;
        fileio::SetDetailedFaultHook([&](const fileio::OpInfo& op) {
            if (dead) return fileio::Fault::Fail;
            if (inHook) return fileio::Fault::None;
            inHook = true;
            disk.Before(op);
            inHook = false;
            dead = op.op == fileio::Op::Write && op.path == store;
            return fileio::Fault::None;
        });
        batch(r);
        r.CloseAll();
        fileio::SetFaultHook({});
    }
    ASSERT_TRUE(disk.UnflushedPages(store).size() > 200);  // only the batch: the rest was flushed first
    const std::string crashed = testing::FileBytes(s.path);
    std::mt19937 rng(99);
    std::vector<std::set<std::uint64_t>> losses;
    // Single pages across the batch (each open after a loss searches the rest of the file, so
    // not every page), the first and last among them, and random sets.
    const std::vector<std::uint64_t> pages = disk.UnflushedPages(store);
    for (std::size_t i = 0; i < pages.size(); i += 10) losses.push_back({pages[i]});
    losses.push_back({pages.back()});
    for (int i = 0; i < 8; ++i) {
        losses.emplace_back();
        for (std::uint64_t page : pages)
            if (rng() % 4 == 0) losses.back().insert(page);
        if (losses.back().empty()) losses.pop_back();
    }
    for (Loss loss : {Loss::Zeros, Loss::Garbage, Loss::OldBytes}) {
        for (const std::set<std::uint64_t>& lost : losses) {
            ASSERT_TRUE(testing::PutFileBytes(s.path, crashed));
            disk.Crash(loss, rng, [&](std::uint64_t page) { return lost.count(page) != 0; });
            bool opened = false;
            const Snapshot found = SnapFile(s.path, kPw, kFields, &opened);
            const std::string where = "loss " + std::to_string(static_cast<int>(loss)) + ", pages from " +
                                      std::to_string(*lost.begin()) + ", " + std::to_string(lost.size()) +
                                      " lost";
            ASSERT_TRUE(opened) << where;
            EXPECT_TRUE(found == before || found == after) << where;
        }
    }
    std::printf("page losses: %zu sets, three ways each\n", losses.size());
}

// Single changes are entries of their own: a crash losing pages of an earlier one while a later
// one reached the disk must not leave damage in the middle of the file.
TEST(StoreFaults, AMachineCrashLosingPagesOfSingleChangesKeepsEveryFlushedOne) {
    Session s;
    const std::string store = fileio::AbsolutePath(s.path);
    const std::string big(6000, 'y');  // each change spans pages of its own
    const std::vector<std::function<bool(RecordStore&)>> changes = {
        [&](RecordStore& r) { return r.Append({"c", big}); },
        [&](RecordStore& r) { return r.GoTo(1) && r.Write(2, big + "z"); },
        [&](RecordStore& r) { return r.Append({"d", big}); },
    };
    std::vector<Snapshot> states;
    {
        RecordStore r;
        ASSERT_TRUE(s.Reopen(r));
        ASSERT_TRUE(r.Append({"a", "1"}));
        r.CloseAll();  // flushed
    }
    const std::string flushedBytes = testing::FileBytes(s.path);
    {
        RecordStore r;
        ASSERT_TRUE(s.Reopen(r));
        states.push_back(Snap(r, kFields));
        for (const auto& change : changes) {
            ASSERT_TRUE(change(r));
            states.push_back(Snap(r, kFields));
        }
    }
    ASSERT_TRUE(testing::PutFileBytes(s.path, flushedBytes));
    Disk disk;
    disk.Adopt(store);
    std::size_t flushed = 0;  // states[flushed] is on disk
    {
        RecordStore r;
        ASSERT_TRUE(s.Reopen(r));
        std::size_t step = 0;
        bool dead = false, inHook = false;
        fileio::SetDetailedFaultHook([&](const fileio::OpInfo& op) {
            if (dead) return fileio::Fault::Fail;
            if (inHook) return fileio::Fault::None;
            inHook = true;
            disk.Before(op);
            inHook = false;
            if (op.op == fileio::Op::Sync && op.path == store) flushed = step;
            dead = op.op == fileio::Op::Write && op.path == store && step == changes.size() - 1;
            return fileio::Fault::None;
        });
        for (const auto& change : changes) {
            change(r);
            ++step;
        }
        r.CloseAll();
        fileio::SetFaultHook({});
    }
    const std::string crashed = testing::FileBytes(s.path);
    const std::vector<std::uint64_t> pages = disk.UnflushedPages(store);
    ASSERT_GE(pages.size(), 2u);
    std::mt19937 rng(7);
    for (Loss loss : {Loss::Zeros, Loss::Garbage, Loss::OldBytes}) {
        for (std::size_t i = 0; i < pages.size(); ++i) {
            ASSERT_TRUE(testing::PutFileBytes(s.path, crashed));
            disk.Crash(loss, rng, [&](std::uint64_t page) { return page == pages[i]; });
            bool opened = false;
            const Snapshot found = SnapFile(s.path, kPw, kFields, &opened);
            const std::string where = "loss " + std::to_string(static_cast<int>(loss)) + ", page " +
                                      std::to_string(pages[i]) + ", flushed at " + std::to_string(flushed);
            ASSERT_TRUE(opened) << where;
            bool matches = false;
            for (std::size_t j = flushed; j < states.size(); ++j) matches |= found == states[j];
            EXPECT_TRUE(matches) << where;
        }
    }
}

}  // namespace
}  // namespace qm

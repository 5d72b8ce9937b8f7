// Damaged store files. Only a tail can be torn: damage inside the last entry (a machine crash
// leaves zeros, garbage or old bytes there) drops that entry, and damage anywhere else makes the
// open fail without writing to the file. Every single-byte change and every truncation of a small
// store must give exactly the outcome its position allows; random mutations never crash the reader
// (sanitizers on natively).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>

#include "platform/file_io.h"
#include "store/record_store.h"
#include "store/store_crypto.h"
#include "store/store_format.h"
#include "store_test_util.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::Snap;
using testing::Snapshot;
using testing::TempFolder;
using testing::WriteBytes;

class StoreCorruption : public ::testing::Test {
  protected:
    void SetUp() override {
        SetStoreKdfIterationsForTesting(1000);
        fileio::SetSyncToDiskForTesting(false);
        const std::string path = dir.File("s.edb");
        ASSERT_TRUE(RecordStore::Create(path, "pw", {"k", "v"}));
        RecordStore r;
        ASSERT_TRUE(r.Open(path, "s", "pw"));
        states.push_back(Snap(r, 2));
        auto step = [&](bool ok) {
            ASSERT_TRUE(ok);
            states.push_back(Snap(r, 2));
        };
        step(r.Append({"one", "1"}));
        step(r.Append({"two", "22"}));
        step(r.GoTo(1) && r.DeleteCurrent() && r.Purge());  // compacts: a rows entry
        step(r.Append({"three", "333"}));
        step(r.GoTo(2) && r.Write(1, "Three"));
        r.CloseAll();
        original = ReadBytes(dir.Path() / "s.edb");
        // The purge compacted the file: schema, rows, the append, the update.
        bounds = testing::EntryBounds(original);
        ASSERT_EQ(bounds.size(), 5u);
        ASSERT_EQ(bounds.back(), original.size());
        atBound = {Snapshot{}, states[3], states[4], states[5]};  // the state after each entry
    }
    std::vector<std::size_t> bounds;  // entry starts, then the size
    std::vector<Snapshot> atBound;
    // Opens the damaged bytes with a fresh engine. Returns the records when it opens (and checks
    // that the store can be written then), nullopt when it refuses (and checks that the refusal
    // left the file as it was, a change attempted through a cached table included).
    std::optional<Snapshot> Open(const std::string& bytes, const std::string& what) {
        const auto p = dir.Path() / "d.edb";
        WriteBytes(p, bytes);
        RecordStore r;
        if (!r.Open(dir.File("d.edb"), "d", "pw")) {
            EXPECT_EQ(ReadBytes(p), bytes) << what << ": a failed open wrote to the file";
            return std::nullopt;
        }
        Snapshot s = Snap(r, 2);
        EXPECT_TRUE(r.Append({"more", "x"})) << what;  // a store that opens can be written
        r.CloseAll();
        return s;
    }
    void ExpectRefused(const std::string& bytes, const std::string& what) {
        EXPECT_EQ(Open(bytes, what), std::nullopt) << what << ": damage followed by data was not refused";
    }
    void ExpectState(const std::string& bytes, const Snapshot& want, const std::string& what) {
        const std::optional<Snapshot> got = Open(bytes, what);
        ASSERT_TRUE(got.has_value()) << what << ": refused";
        EXPECT_EQ(*got, want) << what;
    }
    void TearDown() override { fileio::SetSyncToDiskForTesting(true); }
    TempFolder dir;
    std::vector<Snapshot> states;
    std::string original;
};

// A store written by the first release of the engine (cost 1000, password "旧版-pw", fields 名称 and
// 地址): three appends, record 2 deleted and purged (which compacts into a rows entry), then an
// append, an update of record 1 and a deletion of record 2 without purge.
constexpr char kVersionOneStore[] =
    "514d53544f52451a01000101e8030000f4cb65a1eb9632b7cae1421bfb5ec7be9c47f91143d072ac93d5f6cae7d424a1"
    "0d99b2e04a2cae3a064dccbe994d198f87ca7f856589ca2f0c000000c822bdbdbcdce8b2ff6a819af8ea50f9a40fa126"
    "ecf639cdaaca3b7781422899b45334cb1f69148323000000333fcedef4ff36d18b750f2ee48353e9cb0dc15ff677d4c3"
    "dccfdef77ec5751a62ba31f47faaa5bf8911d56f664f7ff056f485bb1e9d632edb0dbaf746d62f0b00000045ecb9090b"
    "60d929f0fe676badc9793d6ad90f1ddf5dea1363269016e6d8c4b751075fa247c5130d000000a317bfdbb373f9cfd8f8"
    "de7597acf0c420b0053aada7694d8944e4f4668afbb88907f2e3d2739710640200000036a95722daffcdcebe4767d427"
    "3ab514b36ef24eb1c1868d0ab26c3c803f";

TEST(StoreFormat, FilesOfTheFirstReleaseStillOpen) {
    std::string bytes;
    for (const char* p = kVersionOneStore; p[0] && p[1]; p += 2)
        bytes += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
    TempFolder dir;
    WriteBytes(dir.Path() / "old.edb", bytes);
    // A store with a key of its own used first: the old file's entries were sealed by another
    // process with another key, so a cipher left set to this key would fail every one of them.
    SetStoreKdfIterationsForTesting(1000);
    ASSERT_TRUE(RecordStore::Create(dir.File("new.edb"), "another key", {"a"}));
    RecordStore first;
    ASSERT_TRUE(first.Open(dir.File("new.edb"), "new", "another key"));
    ASSERT_TRUE(first.Append({"x"}));
    RecordStore r;
    ASSERT_TRUE(r.Open(dir.File("old.edb"), "old", "旧版-pw")) << r.LastError();
    const Snapshot before = {{"第一", "改过"}, {"第三", ""}, {"四", std::string("x\\y\0z", 5)}};
    EXPECT_EQ(Snap(r, 2), before);
    ASSERT_TRUE(r.Purge());  // drops record 2, deleted in the old file
    ASSERT_TRUE(r.Append({"五", "5"}));
    r.CloseAll();
    RecordStore again;
    ASSERT_TRUE(again.Open(dir.File("old.edb"), "again", "旧版-pw"));
    EXPECT_EQ(Snap(again, 2), (Snapshot{before[0], before[2], {"五", "5"}}));
    first.CloseAll();
    bool opened = false;
    EXPECT_EQ(testing::SnapFile(dir.File("new.edb"), "another key", 1, &opened), Snapshot{{"x"}});
}

TEST_F(StoreCorruption, AByteChangedInTheLastEntryDropsItAndAnywhereElseRefusesTheFile) {
    ASSERT_GT(original.size(), 200u);
    const std::size_t lastEntry = bounds[3];
    for (std::size_t i = 0; i < original.size(); ++i) {
        for (unsigned char mask : {0xFF, 0x01, 0x80}) {
            std::string b = original;
            b[i] = static_cast<char>(b[i] ^ mask);
            const std::string what = "byte " + std::to_string(i) + " ^ " + std::to_string(mask);
            if (i >= lastEntry) {
                ExpectState(b, states[4], what);
            } else {
                ExpectRefused(b, what);
            }
        }
    }
}

TEST_F(StoreCorruption, ADamagedHeaderIsReportedAsSuchBeforeAnyKeyDerivation) {
    for (std::size_t i = 0; i < 72; ++i) {
        for (unsigned char mask : {0x01, 0x80}) {
            std::string b = original;
            b[i] = static_cast<char>(b[i] ^ mask);
            WriteBytes(dir.Path() / "d.edb", b);
            const std::uint64_t derivations = storecrypto::DeriveKeyCount();
            RecordStore r;
            EXPECT_FALSE(r.Open(dir.File("d.edb"), "d", "pw"));
            EXPECT_EQ(r.LastError(), i < 8 ? "not a store file" : "damaged header") << "byte " << i;
            EXPECT_EQ(storecrypto::DeriveKeyCount(), derivations) << "byte " << i;
        }
    }
}

// A header that checks out but asks for fewer key derivations than any store is made with is
// damage, not a cheap key: refused before a key is derived.
TEST_F(StoreCorruption, AHeaderWithTooFewKeyDerivationsIsRefusedAsDamaged) {
    const std::string header = original.substr(0, storefile::kHeaderSize);
    const storefile::HeaderFields h = storefile::FieldsOf(header);
    ASSERT_EQ(h.iterations, storefile::kMinIterations);
    EXPECT_EQ(storefile::CheckHeader(header), storefile::HeaderProblem::None);
    const std::string cheap = storefile::MakeHeader(h.iterations - 1, h.salt, h.fileId, "any key");
    EXPECT_EQ(storefile::CheckHeader(cheap), storefile::HeaderProblem::Damaged);
    WriteBytes(dir.Path() / "d.edb", cheap + original.substr(storefile::kHeaderSize));
    const std::uint64_t derivations = storecrypto::DeriveKeyCount();
    RecordStore r;
    EXPECT_FALSE(r.Open(dir.File("d.edb"), "d", "pw"));
    EXPECT_EQ(r.LastError(), "damaged header");
    EXPECT_EQ(storecrypto::DeriveKeyCount(), derivations);
}

// An authentic update of the record one past the last names no record: the file is refused, while
// the same update of the last record is taken.
TEST_F(StoreCorruption, AnUpdatePastTheLastRecordIsInvalidNotAChange) {
    const std::string header = original.substr(0, storefile::kHeaderSize);
    const storefile::HeaderFields h = storefile::FieldsOf(header);
    std::string key;
    ASSERT_TRUE(storecrypto::DeriveKey("pw", h.salt, h.iterations, &key));
    const Snapshot last = states.back();
    ASSERT_EQ(last.size(), 2u);
    auto withUpdate = [&](std::uint64_t index) {
        const std::string payload = storefile::UpdatePayload(index, storefile::EncodeRow({"new", "v"}, 2));
        return original + storefile::SealEntry(key, h.fileId, original.size(), payload, nullptr);
    };
    Snapshot updated = last;
    updated[1] = {"new", "v"};
    ExpectState(withUpdate(1), updated, "update of the last record");
    ExpectRefused(withUpdate(2), "update past the last record");
    // Nor is an entry over the reader's limit ever sealed.
    EXPECT_EQ(storefile::SealEntry(key, h.fileId, 0, std::string(storefile::kMaxEntry + 1, 'x'), nullptr),
              "");
}

TEST_F(StoreCorruption, ACutFileOpensWithTheEntriesBeforeTheCut) {
    for (std::size_t n = 0; n < original.size(); ++n) {
        const std::string what = "cut at " + std::to_string(n);
        if (n < bounds[1]) {  // header or schema missing
            ExpectRefused(original.substr(0, n), what);
            continue;
        }
        std::size_t complete = 1;
        while (bounds[complete + 1] <= n) ++complete;
        ExpectState(original.substr(0, n), atBound[complete - 1], what);
    }
}

TEST_F(StoreCorruption, ALastEntryOfZerosGarbageOrOldBytesIsATornTail) {
    const std::size_t last = bounds[3];
    std::mt19937 rng(7);
    std::string garbage = original, zeros = original, old = original;
    for (std::size_t i = last; i < original.size(); ++i) {
        garbage[i] = static_cast<char>(rng());
        zeros[i] = '\0';
        old[i] = original[i - (last - bounds[2])];  // the bytes of the entry before, shifted
    }
    ExpectState(garbage, states[4], "garbage");
    ExpectState(zeros, states[4], "zeros");
    ExpectState(old, states[4], "old bytes");
    // A tail longer than the entry, as a file system that keeps a larger length leaves it.
    ExpectState(zeros + std::string(3000, '\0'), states[4], "long zeros");
    ExpectState(original + std::string(20, '\x7f'), states[5], "a few stray bytes after the last entry");
    // An entry authenticates only at its own offset: a copy of one is noise, never a second change.
    ExpectState(original + original.substr(bounds[2], bounds[3] - bounds[2]), states[5], "a copied entry");
}

TEST_F(StoreCorruption, RandomMutationsNeverCrashTheReader) {
    std::mt19937 rng(20261208);
    auto check = [&](const std::string& b, const std::string& what) {
        const std::optional<Snapshot> got = Open(b, what);
        if (got) {
            EXPECT_NE(std::find(states.begin(), states.end(), *got), states.end()) << what;
        }
    };
    for (int round = 0; round < 300; ++round) {
        std::string b = original;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % b.size();
            switch (rng() % 4) {
                case 0:
                    b[at] = static_cast<char>(rng());
                    break;
                case 1:
                    b.erase(at, 1 + rng() % 16);
                    break;
                case 2:
                    b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), 1 + rng() % 16,
                             static_cast<char>(rng()));
                    break;
                case 3:
                    b.resize(at);
                    break;
            }
            if (b.empty()) b.push_back('x');
        }
        check(b, std::string("mutation round ").append(std::to_string(round)));
    }
    // A file of another kind, and an empty one.
    ExpectRefused(std::string(4096, '\0'), "zeros");
    ExpectRefused("", "empty");
}

// The two faults a reviewer found: a zeroed last entry made the whole store unopenable, and a
// damaged length in the middle dropped every later record, for good at the next change.
class StoreDamage : public ::testing::Test {
  protected:
    // A store of n records, one entry each.
    void Fill(int n) {
        SetStoreKdfIterationsForTesting(1000);
        ASSERT_TRUE(RecordStore::Create(path, "pw", {"a"}));
        RecordStore writer;
        ASSERT_TRUE(writer.Open(path, "s", "pw"));
        for (int i = 0; i < n; ++i) ASSERT_TRUE(writer.Append({std::to_string(i)}));
        writer.CloseAll();
    }
    TempFolder dir;
    const std::string path = dir.File("site.edb");
};

TEST_F(StoreDamage, AZeroedLastEntryLeavesTheRecordsBeforeIt) {
    Fill(20);
    const std::size_t before = ReadBytes(dir.Path() / "site.edb").size();
    RecordStore r;
    ASSERT_TRUE(r.Open(path, "s", "pw"));
    ASSERT_TRUE(r.Append({std::string(100, 'l')}));  // longer than the entry written over it later
    r.CloseAll();
    std::string bytes = ReadBytes(dir.Path() / "site.edb");
    ASSERT_GT(bytes.size(), before);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(before), bytes.end(), '\0');
    WriteBytes(dir.Path() / "site.edb", bytes);

    RecordStore again;
    ASSERT_TRUE(again.Open(path, "s", "pw")) << again.LastError();
    ASSERT_EQ(again.RecordCount(), 20);
    ASSERT_TRUE(again.Append({"new"}));  // written over the zeros, which are cut after it
    again.CloseAll();
    EXPECT_EQ(testing::EntryBounds(ReadBytes(dir.Path() / "site.edb")).size(),
              23u);  // the schema, 21, the end
    bool opened = false;
    const Snapshot s = testing::SnapFile(path, "pw", 1, &opened);
    ASSERT_TRUE(opened);
    ASSERT_EQ(s.size(), 21u);
    EXPECT_EQ(s[19], Fields{"19"});
    EXPECT_EQ(s[20], Fields{"new"});
}

TEST_F(StoreDamage, ADamagedLengthInTheMiddleRefusesTheFileAndNothingIsWritten) {
    Fill(9);
    std::string bytes = ReadBytes(dir.Path() / "site.edb");
    const std::vector<std::size_t> at = testing::EntryBounds(bytes);
    ASSERT_EQ(at.size(), 11u);                                      // the schema and nine appends
    bytes[at[3] + 3] = static_cast<char>(bytes[at[3] + 3] ^ 0x80);  // high bit of the 4th entry's length
    WriteBytes(dir.Path() / "site.edb", bytes);

    RecordStore fresh;
    EXPECT_FALSE(fresh.Open(path, "s", "pw"));
    EXPECT_EQ(fresh.LastError(), "damaged entry at " + std::to_string(at[3]));
    EXPECT_FALSE(fresh.Open(path, "again", "pw"));
    EXPECT_EQ(ReadBytes(dir.Path() / "site.edb"), bytes);
    EXPECT_FALSE(fileio::Exists(path + ".new"));
}

TEST_F(StoreDamage, DamageIsFoundWhenTheDataAfterItEndsInATornTailOrIsLarge) {
    Fill(9);
    std::string bytes = ReadBytes(dir.Path() / "site.edb");
    std::vector<std::size_t> at = testing::EntryBounds(bytes);
    bytes[at[3] + 20] = static_cast<char>(bytes[at[3] + 20] ^ 1);  // inside the 3rd append
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(at[9]), bytes.end(),
              '\0');  // and the last one zeroed
    WriteBytes(dir.Path() / "site.edb", bytes);
    RecordStore r;
    EXPECT_FALSE(r.Open(path, "s", "pw"));
    EXPECT_EQ(r.LastError(), "damaged entry at " + std::to_string(at[3]));

    // Entries of more than half a mebibyte after the damage.
    ASSERT_TRUE(RecordStore::Create(path, "pw", {"a"}, true));
    ASSERT_TRUE(r.Open(path, "s", "pw"));
    for (const std::size_t size : {10, 10, 600000, 700000}) ASSERT_TRUE(r.Append({std::string(size, 'x')}));
    r.CloseAll();
    bytes = ReadBytes(dir.Path() / "site.edb");
    at = testing::EntryBounds(bytes);
    ASSERT_EQ(at.size(), 6u);
    bytes[at[2] + 20] = static_cast<char>(bytes[at[2] + 20] ^ 1);  // the second small one
    WriteBytes(dir.Path() / "site.edb", bytes);
    RecordStore fresh;
    EXPECT_FALSE(fresh.Open(path, "s", "pw"));
    EXPECT_EQ(fresh.LastError(), "damaged entry at " + std::to_string(at[2]));
}

}  // namespace
}  // namespace qm

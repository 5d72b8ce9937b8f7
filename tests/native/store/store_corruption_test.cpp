// Damaged store files: every single-byte change and every truncation of a small store, and a
// bounded loop of random mutations. The open either fails, without writing to the file, or
// gives one of the store's earlier complete states; it never crashes (sanitizers on natively).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/file_io.h"
#include "platform/record_store.h"
#include "store_test_util.h"

namespace qm {
namespace {

using testing::Snap;
using testing::Snapshot;
using testing::ReadBytes;
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
    }
    // Opens the damaged bytes; true when the result is acceptable.
    void Check(const std::string& bytes, const std::string& what) {
        const auto p = dir.Path() / "d.edb";
        WriteBytes(p, bytes);
        RecordStore r;
        if (!r.Open(dir.File("d.edb"), "d", "pw")) {
            EXPECT_EQ(ReadBytes(p), bytes) << what << ": a failed open wrote to the file";
            return;
        }
        ++opened;
        Snapshot s = Snap(r, 2);
        EXPECT_NE(std::find(states.begin(), states.end(), s), states.end()) << what << ": inconsistent state";
        EXPECT_TRUE(r.Append({"more", "x"})) << what;  // a store that opens can be written
        r.CloseAll();
    }
    void TearDown() override { fileio::SetSyncToDiskForTesting(true); }
    TempFolder dir;
    std::vector<Snapshot> states;
    std::string original;
    int opened = 0;
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
}

TEST_F(StoreCorruption, EveryByteFlipFailsOrGivesAnEarlierState) {
    ASSERT_GT(original.size(), 200u);
    for (std::size_t i = 0; i < original.size(); ++i) {
        std::string b = original;
        b[i] = static_cast<char>(b[i] ^ 0xFF);
        Check(b, std::string("flip at ").append(std::to_string(i)));
        b[i] = static_cast<char>(original[i] ^ 0x01);
        Check(b, std::string("bit flip at ").append(std::to_string(i)));
    }
}

TEST_F(StoreCorruption, EveryTruncationFailsOrGivesAnEarlierState) {
    for (std::size_t n = 0; n < original.size(); ++n)
        Check(original.substr(0, n), std::string("cut at ").append(std::to_string(n)));
    EXPECT_GT(opened, 0);  // cuts inside the last entries open to earlier states
}

TEST_F(StoreCorruption, RandomMutationsNeverCrashTheReader) {
    std::mt19937 rng(20261208);
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
        Check(b, std::string("mutation round ").append(std::to_string(round)));
    }
    // A file of another kind, and an empty one.
    Check(std::string(4096, '\0'), "zeros");
    Check("", "empty");
}

}  // namespace
}  // namespace qm

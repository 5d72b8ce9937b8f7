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
using testing::TempFolder;

std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

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

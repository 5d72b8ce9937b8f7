// The store tool as make run and make dist use it: the three stores of a new installation, opened
// through the program's store functions; existing stores kept or replaced; failures in the exit code.
// And as a user recovering a store: check tells an intact file, a torn tail and damage apart;
// salvage copies what authenticates into a new store and never touches the damaged file.
#include "store_tool.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/stores.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "store/record_store.h"
#include "store/store_crypto.h"
#include "store/store_format.h"
#include "store_test_util.h"

namespace qm {
namespace {

using testing::TempFolder;

using testing::FileBytes;

class StoreTool : public ::testing::Test {
  protected:
    void SetUp() override {
        SetStoreKdfIterationsForTesting(1000);  // cheap stores: the cost is not under test
        SetProgramFolderForTesting(dir.Folder());
    }
    void TearDown() override {
        CloseStoreByName("");
        fileio::SetFaultHook({});
        SetProgramFolderForTesting("");
    }
    std::string PathOf(const char* alias) const { return dir.Folder() + FindStoreInfo(alias)->fileName; }
    // Opens a store by its name as the program does and returns its records.
    testing::Snapshot Contents(const char* alias) {
        EXPECT_TRUE(OpenStoreByName(alias)) << alias;
        testing::Snapshot s =
            testing::Snap(Stores(), static_cast<int>(FindStoreInfo(alias)->fieldNames.size()));
        CloseStoreByName(alias);
        return s;
    }
    TempFolder dir;
};

TEST_F(StoreTool, CreatesTheThreeStoresOfANewInstallation) {
    EXPECT_EQ(RunStoreTool({"create", dir.Folder()}), 0);
    EXPECT_EQ(Contents(kSiteStoreAlias), testing::Snapshot{});
    EXPECT_EQ(Contents(kCategoryStoreAlias), testing::Snapshot{});
    EXPECT_EQ(Contents(kGeneralStoreAlias), (testing::Snapshot{{"", ""}}));
    EXPECT_FALSE(fileio::Exists(PathOf(kSiteStoreAlias) + ".new"));
}

TEST_F(StoreTool, KeepsExistingStoresUnlessToldToOverwrite) {
    ASSERT_EQ(RunStoreTool({"create", dir.Folder() + "\\"}), 0);  // a trailing separator is fine
    ASSERT_TRUE(OpenStoreByName(kCategoryStoreAlias));
    ASSERT_TRUE(Stores().Append({"新闻"}));
    CloseStoreByName("");
    const std::string category = FileBytes(PathOf(kCategoryStoreAlias)),
                      site = FileBytes(PathOf(kSiteStoreAlias));
    ASSERT_FALSE(category.empty());

    EXPECT_EQ(RunStoreTool({"create", dir.Folder()}), 0);
    EXPECT_EQ(FileBytes(PathOf(kCategoryStoreAlias)), category);
    EXPECT_EQ(FileBytes(PathOf(kSiteStoreAlias)), site);
    EXPECT_EQ(Contents(kCategoryStoreAlias), (testing::Snapshot{{"新闻"}}));

    EXPECT_EQ(RunStoreTool({"create", dir.Folder(), "--overwrite"}), 0);
    EXPECT_EQ(Contents(kCategoryStoreAlias), testing::Snapshot{});
    EXPECT_EQ(Contents(kGeneralStoreAlias), (testing::Snapshot{{"", ""}}));
    EXPECT_NE(FileBytes(PathOf(kSiteStoreAlias)), site);  // a new file: new salt and id
}

TEST_F(StoreTool, FailsWhenTheFolderCannotBeWritten) {
    // A missing folder, and a "folder" that is a file (root ignores permission bits).
    EXPECT_EQ(RunStoreTool({"create", dir.File("missing")}), 1);
    { std::ofstream(dir.Path() / "plain") << "x"; }
    EXPECT_EQ(RunStoreTool({"create", dir.File("plain")}), 1);
    // Access denied on every file operation: nothing is created, and the failure is reported.
    fileio::SetFaultHook([](fileio::Op op) {
        return op == fileio::Op::Open || op == fileio::Op::Rename ? fileio::Fault::Fail : fileio::Fault::None;
    });
    EXPECT_EQ(RunStoreTool({"create", dir.Folder()}), 1);
    fileio::SetFaultHook({});
    EXPECT_FALSE(fileio::Exists(PathOf(kSiteStoreAlias)));
    EXPECT_FALSE(fileio::Exists(PathOf(kGeneralStoreAlias) + ".new"));
}

TEST_F(StoreTool, RefusesUnknownArguments) {
    EXPECT_EQ(RunStoreTool({}), 64);
    EXPECT_EQ(RunStoreTool({"make", dir.Folder()}), 64);
    EXPECT_EQ(RunStoreTool({"create", dir.Folder(), "--force"}), 64);
    EXPECT_EQ(RunStoreTool({"check"}), 64);
    EXPECT_EQ(RunStoreTool({"salvage", PathOf(kSiteStoreAlias)}), 64);
    EXPECT_FALSE(fileio::Exists(PathOf(kSiteStoreAlias)));
}

// A site store of ten records, each appended in an entry of its own; the entries' offsets.
class StoreRecovery : public StoreTool {
  protected:
    void SetUp() override {
        StoreTool::SetUp();
        ASSERT_EQ(RunStoreTool({"create", dir.Folder()}), 0);
        ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
        for (int i = 0; i < 10; ++i) {
            ASSERT_TRUE(Stores().Append({"c", std::string("http://s").append(std::to_string(i))}));
            want.push_back(Site(i));
        }
        CloseStoreByName("");
        path = PathOf(kSiteStoreAlias);
        original = FileBytes(path);
        at = testing::EntryBounds(original);
        ASSERT_EQ(at.size(), 12u);  // schema, ten appends, the end
    }
    static Fields Site(int i) {
        Fields f(10);
        f[0] = "c";
        f[1] = std::string("http://s").append(std::to_string(i));
        return f;
    }
    void Put(const std::string& bytes) { ASSERT_TRUE(testing::PutFileBytes(path, bytes)); }
    std::string path, original;
    std::vector<std::size_t> at;
    testing::Snapshot want;
};

TEST_F(StoreRecovery, CheckTellsIntactTornAndDamagedFilesApart) {
    EXPECT_EQ(RunStoreTool({"check", path}), 0);
    std::string torn = original;
    for (std::size_t i = at[10]; i < torn.size(); ++i) torn[i] = '\0';  // the last entry zeroed
    Put(torn);
    EXPECT_EQ(RunStoreTool({"check", path}), 1);
    std::string damaged = original;
    damaged[at[4] + 20] ^= 0x10;  // inside the 4th append
    Put(damaged);
    EXPECT_EQ(RunStoreTool({"check", path}), 2);
    EXPECT_EQ(FileBytes(path), damaged);  // a check only reads
    std::string header = original;
    header[20] ^= 1;  // the salt
    Put(header);
    EXPECT_EQ(RunStoreTool({"check", path}), 2);
    EXPECT_EQ(RunStoreTool({"check", dir.File("missing.edb")}), 3);
    // Another program's file, and a store under a password the program does not use.
    EXPECT_EQ(RunStoreTool({"check", PathOf(kGeneralStoreAlias)}), 0);
    ASSERT_TRUE(RecordStore::Create(dir.File("other.edb"), "not ours", {"a"}));
    EXPECT_EQ(RunStoreTool({"check", dir.File("other.edb")}), 3);
}

TEST_F(StoreRecovery, SalvageCopiesEveryAuthenticRecordAndLeavesTheFileAlone) {
    std::string damaged = original;
    damaged[at[4] + 3] ^= 0x80;   // the length of the 4th append: the rest looks like one huge entry
    damaged[at[7] + 30] ^= 0x01;  // and a byte inside the 7th
    Put(damaged);
    ASSERT_FALSE(OpenStoreByName(kSiteStoreAlias));  // the program refuses it
    const std::string out = dir.File("rescued.edb");
    ASSERT_EQ(RunStoreTool({"salvage", path, out}), 0);
    EXPECT_EQ(FileBytes(path), damaged);
    RecordStore rs;
    ASSERT_TRUE(rs.Open(out, "r", FindStoreInfo(kSiteStoreAlias)->password)) << rs.LastError();
    testing::Snapshot expected = want;
    expected.erase(expected.begin() + 6);  // records 4 and 7 were in the damaged entries
    expected.erase(expected.begin() + 3);
    EXPECT_EQ(testing::Snap(rs, 10), expected);
    rs.CloseAll();
    EXPECT_EQ(RunStoreTool({"check", out}), 0);
    // Never over an existing file, the damaged one included.
    EXPECT_EQ(RunStoreTool({"salvage", path, out}), 1);
    EXPECT_EQ(RunStoreTool({"salvage", path, path}), 1);
    EXPECT_EQ(FileBytes(path), damaged);
}

TEST_F(StoreRecovery, SalvageUsesTheKnownFieldsWhenTheSchemaIsLost) {
    std::string damaged = original;
    damaged[at[0] + 20] ^= 0x01;
    Put(damaged);
    const std::string out = dir.File("rescued.edb");
    ASSERT_EQ(RunStoreTool({"salvage", path, out}), 0);
    RecordStore rs;
    ASSERT_TRUE(rs.Open(out, "r", FindStoreInfo(kSiteStoreAlias)->password));
    EXPECT_EQ(testing::Snap(rs, 10), want);
    EXPECT_EQ(rs.Read("网站地址"), "http://s0");
}

// A record an older engine stored over the limit of one change would make the rescued store
// refuse every change of it: it is dropped and counted, the rest is salvaged.
TEST_F(StoreRecovery, SalvageDropsARecordTooLongToBeRewritten) {
    const std::string header = original.substr(0, storefile::kHeaderSize);
    const storefile::HeaderFields h = storefile::FieldsOf(header);
    std::string key;
    ASSERT_TRUE(storecrypto::DeriveKey(FindStoreInfo(kSiteStoreAlias)->password, h.salt, h.iterations, &key));
    Fields big = Site(2);
    big[2] = std::string(17u << 20, 't');
    const std::string payload = storefile::UpdatePayload(2, storefile::EncodeRow(big, 10));
    Put(original + storefile::SealEntry(key, h.fileId, original.size(), payload, nullptr));
    const std::string out = dir.File("rescued.edb");
    ASSERT_EQ(RunStoreTool({"salvage", path, out}), 0);
    RecordStore rs;
    ASSERT_TRUE(rs.Open(out, "r", FindStoreInfo(kSiteStoreAlias)->password)) << rs.LastError();
    testing::Snapshot expected = want;
    expected.erase(expected.begin() + 2);
    EXPECT_EQ(testing::Snap(rs, 10), expected);
}

}  // namespace
}  // namespace qm

// The store tool as make run and make dist use it: the three stores of a new installation, opened
// through the program's store functions; existing stores kept or replaced; failures in the exit code.
#include "store_tool.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/stores.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "platform/record_store.h"
#include "store_test_util.h"

namespace qm {
namespace {

using testing::TempFolder;

// The bytes of a file with a GBK name.
std::string Bytes(const std::string& path) {
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::ReadOnly);
    fileio::FileStat st;
    std::string bytes;
    std::size_t got = 0;
    if (f && fileio::StatFile(f, &st)) {
        bytes.resize(st.size);
        if (!fileio::ReadAt(f, 0, bytes.data(), bytes.size(), &got)) got = 0;
        bytes.resize(got);
    }
    fileio::CloseFile(f);
    return bytes;
}

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
        testing::Snapshot s = testing::Snap(Stores(), static_cast<int>(FindStoreInfo(alias)->fieldNames.size()));
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
    const std::string category = Bytes(PathOf(kCategoryStoreAlias)), site = Bytes(PathOf(kSiteStoreAlias));
    ASSERT_FALSE(category.empty());

    EXPECT_EQ(RunStoreTool({"create", dir.Folder()}), 0);
    EXPECT_EQ(Bytes(PathOf(kCategoryStoreAlias)), category);
    EXPECT_EQ(Bytes(PathOf(kSiteStoreAlias)), site);
    EXPECT_EQ(Contents(kCategoryStoreAlias), (testing::Snapshot{{"新闻"}}));

    EXPECT_EQ(RunStoreTool({"create", dir.Folder(), "--overwrite"}), 0);
    EXPECT_EQ(Contents(kCategoryStoreAlias), testing::Snapshot{});
    EXPECT_EQ(Contents(kGeneralStoreAlias), (testing::Snapshot{{"", ""}}));
    EXPECT_NE(Bytes(PathOf(kSiteStoreAlias)), site);  // a new file: new salt and id
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
    EXPECT_EQ(RunStoreTool({}), 2);
    EXPECT_EQ(RunStoreTool({"make", dir.Folder()}), 2);
    EXPECT_EQ(RunStoreTool({"create", dir.Folder(), "--force"}), 2);
    EXPECT_FALSE(fileio::Exists(PathOf(kSiteStoreAlias)));
}

}  // namespace
}  // namespace qm

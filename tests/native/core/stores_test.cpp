// The program's store functions on the process-wide engine, with the three stores created in a
// temporary program folder.
#include "core/stores.h"

#include <gtest/gtest.h>

#include "../store/store_test_util.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "store/record_store.h"

namespace qm {
namespace {

class StoreFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        SetStoreKdfIterationsForTesting(1000);
        SetProgramFolderForTesting(dir.Folder());
        SetDialogScript(&script);
        for (const StoreInfo& s : AllStores())
            ASSERT_TRUE(RecordStore::Create(dir.Folder() + s.fileName, s.password, s.fieldNames));
    }
    void TearDown() override {
        CloseStoreByName("");
        SetDialogScript(nullptr);
        SetProgramFolderForTesting("");
    }
    testing::TempFolder dir;
    DialogScript script;
};

TEST_F(StoreFunctions, TheThreeStoresHaveTheirSchemas) {
    ASSERT_EQ(AllStores().size(), 3u);
    EXPECT_EQ(SiteFieldNames().size(), 10u);
    EXPECT_EQ(SiteFieldNames()[0], "分类名称");
    EXPECT_EQ(SiteFieldNames()[9], "雅虎反链");
    EXPECT_EQ(FindStoreInfo("分类")->fieldNames.size(), 1u);
    EXPECT_EQ(FindStoreInfo("时间")->fieldNames.size(), 2u);
    EXPECT_STREQ(FindStoreInfo("网站")->password, "mizotvrahkqel38@");
    EXPECT_EQ(FindStoreInfo("其他"), nullptr);
}

TEST_F(StoreFunctions, OpeningTwiceSelectsTheOpenStoreAtRecordOne) {
    ASSERT_TRUE(OpenStoreByName("网站"));
    ASSERT_TRUE(Stores().Append({"c", "http://a"}));
    ASSERT_TRUE(Stores().Append({"c", "http://b"}));
    ASSERT_TRUE(Stores().GoTo(2));
    ASSERT_TRUE(OpenStoreByName("分类"));
    ASSERT_TRUE(OpenStoreByName("网站"));  // already open: selected, not reopened
    EXPECT_EQ(Stores().RecordNumber(), 1);
    EXPECT_EQ(Stores().Read("网站地址"), "http://a");
    EXPECT_TRUE(Stores().IsOpen(dir.Folder() + kSiteStoreFile));
}

TEST_F(StoreFunctions, UnknownNamesOpenNothing) {
    EXPECT_FALSE(OpenStoreByName("网站数据库"));
    EXPECT_FALSE(OpenStoreByName(""));
    EXPECT_EQ(Stores().RecordNumber(), 0);
    EXPECT_FALSE(Stores().IsOpen(dir.Folder() + kSiteStoreFile));
}

TEST_F(StoreFunctions, DeleteCurrentAndPurgeRenumbers) {
    ASSERT_TRUE(OpenStoreByName("网站"));
    for (int i = 1; i <= 5; ++i)
        ASSERT_TRUE(Stores().Append({"c", std::string("site").append(std::to_string(i))}));
    ASSERT_TRUE(Stores().GoTo(3));
    ASSERT_TRUE(DeleteCurrentAndPurge());
    EXPECT_EQ(Stores().RecordCount(), 4);
    ASSERT_TRUE(Stores().GoTo(3));
    EXPECT_EQ(Stores().Read(2), "site4");
    CloseStoreByName("网站");
    ASSERT_TRUE(OpenStoreByName("网站"));
    EXPECT_EQ(Stores().RecordCount(), 4);
    Stores().Skip(4);
    EXPECT_FALSE(DeleteCurrentAndPurge());  // past the end: nothing to delete
}

TEST_F(StoreFunctions, CategoryExistsFindsByExactName) {
    EXPECT_FALSE(CategoryExists("新闻"));  // empty store
    ASSERT_TRUE(Stores().Append({"新闻"}));
    ASSERT_TRUE(Stores().Append({"Blog"}));
    EXPECT_TRUE(CategoryExists("Blog"));
    EXPECT_EQ(Stores().RecordNumber(), 2);  // the match is current
    EXPECT_FALSE(CategoryExists("blog"));
    EXPECT_EQ(Stores().RecordNumber(), 1);
    EXPECT_TRUE(script.shown.empty());
}

TEST_F(StoreFunctions, CategoryExistsReportsAStoreThatFailsToOpen) {
    CloseStoreByName("");
    testing::TempFolder empty;
    SetProgramFolderForTesting(empty.Folder());
    EXPECT_FALSE(CategoryExists("新闻"));
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "打开分类数据库失败！");
    EXPECT_EQ(script.shown[0].title, "信息：");
    EXPECT_FALSE(Stores().IsOpen(empty.Folder() + kCategoryStoreFile));
}

TEST_F(StoreFunctions, ADamagedStoreIsReportedAsAFailedOpenAndLeftAsItWas) {
    ASSERT_TRUE(OpenStoreByName("分类"));
    for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(Stores().Append({name}));
    CloseStoreByName("");
    const std::string path = dir.Folder() + kCategoryStoreFile;
    std::string bytes = testing::FileBytes(path);
    const std::vector<std::size_t> at = testing::EntryBounds(bytes);
    ASSERT_EQ(at.size(), 5u);
    bytes[at[2] + 20] = static_cast<char>(bytes[at[2] + 20] ^ 1);  // inside "b", with "c" after it
    ASSERT_TRUE(testing::PutFileBytes(path, bytes));
    EXPECT_FALSE(CategoryExists("c"));
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "打开分类数据库失败！");
    EXPECT_EQ(testing::FileBytes(path), bytes);
}

TEST_F(StoreFunctions, CloseByNameAndCloseAll) {
    ASSERT_TRUE(OpenStoreByName("网站"));
    ASSERT_TRUE(OpenStoreByName("时间"));
    CloseStoreByName("网站");
    EXPECT_FALSE(Stores().IsOpen(dir.Folder() + kSiteStoreFile));
    EXPECT_TRUE(Stores().IsOpen(dir.Folder() + kGeneralStoreFile));
    CloseStoreByName("");
    EXPECT_FALSE(Stores().IsOpen(dir.Folder() + kGeneralStoreFile));
}

TEST(ProgramFolder, IsTheExecutableFolderWithoutTrailingSeparator) {
    const std::string f = ProgramFolder();
    ASSERT_FALSE(f.empty());
    EXPECT_NE(f.back(), '\\');
    EXPECT_NE(f.back(), '/');
    SetProgramFolderForTesting("C:\\x");
    EXPECT_EQ(ProgramFolder(), "C:\\x");
    SetProgramFolderForTesting("");
    EXPECT_EQ(ProgramFolder(), f);
}

}  // namespace
}  // namespace qm

// Renaming and deleting a category with its sites: the whole change on success, and with writes
// to either store failing (the site batch, or the category record after the sites went through)
// both stores exactly as they were, so no site is ever left under a category that does not exist.
#include <gtest/gtest.h>

#include "../store/store_test_util.h"
#include "catalogue/categories.h"
#include "platform/file_io.h"
#include "program_folder_fixture.h"

namespace qm {
namespace {

using namespace testing;
using Texts = std::vector<std::string>;

class CategoryChange : public ProgramFolderTest {
  protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        AddCategories({"A", "B"});
        // Interleaved, so that putting deleted sites back must restore their places.
        AddSites({{"A", "http://a1", "1"},
                  {"B", "http://b1", "2"},
                  {"A", "http://a2", "3"},
                  {"B", "http://b2", "4"},
                  {"A", "http://a3", "5"}});
    }
    void TearDown() override {
        fileio::SetDetailedFaultHook({});
        ProgramFolderTest::TearDown();
    }
    Snapshot Table(const char* alias, int fields) {
        bool opened = false;
        const Snapshot s = SnapFile(Folder() + FindStoreInfo(alias)->fileName, FindStoreInfo(alias)->password,
                                    fields, &opened);
        EXPECT_TRUE(opened) << alias;
        return s;
    }
    Snapshot Sites() { return Table(kSiteStoreAlias, 10); }
    Snapshot Categories() { return Table(kCategoryStoreAlias, 1); }
    Texts SiteCategories() {
        Texts t;
        for (const Fields& f : Sites()) t.push_back(f[0]);
        return t;
    }
    static std::string AskRename(const std::string& name) {
        return "当前分类名称为：" + name + "\r\n请输入新分类名称：";
    }
    Texts Messages() {
        Texts t;
        for (const auto& d : script.shown) t.push_back(d.text);
        script.shown.clear();
        return t;
    }
    // Writes to the store file of alias fail (as a full disk or a lost share would), or store
    // only half their bytes.
    static void FailWritesTo(const char* alias, fileio::Fault fault) {
        const std::string name = FindStoreInfo(alias)->fileName + 1;
        fileio::SetDetailedFaultHook([name, fault](const fileio::OpInfo& i) {
            const bool write = i.op == fileio::Op::Write || i.op == fileio::Op::Truncate;
            return write && i.path.ends_with(name) ? fault : fileio::Fault::None;
        });
    }
};

TEST_F(CategoryChange, RenameAndDeleteChangeTheSitesAndTheCategory) {
    script.inputs = {"Z"};
    EXPECT_EQ(AskAndRenameCategory("A"), std::optional<std::string>("Z"));
    EXPECT_EQ(Categories(), (Snapshot{{"Z"}, {"B"}}));
    EXPECT_EQ(SiteCategories(), (Texts{"Z", "B", "Z", "B", "Z"}));
    script.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(AskAndDeleteCategory("Z"));
    EXPECT_EQ(Categories(), (Snapshot{{"B"}}));
    EXPECT_EQ(SiteCategories(), (Texts{"B", "B"}));
    EXPECT_EQ(Messages(), (Texts{AskRename("A"), "更改成功！",
                                 "确定删除分类 \"Z\" 吗？ 该分类下所有网站也将会被删除！", "删除成功！"}));
}

// The site batch fails: nothing reaches either file, and the failure message is all that shows.
TEST_F(CategoryChange, FailingSiteWritesLeaveBothStoresAsTheyWere) {
    const std::string siteBytes = FileBytes(Folder() + kSiteStoreFile);
    const std::string categoryBytes = FileBytes(Folder() + kCategoryStoreFile);
    const Snapshot sites = Sites();
    for (const fileio::Fault fault : {fileio::Fault::Fail, fileio::Fault::ShortWrite}) {
        FailWritesTo(kSiteStoreAlias, fault);
        script.inputs = {"Z"};
        EXPECT_EQ(AskAndRenameCategory("A"), std::nullopt);
        script.answers = {MessageAnswer::Yes};
        EXPECT_FALSE(AskAndDeleteCategory("A"));
        fileio::SetDetailedFaultHook({});
        EXPECT_EQ(Messages(),
                  (Texts{AskRename("A"), "更改失败！",
                         "确定删除分类 \"A\" 吗？ 该分类下所有网站也将会被删除！", "删除失败！"}));
        CloseStoreByName("");
        EXPECT_EQ(FileBytes(Folder() + kCategoryStoreFile), categoryBytes);
        if (fault == fileio::Fault::Fail) {
            EXPECT_EQ(FileBytes(Folder() + kSiteStoreFile), siteBytes);
        }
        EXPECT_EQ(Sites(), sites);
        EXPECT_EQ(Categories(), (Snapshot{{"A"}, {"B"}}));
    }
    // Nothing is left half-done in the engine: the same rename goes through once writes work.
    script.inputs = {"Z"};
    EXPECT_EQ(AskAndRenameCategory("A"), std::optional<std::string>("Z"));
    EXPECT_EQ(SiteCategories(), (Texts{"Z", "B", "Z", "B", "Z"}));
}

// The sites went through but the category record cannot change: the sites are put back, each in
// its place with all its fields.
TEST_F(CategoryChange, AFailingCategoryRecordPutsTheSitesBack) {
    const Snapshot sites = Sites();
    FailWritesTo(kCategoryStoreAlias, fileio::Fault::Fail);
    script.inputs = {"Z"};
    EXPECT_EQ(AskAndRenameCategory("A"), std::nullopt);
    script.answers = {MessageAnswer::Yes};
    EXPECT_FALSE(AskAndDeleteCategory("A"));
    fileio::SetDetailedFaultHook({});
    EXPECT_EQ(Messages(), (Texts{AskRename("A"), "更改失败！",
                                 "确定删除分类 \"A\" 吗？ 该分类下所有网站也将会被删除！", "删除失败！"}));
    CloseStoreByName("");
    EXPECT_EQ(Sites(), sites);
    EXPECT_EQ(Categories(), (Snapshot{{"A"}, {"B"}}));
}

}  // namespace
}  // namespace qm

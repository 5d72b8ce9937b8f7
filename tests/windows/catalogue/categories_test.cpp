// The category buttons "+", "改" and "删" in the real main window, and the category lists of the
// export and import windows: messages, stores, combos and the list after each answer.
#include "catalogue/categories_win.h"
#include "catalogue_fixture.h"
#include "platform/file_io.h"

namespace qm {
namespace {

using Strings = std::vector<std::string>;

class CategoryButtons : public testing::CatalogueTest {
  protected:
    // Categories Z and A; A holds three sites, Z one, interleaved in SiteStore.
    Form& LoadZA() {
        AddCategories({"Z", "A"});
        AddSites({{"A", "http://a1", "1"},
                  {"Z", "http://z1", "2"},
                  {"A", "http://a2", "3"},
                  {"A", "http://a3", "4"}});
        return Load();
    }
};

TEST_F(CategoryButtons, AddingSelectsTheNewCategoryForTheNextSiteAndRefusesItTwice) {
    Form& f = LoadZA();
    PickFilter(1);
    script.inputs = {std::string("新类"), std::string("新类"), std::string(), std::nullopt};
    Click(kAddCategoryButton);
    ASSERT_EQ(script.shown.size(), 2u);
    EXPECT_TRUE(script.shown[0].isInput);
    EXPECT_EQ(script.shown[0].title, "添加分类");
    EXPECT_EQ(script.shown[0].initialText, "");
    EXPECT_EQ(Shown(), (Strings{"请输入欲添加的分类名称：", "添加成功！"}));
    EXPECT_EQ(Categories(), (Strings{"Z", "A", "新类"}));
    EXPECT_EQ(ComboItems(f, kNewSiteCategoryCombo), (Strings{"Z", "A", "新类"}));
    EXPECT_EQ(ComboSelectedText(f, kNewSiteCategoryCombo), "新类");
    EXPECT_EQ(ComboSelectedText(f, kFilterCombo), "Z") << "the filter goes back to its first item";
    EXPECT_EQ(Column(1), (Strings{"http://a1", "http://a2", "http://a3"})) << "the list is not refilled";

    Click(kAddCategoryButton);
    ASSERT_EQ(script.shown.size(), 2u);
    EXPECT_EQ(script.shown[1].text, "已有分类 \"新类\"");
    EXPECT_EQ(script.shown[1].title, "提示");
    script.shown.clear();
    Click(kAddCategoryButton);  // an empty name is a name
    EXPECT_EQ(Shown(), (Strings{"请输入欲添加的分类名称：", "添加成功！"}));
    Click(kAddCategoryButton);  // cancelled
    EXPECT_EQ(Shown(), (Strings{"请输入欲添加的分类名称："}));
    EXPECT_EQ(Categories(), (Strings{"Z", "A", "新类", ""}));
}

TEST_F(CategoryButtons, RenameGivesTheNewNameToTheCategoryAndItsSites) {
    Form& f = LoadZA();
    PickFilter(1);
    script.inputs = {std::nullopt, std::string("B")};
    Click(kRenameCategoryButton);  // cancelled: nothing changes
    EXPECT_EQ(Categories(), (Strings{"Z", "A"}));
    Click(kRenameCategoryButton);
    ASSERT_EQ(script.shown.size(), 3u);
    EXPECT_EQ(script.shown[1].text, "当前分类名称为：A\r\n请输入新分类名称：");
    EXPECT_EQ(script.shown[1].title, "更改分类");
    EXPECT_EQ(script.shown[2].text, "更改成功！");
    script.shown.clear();
    EXPECT_EQ(Categories(), (Strings{"Z", "B"}));
    EXPECT_EQ(SiteField(1), (Strings{"B", "Z", "B", "B"}));
    EXPECT_EQ(ComboSelectedText(f, kFilterCombo), "B");
    EXPECT_EQ(Column(10), (Strings{"1", "3", "4"}));
}

TEST_F(CategoryButtons, DeleteAsksThenRemovesTheCategoryAndItsSitesAndShowsTheFirstRemaining) {
    AddCategories({"A", "B", "C"});
    AddSites({{"A", "http://a1", "1"},
              {"B", "http://b1", "2"},
              {"A", "http://a2", "3"},
              {"B", "http://b2", "4"},
              {"A", "http://a3", "5"}});
    Form& f = Load();
    script.answers = {MessageAnswer::No, MessageAnswer::Yes};
    Click(kDeleteCategoryButton);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "确定删除分类 \"A\" 吗？ 该分类下所有网站也将会被删除！");
    EXPECT_EQ(script.shown[0].title, "删除分类");
    EXPECT_EQ(script.shown[0].buttons, MessageButtons::YesNo);
    script.shown.clear();
    EXPECT_EQ(Categories(), (Strings{"A", "B", "C"}));
    EXPECT_EQ(SiteField(2).size(), 5u);

    Click(kDeleteCategoryButton);
    EXPECT_EQ(Shown(), (Strings{"确定删除分类 \"A\" 吗？ 该分类下所有网站也将会被删除！", "删除成功！"}));
    EXPECT_EQ(Categories(), (Strings{"B", "C"}));
    EXPECT_EQ(SiteField(2), (Strings{"http://b1", "http://b2"}));
    EXPECT_EQ(ComboItems(f, kFilterCombo), (Strings{"B", "C"}));
    EXPECT_EQ(ComboSelectedText(f, kFilterCombo), "B");
    EXPECT_EQ(ComboSelection(f, kNewSiteCategoryCombo), -1);
    EXPECT_EQ(Column(1), (Strings{"http://b1", "http://b2"}));
    EXPECT_EQ(Column(10), (Strings{"1", "2"})) << "the list shows the compacted record numbers";
}

TEST_F(CategoryButtons, DeletingTheLastCategoryEmptiesCombosAndList) {
    AddCategories({"A"});
    AddSites({{"A", "http://a1", "1"}, {"A", "http://a2", "2"}});
    Form& f = Load();
    Click(kDeleteCategoryButton);
    EXPECT_EQ(Shown().back(), "删除成功！");
    EXPECT_TRUE(Categories().empty());
    EXPECT_TRUE(SiteField(1).empty());
    EXPECT_EQ(ComboCount(f, kFilterCombo), 0);
    EXPECT_EQ(ComboCount(f, kNewSiteCategoryCombo), 0);
    EXPECT_EQ(ListRowCount(f, kSiteList), 0);
    Click(kDeleteCategoryButton);  // nothing left to delete: nothing is asked
    Click(kRenameCategoryButton);
    EXPECT_TRUE(Shown().empty());
}

TEST_F(CategoryButtons, NothingChangesWhileSiteStoreCannotBeOpened) {
    LoadZA();
    PickFilter(1);
    HideStore(kSiteStoreFile, true);
    script.inputs = {std::string("B")};
    Click(kRenameCategoryButton);
    Click(kDeleteCategoryButton);
    EXPECT_EQ(Shown(), (Strings{"打开网站数据库失败！", "打开网站数据库失败！"}))
        << "nothing is asked either";
    HideStore(kSiteStoreFile, false);
    EXPECT_EQ(Categories(), (Strings{"Z", "A"}));
    EXPECT_EQ(SiteField(1), (Strings{"A", "Z", "A", "A"}));
}

TEST_F(CategoryButtons, AFilterNameNoLongerStoredChangesNoOtherCategory) {
    LoadZA();
    PickFilter(1);
    // Another program renames A behind the window's back: the filter still reads "A".
    ASSERT_TRUE(OpenStoreByName(kCategoryStoreAlias));
    ASSERT_TRUE(Stores().GoTo(2) && Stores().Modify({std::string("A2")}));
    CloseStoreByName(kCategoryStoreAlias);
    script.inputs = {std::string("B")};
    Click(kRenameCategoryButton);
    Click(kDeleteCategoryButton);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Categories(), (Strings{"Z", "A2"}));
    EXPECT_EQ(SiteField(1), (Strings{"A", "Z", "A", "A"}));
}

// Writes to one store fail from a point on: each step of a rename or delete in turn is the first
// to fail. However many writes succeed before that store refuses one, the category and its sites
// change together or not at all, and a change that did not happen is reported as failed. (When
// both stores refuse every write, the sites that were already changed cannot be put back.)
TEST_F(CategoryButtons, AFailedWriteLeavesTheCategoryAndItsSitesInStep) {
    for (const char* failing : {kSiteStoreFile, kCategoryStoreFile}) {
        for (const bool rename : {true, false}) {
            bool succeeded = false, failed = false;
            for (int allowedWrites = 0; allowedWrites < 100 && !succeeded; ++allowedWrites) {
                for (const StoreInfo& s : AllStores()) {
                    const bool recreate = s.alias != std::string(kGeneralStoreAlias);
                    ASSERT_TRUE(!recreate ||
                                RecordStore::Create(Folder() + s.fileName, s.password, s.fieldNames, true));
                }
                AddCategories({"A"});
                AddSites({{"A", "http://a1", "1"}, {"A", "http://a2", "2"}, {"A", "http://a3", "3"}});
                Load();
                script.inputs = {std::string("B")};
                int left = allowedWrites;
                const std::string name = failing + 1;  // without the leading backslash
                fileio::SetDetailedFaultHook([&left, &name](const fileio::OpInfo& op) {
                    const bool ofStore = op.path.find(name) != std::string_view::npos;
                    return op.op == fileio::Op::Write && ofStore && left-- <= 0 ? fileio::Fault::Fail
                                                                                : fileio::Fault::None;
                });
                Click(rename ? kRenameCategoryButton : kDeleteCategoryButton);
                fileio::SetDetailedFaultHook(nullptr);
                Close();
                const Strings shown = Shown();
                const Strings sites = SiteField(1);
                const bool categoryChanged = Categories() != Strings{"A"};
                const bool sitesChanged = rename ? sites == Strings{"B", "B", "B"} : sites.empty();
                ASSERT_FALSE(shown.empty());
                if (categoryChanged) {
                    succeeded = true;
                    EXPECT_TRUE(sitesChanged) << failing + 1 << " " << allowedWrites;
                    EXPECT_EQ(shown.back(), rename ? "更改成功！" : "删除成功！") << allowedWrites;
                } else {
                    EXPECT_EQ(sites, (Strings{"A", "A", "A"})) << failing + 1 << " " << allowedWrites;
                    EXPECT_EQ(shown.back(), rename ? "更改失败！" : "删除失败！") << allowedWrites;
                    failed = true;
                }
            }
            EXPECT_TRUE(succeeded) << failing + 1 << " " << rename;
            EXPECT_TRUE(failed) << failing + 1 << " " << rename;
        }
    }
}

}  // namespace
}  // namespace qm

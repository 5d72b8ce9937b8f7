// Adding a site in the main window's panel, the modify window and deleting a record, in the real
// windows: the checks in order, duplicates by host, what the list and combos show afterwards, and
// saves and deletes while the list and the store have moved on.
#include "catalogue/modify_window_win.h"
#include "catalogue/site_entry_win.h"
#include "catalogue_fixture.h"

namespace qm {
namespace {

using Strings = std::vector<std::string>;

class SiteEntry : public testing::CatalogueTest {
  protected:
    // Types a whole site into an entry form; the category is picked by its index (-1: none).
    void Enter(Form& form, const Strings& fields, int category) {
        for (std::size_t k = 0; k < 9; ++k)
            SetText(form, kSiteEntryEdits[k], k < fields.size() ? fields[k] : "");
        ComboSelect(form, kNewSiteCategoryCombo, category);
    }
    void AddSite(const std::string& address, int category = 0) {
        Enter(*main, {address, "t"}, category);
        Click(kAddSiteButton);
    }
    std::string Field(Form& form, int k) { return GetText(form, kSiteEntryEdits[k - 2]); }
};

TEST_F(SiteEntry, ChecksComeInOrderAndStopTheFetch) {
    AddCategories({"A"});
    Form& f = Load();
    auto flag = FetchCancelledFlag(f);
    struct Case {
        Strings fields;
        int category;
        const char* message;
    } cases[] = {
        {{"http://", "t"}, 0, "网站地址不能为空！"},
        {{"", "t"}, 0, "网站地址不能为空！"},
        {{"http://a.com", ""}, 0, "网站标题不能为空！"},
        {{"http://a.com", "t"}, -1, "分类不能为空！"},  // right after start nothing is selected
    };
    EXPECT_EQ(ComboSelection(f, kNewSiteCategoryCombo), -1);
    for (const Case& c : cases) {
        Enter(f, c.fields, c.category);
        flag->store(0);
        Click(kAddSiteButton);
        EXPECT_EQ(flag->load(), 1) << "figures still arriving are dropped";
        EXPECT_EQ(Shown(), Strings{c.message}) << c.fields[0];
    }
    EXPECT_TRUE(SiteField(1).empty());
    Enter(f, {"http://a.com", " "}, 0);  // nothing is trimmed
    Click(kAddSiteButton);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(SiteField(3), Strings{" "});
}

TEST_F(SiteEntry, DuplicatesAreTheSameHostWhateverCasePathOrPort) {
    AddCategories({"A"});
    AddSites({{"A", "http://www.a.com/x", "1"}, {"A", "https://s.com", "2"}});
    Load();
    for (const char* same : {"HTTP://WWW.A.COM", "http://www.a.com/other/path", "http://www.a.com:8080",
                             "www.a.com", "HTTPS://S.com/p", "http://s.com"}) {
        AddSite(same);
        ASSERT_EQ(script.shown.size(), 1u) << same;
        EXPECT_EQ(script.shown[0].text, "已有该网站数据！");
        EXPECT_EQ(script.shown[0].title, "提示");
        script.shown.clear();
    }
    for (const char* other : {"http://sub.www.a.com", "https://t.com", "https://u.com/x"}) AddSite(other);
    EXPECT_TRUE(Shown().empty()) << "a subdomain, and secure sites of other hosts, are new sites";
    EXPECT_EQ(SiteField(2), (Strings{"http://www.a.com/x", "https://s.com", "http://sub.www.a.com",
                                     "https://t.com", "https://u.com/x"}));
}

TEST_F(SiteEntry, AfterAnAddTheFilterShowsTheNewSitesCategoryAndTheFieldsKeepTheirValues) {
    AddCategories({"A", "B"});
    AddSites({{"B", "http://b1", "1"}, {"A", "http://a1", "2"}});
    Form& f = Load();
    State().rememberedRow = 5;
    const Strings typed = {"http://新.cn/x", "标题", "me", "pw", "3", "10", "20", "30", "40"};
    Enter(f, typed, 1);
    Click(kAddSiteButton);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(ComboSelectedText(f, kFilterCombo), "B");
    EXPECT_EQ(Column(1), (Strings{"http://b1", "http://新.cn/x"}));
    EXPECT_EQ(Column(10), (Strings{"1", "3"}));
    EXPECT_EQ(State().rememberedRow, 5) << "no selection event of the filter";
    for (int k = 2; k <= 10; ++k) EXPECT_EQ(Field(f, k), typed[static_cast<std::size_t>(k - 2)]);
    Strings stored = typed;
    stored.insert(stored.begin(), "B");
    EXPECT_EQ(Records(kSiteStoreAlias).back(), stored);
}

TEST_F(SiteEntry, ModifyWindowShowsTheRowsSiteAndSavesItBack) {
    AddCategories({"A", "B"});
    AddSites({{"A", "http://a1", "1"}, {"B", "http://b1", "2"}, {"A", "http://a2", "3"}});
    Form& f = Load();
    Menu(1, "修改当前记录");
    Form* m = ModifyWindow();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetText(*m, kModifyFormName), "修改当前记录");
    EXPECT_EQ(GetParent(FormWindow(*m)), nullptr);
    EXPECT_EQ(GetWindow(FormWindow(*m), GW_OWNER), FormWindow(f));
    EXPECT_EQ(State().rememberedRow, 1);
    EXPECT_EQ(Field(*m, 2), "http://a2");
    EXPECT_EQ(Field(*m, 3), "title http://a2");
    EXPECT_EQ(Field(*m, 6), "3");
    EXPECT_EQ(Field(*m, 10), "4");
    EXPECT_EQ(ComboItems(*m, kNewSiteCategoryCombo), (Strings{"A", "B"}));
    EXPECT_EQ(ComboSelectedText(*m, kNewSiteCategoryCombo), "A");
    EXPECT_NE(GetFocus(), ControlWindow(*m, kAddressBox)) << "the address box is not entered";
    SetText(*m, "网站标题", "新标题");
    ComboSelect(*m, kNewSiteCategoryCombo, 1);
    Click(kSaveRecordButton, m);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(ModifyWindow(), nullptr) << "a save closes the window";
    EXPECT_EQ(Records(kSiteStoreAlias)[2],
              (Fields{"B", "http://a2", "新标题", "acc", "pw", "3", "1", "2", "3", "4"}));
    EXPECT_EQ(ComboSelectedText(f, kFilterCombo), "B");
    EXPECT_EQ(Column(1), (Strings{"http://b1", "http://a2"}));
}

TEST_F(SiteEntry, ASiteWhoseCategoryIsGoneOpensWithoutOneAndIsNotSaved) {
    AddCategories({"A", "B"});
    AddSites({{"A", "http://a1", "1"}});
    Load();
    ASSERT_TRUE(OpenStoreByName(kCategoryStoreAlias) && DeleteCurrentAndPurge());  // A, behind the list
    CloseStoreByName(kCategoryStoreAlias);
    Menu(0, "修改当前记录");
    Form* m = ModifyWindow();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(ComboSelection(*m, kNewSiteCategoryCombo), -1);
    Click(kSaveRecordButton, m);
    EXPECT_EQ(Shown(), Strings{"分类不能为空！"});
    EXPECT_EQ(ModifyWindow(), m) << "the window stays open";
}

TEST_F(SiteEntry, ASaveFollowsItsSiteWhenItWasRenumberedAndRefusesWhenItIsGone) {
    AddCategories({"A"});
    AddSites(
        {{"A", "http://a1", "1"}, {"A", "http://a2", "2"}, {"A", "http://a3", "3"}, {"A", "http://a4", "4"}});
    Load();
    Menu(2, "修改当前记录");  // record 3
    Form* m = ModifyWindow();
    ASSERT_NE(m, nullptr);
    Menu(0, "删除当前记录");  // record 3 becomes record 2
    SetText(*m, "网站标题", "changed");
    ComboSelect(*m, kNewSiteCategoryCombo, 0);
    Click(kSaveRecordButton, m);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(SiteField(3), (Strings{"title http://a2", "changed", "title http://a4"}));

    Menu(0, "修改当前记录");  // a2, record 1
    m = ModifyWindow();
    ASSERT_NE(m, nullptr);
    Menu(0, "删除当前记录");  // a2 is gone; a3 is now record 1
    SetText(*m, "网站标题", "lost");
    Click(kSaveRecordButton, m);
    EXPECT_EQ(Shown(), Strings{"当前记录已被删除或修改，无法保存！"});
    EXPECT_EQ(ModifyWindow(), m);
    EXPECT_EQ(SiteField(2), (Strings{"http://a3", "http://a4"}));
    EXPECT_EQ(SiteField(3), (Strings{"changed", "title http://a4"})) << "no other site is overwritten";
}

TEST_F(SiteEntry, DeleteRenumbersTheHiddenColumnAndKeepsTheRememberedRow) {
    AddCategories({"A", "B"});
    AddSites(
        {{"A", "http://a1", "1"}, {"B", "http://b1", "2"}, {"A", "http://a2", "3"}, {"A", "http://a3", "4"}});
    Load();
    EXPECT_EQ(Column(10), (Strings{"1", "3", "4"}));
    Menu(1, "删除当前记录");
    EXPECT_TRUE(Shown().empty()) << "no confirmation, no message";
    EXPECT_EQ(State().rememberedRow, 1);
    EXPECT_EQ(Column(1), (Strings{"http://a1", "http://a3"}));
    EXPECT_EQ(Column(10), (Strings{"1", "3"}));
    EXPECT_EQ(SiteField(2), (Strings{"http://a1", "http://b1", "http://a3"}));
}

TEST_F(SiteEntry, WithoutSiteStoreNothingOpensAndNoOtherStoreIsTouched) {
    AddCategories({"A", "B"});
    AddSites({{"A", "http://a1", "1"}});
    Load();
    HideStore(kSiteStoreFile, true);
    ASSERT_TRUE(OpenStoreByName(kCategoryStoreAlias));  // left current, as an early return may leave it
    Menu(0, "修改当前记录");
    EXPECT_EQ(ModifyWindow(), nullptr);
    Menu(0, "删除当前记录");
    AddSite("http://new.com");
    EXPECT_EQ(Shown(), (Strings{"打开网站数据库失败！", "打开网站数据库失败！", "打开网站数据库失败！",
                                "打开网站数据库失败！"}));
    HideStore(kSiteStoreFile, false);
    EXPECT_EQ(Categories(), (Strings{"A", "B"}));
    EXPECT_EQ(SiteField(2), Strings{"http://a1"});
}

TEST_F(SiteEntry, AddressBoxesPutTheCaretAtTheEndAndCancelTheFetch) {
    AddCategories({"A"});
    AddSites({{"A", "http://a1", "1"}});
    Form& f = Load();
    HWND box = ControlWindow(f, kAddressBox);
    SendMessageW(box, EM_SETSEL, 0, -1);
    SetFocus(box);
    testing::Pump();
    DWORD start = 0, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 7u);
    EXPECT_EQ(end, 7u);
    auto flag = FetchCancelledFlag(f);
    flag->store(0);
    SetText(f, kAddressBox, "http://x");
    EXPECT_EQ(flag->load(), 1);

    Menu(0, "修改当前记录");
    Form* m = ModifyWindow();
    ASSERT_NE(m, nullptr);
    auto modifyFlag = FetchCancelledFlag(*m);
    EXPECT_NE(modifyFlag, flag) << "each form has its own flag";
    modifyFlag->store(0);
    DestroyWindow(FormWindow(*m));
    EXPECT_EQ(modifyFlag->load(), 1) << "a closed window's workers write nothing";
}

}  // namespace
}  // namespace qm

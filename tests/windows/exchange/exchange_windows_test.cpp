// The export and import windows in-process under Wine, opened from the main window's buttons and
// driven as a user drives them: the format choice with its notes and template box (and its grey
// look under the skin), the category lists, the file dialogs answered by a hook, and both runs,
// ending in a round trip of the catalogue through both formats into empty stores.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "../../native/exchange/exchange_test_util.h"
#include "../../native/store/store_test_util.h"
#include "../catalogue/catalogue_fixture.h"
#include "app/wiring_win.h"
#include "catalogue/main_form.h"
#include "exchange/exchange_forms.h"
#include "exchange/exchange_windows_win.h"
#include "platform/win32/file_dialogs_win.h"

namespace qm {
namespace {

using namespace testing;
using Strings = std::vector<std::string>;

void Command(HWND control, WORD code) {
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
    Pump();
}

class ExchangeWindows : public CatalogueTest {
  protected:
    std::vector<EventBinding> MoreBindings() override { return ProgramWindowBindings(); }
    void SetUp() override {
        CatalogueTest::SetUp();
        AddCategories({"资讯", "工具"});
        AddSites({{"资讯", "http://a.example/", "3"}, {"工具", "http://b.example/", "5"}});
        SetFileDialogHookForTesting([this](const FileDialogRequest& r) {
            requests.push_back(r);
            std::optional<std::string> answer = answers.empty() ? std::nullopt : answers.front();
            if (!answers.empty()) answers.erase(answers.begin());
            return answer;
        });
        Load();
    }
    void TearDown() override {
        SetFileDialogHookForTesting(nullptr);
        CatalogueTest::TearDown();
    }
    Form& OpenExport() {
        Click(kExportButton);
        EXPECT_NE(ExportWindow(), nullptr);
        return *ExportWindow();
    }
    Form& OpenImport() {
        Click(kImportButton);
        EXPECT_NE(ImportWindow(), nullptr);
        return *ImportWindow();
    }
    static void PickFormat(Form& form, int index) {
        HWND combo = ControlWindow(form, kFormatCombo);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Command(combo, CBN_SELCHANGE);
    }
    static bool ReadOnly(const Form& form) {
        return (GetWindowLongPtrW(ControlWindow(form, kTemplateEdit), GWL_STYLE) & ES_READONLY) != 0;
    }
    // The text colour the window gives its template box when it asks as a read-only edit.
    static COLORREF ReadOnlyTextColour(const Form& form) {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(FormWindow(form), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(ControlWindow(form, kTemplateEdit)));
        const COLORREF c = GetTextColor(dc);
        DeleteDC(dc);
        return c;
    }
    static std::pair<DWORD, DWORD> Selection(const Form& form, const char* edit) {
        DWORD start = 0, end = 0;
        SendMessageW(ControlWindow(form, edit), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    std::vector<std::string> Titles() {
        std::vector<std::string> t;
        for (const ShownDialog& d : script.shown) t.push_back(d.title);
        return t;
    }

    std::vector<FileDialogRequest> requests;
    std::vector<std::optional<std::string>> answers;
    TempFolder files;
};

TEST_F(ExchangeWindows, TheExportWindowAsItOpens) {
    Form& w = OpenExport();
    Click(kExportButton);  // a second click brings the same window forward
    EXPECT_EQ(ExportWindow(), &w);
    EXPECT_EQ(GetText(w, kExportFormName), "导出窗口");
    EXPECT_EQ(GetParent(FormWindow(w)), nullptr);
    EXPECT_EQ(GetWindow(FormWindow(w), GW_OWNER), FormWindow(*main));
    EXPECT_EQ(ComboItems(w, kFormatCombo), (std::vector<std::string>{"标准格式", "自定义"}));
    EXPECT_EQ(ComboSelection(w, kFormatCombo), 0);
    EXPECT_EQ(GetText(w, kFormatNote), "本软件专用格式");
    EXPECT_EQ(GetText(w, kTemplateEdit), "当导出格式为“自定义”时生效");
    EXPECT_TRUE(ReadOnly(w));
    EXPECT_EQ(
        GetText(w, "标签3"),
        "格式文本参数：\r\n [#分类名称#] [#网站地址#] [#网站标题#]\r\n [#登录帐号#] [#登录密码#] [#PR值#]\r\n"
        " [#百度收录#] [#谷歌收录#] [#百度反链#]\r\n [#雅虎反链#]");
    EXPECT_EQ(ComboItems(w, kExportChoiceCombo), (std::vector<std::string>{"所有数据", "资讯", "工具"}));
    EXPECT_EQ(ComboSelection(w, kExportChoiceCombo), 0);
    EXPECT_EQ(GetText(w, kSavePathEdit), "");
    EXPECT_EQ(GetText(w, kPathButton), "…");
    EXPECT_EQ(GetText(w, kRunExportButton), "导  出");
    const ControlRect r = GetControlRect(w, kSavePathEdit);
    EXPECT_EQ((std::vector<int>{r.left, r.top, r.width, r.height}), (std::vector<int>{67, 153, 170, 20}));
}

TEST_F(ExchangeWindows, FormatChangesSwapTheNoticeAndTheTemplate) {
    for (Form* w : {&OpenExport(), &OpenImport()}) {
        PickFormat(*w, 1);
        EXPECT_EQ(GetText(*w, kFormatNote), "自行定义的格式");
        EXPECT_EQ(GetText(*w, kTemplateEdit), "[#网站地址#]-[#网站标题#]-[#PR值#]");
        EXPECT_FALSE(ReadOnly(*w));
        SetText(*w, kTemplateEdit, "[#网站地址#]");
        PickFormat(*w, 0);
        EXPECT_EQ(GetText(*w, kFormatNote), "本软件专用格式");
        EXPECT_EQ(GetText(*w, kTemplateEdit), "当导出格式为\"自定义\"时生效");
        EXPECT_TRUE(ReadOnly(*w));
        // Under the skin the read-only box keeps a grey text on the skin's face.
        EXPECT_EQ(ReadOnlyTextColour(*w), RGB(96, 96, 96));
        PickFormat(*w, 1);
        EXPECT_EQ(GetText(*w, kTemplateEdit), "[#网站地址#]-[#网站标题#]-[#PR值#]");
    }
    Form& import = *ImportWindow();
    EXPECT_EQ(ComboItems(import, kImportTargetCombo), (std::vector<std::string>{"资讯", "工具"}));
    PickFormat(import, 0);
    EXPECT_EQ(ComboItems(import, kImportTargetCombo), std::vector<std::string>{"自动分配"});
    EXPECT_EQ(GetText(import, "标签4"), "导至分类：");
    EXPECT_EQ(GetText(import, "格式说明1"), "添加到该分类下");
}

TEST_F(ExchangeWindows, TheFileDialogsFillThePathBoxes) {
    Form& w = OpenExport();
    const std::string chosen = files.File("一个很长的文件夹名称\\导出的数据.txt");
    answers = {chosen, std::nullopt};
    Click(kPathButton, &w);
    EXPECT_EQ(GetText(w, kSavePathEdit), chosen);
    const DWORD length = static_cast<DWORD>(GetWindowTextLengthW(ControlWindow(w, kSavePathEdit)));
    EXPECT_EQ(Selection(w, kSavePathEdit), std::make_pair(length, length));
    SetText(w, kSavePathEdit, "typed.txt");
    Click(kPathButton, &w);  // cancelled: the last confirmed name comes back
    EXPECT_EQ(GetText(w, kSavePathEdit), chosen);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].filter, "文本文件（*.txt）|*.txt");
    EXPECT_EQ(requests[0].defaultExtension, "txt");
    EXPECT_EQ(requests[0].fileName, "");
    EXPECT_EQ(requests[1].fileName, chosen);

    Form& i = OpenImport();
    SetText(i, kOpenPathEdit, "typed.txt");
    Click(kPathButton, &i);  // cancelled with nothing confirmed before: empty
    EXPECT_EQ(GetText(i, kOpenPathEdit), "");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[2].save);
    EXPECT_EQ(requests[2].defaultExtension, "");
}

TEST_F(ExchangeWindows, RoundTripThroughBothFormatsIntoEmptyStores) {
    const std::vector<Fields> sites = Records(kSiteStoreAlias);
    Form& e = OpenExport();
    SetText(e, kSavePathEdit, files.File("标准.txt"));
    Click(kRunExportButton, &e);
    PickFormat(e, 1);
    SetText(e, kTemplateEdit, "[#分类名称#]|[#网站地址#]|[#PR值#]");
    SetText(e, kSavePathEdit, files.File("自定义.txt"));
    Click(kRunExportButton, &e);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"导出完成！", "导出完成！"}));
    EXPECT_EQ(Slurp(files.File("自定义.txt")), "资讯|http://a.example/|3\r\n工具|http://b.example/|5\r\n");

    Close();
    for (const char* alias : {kSiteStoreAlias, kCategoryStoreAlias}) {
        const StoreInfo* s = FindStoreInfo(alias);
        ASSERT_TRUE(RecordStore::Create(Folder() + s->fileName, s->password, s->fieldNames, true));
    }
    Load();
    Form& i = OpenImport();
    SetText(i, kOpenPathEdit, files.File("标准.txt"));
    Click(kRunImportButton, &i);
    EXPECT_EQ(Records(kSiteStoreAlias), sites);
    EXPECT_EQ(Categories(), (std::vector<std::string>{"资讯", "工具"}));
    // The main window shows the new categories, and the list the first one's sites.
    EXPECT_EQ(ComboItems(*main, kFilterCombo), (std::vector<std::string>{"资讯", "工具"}));
    EXPECT_EQ(Column(1), std::vector<std::string>{"http://a.example/"});

    // The custom file again, into the second category: every host is stored already.
    PickFormat(i, 1);
    ComboSelect(i, kImportTargetCombo, 1);
    SetText(i, kTemplateEdit, "[#分类名称#]|[#网站地址#]|[#PR值#]");
    SetText(i, kOpenPathEdit, files.File("自定义.txt"));
    Click(kRunImportButton, &i);
    EXPECT_EQ(Records(kSiteStoreAlias), sites);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"导入完成！", "导入完成！"}));
}

TEST_F(ExchangeWindows, FailuresAreSaidBeforeTheCompletionMessage) {
    Form& e = OpenExport();
    Click(kRunExportButton, &e);  // no path chosen
    Form& i = OpenImport();
    SetText(i, kOpenPathEdit, files.File("missing.txt"));
    Click(kRunImportButton, &i);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"信息：", "提示", "信息：", "提示"}));
    EXPECT_EQ(Shown(), (std::vector<std::string>{"请选择导出地址！", "导出完成！", "打开导入文件失败！",
                                                 "导入完成！"}));
}

// The export and import windows' combos, in a window of their own.
TEST_F(ExchangeWindows, CategoryListsFollowTheFormat) {
    FormDef def;
    def.name = "交换";
    def.width = 300, def.height = 200;
    def.controls = {MakeControl(kExportChoiceCombo, ControlKind::ComboList, 0, 0, 100, 20),
                    MakeControl(kImportTargetCombo, ControlKind::ComboList, 0, 30, 100, 20),
                    MakeControl(kFormatCombo, ControlKind::ComboList, 0, 60, 100, 20)};
    Form* f = LoadForm(def, {}, nullptr, false);
    ASSERT_NE(f, nullptr);
    ComboAdd(*f, kFormatCombo, "标准格式");
    ComboAdd(*f, kFormatCombo, "自定义");
    FillExportCategoryList(*f);
    EXPECT_EQ(ComboItems(*f, kExportChoiceCombo), (Strings{"所有数据", "资讯", "工具"}));
    EXPECT_EQ(ComboSelection(*f, kExportChoiceCombo), 0);
    ComboSelect(*f, kFormatCombo, 0);
    FillImportCategoryList(*f);
    EXPECT_EQ(ComboItems(*f, kImportTargetCombo), (Strings{"自动分配"}));
    ComboSelect(*f, kFormatCombo, 1);
    FillImportCategoryList(*f);
    EXPECT_EQ(ComboItems(*f, kImportTargetCombo), (Strings{"资讯", "工具"}));
    EXPECT_EQ(ComboSelection(*f, kImportTargetCombo), 0);
    HideStore(kCategoryStoreFile, true);
    FillExportCategoryList(*f);
    EXPECT_EQ(Shown(), (Strings{"打开分类数据库失败！"}));
    EXPECT_EQ(ComboCount(*f, kExportChoiceCombo), 3) << "the combo keeps its items";
    HideStore(kCategoryStoreFile, false);
    DestroyWindow(FormWindow(*f));
}

}  // namespace
}  // namespace qm

// The definition tables of the main window and the modify window: see main_form.h.
#include "catalogue/main_form.h"

#include "catalogue/finder_form.h"
#include "catalogue/health_form.h"

namespace qm {

const char kMainWindowCaption[] = "Quillmark_v1.3 - 羽迹博客 - http://www.quillmark.example";
const char kMakerAddress[] = "http://www.quillmark.example/";

namespace {

constexpr char kSchemePrefix[] = "http://";
constexpr char kFirstStatusText[] =
    " 输入“网站地址”后，程序会自动获取“PR值”、“百度收录”、“谷歌收录”、“百度反链”和“雅虎反链”（也可手动输入）";

// A label and its edit in the entry group: labels 56 x 24, edits 20 high.
void AddPair(FormDef& f, const char* label, const char* caption, int labelLeft, const char* edit,
             int editLeft, int top, int editWidth, int labelWidth = 56, const char* text = "") {
    f.controls.push_back(
        MakeControl(label, ControlKind::Label, labelLeft, top, labelWidth, 24, caption, kAddPanel));
    f.controls.push_back(MakeControl(edit, ControlKind::Edit, editLeft, top, editWidth, 20, text, kAddPanel));
}

}  // namespace

void AddSiteEntryControls(FormDef& f) {
    AddPair(f, "标签2", "网站地址：", 3, kAddressBox, 62, 13, 170, 56, kSchemePrefix);
    AddPair(f, "标签1", "网站标题：", 238, "网站标题", 297, 13, 100);
    AddPair(f, "标签3", "登录帐号：", 402, "登录帐号", 461, 13, 80);
    AddPair(f, "标签4", "登录密码：", 546, "登录密码", 605, 13, 80);
    AddPair(f, "PR值标签", "PR：", 691, "PR值", 714, 13, 20, 20);
    AddPair(f, "百度收录标签", "百度收录：", 3, "百度收录", 62, 37, 60);
    AddPair(f, "谷歌收录标签", "谷歌收录：", 127, "谷歌收录", 186, 37, 60);
    AddPair(f, "百度反链标签", "百度反链：", 252, "百度反链", 311, 37, 60);
    AddPair(f, "雅虎反链标签", "雅虎反链：", 378, "雅虎反链", 437, 37, 60);
    f.controls.push_back(MakeControl("标签10", ControlKind::Label, 503, 37, 31, 24, "分类：", kAddPanel));
    f.controls.push_back(
        MakeControl(kNewSiteCategoryCombo, ControlKind::ComboList, 538, 37, 100, 20, "", kAddPanel));
}

namespace {

FormDef BuildMainForm() {
    FormDef f;
    f.name = kMainFormName;
    f.caption = kMainWindowCaption;
    f.left = 50, f.top = 50, f.width = 750, f.height = 449;
    auto& c = f.controls;
    ControlDef banner = MakeControl(kBanner, ControlKind::Browser, 2, 2, 670, 100);
    banner.target = std::string(kMakerAddress) + "soft/quillmark.html";
    c.push_back(banner);
    c.push_back(MakeControl(kImportButton, ControlKind::Button, 674, 3, 68, 30, "导入txt"));
    c.push_back(MakeControl(kExportButton, ControlKind::Button, 674, 37, 68, 30, "导出txt"));
    c.push_back(MakeControl(kBackupButton, ControlKind::Button, 674, 71, 68, 30, "备份/还原"));
    c.push_back(MakeControl(kFilterLabel, ControlKind::Label, 4, 105, 60, 22, "显示分类："));
    c.push_back(MakeControl(kFilterCombo, ControlKind::ComboList, 64, 105, 140, 20));
    c.push_back(MakeControl(kRenameCategoryButton, ControlKind::SmallButton, 202, 104, 20, 20, "改"));
    c.push_back(MakeControl(kDeleteCategoryButton, ControlKind::SmallButton, 223, 104, 20, 20, "删"));
    c.push_back(MakeControl(kUseTimeLabel, ControlKind::Label, 249, 105, 274, 20));
    ControlDef link =
        MakeControl(kCreditLink, ControlKind::HyperLink, 528, 105, 212, 22, "羽迹出品  联系作者");
    link.target = kMakerAddress;
    c.push_back(link);
    ControlDef list = MakeControl(kSiteList, ControlKind::ListView, 2, 129, 739, 200);
    list.columns = {{"ID", 24},       {"网站地址", 150}, {"网站标题", 120}, {"登录帐号", 70},
                    {"登录密码", 70}, {"PR", 24},        {"百度收录", 70},  {"谷歌收录", 70},
                    {"百度反链", 70}, {"雅虎反链", 70},  {"编号", 0}};
    c.push_back(list);
    c.push_back(MakeControl(kAddPanel, ControlKind::GroupBox, 3, 332, 739, 65, "添加新站"));
    AddSiteEntryControls(f);
    c.push_back(MakeControl(kAddCategoryButton, ControlKind::SmallButton, 636, 38, 20, 20, "+", kAddPanel));
    c.push_back(MakeControl(kAddSiteButton, ControlKind::Button, 661, 37, 73, 20, "添加网站", kAddPanel));
    c.push_back(MakeControl(kStatusBar, ControlKind::Label, -4, 398, 749, 20, kFirstStatusText));
    f.menus.push_back({kListMenu,
                       {{"打开"},
                        {"复制帐号"},
                        {"复制密码"},
                        {""},
                        {"修改当前记录"},
                        {"删除当前记录"},
                        {""},
                        {"设置软件密码"},
                        // The program's own tools, after what the list always offered.
                        {""},
                        {kFinderMenuItem},
                        {kHealthMenuItem}}});
    return f;
}

FormDef BuildModifyForm() {
    FormDef f;
    f.name = kModifyFormName;
    f.caption = "修改当前记录";
    f.left = 50, f.top = 50, f.width = 748, f.height = 128;
    f.controls.push_back(MakeControl(kAddPanel, ControlKind::GroupBox, 2, 2, 739, 65, "添加新站"));
    AddSiteEntryControls(f);
    f.controls.push_back(
        MakeControl(kSaveRecordButton, ControlKind::Button, 638, 37, 96, 20, "修改记录", kAddPanel));
    f.controls.push_back(
        MakeControl("修改状态条", ControlKind::Label, -2, 68, 749, 20,
                    " 点击“网站地址内容框”后，再点击其它任意一个内容框，即可重新获取网站PR值、收录、"
                    "反链等数据。"));
    return f;
}

}  // namespace

const FormDef& MainFormDef() {
    static const FormDef def = BuildMainForm();
    return def;
}

const FormDef& ModifyRecordFormDef() {
    static const FormDef def = BuildModifyForm();
    return def;
}

const char* const kSiteEntryEdits[9] = {kAddressBox, "网站标题", "登录帐号", "登录密码", "PR值",
                                        "百度收录",  "谷歌收录", "百度反链", "雅虎反链"};

}  // namespace qm

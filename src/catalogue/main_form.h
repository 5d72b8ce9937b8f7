// The main window as data: its caption, controls at their design positions, list columns and the
// list's right-click menu, with the names every handler uses to find them; and the modify window,
// whose entry group repeats the main window's add panel. Portable.
#pragma once

#include "platform/form.h"

namespace qm {

// The caption; the update check reads the version between "_" and " -".
extern const char kMainWindowCaption[];
extern const char kMakerAddress[];

inline constexpr char kMainFormName[] = "主窗口";
inline constexpr char kBanner[] = "超文本浏览框1";
inline constexpr char kImportButton[] = "导入数据";
inline constexpr char kExportButton[] = "导出数据";
inline constexpr char kBackupButton[] = "备份数据";
inline constexpr char kFilterLabel[] = "标签11";
inline constexpr char kFilterCombo[] = "分类组合框1";
inline constexpr char kRenameCategoryButton[] = "更改分类";
inline constexpr char kDeleteCategoryButton[] = "删除分类";
inline constexpr char kUseTimeLabel[] = "时间状态";
inline constexpr char kCreditLink[] = "超级链接框1";
inline constexpr char kSiteList[] = "超级列表框";
inline constexpr char kAddPanel[] = "分组框";
inline constexpr char kNewSiteCategoryCombo[] = "分类组合框2";
inline constexpr char kAddressBox[] = "网站地址";
inline constexpr char kAddCategoryButton[] = "添加分类";
inline constexpr char kAddSiteButton[] = "添加网站";
inline constexpr char kStatusBar[] = "状态条";
inline constexpr char kListMenu[] = "列表框右键菜单";

inline constexpr int kMinWindowWidth = 750;
inline constexpr int kMinWindowHeight = 458;
inline constexpr int kListColumnCount = 11;
inline constexpr int kRecordNumberColumn = 10;

inline constexpr char kModifyFormName[] = "修改记录窗口";
inline constexpr char kSaveRecordButton[] = "修改记录";

// The edit boxes of site fields 2 to 10, in field order; field 1 is 分类组合框2's selected text.
extern const char* const kSiteEntryEdits[9];

const FormDef& MainFormDef();
const FormDef& ModifyRecordFormDef();
// The labels, edit boxes and category combo of a site, inside the group box kAddPanel.
void AddSiteEntryControls(FormDef& form);

}  // namespace qm

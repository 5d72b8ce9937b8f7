// The category lists of the windows and the main window's category buttons "+", "改" and "删":
// they run the category actions of catalogue/categories.h and then refill and select the combo
// boxes as each action leaves them. Window thread only.
#pragma once

#include <vector>

#include "platform/win32/forms_win.h"

namespace qm {

inline constexpr char kExportCategoryCombo[] = "导出内容组合框";
inline constexpr char kImportCategoryCombo[] = "导入内容组合框";
inline constexpr char kImportFormatCombo[] = "格式组合框";
inline constexpr char kAllDataItem[] = "所有数据";
inline constexpr char kAutoAssignItem[] = "自动分配";

// The export window's category combo: "所有数据", then every category; the first item selected.
void FillExportCategoryList(Form& exportForm);
// The import window's category combo: "自动分配" alone while the format combo has its first item
// ("标准格式") selected, else every category; the first item selected.
void FillImportCategoryList(Form& importForm);

// Bindings of the main window's "+", "改" and "删" buttons.
std::vector<EventBinding> CategoryButtonBindings();

}  // namespace qm

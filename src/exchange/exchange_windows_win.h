// The export window "导出窗口" and the import window "导入窗口": the format choice with its notes
// and template box, the category lists, the file dialogs behind "…", and the runs of the two
// buttons. One window of each kind at a time, owned by the window whose button opened it, not
// modal. Window thread only.
#pragma once

#include "platform/win32/forms_win.h"

namespace qm {

// Handlers of the main window's "导出txt" and "导入txt" buttons: open the window, or bring the open
// one to the front.
void OpenExportWindow(Form& owner, const EventInfo& info = {});
void OpenImportWindow(Form& owner, const EventInfo& info = {});
Form* ExportWindow();  // the open window, or nullptr
Form* ImportWindow();

// Called after every run of "导入" (the program refreshes its category lists and site list there).
using ImportDoneHook = void (*)();
void SetImportDoneHook(ImportDoneHook hook);

// The export window's category combo: "所有数据", then every category; the first item selected.
void FillExportCategoryList(Form& exportForm);
// The import window's category combo: "自动分配" alone while the format combo has its first item
// ("标准格式") or another program's format selected, else every category; the first item
// selected.
void FillImportCategoryList(Form& importForm);

}  // namespace qm

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

}  // namespace qm

// The backup window "备份/还原": shows the remembered folder, lets the user pick another with the
// drive picker and the folder tree (or type one), and runs backup and restore. One window at a
// time, owned by the window whose button opened it, not modal. Window thread only.
#pragma once

#include "platform/win32/forms_win.h"

namespace qm {

// Handler of the main window's "备份/还原" button: opens the backup window, or brings the open
// one to the front.
void OpenBackupWindow(Form& owner, const EventInfo& info = {});
Form* BackupWindow();  // the open backup window, or nullptr

}  // namespace qm

// The modify window "修改当前记录": opened from the list menu for the selected site, filled from
// SiteStore when created, saved by "修改记录". One window at a time: choosing the menu item again
// opens it anew for the site then selected. Window thread only.
#pragma once

#include "platform/win32/forms_win.h"

namespace qm {

// Opens the window for the selected row of the main list (nothing without a selected row).
void OpenModifyWindow();
// The open modify window, or nullptr.
Form* ModifyWindow();

}  // namespace qm

// The site check's window "网站检查": opened by "检查网站…" in the main window's system menu and in
// the list's right-click menu. Non-modal, owned by the main window, one at a time. It checks the
// sites of one category (or "所有数据") on the check's workers (web/site_check.h), shows each
// result as it comes, keeps the last result of every site in the results file, and exports the
// report as CSV. Window thread only.
#pragma once

#include <vector>

#include "platform/win32/forms_win.h"
#include "web/site_check.h"

namespace qm {

// The main window's bindings that add the window's ways in: its system menu item when the main
// window is created, its list menu item.
std::vector<EventBinding> HealthEntranceBindings();

// Opens the window for the category the main window shows, or brings it to the front.
void OpenHealthWindow();
Form* HealthWindow();  // nullptr when closed

// The system menu command of the window in the main window (after the finder's).
inline constexpr UINT kHealthSystemCommand = 0x0110;

// Test seams: the hop the checks use (the real one when empty) and their options.
void SetHealthCheckForTesting(HopFunction hop, const CheckOptions& options);
// True while a check runs in the window.
bool HealthCheckRunning();

}  // namespace qm

// The site finder's window "查找网站": opened by Ctrl+F anywhere in the main window, by "查找网站…"
// in the main window's system menu and in the list's right-click menu. Non-modal, owned by the
// main window, one at a time. Typing searches every site (catalogue/finder.h); Enter or a double
// click shows the selected site in the main window's list. Window thread only.
#pragma once

#include <vector>

#include "platform/win32/forms_win.h"

namespace qm {

// The main window's bindings that add the finder's ways in: its system menu item and Ctrl+F when
// the main window is created, its list menu item.
std::vector<EventBinding> FinderEntranceBindings();

// Opens the finder, or brings it to the front with its query selected. Nothing without a main
// window.
void OpenFinderWindow();
Form* FinderWindow();  // nullptr when closed

// The system menu command of the finder in the main window.
inline constexpr UINT kFinderSystemCommand = 0x0100;

// Shows the selected result in the main window: its category in the filter, its row selected
// and scrolled into view, the main window in front. False when there is no such row or site.
bool ShowFinderResultInMainWindow(Form& finder);

}  // namespace qm

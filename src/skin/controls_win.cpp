// The entry points of the other control classes (edits, combo boxes, lists, headers, tree views,
// toolbars, status bars, tabs, track bars, up-down controls, progress bars, date pickers, month
// calendars, size boxes, the colour picker). Their drawers are not written yet, so these keep
// the system's look: nothing is subclassed, drawn or answered. Window thread only.
#include "skin/drawers_win.h"

namespace qm::skin {

void InstallSizeBox(HWND) {}
void InstallTreeView(HWND) {}
void InstallListBox(HWND) {}
void InstallTabControl(HWND) {}
void InstallTrackBar(HWND) {}
void InstallUpDown(HWND) {}
void InstallProgressBar(HWND) {}
void InstallEditBorder(HWND) {}
void InstallColourPicker(HWND) {}
void InstallComboBox(HWND) {}
void InstallDatePicker(HWND) {}
void InstallMonthCalendar(HWND) {}
void InstallStatusBar(HWND) {}
void InstallToolbar(HWND) {}
void InstallListHeader(HWND) {}
void InstallListViewColours(HWND) {}

bool DrawListBoxItem(const DRAWITEMSTRUCT&) {
    return false;
}

bool HandleCustomDraw(HWND, LPARAM, LRESULT*) {
    return false;
}

}  // namespace qm::skin

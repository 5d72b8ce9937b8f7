// The button family's entry points: push buttons, check boxes, radio buttons, group boxes and the
// form system's owner-drawn buttons. Their drawers are not written yet, so these keep the
// system's look: nothing is subclassed and no item is drawn. Window thread only.
#include "skin/drawers_win.h"

namespace qm::skin {

void InstallPushButton(HWND) {}
void InstallCheckBox(HWND) {}
void InstallRadioButton(HWND) {}
void InstallGroupBox(HWND) {}
void InstallOwnerButton(HWND) {}

bool DrawButtonItem(int, const DRAWITEMSTRUCT&) {
    return false;
}

}  // namespace qm::skin

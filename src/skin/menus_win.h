// Popup menus ("#32768"): the system keeps handling them (keyboard, mouse, commands); the skin
// hides the system's redrawing whenever the hot item changes and paints the whole menu itself 10
// ms later on the window thread. The hot item is followed from MN_SELECTITEM where the system
// sends it to the menu, and from the WM_MENUSELECT and WM_ENTERIDLE its owner gets where it does
// not (Wine), whatever window the owner is: one state, one repaint path. Window thread only.
#pragma once

#include <windows.h>

namespace qm::skin {

// The rounded, framed menu on its gradient, the hot item (-1: none) on the hot plate.
void PaintPopupMenu(HWND window, HMENU menu, int hotItem);

}  // namespace qm::skin

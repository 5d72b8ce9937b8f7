// Popup menus ("#32768"): the system keeps handling them (keyboard, mouse, commands); the skin
// hides the system's redrawing whenever the hot item changes and paints the whole menu itself 10
// ms later on the window thread. The hot item is followed from MN_SELECTITEM where the system
// sends it to the menu, and from the owner's WM_MENUSELECT and WM_ENTERIDLE where it does not
// (Wine): one state, one repaint path. Window thread only.
#pragma once

#include <windows.h>

namespace qm::skin {

// The rounded, framed menu on its gradient, the hot item (-1: none) on the hot plate.
void PaintPopupMenu(HWND window, HMENU menu, int hotItem);

// The owner of a tracked menu learnt that its selection changed (WM_MENUSELECT with the menu) or
// that the menu waits for input (WM_ENTERIDLE, menu null): the hot item becomes the item the
// system highlights.
void FollowMenuSelection(HMENU menu);

}  // namespace qm::skin

// The installers and owner-draw entry points of every drawer the dispatch table names. The frame
// (frame_win), the static texts, containers and recolouring pass (containers_win) are built; the
// button family (buttons_win), the other controls (controls_win) and the popup menus
// (menus_win) each have their entry points in a file of their own, which keep the system's look
// until their drawers are written. Window thread only.
#pragma once

#include <windows.h>

namespace qm::skin {

// Framed windows ("#32770", "KXWindow").
void InstallFramedWindow(HWND hwnd);

// Static texts, containers and the form system's own controls.
void InstallStaticText(HWND hwnd);
void InstallContainer(HWND hwnd);
void InstallRecolouring(HWND hwnd);

// Buttons, check boxes, radio buttons, group boxes, owner-drawn buttons.
void InstallPushButton(HWND hwnd);
void InstallCheckBox(HWND hwnd);
void InstallRadioButton(HWND hwnd);
void InstallGroupBox(HWND hwnd);
void InstallOwnerButton(HWND hwnd);
// Draws a button the parent was asked to draw, by its "Easy.按钮类型"; false when the button
// family does not draw this kind, so the owner's procedure does.
bool DrawButtonItem(int buttonKind, const DRAWITEMSTRUCT& item);

// The other control classes.
void InstallSizeBox(HWND hwnd);
void InstallTreeView(HWND hwnd);
void InstallListBox(HWND hwnd);
void InstallTabControl(HWND hwnd);
void InstallTrackBar(HWND hwnd);
void InstallUpDown(HWND hwnd);
void InstallProgressBar(HWND hwnd);
void InstallEditBorder(HWND hwnd);
void InstallColourPicker(HWND hwnd);
void InstallComboBox(HWND hwnd);
void InstallDatePicker(HWND hwnd);
void InstallMonthCalendar(HWND hwnd);
void InstallStatusBar(HWND hwnd);
void InstallToolbar(HWND hwnd);
void InstallListHeader(HWND hwnd);
void InstallListViewColours(HWND hwnd);
// Draws an owner-drawn list-box item; false when not drawn, so the owner's procedure does.
bool DrawListBoxItem(const DRAWITEMSTRUCT& item);
// Custom drawing of tree views and track bars in a framed parent; false when not handled.
bool HandleCustomDraw(HWND parent, LPARAM notify, LRESULT* result);

// Popup menus ("#32768").
void InstallPopupMenu(HWND hwnd);

}  // namespace qm::skin

// The button family's drawers: push buttons, check boxes, radio buttons, group boxes, the form
// system's owner-drawn buttons, and the arrow box that combo boxes, date pickers and up-down
// controls share. Each takes a drawing record (the system's owner-draw record, or one the skin
// fills when it draws outside WM_DRAWITEM) and paints through one off-screen layer. Window thread
// only.
#pragma once

#include <windows.h>

#include "skin/palette.h"

namespace qm::skin {

// A drawing record for the skin's own drawing of a control: its window, dc, its client rectangle
// and the item state (kItemHot, kItemPushed ...; a disabled control is always kItemDisabled).
DRAWITEMSTRUCT EngineRecord(HWND hwnd, HDC dc, unsigned itemState);

// Draws a control with an engine record on its own client DC.
void DrawNow(HWND hwnd, unsigned itemState, void (*draw)(const DRAWITEMSTRUCT&));

void DrawPushButton(const DRAWITEMSTRUCT& item);
void DrawCheckBox(const DRAWITEMSTRUCT& item);
void DrawRadioButton(const DRAWITEMSTRUCT& item);
void DrawGroupBox(const DRAWITEMSTRUCT& item);
void DrawOwnerButton(const DRAWITEMSTRUCT& item);

// Arrow directions: up, down, left, right.
enum ArrowDirection { kArrowUp = 0, kArrowDown = 1, kArrowLeft = 64, kArrowRight = 65 };

// A raised box with an arrow glyph in the DC's text colour; pushed moves the glyph one pixel
// right and down.
void DrawArrowBox(HDC dc, const RECT& r, Colour top, Colour bottom, Colour outline, int direction,
                  bool pushed);

// Asks the system for a WM_MOUSELEAVE when the mouse leaves the control.
void RequestMouseLeave(HWND hwnd);

// Hot tracking, shared by push buttons, owner-drawn buttons, combo boxes and date pickers: the
// first mouse move draws the control hot unless another of its kind (hotFlag) is; leaving draws
// it normal and frees the flag. draw takes the control and an item state.
void EnterHot(HWND hwnd, bool& hotFlag, void (*draw)(HWND, unsigned));
void LeaveHot(HWND hwnd, bool& hotFlag, void (*draw)(HWND, unsigned));
// A hot control destroyed before its leave notification (a message box's button that closes the
// box) frees the flag, or no control of its kind would turn hot again.
void ForgetHot(HWND hwnd, bool& hotFlag);

}  // namespace qm::skin

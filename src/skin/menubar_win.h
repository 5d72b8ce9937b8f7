// The owner-drawn menu bar of a framed window: the conversion of its items, their measuring and
// painting (the hot plate, the mnemonic underline) and their places for hit-testing. Window
// thread only.
#pragma once

#include <windows.h>

#include <vector>

#include "skin/frame_geometry.h"

namespace qm::skin {

// Makes every item of the window's menu bar owner-drawn, keeping its state, identifier, submenu
// and text, and lets the system lay the bar out (which measures the items).
void PrepareMenuBar(HWND hwnd);
void MeasureMenuBarItem(HWND hwnd, MEASUREITEMSTRUCT& item);
// The bar's items, the hot one (-1: none) on the hot plate; with no DC given, on the window DC.
void PaintMenuBar(HWND hwnd, HDC dc, int hotItem);
void DrawMenuBarItem(HWND hwnd, const DRAWITEMSTRUCT& item);
// Item rectangles in screen coordinates.
std::vector<PixelRect> MenuBarItemRects(HWND hwnd);

}  // namespace qm::skin

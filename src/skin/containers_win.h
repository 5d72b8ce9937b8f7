// What framed windows and containers share as parents: the answers to their children's colour
// and owner-draw requests, and the border that containers (and the edit-like drawers) paint
// around their client area. Window thread only.
#pragma once

#include <windows.h>

namespace qm::skin {

// The parent-side handling of a child's colour, owner-draw and colour-picker messages. True with
// *result set when the message is answered; false when it goes on to the saved procedure.
bool RouteChildMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

// The ring between the window edge and the client area in Face (FaceLight where the vertical
// border is thicker), and a Border line just around the client area.
void PaintContainerBorder(HWND hwnd);

}  // namespace qm::skin

// The skinned frame of top-level windows and dialogs: installation, the frame procedure (non-
// client size, painting, activation, hit-testing, caption buttons, region, client background)
// and the painters of the frame and its caption buttons. Window thread only.
#pragma once

#include <windows.h>

#include "platform/win32/handles.h"
#include "skin/frame_geometry.h"

namespace qm::skin {

// Frames a window. A captioned window is resized so its client area keeps its size, unless
// keepOuterSize (the main window, whose outer size the settings file gave).
void InstallFrame(HWND hwnd, bool keepOuterSize);

// The frame facts of a window from its style, its menu and its frame properties.
FrameFacts ReadFrameFacts(HWND hwnd);

// The outline by frame shape on a W x H window: the window region and the painted outline are
// the same shape, so no border pixel lies outside the outline.
UniqueRegion MakeFrameRegion(int width, int height, int shape);

// The whole non-client area, in window coordinates.
void PaintFrame(HDC dc, HWND hwnd);
// The caption buttons alone; with no DC given, on the window's own window DC.
void PaintCaptionButtons(HWND hwnd, HDC dc = nullptr);

}  // namespace qm::skin

// The skin engine as the rest of the program sees it. Installed once from the main window's
// created event; from then on every window the window thread creates is drawn in the program's
// own look, until the main window is destroyed. Window thread only.
#pragma once

#include <windows.h>

#include <string_view>

namespace qm {

struct Form;

// Skins the main window and its children and hooks the creation of every later window of this
// thread. The main window keeps its outer size; a second call does nothing.
void InstallSkin(HWND mainWindow, int theme);

// Marks a control that the program colours itself, so the recolouring pass leaves it alone.
void SetManualSkin(const Form& form, std::string_view controlName);

}  // namespace qm

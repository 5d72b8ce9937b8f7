// What the outside sees of the main window: its class, caption and minimum size. Any thread.
#pragma once

#include "catalogue/main_form.h"
#include "platform/win32/forms_win.h"

namespace qm {

inline constexpr const wchar_t* kWindowClass = kFormWindowClass;
inline constexpr int kMainWindowWidth = kMinWindowWidth;
inline constexpr int kMainWindowHeight = kMinWindowHeight;

}  // namespace qm

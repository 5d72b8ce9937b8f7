// Where a window that the main window owns (the finder, the site check) opens. Window thread only.
#pragma once

#include <windows.h>

#include "platform/form.h"

namespace qm {

// Where the window was last (its settings section), when that is on a screen and not below the
// smallest size; else centred over the owner at the definition's size.
void PlaceOwnedWindow(FormDef& def, HWND owner, const char* section, int minWidth, int minHeight);

}  // namespace qm

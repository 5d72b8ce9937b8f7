// The main window's category buttons "+", "改" and "删": they run the category actions of
// catalogue/categories.h and then refill and select the combo boxes as each action leaves them.
// Window thread only.
#pragma once

#include <vector>

#include "platform/win32/forms_win.h"

namespace qm {

// Bindings of the main window's "+", "改" and "删" buttons.
std::vector<EventBinding> CategoryButtonBindings();

}  // namespace qm

// The main window: loading it runs the start sequence (settings, access guard, category combos,
// site list); its handlers save the geometry, lay it out, fill and sort the list and show the
// hover hints. Window thread only.
#pragma once

#include <string_view>
#include <vector>

#include "platform/win32/forms_win.h"

namespace qm {

// Loads and shows the main window. `more` binds the controls whose actions belong to other parts
// of the program (the program's composition root passes them). Nullptr when it could not be
// created or its window was destroyed during the start. A refused password ends the process
// before this returns.
Form* LoadMainWindow(bool show = true, std::vector<EventBinding> more = {});
Form* MainForm();  // nullptr when no main window exists

// Rebuilds the site list with the sites of one category, in store order.
void FillSiteList(std::string_view category);
// Refills both category combos from CategoryStore; the filter selects its first item, the new
// site's category none (catalogue/categories_win.cpp).
void FillCategoryCombos();

// Test seam: replaces the immediate exit with code 0 after a refused start-up password.
using ProgramEndHook = void (*)();
void SetProgramEndHookForTesting(ProgramEndHook hook);

}  // namespace qm

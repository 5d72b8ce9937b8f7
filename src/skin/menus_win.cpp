// The popup menus' entry point. Their drawer is not written yet, so popup menus keep the
// system's look. Window thread only.
#include "skin/drawers_win.h"

namespace qm::skin {

void InstallPopupMenu(HWND) {}

}  // namespace qm::skin

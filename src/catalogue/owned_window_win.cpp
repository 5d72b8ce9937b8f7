// See owned_window_win.h.
#include "catalogue/owned_window_win.h"

#include <algorithm>

#include "core/settings.h"

namespace qm {

void PlaceOwnedWindow(FormDef& def, HWND owner, const char* section, int minWidth, int minHeight) {
    const WindowGeometry g = ReadWindowGeometry(section);
    const RECT placed{g.left, g.top, g.left + g.width, g.top + g.height};
    if (g.width >= minWidth && g.height >= minHeight && MonitorFromRect(&placed, MONITOR_DEFAULTTONULL)) {
        def.left = g.left, def.top = g.top, def.width = g.width, def.height = g.height;
        return;
    }
    RECT r{};
    GetWindowRect(owner, &r);
    def.left = std::max(0L, r.left + (r.right - r.left - def.width) / 2);
    def.top = std::max(0L, r.top + (r.bottom - r.top - def.height) / 2);
}

}  // namespace qm

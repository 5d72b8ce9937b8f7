// See owned_window_win.h.
#include "catalogue/owned_window_win.h"

#include <algorithm>

#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "core/process_state.h"
#include "core/settings.h"
#include "platform/win32/forms_win.h"

namespace qm {

namespace {

void SelectFilterCategory(Form& main, const std::string& category) {
    auto indexOf = [&main, &category] {
        for (int i = 0; i < ComboCount(main, kFilterCombo); ++i)
            if (ComboItem(main, kFilterCombo, i) == category) return i;
        return -1;
    };
    int index = indexOf();
    if (index < 0) {
        FillCategoryCombos();  // a category added elsewhere since the combos were filled
        index = indexOf();
    }
    ComboSelect(main, kFilterCombo, index);
}

bool PlaceOwnedWindow(FormDef& def, HWND owner, const char* section, int minWidth, int minHeight) {
    const WindowGeometry g = ReadWindowGeometry(section);
    const RECT placed{g.left, g.top, g.left + g.width, g.top + g.height};
    if (g.width >= minWidth && g.height >= minHeight && MonitorFromRect(&placed, MONITOR_DEFAULTTONULL)) {
        def.left = g.left, def.top = g.top, def.width = g.width, def.height = g.height;
        return true;
    }
    RECT r{};
    GetWindowRect(owner, &r);
    def.left = std::max(0L, r.left + (r.right - r.left - def.width) / 2);
    def.top = std::max(0L, r.top + (r.bottom - r.top - def.height) / 2);
    return false;
}

void KeepOuterSize(Form& form, const EventInfo&) {
    const FormDef& def = FormDefinition(form);
    SetWindowPos(FormWindow(form), nullptr, 0, 0, def.width, def.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Form* OpenOwnedWindow(FormDef def, std::vector<EventBinding> bindings, HWND owner, const char* section,
                      int minWidth, int minHeight) {
    // After the window's own Created handlers, which lay it out for the size it was made at.
    if (PlaceOwnedWindow(def, owner, section, minWidth, minHeight))
        bindings.push_back({def.name, FormEvent::Created, KeepOuterSize});
    return LoadForm(def, std::move(bindings), owner);
}

void SaveOwnedWindowPosition(const Form& form, const char* section) {
    RECT r{};
    if (IsIconic(FormWindow(form)) || !GetWindowRect(FormWindow(form), &r)) return;
    SaveWindowPosition(r.left, r.top, section);
}

void SaveOwnedWindowSize(const Form& form, const char* section) {
    RECT r{};
    if (GetWindowRect(FormWindow(form), &r)) SaveWindowSize(r.right - r.left, r.bottom - r.top, section);
}

void BringOwnedWindowBack(HWND window) {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

bool ShowSiteInMainList(const std::string& category, const std::string& record, HWND owned) {
    Form* main = MainForm();
    if (!main) return false;
    SelectFilterCategory(*main, category);
    State().rememberedRow = -1;
    FillSiteList(category);
    const ListTable& rows = ListRows(*main, kSiteList);
    int found = -1;
    for (std::size_t i = 0; i < rows.size() && found < 0; ++i)
        if (rows.Cell(i, kRecordNumberColumn) == record) found = static_cast<int>(i);
    if (found >= 0) ListSelectRow(*main, kSiteList, found, true);
    BringOwnedWindowBack(FormWindow(*main));
    // The list takes the keys and shows its selection as the active one; the owned window stays in
    // sight above its owner (a window manager-less X server does not keep it there by itself).
    SetFocus(ControlWindow(*main, kSiteList));
    SetWindowPos(owned, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return found >= 0;
}

}  // namespace qm

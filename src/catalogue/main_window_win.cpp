// The main window's handlers: see main_window_win.h. Each handler decodes its event and calls one
// action; the actions of later windows (modify, password) are bound by their own files, and those
// of windows outside the catalogue (export, import, backup) by the program that composes them.
#include "catalogue/main_window_win.h"

#include "catalogue/categories_win.h"
#include "catalogue/finder_window_win.h"
#include "catalogue/health_window_win.h"
#include "catalogue/hover_hints.h"
#include "catalogue/list_sort.h"
#include "catalogue/main_form.h"
#include "catalogue/main_layout.h"
#include "catalogue/record_actions_win.h"
#include "catalogue/site_entry_win.h"
#include "catalogue/site_rows.h"
#include "core/access_guard.h"
#include "core/process_state.h"
#include "core/settings.h"
#include "core/stores.h"
#include "skin/skin_win.h"

namespace qm {

namespace {

Form* g_main = nullptr;
ProgramEndHook g_endHook = nullptr;

RECT OuterRect(const Form& form) {
    RECT r{};
    GetWindowRect(FormWindow(form), &r);
    return r;
}

void SetOuter(Form& form, int left, int top, int width, int height) {
    SetWindowPos(FormWindow(form), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void EndProgramNow() {
    if (g_endHook) {
        g_endHook();
        return;
    }
    ExitProcess(0);
}

// Top, then left, then height, then width: each change raises its own moved or resized event.
void PlaceFromSettings(Form& form) {
    const WindowGeometry g = ReadWindowGeometry();
    RECT r = OuterRect(form);
    SetOuter(form, r.left, g.top, r.right - r.left, r.bottom - r.top);
    r = OuterRect(form);
    SetOuter(form, g.left, r.top, r.right - r.left, r.bottom - r.top);
    r = OuterRect(form);
    SetOuter(form, r.left, r.top, r.right - r.left, g.height);
    r = OuterRect(form);
    SetOuter(form, r.left, r.top, g.width, r.bottom - r.top);
}

void OnCreated(Form& form, const EventInfo&) {
    g_main = &form;
    PlaceFromSettings(form);
    InstallSkin(FormWindow(form), 6);
    SetManualSkin(form, kUseTimeLabel);
    const bool admitted = RunAccessGuard(CurrentLocalDateTime(), [&form](const std::string& caption) {
        SetText(form, kUseTimeLabel, caption);
    });
    if (!admitted) {
        EndProgramNow();
        return;
    }
    FillCategoryCombos();
    State().rememberedRow = -1;
    FillSiteList(ComboSelectedText(form, kFilterCombo));
}

void OnMoved(Form& form, const EventInfo&) {
    const RECT r = OuterRect(form);
    SaveWindowPosition(r.left, r.top);
}

void LayOut(Form& form, int width, int height) {
    LayoutInput in;
    in.width = width;
    in.height = height;
    in.filterLabelHeight = GetControlRect(form, kFilterLabel).height;
    in.deleteButtonWidth = GetControlRect(form, kDeleteCategoryButton).width;
    in.panelHeight = GetControlRect(form, kAddPanel).height;
    for (const LayoutBox& b : MainLayout(in))
        SetControlRect(form, b.name, {b.left, b.top, b.width, b.height});
    const std::vector<int> widths = ListColumnWidths(GetControlRect(form, kSiteList).width);
    for (std::size_t c = 0; c < widths.size(); ++c)
        SetListColumnWidth(form, kSiteList, static_cast<int>(c), widths[c]);
}

void OnResized(Form& form, const EventInfo&) {
    RECT r = OuterRect(form);
    if (r.right - r.left < kMinWindowWidth) {
        SetOuter(form, r.left, r.top, kMinWindowWidth, r.bottom - r.top);
        // The nested resize has laid the window out; go on with the size it has now.
        r = OuterRect(form);
    }
    if (r.bottom - r.top <= kMinWindowHeight - 1) {
        SetOuter(form, r.left, r.top, r.right - r.left, kMinWindowHeight);
        return;
    }
    LayOut(form, r.right - r.left, r.bottom - r.top);
    SaveWindowSize(r.right - r.left, r.bottom - r.top);
}

void OnDestroying(Form& form, const EventInfo&) {
    CloseStoreByName("");
    if (g_main == &form) g_main = nullptr;
    PostQuitMessage(0);
}

void OnFilterChanged(Form& form, const EventInfo&) {
    State().rememberedRow = -1;
    FillSiteList(ComboSelectedText(form, kFilterCombo));
}

void OnHeaderClicked(Form& form, const EventInfo& e) {
    State().sortDirection = !State().sortDirection;
    if (!IsNumberColumn(e.column)) return;
    const ListTable& rows = ListRows(form, kSiteList);
    std::vector<double> keys;
    keys.reserve(rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row)
        keys.push_back(static_cast<std::size_t>(e.column) < rows.Columns()
                           ? SortKey(rows.Cell(row, static_cast<std::size_t>(e.column)))
                           : 0);
    ListReorder(form, kSiteList, SortedRowOrder(keys, State().sortDirection));
}

void OnListRightClicked(Form& form, const EventInfo&) {
    if (ListSelectedRow(form, kSiteList) < 0) return;
    POINT pt{};
    GetCursorPos(&pt);
    ShowPopupMenu(form, kListMenu, pt);
}

void ShowHint(Form& form, const char* region) {
    if (auto text = EnterHoverRegion(State().hoverRegion, region)) SetText(form, kStatusBar, *text);
}

void OnWindowHover(Form& form, const EventInfo&) {
    ShowHint(form, kWindowRegion);
}
void OnListHover(Form& form, const EventInfo&) {
    ShowHint(form, kListRegion);
}
void OnAddCategoryHover(Form& form, const EventInfo&) {
    ShowHint(form, kAddCategoryRegion);
}
void OnRenameCategoryHover(Form& form, const EventInfo&) {
    ShowHint(form, kRenameCategoryRegion);
}
void OnDeleteCategoryHover(Form& form, const EventInfo&) {
    ShowHint(form, kDeleteCategoryRegion);
}

std::vector<EventBinding> MainBindings(std::vector<EventBinding> more) {
    std::vector<EventBinding> bindings = {
        {kMainFormName, FormEvent::Created, OnCreated},
        {kMainFormName, FormEvent::Moved, OnMoved},
        {kMainFormName, FormEvent::Resized, OnResized},
        {kMainFormName, FormEvent::Destroying, OnDestroying},
        {kMainFormName, FormEvent::MouseMoved, OnWindowHover},
        {kFilterCombo, FormEvent::SelectionChanged, OnFilterChanged},
        {kSiteList, FormEvent::HeaderClicked, OnHeaderClicked},
        {kSiteList, FormEvent::MouseMoved, OnListHover},
        {kSiteList, FormEvent::RightClicked, OnListRightClicked},
        {kAddCategoryButton, FormEvent::MouseMoved, OnAddCategoryHover},
        {kRenameCategoryButton, FormEvent::MouseMoved, OnRenameCategoryHover},
        {kDeleteCategoryButton, FormEvent::MouseMoved, OnDeleteCategoryHover},
    };
    for (const auto& group : {CategoryButtonBindings(), AddPanelBindings(), RecordActionBindings(),
                              FinderEntranceBindings(), HealthEntranceBindings(), more})
        bindings.insert(bindings.end(), group.begin(), group.end());
    return bindings;
}

}  // namespace

Form* LoadMainWindow(bool show, std::vector<EventBinding> more) {
    Form* form = LoadForm(MainFormDef(), MainBindings(std::move(more)), nullptr, show);
    if (!form) g_main = nullptr;
    return form;
}

Form* MainForm() {
    return g_main;
}

void FillSiteList(std::string_view category) {
    if (!g_main) return;
    // A copy: the caller's text may lie in the rows about to be refilled.
    const std::string name(category);
    RefillListTable(*g_main, kSiteList, kListColumnCount,
                    [&name](ListTable& rows) { CollectSiteRows(name, rows); });
}

void SetProgramEndHookForTesting(ProgramEndHook hook) {
    g_endHook = hook;
}

}  // namespace qm

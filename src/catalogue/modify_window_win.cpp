// The modify window: see modify_window_win.h. The window keeps the site it was filled with (its
// record number and stored values); a save looks for exactly that site again, so a delete or a
// purge in the main window while it is open can never make it overwrite another site.
#include "catalogue/modify_window_win.h"

#include <cstdlib>

#include "catalogue/categories.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "catalogue/site_entry_win.h"
#include "core/process_state.h"
#include "core/stores.h"

namespace qm {

namespace {

struct Editing {
    Form* form = nullptr;
    long long editingRecordNumber = 0;   // from the row's "编号" when the window opened
    std::vector<std::string> rowFields;  // the row's cells 1 to 9: fields 2 to 10
    StoredSite shown;                    // what the window was filled with
};
Editing g_editing;

void SelectCategory(Form& form, const char* combo, const std::string& category) {
    int found = -1;
    for (int i = 0; i < ComboCount(form, combo) && found < 0; ++i)
        if (ComboItem(form, combo, i) == category) found = i;
    ComboSelect(form, combo, found);
}

void OnCreated(Form& form, const EventInfo&) {
    std::optional<StoredSite> site = ReadShownSite(g_editing.editingRecordNumber, g_editing.rowFields);
    if (!site) {
        DestroyWindow(FormWindow(form));
        return;
    }
    g_editing.form = &form;
    g_editing.shown = std::move(*site);
    for (std::size_t k = 0; k < 9; ++k) SetText(form, kSiteEntryEdits[k], g_editing.shown.values[k + 1]);
    NoteShownFigures(form);
    ComboClear(form, kNewSiteCategoryCombo);
    if (const auto names = ReadCategoryNames()) {
        for (const std::string& name : *names) ComboAdd(form, kNewSiteCategoryCombo, name);
        SelectCategory(form, kNewSiteCategoryCombo, g_editing.shown.values[0]);
    }
    SetFocus(FormWindow(form));
}

void OnDestroying(Form& form, const EventInfo&) {
    if (g_editing.form == &form) g_editing = Editing{};
}

void OnSave(Form& form, const EventInfo&) {
    // A mouse click on the button may just have left the address box: the boxes it emptied keep
    // what they showed.
    CancelMetricFetchForSave(form);
    const SiteValues values = EnteredSite(form);
    if (!SaveSite(g_editing.shown, values)) return;
    if (Form* main = MainForm()) {
        // The filter shows the saved site's category (by name: the category lists of the two
        // windows differ when a category was deleted meanwhile).
        SelectCategory(*main, kFilterCombo, values[0]);
        if (ComboSelection(*main, kFilterCombo) < 0)
            ComboSelect(*main, kFilterCombo, ComboSelection(form, kNewSiteCategoryCombo));
        FillSiteList(ComboSelectedText(*main, kFilterCombo));
        ScrollRememberedRowIntoView(*main);
    }
    DestroyWindow(FormWindow(form));
}

std::vector<EventBinding> ModifyBindings() {
    std::vector<EventBinding> bindings = EntryFormBindings(kModifyFormName);
    bindings.push_back({kModifyFormName, FormEvent::Created, OnCreated});
    bindings.push_back({kModifyFormName, FormEvent::Destroying, OnDestroying});
    bindings.push_back({kSaveRecordButton, FormEvent::Clicked, OnSave});
    return bindings;
}

}  // namespace

void OpenModifyWindow() {
    Form* main = MainForm();
    if (!main) return;
    const int row = ListSelectedRow(*main, kSiteList);
    if (row < 0) return;
    const ListRow& cells = ListRows(*main, kSiteList)[static_cast<std::size_t>(row)];
    if (cells.size() < kListColumnCount) return;
    if (g_editing.form) DestroyWindow(FormWindow(*g_editing.form));
    State().rememberedRow = row;
    g_editing.editingRecordNumber = std::atoll(cells[kRecordNumberColumn].c_str());
    g_editing.rowFields.assign(cells.begin() + 1, cells.begin() + kRecordNumberColumn);
    LoadForm(ModifyRecordFormDef(), ModifyBindings(), FormWindow(*main));
}

Form* ModifyWindow() {
    return g_editing.form;
}

}  // namespace qm

// The main window's category lists and category buttons: see categories_win.h.
#include "catalogue/categories_win.h"

#include "catalogue/categories.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "core/stores.h"

namespace qm {

namespace {

void FillCombo(Form& form, const char* combo, const std::vector<std::string>& items) {
    ComboClear(form, combo);
    for (const std::string& item : items) ComboAdd(form, combo, item);
}

void OnAddCategory(Form& form, const EventInfo&) {
    if (!AskAndAddCategory()) return;
    FillCategoryCombos();
    // The next site goes into the new category; the list keeps showing what it showed.
    ComboSelect(form, kNewSiteCategoryCombo, ComboCount(form, kNewSiteCategoryCombo) - 1);
}

void OnRenameCategory(Form& form, const EventInfo&) {
    const std::optional<std::string> newName = AskAndRenameCategory(ComboSelectedText(form, kFilterCombo));
    if (!newName) return;
    FillCategoryCombos();
    for (int i = 0; i < ComboCount(form, kFilterCombo); ++i) {
        if (ComboItem(form, kFilterCombo, i) == *newName) {
            ComboSelect(form, kFilterCombo, i);
            break;
        }
    }
}

void OnDeleteCategory(Form& form, const EventInfo&) {
    if (!AskAndDeleteCategory(ComboSelectedText(form, kFilterCombo))) return;
    FillCategoryCombos();
    FillSiteList(ComboItem(form, kFilterCombo, 0));
}

}  // namespace

void FillCategoryCombos() {
    Form* main = MainForm();
    if (!main) return;
    const std::optional<std::vector<std::string>> names = ReadCategoryNames();
    if (!names) return;
    FillCombo(*main, kFilterCombo, *names);
    FillCombo(*main, kNewSiteCategoryCombo, *names);
    ComboSelect(*main, kFilterCombo, names->empty() ? -1 : 0);
    ComboSelect(*main, kNewSiteCategoryCombo, -1);
}

std::vector<EventBinding> CategoryButtonBindings() {
    return {
        {kAddCategoryButton, FormEvent::Clicked, OnAddCategory},
        {kRenameCategoryButton, FormEvent::Clicked, OnRenameCategory},
        {kDeleteCategoryButton, FormEvent::Clicked, OnDeleteCategory},
    };
}

}  // namespace qm

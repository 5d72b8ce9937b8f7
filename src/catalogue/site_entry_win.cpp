// Site entry in the windows: see site_entry_win.h.
#include "catalogue/site_entry_win.h"

#include <commctrl.h>

#include <climits>
#include <cstdlib>

#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "catalogue/modify_window_win.h"
#include "core/process_state.h"

namespace qm {

namespace {

void CancelFetch(const Form& form) {
    FetchCancelledFlag(form)->store(1);
}

void OnAddressFocus(Form& form, const EventInfo&) {
    HWND box = ControlWindow(form, kAddressBox);
    // Now for a focus given by the program, and again once a click that gave it has placed the caret.
    SendMessageW(box, EM_SETSEL, INT_MAX, INT_MAX);
    PostMessageW(box, EM_SETSEL, INT_MAX, INT_MAX);
}

void OnAddressChanged(Form& form, const EventInfo&) {
    CancelFetch(form);
}

void OnAddressLeft(Form& form, const EventInfo&) {
    StartMetricFetch(form);
}

void OnEntryFormDestroying(Form& form, const EventInfo&) {
    EndMetricTarget(form);
}

void OnAddSite(Form& form, const EventInfo&) {
    // A mouse click on the button may just have left the address box: the boxes it emptied keep
    // what they showed.
    CancelMetricFetchForSave(form);
    if (!AddSiteToStore(EnteredSite(form))) return;
    // Both combos hold the same categories in the same order; selecting from the program raises
    // no selection event, so RememberedRow stays.
    ComboSelect(form, kFilterCombo, ComboSelection(form, kNewSiteCategoryCombo));
    FillSiteList(ComboSelectedText(form, kFilterCombo));
}

void OnModifyRecord(Form&, const EventInfo&) {
    OpenModifyWindow();
}

void OnDeleteRecord(Form& form, const EventInfo&) {
    const int row = ListSelectedRow(form, kSiteList);
    if (row < 0) return;
    State().rememberedRow = row;
    const ListRow& cells = ListRows(form, kSiteList)[static_cast<std::size_t>(row)];
    if (cells.size() < kListColumnCount) return;
    const std::vector<std::string> shown(cells.begin() + 1, cells.begin() + kRecordNumberColumn);
    DeleteShownSite(std::atoll(cells[kRecordNumberColumn].c_str()), shown);
    FillSiteList(ComboSelectedText(form, kFilterCombo));
    ScrollRememberedRowIntoView(form);
}

}  // namespace

SiteValues EnteredSite(const Form& form) {
    SiteValues values{ComboSelectedText(form, kNewSiteCategoryCombo)};
    for (const char* edit : kSiteEntryEdits) values.push_back(GetText(form, edit));
    return values;
}

void ScrollRememberedRowIntoView(Form& mainForm) {
    const int row = State().rememberedRow;
    if (row >= 0 && row < ListRowCount(mainForm, kSiteList))
        SendMessageW(ControlWindow(mainForm, kSiteList), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

std::vector<EventBinding> EntryFormBindings(const char* formName) {
    return {
        {kAddressBox, FormEvent::FocusGained, OnAddressFocus},
        {kAddressBox, FormEvent::ContentChanged, OnAddressChanged},
        {kAddressBox, FormEvent::FocusLost, OnAddressLeft},
        {formName, FormEvent::Destroying, OnEntryFormDestroying},
    };
}

std::vector<EventBinding> AddPanelBindings() {
    std::vector<EventBinding> bindings = EntryFormBindings(kMainFormName);
    bindings.push_back({kAddSiteButton, FormEvent::Clicked, OnAddSite});
    bindings.push_back({"修改当前记录", FormEvent::MenuItemClicked, OnModifyRecord});
    bindings.push_back({"删除当前记录", FormEvent::MenuItemClicked, OnDeleteRecord});
    return bindings;
}

}  // namespace qm

// Site entry in the windows: the main window's add panel and record menu items, and the events of
// the address boxes shared with the modify window (the metric fetch and each form's FetchCancelled
// flag are in web/win32/site_metrics_win.h). Window thread only.
#pragma once

#include <vector>

#include "catalogue/site_entry.h"
#include "platform/win32/forms_win.h"
#include "web/win32/site_metrics_win.h"  // FetchCancelledFlag, StartMetricFetch, CancelMetricFetchForSave

namespace qm {

// The ten values standing in an entry form: 分类组合框2's selected text, then the nine edit boxes.
SiteValues EnteredSite(const Form& form);

// Scrolls the main list's RememberedRow into view, when it is a row of the list.
void ScrollRememberedRowIntoView(Form& mainForm);

// The address box's focus, content-changed and lost-focus events, and the flag's end with the
// form; for every entry form.
std::vector<EventBinding> EntryFormBindings(const char* formName);
// The main window's "添加网站" and the list menu's "修改当前记录" and "删除当前记录", with
// EntryFormBindings.
std::vector<EventBinding> AddPanelBindings();

}  // namespace qm

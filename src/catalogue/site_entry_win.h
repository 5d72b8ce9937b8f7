// Site entry in the windows: the main window's add panel and record menu items, the events of
// the address boxes shared with the modify window, and each entry form's FetchCancelled flag.
// Window thread only, except the flags, which the metric workers read from their own threads.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "catalogue/site_entry.h"
#include "platform/win32/forms_win.h"

namespace qm {

// The form's FetchCancelled flag: 1 means that figures still arriving are dropped. Workers keep the
// shared pointer, so the flag outlives its form; once the form is destroyed it stays 1.
std::shared_ptr<std::atomic<int>> FetchCancelledFlag(const Form& form);

// Where the site metrics start: called when an address box of the form loses the focus. The
// metric fetch fills in the form's five figure boxes; until it exists the figures are typed.
void StartMetricFetch(Form& form);

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

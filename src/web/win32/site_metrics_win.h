// The metric targets (the main window's add panel and the modify window) and the start of the five
// metric workers when an address box loses the focus. Window thread only, except the flag, which
// workers read from their own threads.
//
// Each loaded entry form is a target of its own: its FetchCancelled flag, its CurrentHost, the
// number of its latest fetch and whether it still lives. A batch of workers keeps its target, not
// its form: once that window is gone (closed, or the program ending) the batch touches nothing,
// even when a new window of the same kind has opened; once a later fetch has started on the form,
// an earlier batch touches nothing either. Workers are never waited for or terminated.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/win32/forms_win.h"

namespace qm {

// The form's FetchCancelled flag: 1 means that figures still arriving are dropped. Workers keep
// the shared pointer, so the flag outlives its form; once the form is gone it stays 1.
std::shared_ptr<std::atomic<int>> FetchCancelledFlag(const Form& form);

// The host of the last address the form's StartMetricFetch took.
std::string CurrentHost(const Form& form);

// The address box of the form lost the focus: empties the five figure boxes and starts the five
// workers for the address's host; nothing when the address has no host.
void StartMetricFetch(Form& form);

// The five figure boxes now hold the figures of the host in the address box (a form just filled
// from a stored site): a save may give them back after a fetch emptied them.
void NoteShownFigures(const Form& form);

// A save or an add (添加网站, 修改记录) cancels the form's fetch: FetchCancelled goes to 1, and each
// figure box that the latest fetch emptied, that no answer has filled since and that is still empty
// gets back the text it held before, when that text was shown for the host now in the address box.
void CancelMetricFetchForSave(Form& form);

// The form is about to be destroyed: its flag goes to 1 and its workers touch it no more.
void EndMetricTarget(const Form& form);

// Test seam: metric workers started and not yet ended, in the whole process.
int RunningMetricWorkers();

}  // namespace qm

// The list's record actions in the main window: open the selected site in the browser (double
// click, "打开"), copy its account or password, and the software password window ("设置软件密码").
// Window thread only.
#pragma once

#include <vector>

#include "platform/win32/forms_win.h"

namespace qm {

std::vector<EventBinding> RecordActionBindings();

// The row actions on the selected row of the main list; with no row selected the text is empty
// (the browser then opens without an address, the clipboard is emptied). A copied account or
// password leaves the clipboard by itself (catalogue/copied_secret_win.h).
void OpenSelectedSite(const Form& mainForm);
void CopyAccount(const Form& mainForm);
void CopyPassword(const Form& mainForm);

// Opens the software password window, or brings it to the front when it is open.
void OpenPasswordWindow();
// The open software password window, or nullptr.
Form* PasswordWindow();

}  // namespace qm

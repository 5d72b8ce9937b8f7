// The list's record actions and the software password window: see record_actions_win.h. The row
// actions take their text from the row's cells, not from the store.
#include "catalogue/record_actions_win.h"

#include "catalogue/copied_secret_win.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "catalogue/password_window.h"
#include "core/browser_launch_win.h"

namespace qm {

namespace {

constexpr int kAddressColumn = 1;
constexpr int kAccountColumn = 3;
constexpr int kPasswordColumn = 4;

Form* g_passwordWindow = nullptr;

// The cell of the selected row; empty with no row selected.
std::string SelectedCell(const Form& form, int column) {
    return ListCell(form, kSiteList, ListSelectedRow(form, kSiteList), column);
}

void OnOpenSite(Form& form, const EventInfo&) {
    OpenSelectedSite(form);
}

void OnCopyAccount(Form& form, const EventInfo&) {
    CopyAccount(form);
}

void OnCopyPassword(Form& form, const EventInfo&) {
    CopyPassword(form);
}

void OnSetPassword(Form&, const EventInfo&) {
    OpenPasswordWindow();
}

void OnPasswordCreated(Form& form, const EventInfo&) {
    for (const char* box : {kOldPasswordBox, kNewPasswordBox, kConfirmPasswordBox})
        SendMessageW(ControlWindow(form, box), EM_SETPASSWORDCHAR, L'*', 0);
}

void OnPasswordDestroying(Form& form, const EventInfo&) {
    if (g_passwordWindow == &form) g_passwordWindow = nullptr;
}

void OnPasswordOk(Form& form, const EventInfo&) {
    if (ChangeSoftwarePassword(GetText(form, kOldPasswordBox), GetText(form, kNewPasswordBox),
                               GetText(form, kConfirmPasswordBox)))
        DestroyWindow(FormWindow(form));
}

}  // namespace

void OpenSelectedSite(const Form& mainForm) {
    // A failed start, like a refused address, goes without a message.
    OpenInDefaultBrowser(SelectedCell(mainForm, kAddressColumn));
}

void CopyAccount(const Form& mainForm) {
    CopySecret(SelectedCell(mainForm, kAccountColumn), SecretKind::Account);
}

void CopyPassword(const Form& mainForm) {
    CopySecret(SelectedCell(mainForm, kPasswordColumn), SecretKind::Password);
}

std::vector<EventBinding> RecordActionBindings() {
    return {
        {kSiteList, FormEvent::DoubleClicked, OnOpenSite},
        {"打开", FormEvent::MenuItemClicked, OnOpenSite},
        {"复制帐号", FormEvent::MenuItemClicked, OnCopyAccount},
        {"复制密码", FormEvent::MenuItemClicked, OnCopyPassword},
        {"设置软件密码", FormEvent::MenuItemClicked, OnSetPassword},
    };
}

void OpenPasswordWindow() {
    Form* main = MainForm();
    if (!main) return;
    if (g_passwordWindow) {
        SetForegroundWindow(FormWindow(*g_passwordWindow));
        return;
    }
    // Centred over the main window.
    FormDef def = PasswordFormDef();
    RECT r{};
    GetWindowRect(FormWindow(*main), &r);
    def.left = r.left + (r.right - r.left - def.width) / 2;
    def.top = r.top + (r.bottom - r.top - def.height) / 2;
    g_passwordWindow = LoadForm(def,
                                {{kPasswordFormName, FormEvent::Created, OnPasswordCreated},
                                 {kPasswordFormName, FormEvent::Destroying, OnPasswordDestroying},
                                 {kPasswordOkButton, FormEvent::Clicked, OnPasswordOk}},
                                FormWindow(*main));
}

Form* PasswordWindow() {
    return g_passwordWindow;
}

}  // namespace qm

// Win32 message boxes and the input box. Window thread only. The input box is an in-memory dialog
// template, so it needs no resource script; its owner is the active window of this thread.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/dialogs_backend.h"
#include "platform/win32/wide.h"

namespace qm {

MessageAnswer ShowSystemMessage(std::string_view text, std::string_view title, MessageButtons buttons) {
    const UINT type = MB_TASKMODAL | (buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK);
    const int r = MessageBoxW(GetActiveWindow(), ToWide(text).c_str(), ToWide(title).c_str(), type);
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return r == IDYES ? MessageAnswer::Yes : MessageAnswer::No;
}

namespace {

constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;

struct InputState {
    std::wstring prompt, title, text;
    bool password = false;
};

// Appends a DLGITEMTEMPLATE (DWORD-aligned) with a predefined class atom and a text.
void AddItem(std::vector<WORD>& t, DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
             const wchar_t* text) {
    while (t.size() % 2) t.push_back(0);
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x, item.y = y, item.cx = cx, item.cy = cy, item.id = id;
    const WORD* p = reinterpret_cast<const WORD*>(&item);
    t.insert(t.end(), p, p + sizeof item / sizeof(WORD));
    t.push_back(0xFFFF);
    t.push_back(atom);
    for (const wchar_t* c = text; *c; ++c) t.push_back(static_cast<WORD>(*c));
    t.push_back(0);
    t.push_back(0);  // no creation data
}

INT_PTR CALLBACK InputProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            auto* s = reinterpret_cast<InputState*>(lp);
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            SetWindowTextW(dlg, s->title.c_str());
            SetDlgItemTextW(dlg, kPromptId, s->prompt.c_str());
            SetDlgItemTextW(dlg, kEditId, s->text.c_str());
            if (s->password) SendDlgItemMessageW(dlg, kEditId, EM_SETPASSWORDCHAR, L'*', 0);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) {
                auto* s = reinterpret_cast<InputState*>(GetWindowLongPtrW(dlg, DWLP_USER));
                HWND edit = GetDlgItem(dlg, kEditId);
                std::wstring buf(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
                buf.resize(
                    static_cast<std::size_t>(GetWindowTextW(edit, buf.data(), static_cast<int>(buf.size()))));
                s->text = buf;
                EndDialog(dlg, IDOK);
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

// Task-modal like the message boxes: every other enabled window of this thread is disabled while
// the box is up, not only its owner.
BOOL CALLBACK DisableThreadWindow(HWND hwnd, LPARAM lp) {
    if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
        EnableWindow(hwnd, FALSE);
    }
    return TRUE;
}

}  // namespace

std::optional<std::string> ShowSystemInputBox(std::string_view prompt, std::string_view title,
                                              std::string_view initialText, bool password) {
    InputState state{ToWide(prompt), ToWide(title), ToWide(initialText), password};
    std::vector<WORD> t;
    DLGTEMPLATE dlg{};
    dlg.style = DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dlg.cdit = 4;
    dlg.cx = 200, dlg.cy = 70;
    const WORD* p = reinterpret_cast<const WORD*>(&dlg);
    t.insert(t.end(), p, p + sizeof dlg / sizeof(WORD));
    t.push_back(0);  // no menu
    t.push_back(0);  // default class
    t.push_back(0);  // title set in WM_INITDIALOG
    t.push_back(9);  // point size
    for (const wchar_t* c = L"宋体"; *c; ++c) t.push_back(static_cast<WORD>(*c));
    t.push_back(0);
    AddItem(t, SS_LEFT, 7, 7, 186, 18, kPromptId, 0x0082, L"");
    AddItem(t, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (password ? ES_PASSWORD : 0), 7, 28, 186, 12,
            kEditId, 0x0081, L"");
    AddItem(t, BS_DEFPUSHBUTTON | WS_TABSTOP, 88, 48, 50, 14, IDOK, 0x0080, L"确定");
    AddItem(t, BS_PUSHBUTTON | WS_TABSTOP, 143, 48, 50, 14, IDCANCEL, 0x0080, L"取消");
    HWND owner = GetActiveWindow();
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), DisableThreadWindow, reinterpret_cast<LPARAM>(&disabled));
    // The owner is disabled and re-enabled by the dialog itself.
    if (owner && std::find(disabled.begin(), disabled.end(), owner) != disabled.end())
        EnableWindow(owner, TRUE);
    const INT_PTR r =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), owner,
                                InputProc, reinterpret_cast<LPARAM>(&state));
    for (HWND w : disabled)
        if (IsWindow(w) && w != owner) EnableWindow(w, TRUE);
    if (r != IDOK) return std::nullopt;
    return FromWide(state.text);
}

}  // namespace qm

// The form runtime: see forms_win.h. One window procedure serves every form window; each control,
// and the form window once it is made, gets a procedure in front of its own so that mouse moves
// reach the form with the control's name, a group box hands its children's notifications on to
// the form, and the form's message hook sees everything first. Window thread only.
#include "platform/win32/forms_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <unordered_map>

#include "platform/win32/browser_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/pickers_win.h"
#include "platform/win32/wide.h"

namespace qm {

struct ControlState {
    const ControlDef* def = nullptr;
    HWND hwnd = nullptr;
    std::vector<std::string> items;  // combo box items, exact bytes
    ListTable rows;                  // list view rows
    bool embeddedBrowser = false;
};

struct Form {
    FormDef def;
    std::vector<EventBinding> bindings;
    HWND hwnd = nullptr;
    std::vector<ControlState> controls;
    UniqueFont font, linkFont;
    UniqueBrush readOnlyFace;
    FormMessageHook hook = nullptr;
    bool ready = false;     // events flow only once Created is raised
    int dispatchDepth = 0;  // handlers running; the form outlives its window until they return
    bool windowGone = false;
};

namespace {

constexpr int kFirstControlId = 100;
constexpr COLORREF kReadOnlyFace = RGB(192, 192, 192);
constexpr COLORREF kReadOnlyText = RGB(96, 96, 96);
PopupMenuHook g_popupHook = nullptr;
OpenAddressHook g_openHook = nullptr;
const ListTable kNoRows;

ControlState* FindState(Form& form, std::string_view name) {
    for (auto& c : form.controls)
        if (c.def->name == name) return &c;
    return nullptr;
}
const ControlState* FindState(const Form& form, std::string_view name) {
    return FindState(const_cast<Form&>(form), name);
}
ControlState* StateOf(Form& form, HWND hwnd) {
    for (auto& c : form.controls)
        if (c.hwnd == hwnd) return &c;
    return nullptr;
}

void Raise(Form& form, const EventInfo& info) {
    if (!form.ready || form.windowGone) return;
    std::vector<EventHandler> handlers;
    for (const auto& b : form.bindings)
        if (b.event == info.event && b.source == info.source && b.handler) handlers.push_back(b.handler);
    for (auto h : handlers) {
        ++form.dispatchDepth;
        h(form, info);
        --form.dispatchDepth;
        if (form.windowGone) break;
    }
    if (form.windowGone && form.dispatchDepth == 0) delete &form;
}

void RaiseSimple(Form& form, const std::string& source, FormEvent event, int x = 0, int y = 0) {
    EventInfo info;
    info.source = source;
    info.event = event;
    info.x = x;
    info.y = y;
    Raise(form, info);
}

void OpenAddress(const std::string& address) {
    if (g_openHook) {
        g_openHook(address);
        return;
    }
    ShellExecuteW(nullptr, L"open", ToWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The procedures the front procedure was put before, by window. Not the common controls' subclass
// chain: that one reads a window property for every message, a request to the server under Wine,
// and a paint of a list sends a hundred messages.
struct Front {
    WNDPROC next = nullptr;
    Form* form = nullptr;
};
std::unordered_map<HWND, Front>& Fronts() {
    static std::unordered_map<HWND, Front> fronts;
    return fronts;
}

LRESULT ControlMessage(Form& form, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC next) {
    switch (msg) {
        case WM_MOUSEMOVE:
            if (ControlState* c = StateOf(form, hwnd)) {
                const std::string name = c->def->name;
                RaiseSimple(form, name, FormEvent::MouseMoved, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            }
            break;
        case WM_SETCURSOR:
            if (ControlState* c = StateOf(form, hwnd); c && c->def->kind == ControlKind::HyperLink) {
                SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
                return TRUE;
            }
            break;
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            // Children of a group box notify the group box; the form handles them.
            if (ControlState* c = StateOf(form, hwnd); c && c->def->kind == ControlKind::GroupBox)
                return SendMessageW(form.hwnd, msg, wp, lp);
            break;
        case WM_ERASEBKGND:
            // A group box paints only its frame; its children's old places must be cleared
            // when the layout moves them, or stale pixels stay behind. The form's background
            // for static controls fills it (the skin's Face while the skin is on).
            if (ControlState* c = StateOf(form, hwnd); c && c->def->kind == ControlKind::GroupBox) {
                RECT r;
                GetClientRect(hwnd, &r);
                auto brush = reinterpret_cast<HBRUSH>(
                    SendMessageW(form.hwnd, WM_CTLCOLORSTATIC, wp, reinterpret_cast<LPARAM>(hwnd)));
                FillRect(reinterpret_cast<HDC>(wp), &r, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
                return 1;
            }
            break;
    }
    return CallWindowProcW(next, hwnd, msg, wp, lp);
}

LRESULT CALLBACK FrontProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto& fronts = Fronts();
    const auto it = fronts.find(hwnd);
    if (it == fronts.end()) return DefWindowProcW(hwnd, msg, wp, lp);
    const Front front = it->second;
    if (msg == WM_NCDESTROY) {
        // The last message: the handle may name another window later, and the form window's own
        // procedure frees the form.
        fronts.erase(it);
        return CallWindowProcW(front.next, hwnd, msg, wp, lp);
    }
    Form& form = *front.form;
    LRESULT result = 0;
    if (form.hook && !form.windowGone && form.hook(form, hwnd, msg, wp, lp, &result)) return result;
    if (hwnd == form.hwnd) return CallWindowProcW(front.next, hwnd, msg, wp, lp);
    return ControlMessage(form, hwnd, msg, wp, lp, front.next);
}

void PutFrontProc(HWND hwnd, Form& form) {
    Fronts()[hwnd] = {reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)), &form};
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrontProc));
}

UniqueFont MakeFont(bool underline) {
    return UniqueFont(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
}

struct WindowKind {
    const wchar_t* cls;
    DWORD style;
    DWORD exStyle;
};

WindowKind KindOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
            // One line, cut at the right edge like the designer showed it, never wrapped.
            return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOTIFY, 0};
        case ControlKind::HyperLink:
            return {L"STATIC", SS_LEFT | SS_NOTIFY, 0};
        case ControlKind::LabelLines:
            return {L"STATIC", SS_OWNERDRAW | SS_NOTIFY, 0};
        case ControlKind::Button:
        case ControlKind::SmallButton:
            return {L"BUTTON", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP, 0};
        case ControlKind::Edit:
            return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case ControlKind::PasswordEdit:
            return {L"EDIT", ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case ControlKind::ComboList:
        case ControlKind::DrivePicker:
            return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
        case ControlKind::FolderTree:
            return {WC_TREEVIEWW,
                    TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP,
                    WS_EX_CLIENTEDGE};
        case ControlKind::GroupBox:
            return {L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, 0};
        case ControlKind::ListView:
            return {WC_LISTVIEWW, LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_TABSTOP,
                    WS_EX_CLIENTEDGE};
        case ControlKind::Browser:
            break;
    }
    return {L"STATIC", 0, 0};
}

void AddColumns(HWND list, const std::vector<ListColumnDef>& columns) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring header = ToWide(columns[i].header);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = header.data();
        col.cx = columns[i].width;
        col.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
}

// The drives, with the current one picked.
void FillDrives(ControlState& c) {
    c.items = pickers::DriveItems();
    const std::string current = pickers::CurrentDrive() + ":";
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        SendMessageW(c.hwnd, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(ToWide(c.items[i]).c_str()));
        if (c.items[i] == current) SendMessageW(c.hwnd, CB_SETCURSEL, i, 0);
    }
}

bool CreateControl(Form& form, ControlState& c, int id) {
    const ControlDef& d = *c.def;
    HWND parent = form.hwnd;
    if (!d.parent.empty()) {
        const ControlState* p = FindState(form, d.parent);
        if (!p || !p->hwnd) return false;
        parent = p->hwnd;
    }
    HMENU idMenu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    if (d.kind == ControlKind::Browser) {
        c.hwnd =
            CreateBannerWindow(parent, id, d.left, d.top, d.width, d.height, d.target, c.embeddedBrowser);
    } else {
        const WindowKind k = KindOf(d.kind);
        // A drop-down list's window height includes its list; the box itself takes the font's height.
        const bool dropDown = d.kind == ControlKind::ComboList || d.kind == ControlKind::DrivePicker;
        const int height = dropDown ? d.height + 200 : d.height;
        const bool edit = d.kind == ControlKind::Edit || d.kind == ControlKind::PasswordEdit;
        const DWORD readOnly = edit && d.readOnly ? ES_READONLY : 0;
        c.hwnd = CreateWindowExW(k.exStyle, k.cls, ToWide(d.caption).c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | k.style | readOnly, d.left, d.top,
                                 d.width, height, parent, idMenu, GetModuleHandleW(nullptr), nullptr);
    }
    if (!c.hwnd) return false;
    HFONT font = d.kind == ControlKind::HyperLink ? form.linkFont.get() : form.font.get();
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (d.kind == ControlKind::ListView) AddColumns(c.hwnd, d.columns);
    if (d.kind == ControlKind::DrivePicker) FillDrives(c);
    if (d.kind == ControlKind::FolderTree) pickers::ShowFolder(c.hwnd, pickers::CurrentFolder());
    PutFrontProc(c.hwnd, form);
    return true;
}

void OnCommand(Form& form, WPARAM wp, LPARAM lp) {
    ControlState* c = StateOf(form, reinterpret_cast<HWND>(lp));
    if (!c) return;
    const std::string name = c->def->name;
    const int code = HIWORD(wp);
    switch (c->def->kind) {
        case ControlKind::Button:
        case ControlKind::SmallButton:
            if (code == BN_CLICKED) RaiseSimple(form, name, FormEvent::Clicked);
            if (code == BN_SETFOCUS) RaiseSimple(form, name, FormEvent::FocusGained);
            if (code == BN_KILLFOCUS) RaiseSimple(form, name, FormEvent::FocusLost);
            break;
        case ControlKind::Label:
        case ControlKind::LabelLines:
        case ControlKind::HyperLink:
            if (code == STN_CLICKED) {
                if (c->def->kind == ControlKind::HyperLink && !c->def->target.empty())
                    OpenAddress(c->def->target);
                RaiseSimple(form, name, FormEvent::Clicked);
            }
            if (code == STN_DBLCLK) RaiseSimple(form, name, FormEvent::DoubleClicked);
            break;
        case ControlKind::Edit:
        case ControlKind::PasswordEdit:
            if (code == EN_CHANGE) RaiseSimple(form, name, FormEvent::ContentChanged);
            if (code == EN_SETFOCUS) RaiseSimple(form, name, FormEvent::FocusGained);
            if (code == EN_KILLFOCUS) RaiseSimple(form, name, FormEvent::FocusLost);
            break;
        case ControlKind::ComboList:
        case ControlKind::DrivePicker:
            if (code == CBN_SELCHANGE) RaiseSimple(form, name, FormEvent::SelectionChanged);
            if (code == CBN_SETFOCUS) RaiseSimple(form, name, FormEvent::FocusGained);
            if (code == CBN_KILLFOCUS) RaiseSimple(form, name, FormEvent::FocusLost);
            break;
        default:
            break;
    }
}

void FillDisplayInfo(ControlState& c, NMLVDISPINFOW& di) {
    if (!(di.item.mask & LVIF_TEXT) || !di.item.pszText || di.item.cchTextMax <= 0) return;
    di.item.pszText[0] = L'\0';
    const auto row = static_cast<std::size_t>(di.item.iItem);
    const auto col = static_cast<std::size_t>(di.item.iSubItem);
    if (di.item.iItem < 0 || di.item.iSubItem < 0) return;
    // Straight into the view's buffer: a paint asks for every visible cell.
    const std::string_view cell = c.rows.Cell(row, col);
    const int room = di.item.cchTextMax - 1;
    if (cell.empty() || room <= 0) return;
    int n = MultiByteToWideChar(936, 0, cell.data(), static_cast<int>(cell.size()), di.item.pszText, room);
    if (n == 0 && room > 0) {  // longer than the buffer: cut as the whole text would be cut
        const std::wstring w = ToWide(cell);
        n = static_cast<int>(std::min<std::size_t>(w.size(), static_cast<std::size_t>(room)));
        std::copy_n(w.data(), n, di.item.pszText);
    }
    di.item.pszText[n] = L'\0';
}

// Only the user's choices are events: a program's selection (action TVC_UNKNOWN) is not.
LRESULT OnTreeNotify(Form& form, const ControlState& c, LPARAM lp) {
    const auto* nm = reinterpret_cast<NMTREEVIEWW*>(lp);
    if (nm->hdr.code == TVN_ITEMEXPANDINGW && (nm->action & TVE_EXPAND))
        pickers::ListChildren(c.hwnd, nm->itemNew.hItem);
    if (nm->hdr.code == TVN_SELCHANGEDW && nm->action != TVC_UNKNOWN)
        RaiseSimple(form, c.def->name, FormEvent::SelectionChanged);
    return 0;
}

LRESULT OnNotify(Form& form, LPARAM lp) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    ControlState* c = StateOf(form, hdr->hwndFrom);
    if (c && c->def->kind == ControlKind::FolderTree) return OnTreeNotify(form, *c, lp);
    if (!c || c->def->kind != ControlKind::ListView) return 0;
    const std::string name = c->def->name;
    switch (hdr->code) {
        case LVN_GETDISPINFOW:
            FillDisplayInfo(*c, *reinterpret_cast<NMLVDISPINFOW*>(lp));
            break;
        case LVN_COLUMNCLICK: {
            EventInfo info;
            info.source = name;
            info.event = FormEvent::HeaderClicked;
            info.column = reinterpret_cast<NMLISTVIEW*>(lp)->iSubItem;
            Raise(form, info);
            break;
        }
        case NM_DBLCLK: {
            const auto* act = reinterpret_cast<NMITEMACTIVATE*>(lp);
            RaiseSimple(form, name, FormEvent::DoubleClicked, act->ptAction.x, act->ptAction.y);
            break;
        }
        case NM_RCLICK: {
            const auto* act = reinterpret_cast<NMITEMACTIVATE*>(lp);
            RaiseSimple(form, name, FormEvent::RightClicked, act->ptAction.x, act->ptAction.y);
            break;
        }
        default:
            break;
    }
    return 0;
}

// The lines of a LabelLines control, one below the other at the font's height, closer together
// when that is too tall for the box (a substituted font may be taller than the designed one).
// Face and text colour are the ones the window gives its static controls.
void DrawLabelLines(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT r = item.rcItem;
    const auto face = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(item.hwndItem), WM_CTLCOLORSTATIC,
                                                            reinterpret_cast<WPARAM>(dc),
                                                            reinterpret_cast<LPARAM>(item.hwndItem)));
    if (face) FillRect(dc, &r, face);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item.hwndItem)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(item.hwndItem, text.data(), static_cast<int>(text.size()))));
    std::vector<std::wstring> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, L"\r\n") == 0) {
            lines.emplace_back();
            ++i;
        } else {
            lines.back() += text[i];
        }
    }
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int height = r.bottom - r.top, count = static_cast<int>(lines.size());
    const int pitch = std::max(1, std::min<int>(tm.tmHeight, height / count));
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < count; ++i) {
        RECT line{r.left, r.top + i * pitch, r.right, r.top + i * pitch + tm.tmHeight};
        DrawTextW(dc, lines[static_cast<std::size_t>(i)].c_str(), -1, &line,
                  DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
    }
}

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* form = static_cast<Form*>(cs->lpCreateParams);
        form->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
        case WM_MOVE:
            // A minimised window reports a position far off screen; it is not a move of the user's.
            if (!IsIconic(hwnd)) RaiseSimple(*form, form->def.name, FormEvent::Moved);
            return 0;
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED) RaiseSimple(*form, form->def.name, FormEvent::Resized);
            return 0;
        case WM_MOUSEMOVE:
            RaiseSimple(*form, form->def.name, FormEvent::MouseMoved, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_COMMAND:
            if (lp) OnCommand(*form, wp, lp);
            return 0;
        case WM_NOTIFY:
            return OnNotify(*form, lp);
        case WM_DRAWITEM:
            if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
                item && item->CtlType == ODT_STATIC) {
                if (ControlState* c = StateOf(*form, item->hwndItem);
                    c && c->def->kind == ControlKind::LabelLines) {
                    DrawLabelLines(*item);
                    return TRUE;
                }
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (ControlState* c = StateOf(*form, reinterpret_cast<HWND>(lp));
                c && c->def->kind == ControlKind::HyperLink) {
                HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, RGB(0, 0, 255));
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            } else if (c &&
                       (c->def->kind == ControlKind::Edit || c->def->kind == ControlKind::PasswordEdit)) {
                // A read-only edit: the skin keeps the text colour chosen here.
                HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, kReadOnlyText);
                SetBkColor(dc, kReadOnlyFace);
                return reinterpret_cast<LRESULT>(form->readOnlyFace.get());
            }
            break;
        case WM_DESTROY:
            RaiseSimple(*form, form->def.name, FormEvent::Destroying);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            form->windowGone = true;
            for (auto& c : form->controls) c.hwnd = nullptr;
            if (form->dispatchDepth == 0) delete form;
            return DefWindowProcW(hwnd, msg, wp, lp);
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterFormClass() {
    static bool registered = false;
    if (registered) return true;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FormWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormWindowClass;
    registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

}  // namespace

Form* LoadForm(const FormDef& def, std::vector<EventBinding> bindings, HWND owner, bool show) {
    if (!RegisterFormClass()) return nullptr;
    auto form = std::make_unique<Form>();
    form->def = def;
    form->bindings = std::move(bindings);
    form->font = MakeFont(false);
    form->linkFont = MakeFont(true);
    form->readOnlyFace = UniqueBrush(CreateSolidBrush(kReadOnlyFace));
    form->controls.reserve(form->def.controls.size());
    for (const auto& c : form->def.controls)
        form->controls.push_back(ControlState{&c, nullptr, {}, {}, false});
    HWND hwnd = CreateWindowExW(0, kFormWindowClass, ToWide(def.caption).c_str(),
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, def.left, def.top, def.width,
                                def.height, owner, nullptr, GetModuleHandleW(nullptr), form.get());
    if (!hwnd) return nullptr;
    Form* f = form.release();  // owned by the window from here on
    PutFrontProc(hwnd, *f);    // in front of the skin's frame too, which is put on at creation
    for (std::size_t i = 0; i < f->controls.size(); ++i) {
        if (!CreateControl(*f, f->controls[i], kFirstControlId + static_cast<int>(i))) {
            DestroyWindow(hwnd);
            return nullptr;
        }
    }
    f->ready = true;
    ++f->dispatchDepth;  // the Created handler may destroy the window
    RaiseSimple(*f, f->def.name, FormEvent::Created);
    --f->dispatchDepth;
    if (f->windowGone) {
        delete f;
        return nullptr;
    }
    if (show) {
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
    }
    return f;
}

HWND FormWindow(const Form& form) {
    return form.hwnd;
}
const FormDef& FormDefinition(const Form& form) {
    return form.def;
}

Form* FormFromWindow(HWND hwnd) {
    wchar_t cls[32] = {};
    if (!hwnd || !GetClassNameW(hwnd, cls, 32) || lstrcmpW(cls, kFormWindowClass) != 0) return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HWND ControlWindow(const Form& form, std::string_view name) {
    const ControlState* c = FindState(form, name);
    return c ? c->hwnd : nullptr;
}

std::string ControlNameOf(const Form& form, HWND control) {
    const ControlState* c = StateOf(const_cast<Form&>(form), control);
    return c ? c->def->name : std::string();
}

namespace {

HWND TextWindow(const Form& form, std::string_view name) {
    return name == form.def.name ? form.hwnd : ControlWindow(form, name);
}

}  // namespace

std::string GetText(const Form& form, std::string_view name) {
    HWND hwnd = TextWindow(form, name);
    if (!hwnd) return {};
    std::wstring buf(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    buf.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, buf.data(), static_cast<int>(buf.size()))));
    return FromWide(buf);
}

void SetText(Form& form, std::string_view name, std::string_view text) {
    if (HWND hwnd = TextWindow(form, name)) SetWindowTextW(hwnd, ToWide(text).c_str());
}

void SetEditReadOnly(Form& form, std::string_view name, bool readOnly) {
    const ControlState* c = FindState(form, name);
    if (!c || (c->def->kind != ControlKind::Edit && c->def->kind != ControlKind::PasswordEdit)) return;
    SendMessageW(c->hwnd, EM_SETREADONLY, readOnly, 0);
    InvalidateRect(c->hwnd, nullptr, TRUE);
}

ControlRect GetControlRect(const Form& form, std::string_view name) {
    HWND hwnd = ControlWindow(form, name);
    if (!hwnd) return {};
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void SetControlRect(Form& form, std::string_view name, ControlRect rect) {
    HWND hwnd = ControlWindow(form, name);
    if (!hwnd) return;
    const ControlRect now = GetControlRect(form, name);
    const ControlState* c = FindState(form, name);
    int height = rect.height < 0 ? now.height : rect.height;
    // A drop-down list keeps room for its list below the box.
    if (c->def->kind == ControlKind::ComboList || c->def->kind == ControlKind::DrivePicker)
        height = c->def->height + 200;
    SetWindowPos(hwnd, nullptr, rect.left, rect.top, rect.width < 0 ? now.width : rect.width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ComboClear(Form& form, std::string_view name) {
    ControlState* c = FindState(form, name);
    if (!c) return;
    c->items.clear();
    SendMessageW(c->hwnd, CB_RESETCONTENT, 0, 0);
}

void ComboAdd(Form& form, std::string_view name, std::string_view item) {
    ControlState* c = FindState(form, name);
    if (!c) return;
    c->items.emplace_back(item);
    // CB_INSERTSTRING at the end keeps the item index equal to the vector index.
    SendMessageW(c->hwnd, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(ToWide(item).c_str()));
}

int ComboCount(const Form& form, std::string_view name) {
    const ControlState* c = FindState(form, name);
    return c ? static_cast<int>(c->items.size()) : 0;
}

std::string ComboItem(const Form& form, std::string_view name, int index) {
    const ControlState* c = FindState(form, name);
    if (!c || index < 0 || static_cast<std::size_t>(index) >= c->items.size()) return {};
    return c->items[static_cast<std::size_t>(index)];
}

int ComboSelection(const Form& form, std::string_view name) {
    const ControlState* c = FindState(form, name);
    if (!c) return -1;
    return static_cast<int>(SendMessageW(c->hwnd, CB_GETCURSEL, 0, 0));
}

std::string ComboSelectedText(const Form& form, std::string_view name) {
    return ComboItem(form, name, ComboSelection(form, name));
}

void ComboSelect(Form& form, std::string_view name, int index) {
    if (ControlState* c = FindState(form, name))
        SendMessageW(c->hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

namespace {

ControlState* ListState(Form& form, std::string_view name) {
    ControlState* c = FindState(form, name);
    return c && c->def->kind == ControlKind::ListView ? c : nullptr;
}
const ControlState* ListState(const Form& form, std::string_view name) {
    return ListState(const_cast<Form&>(form), name);
}

// Item by item: a state change of item -1 visits every row under Wine, 100,000 of them in a large
// category, where a single-selection list has at most one selected and one focused row.
void ClearSelection(HWND list) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    for (auto flag : {LVNI_SELECTED, LVNI_FOCUSED}) {
        int row = -1;  // each search starts after the row found last, so this ends
        while ((row = static_cast<int>(
                    SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), flag))) >= 0)
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
}

void SetSelection(HWND list, int row, bool scroll) {
    ClearSelection(list);
    if (row < 0) return;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
    if (scroll) SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

// A new count makes the list fit its scroll bar and lay out its header several times over, and
// under Wine each pass draws the bar and the frame at once, through the server. With the list's
// visible bit off (what the default WM_SETREDRAW does, without the style-change messages that make
// the list lay itself out again) none of that is drawn; the frame, and the header when its size
// changed, are painted once at the next paint instead. The list works out its row metrics at the
// first paint that has rows, fitting its scroll bar again: a paint into a memory DC gets that done
// while the list is still unseen.
void SetItemCountUnseen(HWND list, HWND header, std::size_t count) {
    const bool shown = (GetWindowLongPtrW(list, GWL_STYLE) & WS_VISIBLE) != 0;
    const bool wasEmpty = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 0;
    RECT before{}, after{};
    if (header) GetWindowRect(header, &before);
    if (shown) DefWindowProcW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (!shown) return;
    if (wasEmpty && count > 0) {
        if (HDC dc = CreateCompatibleDC(nullptr)) {  // its 1x1 bitmap clips the rows away
            SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
            DeleteDC(dc);
        }
    }
    DefWindowProcW(list, WM_SETREDRAW, TRUE, 0);
    // The frame alone: the list does not clip its header, which a repaint of its client covers.
    RECT outer{}, inner{};
    GetWindowRect(list, &outer);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&outer), 2);
    GetClientRect(list, &inner);
    HRGN frame = CreateRectRgnIndirect(&outer);
    HRGN client = CreateRectRgnIndirect(&inner);
    if (frame && client && CombineRgn(frame, frame, client, RGN_DIFF) != ERROR)
        RedrawWindow(list, nullptr, frame, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
    if (frame) DeleteObject(frame);
    if (client) DeleteObject(client);
    // The header's new part was never drawn while the list was unseen.
    if (header && GetWindowRect(header, &after) && !EqualRect(&before, &after))
        InvalidateRect(header, nullptr, TRUE);
}

}  // namespace

void SetListRows(Form& form, std::string_view name, const std::vector<ListRow>& rows) {
    SetListTable(form, name, ListTable(rows));
}

void SetListTable(Form& form, std::string_view name, ListTable rows) {
    RefillListTable(form, name, rows.Columns(), [&rows](ListTable& table) { table = std::move(rows); });
}

void RefillListTable(Form& form, std::string_view name, std::size_t columns,
                     const std::function<void(ListTable&)>& fill) {
    ControlState* c = ListState(form, name);
    if (!c) return;
    SetSelection(c->hwnd, -1, false);
    c->rows.Clear(columns);
    fill(c->rows);
    HWND header = reinterpret_cast<HWND>(SendMessageW(c->hwnd, LVM_GETHEADER, 0, 0));
    // Setting the count redraws the scroll bars, which costs milliseconds under Wine even when
    // nothing changed; every row is repainted below anyway.
    if (static_cast<std::size_t>(SendMessageW(c->hwnd, LVM_GETITEMCOUNT, 0, 0)) != c->rows.size())
        SetItemCountUnseen(c->hwnd, header, c->rows.size());
    if (!c->rows.empty()) SendMessageW(c->hwnd, LVM_ENSUREVISIBLE, 0, FALSE);
    // The rows' area only: the header, a child the list does not clip, would be repainted too.
    RECT area{};
    GetClientRect(c->hwnd, &area);
    RECT h{};
    if (header && IsWindowVisible(header) && GetWindowRect(header, &h)) {
        MapWindowPoints(nullptr, c->hwnd, reinterpret_cast<POINT*>(&h), 2);
        area.top = std::max(area.top, h.bottom);
    }
    InvalidateRect(c->hwnd, &area, TRUE);
}

const ListTable& ListRows(const Form& form, std::string_view name) {
    const ControlState* c = ListState(form, name);
    return c ? c->rows : kNoRows;
}

int ListRowCount(const Form& form, std::string_view name) {
    return static_cast<int>(ListRows(form, name).size());
}

std::string ListCell(const Form& form, std::string_view name, int row, int column) {
    if (row < 0 || column < 0) return {};
    return std::string(
        ListRows(form, name).Cell(static_cast<std::size_t>(row), static_cast<std::size_t>(column)));
}

int ListSelectedRow(const Form& form, std::string_view name) {
    const ControlState* c = ListState(form, name);
    if (!c) return -1;
    return static_cast<int>(SendMessageW(c->hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListSelectRow(Form& form, std::string_view name, int row, bool scrollIntoView) {
    if (ControlState* c = ListState(form, name)) SetSelection(c->hwnd, row, scrollIntoView);
}

void ListReorder(Form& form, std::string_view name, const std::vector<std::size_t>& order) {
    ControlState* c = ListState(form, name);
    if (!c || order.size() != c->rows.size()) return;
    const int selected = ListSelectedRow(form, name);
    int newSelected = -1;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (static_cast<int>(order[i]) == selected) newSelected = static_cast<int>(i);
    c->rows.Reorder(order);
    SetSelection(c->hwnd, newSelected, true);
    InvalidateRect(c->hwnd, nullptr, TRUE);
}

void SetListRow(Form& form, std::string_view name, int row, ListRow cells, bool redraw) {
    ControlState* c = ListState(form, name);
    if (!c || row < 0 || static_cast<std::size_t>(row) >= c->rows.size()) return;
    c->rows.ReplaceRow(static_cast<std::size_t>(row), cells);
    if (redraw) SendMessageW(c->hwnd, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
}

int ListColumnWidth(const Form& form, std::string_view name, int column) {
    const ControlState* c = ListState(form, name);
    return c ? static_cast<int>(SendMessageW(c->hwnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0))
             : 0;
}

void SetListColumnWidth(Form& form, std::string_view name, int column, int width) {
    if (ControlState* c = ListState(form, name))
        SendMessageW(c->hwnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

bool ShowPopupMenu(Form& form, std::string_view menuName, POINT screenPos) {
    const MenuDef* def = nullptr;
    for (const auto& m : form.def.menus)
        if (m.name == menuName) def = &m;
    if (!def) return false;
    HMENU menu = CreatePopupMenu();
    if (!menu) return false;
    for (std::size_t i = 0; i < def->items.size(); ++i) {
        const auto& item = def->items[i];
        if (item.caption.empty())
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu, MF_STRING, i + 1, ToWide(item.caption).c_str());
    }
    int chosen = -1;
    if (g_popupHook) {
        chosen = g_popupHook(menu, *def);
    } else {
        SetForegroundWindow(form.hwnd);
        const int cmd = static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                                                        screenPos.x, screenPos.y, 0, form.hwnd, nullptr));
        chosen = cmd - 1;
    }
    DestroyMenu(menu);
    if (chosen >= 0 && static_cast<std::size_t>(chosen) < def->items.size() &&
        !def->items[static_cast<std::size_t>(chosen)].caption.empty())
        RaiseSimple(form, def->items[static_cast<std::size_t>(chosen)].caption, FormEvent::MenuItemClicked);
    return true;
}

void SetFormMessageHook(Form& form, FormMessageHook hook) {
    form.hook = hook;
}

void SetPopupMenuHookForTesting(PopupMenuHook hook) {
    g_popupHook = hook;
}
void SetOpenAddressHookForTesting(OpenAddressHook hook) {
    g_openHook = hook;
}

namespace {

const ControlState* KindState(const Form& form, std::string_view name, ControlKind kind) {
    const ControlState* c = FindState(form, name);
    return c && c->def->kind == kind ? c : nullptr;
}

}  // namespace

std::string PickedDrive(const Form& form, std::string_view name) {
    const ControlState* c = KindState(form, name, ControlKind::DrivePicker);
    return c ? ComboSelectedText(form, name).substr(0, 1) : std::string();
}

bool PickDrive(Form& form, std::string_view name, std::string_view letter) {
    const ControlState* c = KindState(form, name, ControlKind::DrivePicker);
    if (!c || letter.size() != 1) return false;
    const std::string item{static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0]))), ':'};
    for (std::size_t i = 0; i < c->items.size(); ++i) {
        if (c->items[i] != item) continue;
        SendMessageW(c->hwnd, CB_SETCURSEL, i, 0);
        return true;
    }
    return false;
}

std::string PickedFolder(const Form& form, std::string_view name) {
    const ControlState* c = KindState(form, name, ControlKind::FolderTree);
    return c ? pickers::SelectedFolder(c->hwnd) : std::string();
}

void ShowFolder(Form& form, std::string_view name, std::string_view path) {
    if (const ControlState* c = KindState(form, name, ControlKind::FolderTree))
        pickers::ShowFolder(c->hwnd, std::string(path));
}

bool HasEmbeddedBrowser(const Form& form, std::string_view name) {
    const ControlState* c = FindState(form, name);
    return c && c->embeddedBrowser;
}

}  // namespace qm

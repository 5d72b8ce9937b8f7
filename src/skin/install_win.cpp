// The skin engine's spine: see engine_win.h and skin_win.h. The dispatch table below is the one place
// that says which drawer a window class gets.
#include <string>
#include <unordered_map>

#include "platform/win32/forms_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "skin/drawers_win.h"
#include "skin/engine_win.h"
#include "skin/frame_win.h"
#include "skin/paint_win.h"
#include "skin/properties_win.h"
#include "skin/skin_win.h"

namespace qm {

namespace skin {

namespace {

struct Engine {
    // The saved procedures as "Easy.窗口过程" holds them, read on every forwarded message: a window
    // property costs a trip to the window server, too slow for a list's stream of notifications.
    std::unordered_map<HWND, WNDPROC> saved;
    // Windows between their creation and their WM_CREATE, with the procedure they were created with.
    std::unordered_map<HWND, WNDPROC> arriving;
    bool installed = false;
    HWND main = nullptr;
    HHOOK hook = nullptr;
    SkinTheme theme = MakeSkinTheme(6);
    UniqueBrush faceBrush, faceLightBrush;
};

Engine& State() {
    static Engine e;
    return e;
}

// What a dispatch condition may ask of a window; texts are read only when a row needs them.
struct WindowFacts {
    HWND hwnd;
    std::string cls;
    LONG_PTR style;
};

std::string ClassNameOf(HWND hwnd) {
    wchar_t buf[128] = {};
    const int n = GetClassNameW(hwnd, buf, 128);
    return n > 0 ? FromWide(std::wstring_view(buf, static_cast<std::size_t>(n))) : std::string();
}

bool HasText(HWND hwnd) {
    return hwnd && GetWindowTextLengthW(hwnd) > 0;
}

int ButtonType(const WindowFacts& w) {
    return static_cast<int>(w.style & 15);
}

using Condition = bool (*)(const WindowFacts&);
using Installer = void (*)(HWND);

struct DispatchRow {
    const char* cls;
    bool contains;  // the class name holds cls somewhere (the form system's own controls)
    Condition when;
    Installer install;
};

constexpr char kFormControlMark[] = "b:10011:1900015:0";

bool Always(const WindowFacts&) {
    return true;
}
bool TextNotEmpty(const WindowFacts& w) {
    return HasText(w.hwnd);
}
bool TextEmpty(const WindowFacts& w) {
    return !HasText(w.hwnd);
}

const DispatchRow kDispatch[] = {
    {"#32770", false, Always, InstallFramedWindow},
    {"KXWindow", false, Always, InstallFramedWindow},
    {"Static", false, TextNotEmpty, InstallStaticText},
    {"Static", false, TextEmpty, InstallContainer},
    {"Button", false, [](const WindowFacts& w) { return ButtonType(w) <= 1; }, InstallPushButton},
    {"Button", false, [](const WindowFacts& w) { return ButtonType(w) == 2 || ButtonType(w) == 3; },
     InstallCheckBox},
    {"Button", false, [](const WindowFacts& w) { return ButtonType(w) == 4 || ButtonType(w) == 9; },
     InstallRadioButton},
    {"Button", false, [](const WindowFacts& w) { return ButtonType(w) == 7; }, InstallGroupBox},
    {"Button", false, [](const WindowFacts& w) { return ButtonType(w) == 11; }, InstallOwnerButton},
    {"#32768", false, Always, InstallPopupMenu},
    {"ScrollBar", false, [](const WindowFacts& w) { return (w.style & 15) == 4; }, InstallSizeBox},
    {"SysTreeView32", false, Always, InstallTreeView},
    {"ListBox", false, Always, InstallListBox},
    {"SysTabControl32", false, Always, InstallTabControl},
    {"msctls_trackbar32", false, Always, InstallTrackBar},
    {"msctls_updown32", false, Always, InstallUpDown},
    {"msctls_progress32", false, Always, InstallProgressBar},
    {"Edit", false, [](const WindowFacts& w) { return ClassNameOf(GetParent(w.hwnd)) != "ComboBox"; },
     InstallEditBorder},
    {"Afx:10000000:843:0:10:0", false, Always, InstallColourPicker},
    {"ComboBox", false, Always, InstallComboBox},
    {"SysDateTimePick32", false, Always, InstallDatePicker},
    {"SysMonthCal32", false, Always, InstallMonthCalendar},
    {"msctls_statusbar32", false, Always, InstallStatusBar},
    {"ToolbarWindow32", false, Always, InstallToolbar},
    {"SysHeader32", false, [](const WindowFacts& w) { return !HasText(GetParent(w.hwnd)); },
     InstallListHeader},
    {"SysListView32", false, TextEmpty, InstallListViewColours},
    {kFormControlMark, true, TextNotEmpty, InstallRecolouring},
    {kFormControlMark, true, TextEmpty, InstallContainer},
};

bool Names(const DispatchRow& row, const std::string& cls) {
    return row.contains ? cls.find(row.cls) != std::string::npos : cls == row.cls;
}

const DispatchRow* FindRow(const WindowFacts& w) {
    for (const DispatchRow& row : kDispatch)
        if (Names(row, w.cls) && row.when(w)) return &row;
    return nullptr;
}

// Message-only windows (OLE's among them) and input-method windows are the thread's helpers; the
// skin sends them nothing.
bool IsHelperWindow(HWND hwnd, const std::string& cls) {
    if (cls == "IME" || cls == "MSCTFIME UI") return true;
    const bool child = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0;
    HWND parent = GetAncestor(hwnd, GA_PARENT);
    return !child && parent && parent != GetDesktopWindow();
}

// A window of a class the table names, between its creation and its WM_CREATE: the first
// messages go on to its own procedure; at WM_CREATE it gets its own procedure back, is skinned,
// and then receives the message through whatever procedure it has now.
LRESULT CALLBACK ArrivingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto& arriving = State().arriving;
    const auto it = arriving.find(hwnd);
    if (it == arriving.end()) return DefWindowProcW(hwnd, msg, wp, lp);
    const WNDPROC own = it->second;
    if (msg != WM_CREATE) return CallWindowProcW(own, hwnd, msg, wp, lp);
    arriving.erase(it);
    // Someone subclassed the window before us: leave it as it is.
    if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(ArrivingProc))
        return CallWindowProcW(own, hwnd, msg, wp, lp);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
    SkinWindow(hwnd);
    const auto now = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    return CallWindowProcW(now, hwnd, msg, wp, lp);
}

// A computer-based-training hook sees each window's creation once, where a hook on every sent
// message would slow each message of the thread (a 100,000-row list sorts 40 times slower under
// Wine). Only windows of a class the table names are held until their WM_CREATE.
LRESULT CALLBACK CreationHook(int code, WPARAM wp, LPARAM lp) {
    const LRESULT r = CallNextHookEx(nullptr, code, wp, lp);
    const auto hwnd = reinterpret_cast<HWND>(wp);
    if (code == HCBT_DESTROYWND) State().arriving.erase(hwnd);
    if (code != HCBT_CREATEWND || r != 0) return r;
    const std::string cls = ClassNameOf(hwnd);
    bool named = false;
    for (const DispatchRow& row : kDispatch) named = named || Names(row, cls);
    if (!named || IsHelperWindow(hwnd, cls)) return r;
    State().arriving[hwnd] = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ArrivingProc));
    return r;
}

}  // namespace

const SkinTheme& Theme() {
    return State().theme;
}
HBRUSH FaceBrush() {
    return State().faceBrush.get();
}
HBRUSH FaceLightBrush() {
    return State().faceLightBrush.get();
}
HWND SkinMainWindow() {
    return State().main;
}
bool SkinInstalled() {
    return State().installed;
}

void SkinWindow(HWND hwnd) {
    if (!hwnd) return;
    WindowFacts w{hwnd, ClassNameOf(hwnd), GetWindowLongPtrW(hwnd, GWL_STYLE)};
    if (IsHelperWindow(hwnd, w.cls)) return;
    const DispatchRow* row = FindRow(w);
    if (!row) return;  // neither it nor its children, unless the hook reaches them
    if (!ReadProp(hwnd, Prop::SavedProcedure)) row->install(hwnd);
    for (HWND child = FindWindowExW(hwnd, nullptr, nullptr, nullptr); child;
         child = FindWindowExW(hwnd, child, nullptr, nullptr))
        SkinWindow(child);
}

bool Subclass(HWND hwnd, WNDPROC proc) {
    if (ReadProp(hwnd, Prop::SavedProcedure)) return false;
    const LONG_PTR previous = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
    WriteProp(hwnd, Prop::SavedProcedure, previous);
    State().saved[hwnd] = reinterpret_cast<WNDPROC>(previous);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    return true;
}

LRESULT CallSavedProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto& saved = State().saved;
    const auto it = saved.find(hwnd);
    const WNDPROC proc = it != saved.end() ? it->second : ReadPropAs<WNDPROC>(hwnd, Prop::SavedProcedure);
    const LRESULT r = proc ? CallWindowProcW(proc, hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) saved.erase(hwnd);  // the handle may name another window later
    return r;
}

void TearDownSkin() {
    Engine& e = State();
    e.faceBrush.reset();
    e.faceLightBrush.reset();
    ReleaseSharedFonts();
    if (e.hook) UnhookWindowsHookEx(e.hook);
    e.hook = nullptr;
    e.main = nullptr;
    e.installed = false;
}

}  // namespace skin

void InstallSkin(HWND mainWindow, int theme) {
    skin::Engine& e = skin::State();
    if (e.installed || !mainWindow) return;
    e.installed = true;
    e.main = mainWindow;
    e.theme = MakeSkinTheme(theme);
    e.faceLightBrush.reset(CreateSolidBrush(skin::ToColorRef(e.theme.palette.faceLight)));
    e.faceBrush.reset(CreateSolidBrush(skin::ToColorRef(e.theme.palette.face)));
    skin::InstallFrame(mainWindow, /*keepOuterSize=*/true);
    for (HWND child = FindWindowExW(mainWindow, nullptr, nullptr, nullptr); child;
         child = FindWindowExW(mainWindow, child, nullptr, nullptr))
        skin::SkinWindow(child);
    e.hook = SetWindowsHookExW(WH_CBT, skin::CreationHook, GetModuleHandleW(nullptr), GetCurrentThreadId());
}

void SetManualSkin(const Form& form, std::string_view controlName) {
    if (HWND control = ControlWindow(form, controlName)) skin::WriteProp(control, skin::Prop::ManualSkin, 1);
}

}  // namespace qm

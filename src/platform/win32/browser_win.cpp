// The banner window: see browser_win.h. It tries the system web browser control (browser_host_win)
// only where its engine is really present; otherwise it paints the address as a plain banner.
// Window thread only.
#include "platform/win32/browser_win.h"

#include "platform/win32/browser_host_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm {

namespace {

constexpr wchar_t kBannerClass[] = L"KXBanner";
bool g_allowBrowser = true;

struct Banner {
    std::wstring address;
    BrowserHost* browser = nullptr;
};

void PaintBanner(HWND hwnd, const Banner& banner) {
    PaintDC paint(hwnd);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    TRIVERTEX v[2] = {{rc.left, rc.top, 0x2000, 0x4800, 0x8800, 0},
                      {rc.right, rc.bottom, 0x6800, 0xA000, 0xE000, 0}};
    GRADIENT_RECT g{0, 1};
    GradientFill(paint.get(), v, 2, &g, 1, GRADIENT_FILL_RECT_H);
    UniqueFont font(CreateFontW(-22, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
    SelectRestorer select(paint.get(), font.get());
    SetBkMode(paint.get(), TRANSPARENT);
    SetTextColor(paint.get(), RGB(255, 255, 255));
    RECT text = rc;
    text.left += 16;
    DrawTextW(paint.get(), L"Quillmark", -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    UniqueFont small(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
    SelectRestorer selectSmall(paint.get(), small.get());
    text.right -= 16;
    text.bottom -= 8;
    DrawTextW(paint.get(), banner.address.c_str(), -1, &text, DT_SINGLELINE | DT_BOTTOM | DT_RIGHT);
}

LRESULT CALLBACK BannerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* banner = reinterpret_cast<Banner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_NCCREATE:
            SetWindowLongPtrW(
                hwnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
            break;
        case WM_PAINT:
            if (banner && !banner->browser) {
                PaintBanner(hwnd, *banner);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            if (banner && banner->browser) ResizeBrowserHost(banner->browser, LOWORD(lp), HIWORD(lp));
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            if (banner) {
                DestroyBrowserHost(banner->browser);
                delete banner;
            }
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterBannerClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BannerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kBannerClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND CreateBannerWindow(HWND parent, int id, int left, int top, int width, int height,
                        const std::string& address, bool& embedded) {
    embedded = false;
    if (!RegisterBannerClass()) return nullptr;
    auto* banner = new Banner{ToWide(address), nullptr};
    HWND hwnd = CreateWindowExW(0, kBannerClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, left, top,
                                width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), banner);
    if (!hwnd) {
        delete banner;
        return nullptr;
    }
    if (g_allowBrowser) banner->browser = CreateBrowserHost(hwnd, banner->address);
    embedded = banner->browser != nullptr;
    return hwnd;
}

void AllowEmbeddedBrowserForTesting(bool allow) {
    g_allowBrowser = allow;
}

}  // namespace qm

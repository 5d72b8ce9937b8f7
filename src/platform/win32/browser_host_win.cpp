// A minimal OLE container for the web browser control: client site, in-place site and frame in one
// object, which is all the control asks of its host to draw in our window. Window thread only.
#include "platform/win32/browser_host_win.h"

#include <exdisp.h>
#include <oleidl.h>

namespace qm {

struct BrowserHost final : IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame {
    HWND window = nullptr;
    IOleObject* object = nullptr;
    IWebBrowser2* browser = nullptr;
    LONG refs = 1;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&refs);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** c) override {
        if (c) *c = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = window;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (frame) {
            *frame = this;
            AddRef();
        }
        if (doc) *doc = nullptr;
        if (pos) GetClientRect(window, pos);
        if (clip) GetClientRect(window, clip);
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = window;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
    // IOleInPlaceUIWindow / IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
};

namespace {

bool IsWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Wine's engine lives in <gecko folder>\<version>\wine_gecko; an empty folder means it is absent.
bool HasWineEngineIn(const std::wstring& folder) {
    WIN32_FIND_DATAW fd{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || fd.cFileName[0] == L'.') continue;
        const std::wstring xul = folder + L"\\" + fd.cFileName + L"\\wine_gecko\\xul.dll";
        found = GetFileAttributesW(xul.c_str()) != INVALID_FILE_ATTRIBUTES;
    } while (!found && FindNextFileW(find, &fd));
    FindClose(find);
    return found;
}

bool BrowserEnginePresent() {
    HMODULE mshtml = LoadLibraryW(L"mshtml.dll");
    if (!mshtml) return false;
    FreeLibrary(mshtml);
    if (!IsWine()) return true;
    wchar_t sys[MAX_PATH] = {};
    GetSystemDirectoryW(sys, MAX_PATH);
    return HasWineEngineIn(std::wstring(sys) + L"\\gecko") ||
           HasWineEngineIn(L"Z:\\usr\\share\\wine\\gecko") || HasWineEngineIn(L"Z:\\opt\\wine\\gecko");
}

}  // namespace

BrowserHost* CreateBrowserHost(HWND window, const std::wstring& address) {
    if (!BrowserEnginePresent()) return nullptr;
    if (FAILED(OleInitialize(nullptr))) return nullptr;
    auto* host = new BrowserHost;
    host->window = window;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                         reinterpret_cast<void**>(&host->object)));
    ok = ok && SUCCEEDED(host->object->SetClientSite(static_cast<IOleClientSite*>(host)));
    RECT rc{};
    GetClientRect(window, &rc);
    ok = ok && SUCCEEDED(host->object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                              static_cast<IOleClientSite*>(host), 0, window, &rc));
    ok = ok &&
         SUCCEEDED(host->object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&host->browser)));
    if (ok) {
        host->browser->put_Silent(VARIANT_TRUE);  // script errors never become message boxes
        BSTR url = SysAllocString(address.c_str());
        VARIANT empty;
        VariantInit(&empty);
        ok = SUCCEEDED(host->browser->Navigate(url, &empty, &empty, &empty, &empty));
        SysFreeString(url);
    }
    if (!ok) {
        DestroyBrowserHost(host);
        return nullptr;
    }
    return host;
}

void ResizeBrowserHost(BrowserHost* host, int width, int height) {
    if (!host || !host->object) return;
    IOleInPlaceObject* inplace = nullptr;
    if (SUCCEEDED(host->object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inplace)))) {
        RECT rc{0, 0, width, height};
        inplace->SetObjectRects(&rc, &rc);
        inplace->Release();
    }
}

void DestroyBrowserHost(BrowserHost* host) {
    if (!host) return;
    if (host->browser) {
        host->browser->Stop();
        host->browser->Release();
        host->browser = nullptr;
    }
    if (host->object) {
        host->object->Close(OLECLOSE_NOSAVE);
        host->object->SetClientSite(nullptr);
        host->object->Release();
        host->object = nullptr;
    }
    host->Release();
    OleUninitialize();
}

}  // namespace qm

// Hosting of the system web browser control inside a child window (an in-place active OLE
// object). Window thread only; the host is owned by whoever created it and released with
// DestroyBrowserHost.
#pragma once

#include <windows.h>

#include <string>

namespace qm {

struct BrowserHost;

// Nullptr when the browser engine is absent or refuses to start; no prompt or message is shown.
// Under Wine the engine is an add-on that offers to download itself, so it is tried only when it
// is installed.
BrowserHost* CreateBrowserHost(HWND window, const std::wstring& address);
void ResizeBrowserHost(BrowserHost* host, int width, int height);
void DestroyBrowserHost(BrowserHost* host);

}  // namespace qm

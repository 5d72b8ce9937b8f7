// Small owners for Win32 resources, so that every early return releases what was acquired:
// kernel handles, Internet handles, window / paint / memory DCs, GDI objects and the object
// selected into a DC.
// Move-only; any thread (a DC belongs to the thread that got it).
#pragma once

#include <windows.h>
#include <wininet.h>

#include <utility>

namespace qm {

// A kernel handle; both null and INVALID_HANDLE_VALUE count as empty.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    ~UniqueHandle() { reset(); }
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(h_, nullptr); }
    void reset(HANDLE h = nullptr) {
        if (*this) CloseHandle(h_);
        h_ = h;
    }

  private:
    HANDLE h_ = nullptr;
};

// An Internet (WinINet) handle, closed with InternetCloseHandle.
class UniqueInternet {
  public:
    UniqueInternet() = default;
    explicit UniqueInternet(HINTERNET h) : h_(h) {}
    UniqueInternet(UniqueInternet&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueInternet& operator=(UniqueInternet&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    ~UniqueInternet() { reset(); }
    HINTERNET get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset(HINTERNET h = nullptr) {
        if (h_) InternetCloseHandle(h_);
        h_ = h;
    }

  private:
    HINTERNET h_ = nullptr;
};

// GetDC / GetWindowDC, released with ReleaseDC.
class WindowDC {
  public:
    explicit WindowDC(HWND hwnd, bool wholeWindow = false)
        : hwnd_(hwnd), dc_(wholeWindow ? GetWindowDC(hwnd) : GetDC(hwnd)) {}
    // GetDCEx; with DCX_KEEPCLIPRGN the caller keeps the clip region.
    WindowDC(HWND hwnd, HRGN clip, DWORD flags) : hwnd_(hwnd), dc_(GetDCEx(hwnd, clip, flags)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDC {
  public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { EndPaint(hwnd_, &ps_); }
    HDC get() const { return dc_; }
    const PAINTSTRUCT& paint() const { return ps_; }

  private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// CreateCompatibleDC, released with DeleteDC.
class MemoryDC {
  public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HDC dc_;
};

// A pen, brush, font, bitmap or region, released with DeleteObject. Never hold a stock object.
template <typename T>
class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(T obj) : obj_(obj) {}
    GdiObject(GdiObject&& o) noexcept : obj_(std::exchange(o.obj_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) reset(std::exchange(o.obj_, nullptr));
        return *this;
    }
    ~GdiObject() { reset(); }
    T get() const { return obj_; }
    explicit operator bool() const { return obj_ != nullptr; }
    T release() { return std::exchange(obj_, nullptr); }
    void reset(T obj = nullptr) {
        if (obj_) DeleteObject(obj_);
        obj_ = obj;
    }

  private:
    T obj_ = nullptr;
};

using UniqueBrush = GdiObject<HBRUSH>;
using UniquePen = GdiObject<HPEN>;
using UniqueFont = GdiObject<HFONT>;
using UniqueBitmap = GdiObject<HBITMAP>;
using UniqueRegion = GdiObject<HRGN>;

// Selects an object into a DC and puts the previous one back, so the owner of the object can
// delete it afterwards. Declare it after the object's owner.
class SelectRestorer {
  public:
    SelectRestorer(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    SelectRestorer(const SelectRestorer&) = delete;
    SelectRestorer& operator=(const SelectRestorer&) = delete;
    ~SelectRestorer() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace qm

// Clipboard text: see clipboard_win.h. The clipboard's owner is a message-only window of this
// module, made on first use: SetClipboardData fails after EmptyClipboard without an owner.
#include "platform/win32/clipboard_win.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/wide.h"

namespace qm {

namespace {

constexpr LCID kChineseLocale = 0x0804;

HWND ClipboardOwner() {
    static HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    return owner;
}

// Another program may hold the clipboard for a moment.
bool OpenWithRetry() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(ClipboardOwner())) return true;
        Sleep(10);
    }
    return false;
}

// Hands a copy of the bytes to the clipboard, which then owns the memory.
bool Put(UINT format, const void* data, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return false;
    if (void* p = GlobalLock(memory)) {
        std::memcpy(p, data, size);
        GlobalUnlock(memory);
        if (SetClipboardData(format, memory)) return true;
    }
    GlobalFree(memory);
    return false;
}

bool PutDword(const wchar_t* formatName, DWORD value) {
    const UINT format = RegisterClipboardFormatW(formatName);
    return format != 0 && Put(format, &value, sizeof value);
}

}  // namespace

bool PutClipboardText(std::string_view gbk, bool privateText, unsigned long* sequence) {
    if (sequence) *sequence = 0;
    if (!OpenWithRetry()) return false;
    bool ok = EmptyClipboard() != 0;
    const std::string narrow(gbk);
    const std::wstring wide = ToWide(gbk);
    ok = ok && Put(CF_TEXT, narrow.c_str(), narrow.size() + 1);
    ok = ok && Put(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    ok = ok && Put(CF_LOCALE, &kChineseLocale, sizeof kChineseLocale);
    if (ok && privateText) {
        ok = PutDword(L"Clipboard Viewer Ignore", 0) &&
             PutDword(L"ExcludeClipboardContentFromMonitorProcessing", 0) &&
             PutDword(L"CanIncludeInClipboardHistory", 0) && PutDword(L"CanUploadToCloudClipboard", 0);
    }
    CloseClipboard();
    // Taken after the close, which adds the formats derived from ours and counts as a change
    // (Wine). A copy by another program in between would have made its own window the owner.
    if (sequence) {
        *sequence = GetClipboardSequenceNumber();
        if (GetClipboardOwner() != ClipboardOwner()) *sequence = 0;
    }
    return ok;
}

ClearResult ClearClipboardIfUnchanged(unsigned long sequence) {
    if (GetClipboardSequenceNumber() != sequence) return ClearResult::ChangedSince;
    if (!OpenWithRetry()) return ClearResult::Busy;
    ClearResult result = ClearResult::ChangedSince;
    if (GetClipboardSequenceNumber() == sequence)
        result = EmptyClipboard() ? ClearResult::Cleared : ClearResult::Busy;
    CloseClipboard();
    return result;
}

}  // namespace qm

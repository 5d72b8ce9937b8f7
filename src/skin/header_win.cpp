// The list header ("SysHeader32" of a list view without window text), painted by the skin: each
// item on the raised face, pushed while the left button is down on it, its image and its text
// cut to fit without splitting a double-byte character. Window thread only.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "skin/control_geometry.h"
#include "skin/drawers_win.h"
#include "skin/engine_win.h"
#include "skin/paint_win.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

bool g_headerPressed = false;  // the left button is down on a list header

struct HeaderItem {
    RECT rect{};
    int format = 0;
    int image = -1;
    std::string text;  // GBK
};

HeaderItem ReadItem(HWND hwnd, int index) {
    HeaderItem it;
    SendMessageW(hwnd, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&it.rect));
    wchar_t buf[260] = {};
    HDITEMW hd{};
    hd.mask = HDI_FORMAT | HDI_IMAGE | HDI_TEXT;
    hd.pszText = buf;
    hd.cchTextMax = 260;
    if (SendMessageW(hwnd, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&hd))) {
        it.format = hd.fmt;
        it.image = hd.iImage;
        it.text = FromWide(buf);
    }
    return it;
}

// The item's contents: its image at the left or right end, the text in what is left.
void DrawContents(HDC dc, HWND hwnd, const HeaderItem& it, RECT r, int emHeight) {
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(hwnd, HDM_GETIMAGELIST, 0, 0));
    if ((it.format & HDF_IMAGE) && images && it.image >= 0) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        const int y = r.top + (r.bottom - r.top - cy) / 2;
        if (it.format & HDF_BITMAP_ON_RIGHT) {
            ImageList_Draw(images, it.image, dc, r.right - 5 - cx, y, ILD_TRANSPARENT);
            r.right -= cx + 8;
        } else {
            ImageList_Draw(images, it.image, dc, r.left + 5, y, ILD_TRANSPARENT);
            r.left += cx + 8;
        }
    }
    const std::wstring text = ToWide(CutHeaderText(it.text, r.right - r.left, emHeight));
    const int align = it.format & HDF_JUSTIFYMASK;
    const UINT h = align == HDF_RIGHT ? DT_RIGHT : align == HDF_CENTER ? DT_CENTER : DT_LEFT;
    RECT t{r.left + 4, r.top, r.right - 4, r.bottom};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
              h | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void PaintHeader(HWND hwnd, HDC target) {
    const SkinPalette& p = Palette();
    const SkinMetrics& m = Metrics();
    RECT client{};
    GetClientRect(hwnd, &client);
    Layer layer(target, client.right, client.bottom, p.face);
    if (!layer) return;
    HDC dc = layer.dc();
    SelectRestorer font(dc, WindowFont(hwnd));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SetTextColor(dc, ToColorRef(p.text));
    SetBkMode(dc, TRANSPARENT);
    // Behind the items, and to the right of the last one, the normal face.
    RaisedFace(dc, client, client.bottom / 2, p.buttonTop[0], p.buttonBottom[0], m.faceBlendUpper,
               m.faceBlendLower);
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(hwnd, &cursor);
    const int count = static_cast<int>(SendMessageW(hwnd, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const HeaderItem it = ReadItem(hwnd, i);
        RECT r = it.rect;
        if (r.right <= r.left) continue;
        const bool under = PtInRect(&r, cursor) != FALSE;
        const int state = under && g_headerPressed ? kFacePushed : kFaceNormal;
        RaisedFace(dc, r, r.top + (r.bottom - r.top) / 2, p.buttonTop[state], p.buttonBottom[state],
                   m.faceBlendUpper, m.faceBlendLower);
        // Column edges, so neighbouring items stay apart.
        FillColour(dc, RECT{r.right - 1, r.top + 3, r.right, r.bottom - 3}, p.border);
        if (under) {
            FrameColour(dc, r, p.face);
            FrameColour(dc, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, p.border);
        }
        if (state == kFacePushed) OffsetRect(&r, 1, 1);
        DrawContents(dc, hwnd, it, r, tm.tmHeight - tm.tmInternalLeading);
    }
    FillColour(dc, RECT{0, client.bottom - 1, client.right, client.bottom}, p.border);
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}

LRESULT CALLBACK HeaderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            g_headerPressed = true;
            break;
        case WM_LBUTTONUP:
        case WM_MOUSELEAVE:
            g_headerPressed = false;
            break;
        case WM_PAINT: {
            if (wp) {
                PaintHeader(hwnd, reinterpret_cast<HDC>(wp));
                return 0;
            }
            {
                PaintDC paint(hwnd);
                if (paint.get()) PaintHeader(hwnd, paint.get());
            }
            // The header's own painting finds nothing left to paint.
            return CallSavedProcedure(hwnd, msg, wp, lp);
        }
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

}  // namespace

void InstallListHeader(HWND hwnd) {
    Subclass(hwnd, HeaderProc);
}

}  // namespace qm::skin

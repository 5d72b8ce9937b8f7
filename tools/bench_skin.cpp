// Skin benchmark (Windows, under Wine): the main window's form, once plain and once skinned,
// side by side in one run. Prints
//   skin_repaint_vs_plain          median time of a full repaint (frame and every control, flushed)
//                                  of the skinned window over the plain one's
//   gdi_objects_after_1000_paints  growth of the process's GDI objects over 1,000 frame paints
//   gdi_objects_after_1000_control_paints
//                                  the same over 1,000 paints of each control kind the skin draws
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/main_form.h"
#include "control_kinds.h"
#include "gdi_objects.h"
#include "platform/win32/forms_win.h"
#include "skin/skin_win.h"

namespace {

constexpr int kRepaints = 201;

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

qm::Form* LoadWindow(int left) {
    qm::Form* form = qm::LoadForm(qm::MainFormDef(), {}, nullptr, true);
    if (!form) return nullptr;
    std::vector<qm::ListRow> rows;
    for (int i = 0; i < 30; ++i) {
        const std::string n = std::to_string(i);
        rows.push_back({n, "http://www.example-" + n + ".com/", "网站标题 " + n, "user", "pw", "3", "100",
                        "200", "30", "40", n});
    }
    qm::SetListRows(*form, qm::kSiteList, std::move(rows));
    SetWindowPos(qm::FormWindow(*form), nullptr, left, 0, 750, 458, SWP_NOZORDER);
    Pump();
    return form;
}

double Repaint(HWND hwnd) {
    const double t = NowMs();
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    return NowMs() - t;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    qm::Form* plain = LoadWindow(0);
    qm::Form* skinned = LoadWindow(500);
    if (!plain || !skinned) {
        std::fprintf(stderr, "could not create the windows\n");
        return 1;
    }
    HWND p = qm::FormWindow(*plain), s = qm::FormWindow(*skinned);
    qm::InstallSkin(s, 6);
    SetWindowPos(s, nullptr, 0, 0, 750, 458, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    std::vector<double> plainMs, skinnedMs;
    for (int i = 0; i < kRepaints; ++i) {  // interleaved, so both see the same machine load
        plainMs.push_back(Repaint(p));
        skinnedMs.push_back(Repaint(s));
        Pump();
    }
    std::printf("bench skin_repaint_vs_plain %.2f ratio\n", Median(skinnedMs) / Median(plainMs));

    auto framePaint = [s](int i) {
        RedrawWindow(s, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        SendMessageW(s, WM_NCMOUSEMOVE, i % 2 ? HTCLOSE : HTCAPTION, 0);
    };
    for (int i = 0; i < 20; ++i) framePaint(i);  // the system's DC cache fills first
    Pump();
    const long before = qm::testing::GdiObjectCount();
    for (int i = 0; i < 1000; ++i) framePaint(i);
    Pump();
    std::printf("bench gdi_objects_after_1000_paints %ld count\n", qm::testing::GdiObjectCount() - before);

    // One control of each kind on the skinned window, each painted 1,000 times.
    qm::testing::RegisterPaintedKinds();
    long growth = 0;
    for (const qm::testing::PaintedKind& k : qm::testing::kPaintedKinds) {
        HWND c = qm::testing::CreatePaintedKind(k, s, 10, 10);
        if (!c) continue;
        for (int i = 0; i < 20; ++i) qm::testing::PaintRound(c, k, i);
        Pump();
        const long start = qm::testing::GdiObjectCount();
        for (int i = 0; i < 1000; ++i) qm::testing::PaintRound(c, k, i);
        Pump();
        growth += qm::testing::GdiObjectCount() - start;
        DestroyWindow(c);
        Pump();
    }
    std::printf("bench gdi_objects_after_1000_control_paints %ld count\n", growth);
    DestroyWindow(s);
    DestroyWindow(p);
    Pump();
    return 0;
}

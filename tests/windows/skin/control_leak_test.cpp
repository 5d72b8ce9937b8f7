// No GDI object outlives a paint: every control kind the skin draws is painted two hundred
// times (twenty rounds of every state) and the process's count of GDI objects is the same afterwards.
#include "control_kinds.h"
#include "gdi_objects.h"
#include "skin/paint_win.h"
#include "skin_test_support.h"

namespace qm::testing {
namespace {

class ControlPaints : public SkinnedWindow {
  protected:
    void SetUp() override {
        RegisterPaintedKinds();
        SkinnedWindow::SetUp();
    }
};

TEST_F(ControlPaints, TwoHundredPaintsOfEachKindLeaveNoGdiObjectBehind) {
    for (const PaintedKind& k : kPaintedKinds) {
        HWND c = CreatePaintedKind(k, main, 10, 130);
        ASSERT_NE(c, nullptr) << k.name;
        EXPECT_NE(Prop(c, skin::Prop::SavedProcedure), 0) << k.name << " is skinned";
        for (int i = 0; i < 20; ++i) PaintRound(c, k, i);  // the system's caches fill first
        Pump();
        const long before = GdiObjectCount();
        for (int i = 0; i < 200; ++i) PaintRound(c, k, i);
        Pump();
        EXPECT_EQ(GdiObjectCount() - before, 0) << k.name;
        DestroyWindow(c);
        Pump();
    }
}

// Paints select fonts made once per face, size, weight, underline and character set; they are
// deleted with the skin, when the main window goes.
TEST_F(ControlPaints, SharedFontsAreMadeOncePerLookAndGoWithTheSkin) {
    const HFONT plain = skin::SharedFont(L"宋体", -12);
    EXPECT_NE(plain, nullptr);
    EXPECT_EQ(skin::SharedFont(L"宋体", -12), plain);
    const HFONT looks[] = {skin::SharedFont(L"宋体", -11),
                           skin::SharedFont(L"宋体", -12, FW_BOLD),
                           skin::SharedFont(L"宋体", -12, FW_NORMAL, true),
                           skin::SharedFont(L"宋体", -12, FW_NORMAL, false, 6),
                           skin::SharedFont(L"宋体", -12, FW_NORMAL, false, 0, SYMBOL_CHARSET),
                           skin::SharedFont(L"Webdings", -12)};
    for (HFONT f : looks) EXPECT_NE(f, plain);
    for (const PaintedKind& k : kPaintedKinds) {
        HWND c = CreatePaintedKind(k, main, 10, 130);
        ASSERT_NE(c, nullptr) << k.name;
        PaintRound(c, k, 0);
        DestroyWindow(c);
    }
    Pump();
    EXPECT_EQ(GetObjectType(plain), static_cast<DWORD>(OBJ_FONT));
    DestroyWindow(main);
    Pump();
    EXPECT_EQ(GetObjectType(plain), 0u) << "the skin's teardown deletes the shared fonts";
    for (HFONT f : looks) EXPECT_EQ(GetObjectType(f), 0u);
}

}  // namespace
}  // namespace qm::testing

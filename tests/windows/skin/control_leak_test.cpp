// No GDI object outlives a paint: every control kind the skin draws is painted two hundred
// times (twenty rounds of every state) and the process's count of GDI objects is the same afterwards.
#include "control_kinds.h"
#include "gdi_objects.h"
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

}  // namespace
}  // namespace qm::testing

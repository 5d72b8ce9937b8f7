// The form runtime on a small form of its own: class and captions, events from controls inside a
// group box, no events before Created, combo items as exact bytes, the virtual list's rows as the
// control shows them, reordering with the selection, new rows of the same count, a new row count
// drawn whole at the next paint, the message hook, and a handler that destroys its own form.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>
#include <gtest/gtest.h>

#include "platform/win32/forms_win.h"
#include "platform/win32/wide.h"

namespace qm {
namespace {

std::vector<EventInfo> g_events;
bool g_visibleAtCreation = true;

void Record(Form&, const EventInfo& e) {
    g_events.push_back(e);
}
void OnCreated(Form& f, const EventInfo& e) {
    g_visibleAtCreation = IsWindowVisible(FormWindow(f)) != 0;
    Record(f, e);
}
void DestroyOwnForm(Form& f, const EventInfo&) {
    DestroyWindow(FormWindow(f));
}

FormDef TestForm() {
    FormDef f;
    f.name = "测试窗口";
    f.caption = "测试 - 窗口";
    f.left = 10, f.top = 10, f.width = 400, f.height = 300;
    auto add = [&f](const char* name, ControlKind kind, int l, int t, int w, int h, const char* caption,
                    const char* parent = "") {
        ControlDef c;
        c.name = name, c.kind = kind, c.left = l, c.top = t, c.width = w, c.height = h;
        c.caption = caption, c.parent = parent;
        f.controls.push_back(c);
    };
    add("组", ControlKind::GroupBox, 5, 150, 380, 100, "分组");
    add("按钮", ControlKind::Button, 10, 20, 60, 24, "确定", "组");
    add("编辑框", ControlKind::Edit, 80, 20, 100, 20, "初始", "组");
    add("密码框", ControlKind::PasswordEdit, 190, 20, 100, 20, "", "组");
    add("组合框", ControlKind::ComboList, 10, 50, 120, 20, "", "组");
    add("列表", ControlKind::ListView, 5, 5, 380, 140, "");
    f.controls.back().columns = {{"甲", 50}, {"乙", 60}};
    return f;
}

class Forms : public ::testing::Test {
  protected:
    void SetUp() override { g_events.clear(); }
    void TearDown() override {
        if (form && IsWindow(window)) DestroyWindow(window);
    }
    void Load(std::vector<EventBinding> extra = {}) {
        std::vector<EventBinding> b = {
            {"测试窗口", FormEvent::Created, OnCreated},   {"测试窗口", FormEvent::Moved, Record},
            {"测试窗口", FormEvent::Resized, Record},      {"按钮", FormEvent::Clicked, Record},
            {"编辑框", FormEvent::ContentChanged, Record}, {"组合框", FormEvent::SelectionChanged, Record},
            {"列表", FormEvent::HeaderClicked, Record}};
        b.insert(b.end(), extra.begin(), extra.end());
        form = LoadForm(TestForm(), b);
        ASSERT_NE(form, nullptr);
        window = FormWindow(*form);
    }
    Form* form = nullptr;
    HWND window = nullptr;
};

TEST_F(Forms, WindowsAreRealControlsWithTheirCaptions) {
    Load();
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    EXPECT_STREQ(cls, L"KXWindow");
    EXPECT_EQ(GetText(*form, "测试窗口"), "测试 - 窗口");
    EXPECT_EQ(GetText(*form, "按钮"), "确定");
    EXPECT_EQ(GetParent(ControlWindow(*form, "按钮")), ControlWindow(*form, "组"));
    EXPECT_EQ(ControlNameOf(*form, ControlWindow(*form, "编辑框")), "编辑框");
    EXPECT_EQ(ControlWindow(*form, "没有"), nullptr);
    EXPECT_TRUE(GetWindowLongW(ControlWindow(*form, "密码框"), GWL_STYLE) & ES_PASSWORD);
    EXPECT_EQ(FormFromWindow(window), form);
    const ControlRect r = GetControlRect(*form, "编辑框");
    EXPECT_EQ(r.left, 80);
    EXPECT_EQ(r.top, 20);
}

TEST_F(Forms, CreatedComesFirstAndBeforeTheWindowIsShown) {
    Load();
    ASSERT_FALSE(g_events.empty());
    EXPECT_EQ(g_events[0].event, FormEvent::Created);
    EXPECT_FALSE(g_visibleAtCreation);
    EXPECT_TRUE(IsWindowVisible(window));
    g_events.clear();
    SetWindowPos(window, nullptr, 0, 0, 420, 310, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_EQ(g_events.size(), 1u);
    EXPECT_EQ(g_events[0].event, FormEvent::Resized);
}

TEST_F(Forms, EventsFromInsideTheGroupReachTheForm) {
    Load();
    g_events.clear();
    SendMessageW(ControlWindow(*form, "按钮"), BM_CLICK, 0, 0);
    SetText(*form, "编辑框", "新内容");
    ASSERT_EQ(g_events.size(), 2u);
    EXPECT_EQ(g_events[0].source, "按钮");
    EXPECT_EQ(g_events[0].event, FormEvent::Clicked);
    EXPECT_EQ(g_events[1].source, "编辑框");
    EXPECT_EQ(g_events[1].event, FormEvent::ContentChanged);
    EXPECT_EQ(GetText(*form, "编辑框"), "新内容");
}

TEST_F(Forms, FocusAndMouseEventsCarryTheControlsName) {
    Load({{"编辑框", FormEvent::FocusGained, Record},
          {"编辑框", FormEvent::FocusLost, Record},
          {"密码框", FormEvent::MouseMoved, Record}});
    SetForegroundWindow(window);
    g_events.clear();
    SetFocus(ControlWindow(*form, "编辑框"));
    SetFocus(ControlWindow(*form, "密码框"));
    SendMessageW(ControlWindow(*form, "密码框"), WM_MOUSEMOVE, 0, MAKELPARAM(7, 9));
    ASSERT_EQ(g_events.size(), 3u);
    EXPECT_EQ(g_events[0].event, FormEvent::FocusGained);
    EXPECT_EQ(g_events[1].event, FormEvent::FocusLost);
    EXPECT_EQ(g_events[1].source, "编辑框");
    EXPECT_EQ(g_events[2].source, "密码框");
    EXPECT_EQ(g_events[2].x, 7);
    EXPECT_EQ(g_events[2].y, 9);
}

TEST_F(Forms, ComboItemsKeepTheirBytesAndProgramSelectionIsSilent) {
    Load();
    g_events.clear();
    ComboAdd(*form, "组合框", "甲类");
    ComboAdd(*form, "组合框", "乙\\类");
    ComboAdd(*form, "组合框", "");
    EXPECT_EQ(ComboCount(*form, "组合框"), 3);
    EXPECT_EQ(ComboSelection(*form, "组合框"), -1);
    EXPECT_EQ(ComboSelectedText(*form, "组合框"), "");
    ComboSelect(*form, "组合框", 1);
    EXPECT_EQ(ComboSelectedText(*form, "组合框"), "乙\\类");
    EXPECT_TRUE(g_events.empty());
    ComboClear(*form, "组合框");
    EXPECT_EQ(ComboCount(*form, "组合框"), 0);
    EXPECT_EQ(SendMessageW(ControlWindow(*form, "组合框"), CB_GETCOUNT, 0, 0), 0);
}

std::string Shown(HWND list, int row, int column) {
    wchar_t buf[64] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = 64;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return FromWide(buf);
}

TEST_F(Forms, VirtualListShowsTheRowsAndReorderKeepsTheSelection) {
    Load();
    HWND list = ControlWindow(*form, "列表");
    SetListRows(*form, "列表", {{"1", "一"}, {"2", "二"}, {"3", "三"}});
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(Shown(list, 1, 1), "二");
    EXPECT_EQ(Shown(list, 5, 0), "");
    ListSelectRow(*form, "列表", 2);
    ListReorder(*form, "列表", {2, 0, 1});
    EXPECT_EQ(Shown(list, 0, 1), "三");
    EXPECT_EQ(ListSelectedRow(*form, "列表"), 0);
    EXPECT_EQ(ListCell(*form, "列表", 2, 0), "2");
    SetListRows(*form, "列表", {{"9", "九"}});
    EXPECT_EQ(ListSelectedRow(*form, "列表"), -1);
    EXPECT_EQ(ListColumnWidth(*form, "列表", 1), 60);
}

TEST_F(Forms, ARefilledListShowsOnlyTheRowsOfItsFill) {
    Load();
    HWND list = ControlWindow(*form, "列表");
    SetListRows(*form, "列表", {{"1", "一"}, {"2", "二"}, {"3", "三"}});
    ListSelectRow(*form, "列表", 2);
    std::size_t seenRows = 99, seenColumns = 99;
    RefillListTable(*form, "列表", 2, [&](ListTable& rows) {
        seenRows = rows.size();
        seenColumns = rows.Columns();
        for (const char* cell : {"8", "八", "9", "九"}) rows.AddCell(cell);
    });
    EXPECT_EQ(seenRows, 0u) << "the fill starts on an empty table";
    EXPECT_EQ(seenColumns, 2u);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Shown(list, 0, 1), "八");
    EXPECT_EQ(Shown(list, 1, 0), "9");
    EXPECT_EQ(Shown(list, 2, 0), "");
    EXPECT_EQ(ListSelectedRow(*form, "列表"), -1);
    RefillListTable(*form, "列表", 2, [](ListTable&) {});
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(ListRowCount(*form, "列表"), 0);
}

// The rows of the list that carry state, as "row:s" (selected) and "row:f" (focused).
std::string StatedRows(HWND list) {
    std::string out;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        const auto state =
            SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED | LVIS_FOCUSED);
        if (state & LVIS_SELECTED) out += std::to_string(row) + ":s ";
        if (state & LVIS_FOCUSED) out += std::to_string(row) + ":f ";
    }
    return out;
}

TEST_F(Forms, ListSelectionMovesWholeAndNewRowsCarryNone) {
    Load();
    HWND list = ControlWindow(*form, "列表");
    std::vector<ListRow> rows;
    for (int i = 0; i < 600; ++i) rows.push_back({std::to_string(i), "行"});
    SetListRows(*form, "列表", rows);
    EXPECT_EQ(StatedRows(list), "");
    ListSelectRow(*form, "列表", 0);
    ListSelectRow(*form, "列表", 599, true);
    EXPECT_EQ(StatedRows(list), "599:s 599:f ");
    // A focus the user moved without selecting goes as well.
    LVITEMW focus{};
    focus.stateMask = LVIS_FOCUSED;
    focus.state = LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 17, reinterpret_cast<LPARAM>(&focus));
    ListSelectRow(*form, "列表", -1);
    EXPECT_EQ(StatedRows(list), "");
    ListSelectRow(*form, "列表", 3);
    EXPECT_EQ(StatedRows(list), "3:s 3:f ");
    ListReorder(*form, "列表", [] {
        std::vector<std::size_t> order;
        for (std::size_t i = 600; i-- > 0;) order.push_back(i);
        return order;
    }());
    EXPECT_EQ(StatedRows(list), "596:s 596:f ");
    ListSelectRow(*form, "列表", -1);
    EXPECT_EQ(StatedRows(list), "");
    ListSelectRow(*form, "列表", 42);
    SetListRows(*form, "列表", rows);
    EXPECT_EQ(StatedRows(list), "");
}

// New rows of the same count as the old ones: shown from the top, the rows repainted, the header
// left as it is.
TEST_F(Forms, NewRowsOfTheSameCountShowFromTheTopAndLeaveTheHeaderAlone) {
    Load();
    HWND list = ControlWindow(*form, "列表");
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    std::vector<ListRow> rows(600, ListRow{"旧", "行"});
    SetListRows(*form, "列表", rows);
    ListSelectRow(*form, "列表", 599, true);
    ASSERT_GT(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
    rows.assign(600, ListRow{"新", "行"});
    SetListRows(*form, "列表", rows);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 600);
    EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
    EXPECT_EQ(Shown(list, 0, 0), "新");
    EXPECT_EQ(StatedRows(list), "");

    UpdateWindow(window);
    rows.assign(600, ListRow{"又", "行"});
    SetListRows(*form, "列表", rows);
    RECT headerRect{}, pending{};
    GetWindowRect(header, &headerRect);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&headerRect), 2);
    ASSERT_TRUE(GetUpdateRect(list, &pending, FALSE)) << "the rows wait for their paint";
    EXPECT_GE(pending.top, headerRect.bottom);
    EXPECT_GT(pending.bottom, headerRect.bottom);
    EXPECT_FALSE(GetUpdateRect(header, nullptr, FALSE)) << "the header is not painted again";
}

// The list as it is on screen, frame and header included.
std::vector<std::uint32_t> Capture(HWND list) {
    RECT r{};
    GetWindowRect(list, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetWindowDC(list);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    const auto* px = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> out(px, px + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(list, screen);
    return out;
}

// A new row count shows and hides the scroll bar and narrows or widens the header. Nothing of it
// is drawn while the rows are set (no half-new list on screen), and the next paint draws the
// frame, the header and the rows just as a repaint of everything would.
TEST_F(Forms, ANewRowCountIsDrawnWholeAtTheNextPaint) {
    Load();
    HWND list = ControlWindow(*form, "列表");
    UpdateWindow(window);
    const std::vector<std::pair<int, const char*>> steps = {
        {600, "bar appears"}, {300, "bar stays"}, {2, "bar goes"}, {0, "empty"}, {600, "again"}};
    for (const auto& [count, what] : steps) {
        const std::vector<std::uint32_t> before = Capture(list);
        SetListRows(*form, "列表",
                    std::vector<ListRow>(static_cast<std::size_t>(count), ListRow{"行", "列"}));
        EXPECT_TRUE(Capture(list) == before) << what << ": drawn before the paint";
        UpdateWindow(window);
        const std::vector<std::uint32_t> painted = Capture(list);
        RedrawWindow(list, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        EXPECT_TRUE(Capture(list) == painted) << what << ": the paint left something out";
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), count) << what;
        EXPECT_EQ(Shown(list, count - 1, 1), count ? "列" : "") << what;
    }
}

std::vector<std::pair<HWND, UINT>> g_hooked;

// Answers the edit's limit question itself and lets everything else go on.
bool AnswerLimit(Form& f, HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg == WM_APP + 7) g_hooked.emplace_back(hwnd, msg);
    if (msg != EM_GETLIMITTEXT || hwnd != ControlWindow(f, "编辑框")) return false;
    *result = 7;
    return true;
}

TEST_F(Forms, TheMessageHookSeesTheFormsMessagesFirst) {
    Load({{"列表", FormEvent::MouseMoved, Record}});
    HWND edit = ControlWindow(*form, "编辑框");
    HWND list = ControlWindow(*form, "列表");
    const LRESULT ownLimit = SendMessageW(edit, EM_GETLIMITTEXT, 0, 0);
    ASSERT_NE(ownLimit, 7);
    g_hooked.clear();
    SetFormMessageHook(*form, AnswerLimit);
    EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 7);
    for (HWND to : {window, list, ControlWindow(*form, "按钮")}) SendMessageW(to, WM_APP + 7, 0, 0);
    EXPECT_EQ(g_hooked.size(), 3u);
    // What the hook leaves alone still reaches the form and the controls.
    SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4));
    ASSERT_FALSE(g_events.empty());
    EXPECT_EQ(g_events.back().source, "列表");
    EXPECT_EQ(g_events.back().event, FormEvent::MouseMoved);
    SetText(*form, "编辑框", "改");
    EXPECT_EQ(GetText(*form, "编辑框"), "改");
    SetFormMessageHook(*form, nullptr);
    EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), ownLimit);
}

TEST_F(Forms, HandlerMayDestroyItsOwnForm) {
    Load({{"按钮", FormEvent::Clicked, DestroyOwnForm}});
    SendMessageW(ControlWindow(*form, "按钮"), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    form = nullptr;
}

}  // namespace
}  // namespace qm

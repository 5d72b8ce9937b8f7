// The main window in-process over a temporary program folder, driven the way a user drives it:
// clicks, the list menu, typed texts; dialogs answered by script. Shared by the catalogue tests.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <string>
#include <vector>

#include "../../native/catalogue/program_folder_fixture.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "core/process_state.h"
#include "platform/file_io.h"
#include "web/service_hosts.h"

namespace qm::testing {

inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The caption the next popup menu picks; the menu is not tracked.
inline const char* g_menuChoice = nullptr;
inline int PickMenuItem(HMENU, const MenuDef& def) {
    for (std::size_t i = 0; i < def.items.size(); ++i)
        if (g_menuChoice && def.items[i].caption == g_menuChoice) return static_cast<int>(i);
    return -1;
}

inline void NoProgramEnd() {}

// A loopback port nobody listens on.
inline constexpr char kNoServiceHere[] = "127.0.0.1:9";

class CatalogueTest : public ProgramFolderTest {
  protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        CreateProcessState();
        SetProgramEndHookForTesting(NoProgramEnd);
        SetPopupMenuHookForTesting(PickMenuItem);
        // A box left with an address starts the metric fetch: it must never leave the machine.
        OverrideServiceHostsForTests(kNoServiceHere);
    }
    void TearDown() override {
        Close();
        SetPopupMenuHookForTesting(nullptr);
        SetProgramEndHookForTesting(nullptr);
        OverrideServiceHostsForTests("");
        ReleaseProcessState();
        ProgramFolderTest::TearDown();
    }
    // The controls whose actions other parts of the program bind (a test of those binds them).
    virtual std::vector<EventBinding> MoreBindings() { return {}; }
    Form& Load() {
        main = LoadMainWindow(true, MoreBindings());
        EXPECT_NE(main, nullptr);
        Pump();
        return *main;
    }
    void Close() {
        if (main && IsWindow(FormWindow(*main))) DestroyWindow(FormWindow(*main));
        main = nullptr;
        Pump();
    }

    // A click on a button of the form (the main window when none is given).
    void Click(const char* button, Form* form = nullptr) {
        HWND b = ControlWindow(form ? *form : *main, button);
        ASSERT_NE(b, nullptr) << button;
        SendMessageW(GetParent(b), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED),
                     reinterpret_cast<LPARAM>(b));
        Pump();
    }
    // A user's pick in the category filter, with its selection event.
    void PickFilter(int index) {
        HWND combo = ControlWindow(*main, kFilterCombo);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    void ListNotify(UINT code) {
        NMITEMACTIVATE nm{};
        nm.hdr.hwndFrom = ControlWindow(*main, kSiteList);
        nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(nm.hdr.hwndFrom));
        nm.hdr.code = code;
        nm.iItem = ListSelectedRow(*main, kSiteList);
        SendMessageW(FormWindow(*main), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
        Pump();
    }
    // Selects a row (-1: none) and chooses an item of the list's right-click menu.
    void Menu(int row, const char* item) {
        ListSelectRow(*main, kSiteList, row);
        g_menuChoice = item;
        ListNotify(NM_RCLICK);
        g_menuChoice = nullptr;
    }
    void DoubleClickList() { ListNotify(NM_DBLCLK); }

    std::vector<std::string> Column(int column) {
        std::vector<std::string> out;
        for (const auto& row : ListRows(*main, kSiteList))
            out.push_back(row[static_cast<std::size_t>(column)]);
        return out;
    }
    std::vector<std::string> ComboItems(const Form& form, const char* combo) {
        std::vector<std::string> out;
        for (int i = 0; i < ComboCount(form, combo); ++i) out.push_back(ComboItem(form, combo, i));
        return out;
    }
    // Every record of a store, all fields.
    std::vector<Fields> Records(const char* alias) {
        std::vector<Fields> out;
        EXPECT_TRUE(OpenStoreByName(alias));
        for (long long n = 1; n <= Stores().RecordCount(); ++n) {
            Stores().GoTo(n);
            Fields f;
            for (int k = 1; k <= static_cast<int>(FindStoreInfo(alias)->fieldNames.size()); ++k)
                f.push_back(Stores().Read(k));
            out.push_back(f);
        }
        CloseStoreByName(alias);
        return out;
    }
    std::vector<std::string> Categories() {
        std::vector<std::string> out;
        for (const Fields& f : Records(kCategoryStoreAlias)) out.push_back(f[0]);
        return out;
    }
    // Field k (1-based) of every site.
    std::vector<std::string> SiteField(int k) {
        std::vector<std::string> out;
        for (const Fields& f : Records(kSiteStoreAlias)) out.push_back(f[static_cast<std::size_t>(k - 1)]);
        return out;
    }
    // The texts of the boxes shown since the last call.
    std::vector<std::string> Shown() {
        std::vector<std::string> out;
        for (const ShownDialog& d : script.shown) out.push_back(d.text);
        script.shown.clear();
        return out;
    }
    // Moves a store's file away (true) or back (false), so that it cannot be opened meanwhile.
    void HideStore(const char* fileName, bool hide) {
        const std::string file = Folder() + fileName, aside = Folder() + "\\aside.edb";
        bool sharing = false;
        ASSERT_TRUE(hide ? fileio::RenameReplace(file, aside, &sharing)
                         : fileio::RenameReplace(aside, file, &sharing));
    }

    Form* main = nullptr;
};

}  // namespace qm::testing

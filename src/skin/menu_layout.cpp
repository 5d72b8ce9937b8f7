// Popup-menu arithmetic: see menu_layout.h.
#include "skin/menu_layout.h"

#include <algorithm>

#include "skin/frame_geometry.h"

namespace qm {

namespace {

constexpr unsigned kGrayed = 0x1, kChecked = 0x8, kRadioCheck = 0x200, kSeparator = 0x800;
constexpr std::size_t kMaxItemBytes = 259;

struct Split {
    std::string label, accelerator;
    bool mnemonic = false;
};

Split SplitAtLastTab(const std::string& text) {
    const std::size_t tab = text.rfind('\t');  // a tab is never a trail byte of GBK
    Split s;
    s.label = tab == std::string::npos ? text : text.substr(0, tab);
    if (tab != std::string::npos) s.accelerator = text.substr(tab + 1);
    s.mnemonic = FindMnemonic(s.label).has_value();
    return s;
}

}  // namespace

MenuItemLook ReadMenuItemLook(unsigned state, bool submenu) {
    const unsigned flags = submenu ? state & 0xFF : state;
    MenuItemLook look;
    look.separator = !submenu && (flags & kSeparator) != 0;
    look.grayed = (flags & kGrayed) != 0;
    look.checked = !look.separator && (flags & kChecked) != 0;
    look.radio = look.checked && !submenu && (flags & kRadioCheck) != 0;
    return look;
}

std::vector<std::string> AlignMenuTexts(const std::vector<std::string>& texts) {
    std::vector<Split> parts;
    std::size_t longestLabel = 0, longestAccelerator = 0;
    for (const std::string& t : texts) {
        parts.push_back(SplitAtLastTab(CutTitle(t, kMaxItemBytes)));
        longestLabel = std::max(longestLabel, parts.back().label.size());
        longestAccelerator = std::max(longestAccelerator, parts.back().accelerator.size());
    }
    std::vector<std::string> out;
    for (Split& p : parts) {
        p.label.resize(longestLabel + (p.mnemonic ? 1 : 0), ' ');
        p.accelerator.resize(longestAccelerator, ' ');
        out.push_back(p.label + "  " + p.accelerator);
    }
    return out;
}

int StepMenuItem(int from, int direction, const std::vector<bool>& separators) {
    const int count = static_cast<int>(separators.size());
    if (count == 0) return -1;
    auto wrap = [count](int i) { return i < 0 ? count - 1 : i >= count ? 0 : i; };
    int next = wrap(from + direction);
    if (separators[static_cast<std::size_t>(next)]) next = wrap(next + direction);
    return next;
}

}  // namespace qm

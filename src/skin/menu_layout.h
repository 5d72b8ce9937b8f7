// The popup menu's arithmetic: what an item's state says (grayed, checked, radio-checked,
// separator), the labels and accelerators aligned across the menu, and the keyboard's step to
// the next item (wrapping, skipping a separator). Pure; portable and tested natively. Any thread.
#pragma once

#include <string>
#include <vector>

namespace qm {

struct MenuItemLook {
    bool grayed = false;
    bool checked = false;  // a check mark
    bool radio = false;    // a radio dot instead of the check mark
    bool separator = false;
};

// From the state the system reports for an item by position; a submenu item's state carries the
// submenu's item count in its high byte, which says nothing about the look.
MenuItemLook ReadMenuItemLook(unsigned state, bool submenu);

// The texts as drawn: each split at its last tab into label and accelerator, labels padded with
// spaces to the longest label (one space more where the label has a mnemonic, whose "&" is not
// drawn), accelerators to the longest accelerator, joined by two spaces. Items longer than 259
// bytes are cut first, at a character boundary.
std::vector<std::string> AlignMenuTexts(const std::vector<std::string>& texts);

// The item the arrow key moves to from item `from` (-1: none): one step in direction (+1 down,
// -1 up), one more when that lands on a separator; past either end the other end. -1 for an empty
// menu.
int StepMenuItem(int from, int direction, const std::vector<bool>& separators);

}  // namespace qm

// The popup menu's arithmetic: item states read as looks (submenu counts ignored), labels and
// accelerators aligned across a menu with mnemonics and cut texts, and the arrow keys' steps that
// wrap and skip separators.
#include "skin/menu_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

TEST(ReadMenuItemLook, StatesOfPlainSubmenuAndSeparatorItems) {
    EXPECT_TRUE(ReadMenuItemLook(0x1, false).grayed);
    EXPECT_TRUE(ReadMenuItemLook(0x83, false).grayed) << "grayed, disabled and hot";
    EXPECT_FALSE(ReadMenuItemLook(0x2, false).grayed) << "disabled alone is drawn normally";
    const MenuItemLook checked = ReadMenuItemLook(0x88, false);
    EXPECT_TRUE(checked.checked);
    EXPECT_FALSE(checked.radio);
    const MenuItemLook radio = ReadMenuItemLook(0x208, false);
    EXPECT_TRUE(radio.checked && radio.radio);
    EXPECT_TRUE(ReadMenuItemLook(0x9, false).grayed && ReadMenuItemLook(0x9, false).checked);
    const MenuItemLook separator = ReadMenuItemLook(0x803, false);
    EXPECT_TRUE(separator.separator);
    EXPECT_FALSE(separator.checked);
    // A submenu's state holds its item count in the high byte: 17 items, grayed.
    const MenuItemLook sub = ReadMenuItemLook(0x1111, true);
    EXPECT_TRUE(sub.grayed);
    EXPECT_FALSE(sub.separator);
    EXPECT_FALSE(ReadMenuItemLook(0x0810, true).separator) << "8 items, not a separator";
    EXPECT_FALSE(ReadMenuItemLook(0x0810, true).checked);
}

TEST(AlignMenuTexts, LabelsAndAcceleratorsLineUp) {
    const auto out = AlignMenuTexts({"打开", "复制帐号\tCtrl+C", "", "&Close\tAlt+F4", "x\ty\tF1"});
    ASSERT_EQ(out.size(), 5u);
    // The longest label is 8 bytes ("复制帐号", "x\ty" is 3); the mnemonic label one more.
    EXPECT_EQ(out[0], "打开    " + std::string("  ") + "      ");
    EXPECT_EQ(out[1], "复制帐号" + std::string("  ") + "Ctrl+C");
    EXPECT_EQ(out[3], "&Close   " + std::string("  ") + "Alt+F4");
    EXPECT_EQ(out[4], "x\ty     " + std::string("  ") + "F1    ") << "split at the last tab";
    EXPECT_EQ(out[1].size(), out[0].size());
    EXPECT_EQ(out[3].size(), out[0].size() + 1);
}

TEST(AlignMenuTexts, LongItemsAreCutAtACharacter) {
    std::string text = "a";
    while (text.size() < 300) text += "网";
    const auto out = AlignMenuTexts({text});
    // 1 + 129 x 2 = 259 bytes: the 260th would split a character.
    EXPECT_EQ(out[0], text.substr(0, 259) + "  ");
    EXPECT_TRUE(AlignMenuTexts({}).empty());
}

TEST(StepMenuItem, WrapsAndSkipsOneSeparator) {
    // The site list's menu: 打开 复制帐号 复制密码 - 修改 删除 - 设置软件密码.
    const std::vector<bool> menu{false, false, false, true, false, false, true, false};
    EXPECT_EQ(StepMenuItem(-1, +1, menu), 0) << "down from none: the first item";
    EXPECT_EQ(StepMenuItem(-1, -1, menu), 7) << "up from none: the last item";
    EXPECT_EQ(StepMenuItem(2, +1, menu), 4) << "over the separator";
    EXPECT_EQ(StepMenuItem(4, -1, menu), 2);
    EXPECT_EQ(StepMenuItem(7, +1, menu), 0) << "past the last to the first";
    EXPECT_EQ(StepMenuItem(0, -1, menu), 7) << "past the first to the last";
    EXPECT_EQ(StepMenuItem(5, +1, menu), 7);
    // A separator at the end is skipped across the wrap.
    EXPECT_EQ(StepMenuItem(1, +1, {false, false, true}), 0);
    EXPECT_EQ(StepMenuItem(0, -1, {false, false, true}), 1);
    EXPECT_EQ(StepMenuItem(0, +1, {}), -1);
}

}  // namespace
}  // namespace qm

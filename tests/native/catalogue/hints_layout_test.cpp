// Hover hints, the resize layout at the minimum size, and the main window's definition table.
#include <gtest/gtest.h>

#include <set>

#include "catalogue/hover_hints.h"
#include "catalogue/main_form.h"
#include "catalogue/main_layout.h"

namespace qm {
namespace {

TEST(HoverHints, WindowHintUsesPlainQuotes) {
    EXPECT_EQ(
        HoverHint("窗口"),
        "输入\"网站地址\"后，程序会自动获取\"PR值\"、\"百度收录\"、\"谷歌收录\"、\"百度反链\"和\"雅虎反链\""
        "（也可手动输入）");
    EXPECT_EQ(HoverHint("列表框"), "双击打开该网站！ 鼠标右键弹出菜单！");
    EXPECT_EQ(HoverHint("删除分类"), "删除当前分类！ -该分类下所有链接将被清除");
}

TEST(HoverHints, OnlyANewRegionRewritesTheStatusBar) {
    std::string region;
    auto first = EnterHoverRegion(region, "列表框");
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, " 双击打开该网站！ 鼠标右键弹出菜单！");
    EXPECT_FALSE(EnterHoverRegion(region, "列表框"));
    EXPECT_EQ(region, "列表框");
    auto next = EnterHoverRegion(region, "添加分类");
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, " 添加新分类！");
}

LayoutBox Find(const std::vector<LayoutBox>& boxes, const std::string& name) {
    for (const auto& b : boxes)
        if (b.name == name) return b;
    ADD_FAILURE() << "no box " << name;
    return {};
}

TEST(MainLayout, AtTheMinimumSize) {
    LayoutInput in{750, 458, 22, 20, 65};
    const auto boxes = MainLayout(in);
    const LayoutBox banner = Find(boxes, "超文本浏览框1");
    EXPECT_EQ(banner.width, 669);  // 750 x 0.8933333 = 669.99 truncated
    EXPECT_EQ(banner.height, 99);  // 458 x 0.2183406 = 99.99999 truncated
    EXPECT_EQ(Find(boxes, "导出数据").top, 36);
    const LayoutBox combo = Find(boxes, "分类组合框1");
    EXPECT_EQ(combo.top, 2 + 99 + 4);
    EXPECT_EQ(combo.width, 139);
    EXPECT_EQ(Find(boxes, "更改分类").left, 204);
    EXPECT_EQ(Find(boxes, "删除分类").left, 225);
    const LayoutBox useTime = Find(boxes, "时间状态");
    EXPECT_EQ(useTime.left, 247);
    EXPECT_EQ(useTime.width, 273);
    const LayoutBox link = Find(boxes, "超级链接框1");
    EXPECT_EQ(link.left, 522);
    EXPECT_EQ(link.width, 750 - 522 - 1);
    const LayoutBox list = Find(boxes, "超级列表框");
    EXPECT_EQ(list.top, 105 + 22 + 4);
    EXPECT_EQ(list.width, 738);
    EXPECT_EQ(list.height, 458 - 132 - 131);
    const LayoutBox panel = Find(boxes, "分组框");
    EXPECT_EQ(panel.top, 131 + 195 + 2);
    EXPECT_EQ(panel.height, kKeep);
    EXPECT_EQ(Find(boxes, "状态条").top, 328 + 65 + 1);
    EXPECT_EQ(Find(boxes, "状态条").width, 749);
}

TEST(MainLayout, ColumnWidthsFollowTheListWidth) {
    const auto w = ListColumnWidths(738);
    ASSERT_EQ(w.size(), 11u);
    EXPECT_EQ(w[0], 23);
    EXPECT_EQ(w[1], 149);
    EXPECT_EQ(w[2], 119);
    EXPECT_EQ(w[3], 69);
    EXPECT_EQ(w[5], 23);
    EXPECT_EQ(w[9], 69);
    EXPECT_EQ(w[10], 0);
}

TEST(MainForm, TableIsConsistent) {
    const FormDef& f = MainFormDef();
    EXPECT_EQ(f.caption.rfind("Quillmark_v1.3 - ", 0), 0u);
    std::set<std::string> seen;
    for (const auto& c : f.controls) {
        EXPECT_TRUE(seen.insert(c.name).second) << "duplicate " << c.name;
        if (!c.parent.empty()) {
            EXPECT_TRUE(seen.count(c.parent)) << c.name << " before its group " << c.parent;
        }
    }
    const ControlDef* list = FindControlDef(f, "超级列表框");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->columns.size(), 11u);
    EXPECT_EQ(list->columns[5].header, "PR");
    EXPECT_EQ(list->columns[10].header, "编号");
    EXPECT_EQ(list->columns[10].width, 0);
    const ControlDef* address = FindControlDef(f, "网站地址");
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address->parent, "分组框");
    EXPECT_EQ(address->caption, "http://");
    ASSERT_EQ(f.menus.size(), 1u);
    std::vector<std::string> items;
    for (const auto& i : f.menus[0].items) items.push_back(i.caption);
    EXPECT_EQ(items, (std::vector<std::string>{"打开", "复制帐号", "复制密码", "", "修改当前记录",
                                               "删除当前记录", "", "设置软件密码", "", "查找网站…",
                                               "检查网站…"}));
}

}  // namespace
}  // namespace qm

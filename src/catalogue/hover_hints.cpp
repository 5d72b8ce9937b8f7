// Hover hints: see hover_hints.h.
#include "catalogue/hover_hints.h"

#include <vector>

namespace qm {

namespace {

// Built from pieces with the plain double quote, unlike the typographic quotes of the first
// status text.
std::string WindowHint() {
    const std::vector<std::string> figures = {"PR值", "百度收录", "谷歌收录", "百度反链", "雅虎反链"};
    std::string hint = "输入\"网站地址\"后，程序会自动获取";
    for (std::size_t i = 0; i < figures.size(); ++i) {
        if (i > 0) hint += i + 1 == figures.size() ? "和" : "、";
        hint += "\"" + figures[i] + "\"";
    }
    return hint + "（也可手动输入）";
}

}  // namespace

std::string HoverHint(std::string_view region) {
    if (region == kWindowRegion) return WindowHint();
    if (region == kListRegion) return "双击打开该网站！ 鼠标右键弹出菜单！";
    if (region == kAddCategoryRegion) return "添加新分类！";
    if (region == kRenameCategoryRegion) return "更改当前分类名称！";
    if (region == kDeleteCategoryRegion) return "删除当前分类！ -该分类下所有链接将被清除";
    return {};
}

std::optional<std::string> EnterHoverRegion(std::string& hoverRegion, std::string_view region) {
    if (hoverRegion == region) return std::nullopt;
    hoverRegion = std::string(region);
    std::string caption = " ";
    return caption.append(HoverHint(region));
}

}  // namespace qm

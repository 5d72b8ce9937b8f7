// The main window's resize layout: where each control goes for an outer size W x H, and the list
// column widths for a list width. Products are truncated toward zero. Portable, no state.
#pragma once

#include <string>
#include <vector>

namespace qm {

inline constexpr int kKeep = -1;  // a width or height left as it is

struct LayoutBox {
    std::string name;
    int left = 0, top = 0, width = kKeep, height = kKeep;
};

// The current sizes the layout reads but does not set.
struct LayoutInput {
    int width = 0, height = 0;  // outer size of the window
    int filterLabelHeight = 0;  // 标签11
    int deleteButtonWidth = 0;  // 删除分类
    int panelHeight = 0;        // 分组框
};

// The controls in the order they are placed.
std::vector<LayoutBox> MainLayout(const LayoutInput& in);

// Widths of the eleven columns for list width L; column 10 stays hidden.
std::vector<int> ListColumnWidths(int listWidth);

}  // namespace qm

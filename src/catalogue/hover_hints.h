// Hover hints of the main window: the status bar shows the hint of the region under the mouse,
// rewritten only when the mouse enters another region. Portable; window thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

inline constexpr char kWindowRegion[] = "窗口";
inline constexpr char kListRegion[] = "列表框";
inline constexpr char kAddCategoryRegion[] = "添加分类";
inline constexpr char kRenameCategoryRegion[] = "更改分类";
inline constexpr char kDeleteCategoryRegion[] = "删除分类";

// The hint of a region; empty for an unknown one.
std::string HoverHint(std::string_view region);

// When region differs from hoverRegion: hoverRegion becomes region and the result is the new
// status bar caption (a space and the hint). Otherwise nothing changes and the result is empty.
std::optional<std::string> EnterHoverRegion(std::string& hoverRegion, std::string_view region);

}  // namespace qm

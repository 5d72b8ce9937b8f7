// The site finder's window as data: a query box on top, the results below with category,
// address, title and account (never the password), a status line at the bottom, and the results'
// right-click menu. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/form.h"

namespace qm {

inline constexpr char kFinderFormName[] = "查找窗口";
inline constexpr char kFinderCaption[] = "查找网站";
inline constexpr char kFinderQueryBox[] = "查找内容";
inline constexpr char kFinderList[] = "查找结果";
inline constexpr char kFinderStatus[] = "查找状态";
inline constexpr char kFinderMenu[] = "查找结果右键菜单";
// The item that opens the finder, in the main window's list menu and system menu.
inline constexpr char kFinderMenuItem[] = "查找网站…";

// Columns of the result list; the last, hidden, holds the record number.
inline constexpr int kFinderCategoryColumn = 0;
inline constexpr int kFinderAddressColumn = 1;
inline constexpr int kFinderTitleColumn = 2;
inline constexpr int kFinderAccountColumn = 3;
inline constexpr int kFinderRecordColumn = 4;

// Rows shown at most: the status line counts every match, the list shows the best ones.
inline constexpr std::size_t kFinderRowLimit = 1000;

inline constexpr int kFinderDefaultWidth = 620;
inline constexpr int kFinderDefaultHeight = 400;
inline constexpr int kFinderMinWidth = 320;
inline constexpr int kFinderMinHeight = 200;

const FormDef& FinderFormDef();

// "找到 N 个网站（共 M 个）"
std::string FinderStatusText(std::size_t found, std::size_t total);

struct FinderBox {
    const char* name;
    int left, top, width, height;
};
// The three controls laid out over a client area of this size.
std::vector<FinderBox> FinderLayout(int clientWidth, int clientHeight);

}  // namespace qm

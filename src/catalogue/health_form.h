// The site check's window as data: the category choice and the buttons on top, the progress
// below them, the report list of seven columns, the summary line at the bottom; and what the
// window shows: a report row per site, the rows' order by any column, the progress text.
// Portable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/site_checks.h"
#include "platform/form.h"

namespace qm {

inline constexpr char kHealthFormName[] = "检查窗口";
inline constexpr char kHealthCaption[] = "网站检查";
inline constexpr char kHealthCategoryLabel[] = "检查分类标签";
inline constexpr char kHealthCategoryCombo[] = "检查分类";
inline constexpr char kHealthStartButton[] = "开始检查";
inline constexpr char kHealthExportButton[] = "导出报告";
inline constexpr char kHealthProgressArea[] = "检查进度";  // the progress bar is laid over it
inline constexpr char kHealthProgressText[] = "检查计数";
inline constexpr char kHealthList[] = "检查结果";
inline constexpr char kHealthSummary[] = "检查汇总";
// The item that opens the window, in the main window's list menu and system menu.
inline constexpr char kHealthMenuItem[] = "检查网站…";
inline constexpr char kAllSitesChoice[] = "所有数据";
inline constexpr char kStartCaption[] = "开始检查";
inline constexpr char kStopCaption[] = "停止";

// Columns of the report list; the hidden last one holds the site's record number.
enum HealthColumn {
    kHealthTitleColumn,
    kHealthAddressColumn,
    kHealthStatusColumn,
    kHealthFinalColumn,
    kHealthMsColumn,
    kHealthDaysColumn,
    kHealthPageTitleColumn,
    kHealthRecordColumn,
};

inline constexpr int kHealthDefaultWidth = 760;
inline constexpr int kHealthDefaultHeight = 460;
inline constexpr int kHealthMinWidth = 420;
inline constexpr int kHealthMinHeight = 240;

const FormDef& HealthFormDef();

struct HealthBox {
    const char* name;
    int left, top, width, height;
};
// The controls laid out over a client area of this size.
std::vector<HealthBox> HealthLayout(int clientWidth, int clientHeight);

// A site of the report: what the site store says of it, and its last result when it has one.
struct HealthSite {
    std::string category, address, title;
    long long record = 0;  // 1-based position in the site store when it was read
    bool checked = false;
    SiteCheck check;
};

// The row of a site: the status column starts with a mark of its kind ("√" ok, "→" redirected,
// "×" error, "！" certificate soon); a site never checked shows only its title and address.
std::vector<std::string> HealthRow(const HealthSite& site);

// The sites in the order of a column, ascending or not. Numbers sort as numbers (a site without
// one last), the status by kind and then code, texts by their bytes; ties keep the given order.
std::vector<std::size_t> HealthOrder(const std::vector<HealthSite>& sites, int column, bool descending);

// "已检查 N / M"
std::string HealthProgressText(std::size_t done, std::size_t total);
// The summary of the checked sites among these.
std::string HealthSummaryText(const std::vector<HealthSite>& sites);

}  // namespace qm

// The site check's window table and what it shows: see health_form.h.
#include "catalogue/health_form.h"

#include <algorithm>
#include <climits>
#include <string_view>

namespace qm {

namespace {

constexpr int kMargin = 4;
constexpr int kBarHeight = 22;
constexpr int kLineHeight = 20;
constexpr int kLabelWidth = 36;
constexpr int kComboWidth = 180;
constexpr int kButtonWidth = 76;
constexpr int kCountWidth = 150;

FormDef BuildHealthForm() {
    FormDef f;
    f.name = kHealthFormName;
    f.caption = kHealthCaption;
    f.left = 80, f.top = 80, f.width = kHealthDefaultWidth, f.height = kHealthDefaultHeight;
    for (const HealthBox& b : HealthLayout(kHealthDefaultWidth - 8, kHealthDefaultHeight - 30)) {
        if (b.name == std::string_view(kHealthProgressArea)) continue;  // no control of the form
        ControlDef c;
        c.name = b.name;
        c.left = b.left, c.top = b.top, c.width = b.width, c.height = b.height;
        f.controls.push_back(c);
    }
    auto control = [&f](const char* name) -> ControlDef& {
        return *std::find_if(f.controls.begin(), f.controls.end(),
                             [name](const ControlDef& c) { return c.name == name; });
    };
    control(kHealthCategoryLabel).caption = "分类";
    control(kHealthCategoryCombo).kind = ControlKind::ComboList;
    control(kHealthStartButton).kind = ControlKind::Button;
    control(kHealthStartButton).caption = kStartCaption;
    control(kHealthExportButton).kind = ControlKind::Button;
    control(kHealthExportButton).caption = kHealthExportButton;
    control(kHealthProgressText).caption = HealthProgressText(0, 0);
    ControlDef& list = control(kHealthList);
    list.kind = ControlKind::ListView;
    list.columns = {{"网站标题", 110}, {"网站地址", 150},    {"状态", 80},      {"最终地址", 138},
                    {"响应(ms)", 64},  {"证书剩余(天)", 92}, {"页面标题", 120}, {"编号", 0}};
    return f;
}

// Where a site falls in a column's order: a number, or text.
struct SortKey {
    long long number = 0;
    std::string text;
};

SortKey KeyOf(const HealthSite& s, int column) {
    constexpr long long kNone = LLONG_MAX;  // sites without a figure come last
    const SiteCheck& c = s.check;
    switch (column) {
        case kHealthTitleColumn:
            return {0, s.title};
        case kHealthAddressColumn:
            return {0, s.address};
        case kHealthStatusColumn:
            if (!s.checked) return {kNone, {}};
            // Errors first, so the sites that need looking at gather at the top.
            return {(KindOf(c) == CheckKind::kError             ? 0
                     : KindOf(c) == CheckKind::kCertificateSoon ? 1000
                                                                : 2000) +
                        (c.outcome == CheckOutcome::kAnswered ? c.status : static_cast<int>(c.outcome)),
                    {}};
        case kHealthFinalColumn:
            return {0, s.checked ? c.finalAddress : std::string()};
        case kHealthMsColumn:
            return {s.checked && c.firstByteMs >= 0 ? c.firstByteMs : kNone, {}};
        case kHealthDaysColumn:
            return {s.checked && c.certificateDays != kNoCertificateDays ? c.certificateDays : kNone, {}};
        case kHealthPageTitleColumn:
            return {0, s.checked ? c.pageTitle : std::string()};
        default:
            return {s.record, {}};
    }
}

}  // namespace

const FormDef& HealthFormDef() {
    static const FormDef def = BuildHealthForm();
    return def;
}

std::vector<HealthBox> HealthLayout(int clientWidth, int clientHeight) {
    const int width = std::max(0, clientWidth - 2 * kMargin);
    const int barTop = kMargin;
    int x = kMargin;
    auto next = [&x](int w) {
        const int at = x;
        x += w + kMargin;
        return at;
    };
    const int label = next(kLabelWidth), combo = next(kComboWidth), start = next(kButtonWidth),
              exportAt = next(kButtonWidth);
    const int progressLeft = x;
    const int countLeft = std::max(progressLeft, clientWidth - kMargin - kCountWidth);
    const int listTop = barTop + kBarHeight + kMargin;
    const int summaryTop = std::max(listTop, clientHeight - kLineHeight - 2);
    return {
        {kHealthCategoryLabel, label, barTop + 3, kLabelWidth, kLineHeight},
        {kHealthCategoryCombo, combo, barTop, kComboWidth, 200},
        {kHealthStartButton, start, barTop, kButtonWidth, kBarHeight},
        {kHealthExportButton, exportAt, barTop, kButtonWidth, kBarHeight},
        {kHealthProgressArea, progressLeft, barTop + 3, std::max(0, countLeft - kMargin - progressLeft), 16},
        {kHealthProgressText, countLeft, barTop + 3, kCountWidth, kLineHeight},
        {kHealthList, kMargin, listTop, width, std::max(0, summaryTop - kMargin - listTop)},
        {kHealthSummary, kMargin, summaryTop, width, kLineHeight}};
}

std::vector<std::string> HealthRow(const HealthSite& site) {
    std::vector<std::string> row(kHealthRecordColumn + 1);
    row[kHealthTitleColumn] = site.title;
    row[kHealthAddressColumn] = site.address;
    row[kHealthRecordColumn] = std::to_string(site.record);
    if (!site.checked) return row;
    const SiteCheck& c = site.check;
    static const char* const kMarks[] = {"√ ", "→ ", "× ", "！ "};
    row[kHealthStatusColumn] = kMarks[static_cast<int>(KindOf(c))] + StatusText(c);
    row[kHealthFinalColumn] = c.finalAddress;
    if (c.firstByteMs >= 0) row[kHealthMsColumn] = std::to_string(c.firstByteMs);
    if (c.certificateDays != kNoCertificateDays) row[kHealthDaysColumn] = std::to_string(c.certificateDays);
    row[kHealthPageTitleColumn] = c.pageTitle;
    return row;
}

std::vector<std::size_t> HealthOrder(const std::vector<HealthSite>& sites, int column, bool descending) {
    std::vector<SortKey> keys;
    keys.reserve(sites.size());
    for (const HealthSite& s : sites) keys.push_back(KeyOf(s, column));
    std::vector<std::size_t> order(sites.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const SortKey& x = keys[a];
        const SortKey& y = keys[b];
        // A site without a figure stays last either way.
        if ((x.number == LLONG_MAX) != (y.number == LLONG_MAX)) return y.number == LLONG_MAX;
        if (x.number != y.number) return descending ? x.number > y.number : x.number < y.number;
        if (x.text != y.text) return descending ? x.text > y.text : x.text < y.text;
        return false;
    });
    return order;
}

std::string HealthProgressText(std::size_t done, std::size_t total) {
    return "已检查 " + std::to_string(done) + " / " + std::to_string(total);
}

std::string HealthSummaryText(const std::vector<HealthSite>& sites) {
    std::vector<SiteCheck> checks;
    for (const HealthSite& s : sites)
        if (s.checked) checks.push_back(s.check);
    return SummaryText(Summarise(checks));
}

}  // namespace qm

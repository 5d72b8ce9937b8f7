// Export: see export_text.h. The stores are read in one pass and the lines grouped by category,
// which gives what a find pass per category gives, without reading SiteStore once per category.
#include "exchange/export_text.h"

#include <unordered_map>

#include "core/stores.h"
#include "platform/whole_file.h"
#include "exchange/exchange_format.h"
#include "exchange/foreign_export.h"
#include "exchange/template_layout.h"
#include "platform/dialogs.h"
#include "store/record_store.h"

namespace qm {

namespace {

constexpr int kFieldCount = 10;

std::optional<std::vector<std::string>> ChosenCategories(std::string_view choice) {
    if (choice != kAllCategoriesChoice) return std::vector<std::string>{std::string(choice)};
    if (!OpenStoreByName(kCategoryStoreAlias)) {
        ShowMessage("打开分类数据库失败！");
        return std::nullopt;
    }
    std::vector<std::string> names;
    RecordStore& store = Stores();
    const long long count = store.RecordCount();
    for (long long n = 1; n <= count; ++n, store.Skip()) names.push_back(store.Read(1));
    CloseStoreByName(kCategoryStoreAlias);
    return names;
}

}  // namespace

std::string NativeSiteLine(const std::vector<std::string>& site) {
    std::string line = kSiteOpen;
    for (int k = 0; k < kFieldCount; ++k) {
        line += kFieldOpen;
        if (static_cast<std::size_t>(k) < site.size()) line += site[static_cast<std::size_t>(k)];
        line += kFieldClose;
    }
    return line + kSiteClose + kLineEnd;
}

std::optional<std::string> BuildExportText(int formatIndex, std::string_view lineTemplate,
                                           std::string_view choice) {
    if (const ForeignFormatInfo* foreign = ForeignExportFormatAt(formatIndex))
        return BuildForeignExport(foreign->format, choice);
    const bool native = formatIndex == kNativeFormat;
    const std::optional<std::vector<std::string>> categories = ChosenCategories(choice);
    if (!categories) return std::nullopt;
    if (!OpenStoreByName(kSiteStoreAlias)) {
        ShowMessage("打开网站数据库失败！");
        CloseStoreByName(kSiteStoreAlias);
        return std::nullopt;
    }
    // Each chosen category's lines, as ranges of one buffer, in store order.
    std::unordered_map<std::string, std::vector<std::pair<std::size_t, std::size_t>>> lines;
    for (const std::string& c : *categories) lines.try_emplace(c);
    std::string buffer;
    RecordStore& store = Stores();
    const long long count = store.RecordCount();
    std::vector<std::string> site(kFieldCount);
    for (long long n = 1; n <= count; ++n, store.Skip()) {
        site[0] = store.Read(1);
        const auto group = lines.find(site[0]);
        if (group == lines.end()) continue;
        for (int k = 1; k < kFieldCount; ++k) site[static_cast<std::size_t>(k)] = store.Read(k + 1);
        const std::size_t at = buffer.size();
        buffer += native ? NativeSiteLine(site) : ExpandTemplate(lineTemplate, site);
        group->second.push_back({at, buffer.size() - at});
    }
    CloseStoreByName(kSiteStoreAlias);

    std::string text;
    if (native) {
        text = std::string(kCategoriesBegin) + kLineEnd;
        for (const std::string& c : *categories)
            text.append(kCategoryOpen).append(c).append(kCategoryClose).append(kLineEnd);
        text.append(kCategoriesEnd).append(kLineEnd).append(kSitesBegin).append(kLineEnd);
    }
    std::size_t size = text.size() + sizeof kSitesEnd + 2;  // a category named twice comes twice
    for (const std::string& c : *categories)
        for (const auto& range : lines[c]) size += range.second;
    text.reserve(size);
    for (const std::string& c : *categories)
        for (const auto& [at, length] : lines[c]) text.append(buffer, at, length);
    if (native) text.append(kSitesEnd).append(kLineEnd);
    return text;
}

bool ExportToFile(const std::string& path, int formatIndex, std::string_view lineTemplate,
                  std::string_view choice) {
    bool written = false;
    if (const std::optional<std::string> text = BuildExportText(formatIndex, lineTemplate, choice)) {
        if (path.empty())
            ShowMessage(kExportNoPathMessage);
        else if (!(written = ReplaceWholeFile(path, *text)))
            ShowMessage(kExportWriteFailedMessage);
    }
    ShowMessage(kExportDoneMessage, kExportDoneTitle);
    return written;
}

}  // namespace qm

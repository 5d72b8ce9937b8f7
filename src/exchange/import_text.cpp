// Import: see import_text.h. The whole run is one store batch: every append acts on the tables at
// once, and each store file is written once at the end, whole or not at all should the program
// stop (one locked write instead of one per site). The duplicate test looks the host up in a set
// built once from SiteStore and grown with every site appended: the same answers as a find pass
// per site.
#include "exchange/import_text.h"

#include <unordered_map>
#include <unordered_set>

#include "core/stores.h"
#include "platform/whole_file.h"
#include "exchange/exchange_format.h"
#include "exchange/foreign_import.h"
#include "exchange/import_store.h"
#include "exchange/template_layout.h"
#include "platform/dialogs.h"
#include "platform/gbk.h"
#include "store/record_store.h"
#include "web/address.h"

namespace qm {

namespace {

constexpr std::size_t kFieldCount = 10;

Fields ToFields(const std::vector<std::string_view>& values) {
    return Fields(values.begin(), values.end());
}

// Imports the sites of each category in the order of the category section; false when a failure
// ended the import.
bool StoreNative(const NativeContent& content, StoreWriter& categories, StoreWriter& sites,
                 long long* tooLong) {
    std::unordered_map<std::string_view, std::vector<std::size_t>> byCategory;
    for (std::string_view c : content.categories.items) byCategory.try_emplace(c);
    const auto& records = content.records.items;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto group = byCategory.find(RecordFields(records[i], 1)[0]);
        if (group != byCategory.end()) group->second.push_back(i);
    }
    for (std::string_view c : content.categories.items) {
        if (!FieldFits(c)) {  // nor would its sites, which name it
            *tooLong += 1 + static_cast<long long>(byCategory[c].size());
            continue;
        }
        if (!categories.Contains(c)) {
            if (!categories.Open()) {
                ShowMessage(kCategoryOpenFailed);
                return false;
            }
            if (!categories.Append({std::string(c)})) {
                ShowMessage("添加分类失败！");
                return false;
            }
        }
        for (std::size_t i : byCategory[c]) {
            const std::vector<std::string_view> fields = RecordFields(records[i]);
            if (sites.Contains(fields[1])) continue;
            if (!sites.Open()) {
                ShowMessage(kSiteOpenFailed);
                return false;
            }
            const Fields site = ToFields(fields);
            if (!FieldsFit(site))
                ++*tooLong;
            else if (!sites.Append(site))
                ShowMessage("添加网站数据失败！");
        }
    }
    return true;
}

// The field each position of a layout writes, as RecordStore::Write finds a field by name.
std::vector<int> FieldIndexes(const TemplateLayout& layout) {
    std::vector<int> indexes;
    for (const std::string& name : layout.fieldNames) {
        int index = -1;
        for (std::size_t k = 0; k < kFieldCount && !name.empty(); ++k)
            if (index < 0 && AsciiLower(name) == AsciiLower(SiteFieldNames()[k])) index = static_cast<int>(k);
        indexes.push_back(index);
    }
    return indexes;
}

// Sites (and categories) over the length of a field were skipped; how many is said once.
void SayTooLong(long long count) {
    if (count > 0) ShowMessage(TooLongSkippedMessage(count));
}

}  // namespace

std::string TooLongSkippedMessage(long long count) {
    return "有" + std::to_string(count) + "条数据内容过长，未导入！";
}

NativeContent ReadNativeText(std::string_view text) {
    NativeContent content;
    // What the items leave of a section is delimiters and line ends, unless text was passed over.
    LeftoverCheck categoriesRest({kCategoryOpen, kCategoryClose, kLineEnd});
    LeftoverCheck sitesRest({kSiteOpen, kSiteClose, kFieldOpen, kFieldClose, kLineEnd});
    content.categories =
        CollectMarkedAll(SectionBetween(text, kCategoriesBegin, kCategoriesEnd), kCategoryOpen, kCategoryClose,
                         [&](std::string_view piece) { categoriesRest.Add(piece); });
    content.records = CollectMarkedAll(SectionBetween(text, kSitesBegin, kSitesEnd), kSiteOpen, kSiteClose,
                                       [&](std::string_view piece) { sitesRest.Add(piece); });
    content.skipped = categoriesRest.HoldsText() || sitesRest.HoldsText();
    for (std::size_t i = 0; i < content.records.items.size() && !content.skipped; ++i)
        content.skipped = RecordSkipsData(content.records.items[i]);
    return content;
}

std::vector<std::string_view> RecordFields(std::string_view record, std::size_t count) {
    std::vector<std::string_view> fields = CollectMarkedFirst(record, kFieldOpen, kFieldClose, count).items;
    fields.resize(count);
    return fields;
}

bool RecordSkipsData(std::string_view record) {
    std::string rest;
    if (CollectMarkedFirst(record, kFieldOpen, kFieldClose, kFieldCount, &rest).unclosed) return true;
    LeftoverCheck check({kFieldOpen, kFieldClose, kSiteOpen, kSiteClose, kLineEnd});
    check.Add(rest);
    return check.HoldsText();
}

void ImportNative(std::string_view text) {
    const NativeContent content = ReadNativeText(text);
    CurrentStore current;
    StoreWriter categories = CategoryWriter(&current);
    StoreWriter sites = SiteWriter(&current);
    ImportBatch batch;
    long long tooLong = 0;
    StoreNative(content, categories, sites, &tooLong);
    batch.Commit(&categories, &sites);
    categories.Close();
    sites.Close();
    if (content.Unreadable()) ShowMessage(kImportUnreadableMessage);
    SayTooLong(tooLong);
}

void ImportCustom(std::string_view lineTemplate, std::string_view target, std::string_view text) {
    const TemplateLayout layout = AnalyseTemplate(lineTemplate);
    if (layout.addressPosition == 0) {
        ShowMessage(kTemplateWithoutAddressMessage);
        return;
    }
    const std::vector<int> indexes = FieldIndexes(layout);
    long long tooLong = 0;
    CurrentStore current;
    StoreWriter sites = SiteWriter(&current);
    ImportBatch batch;
    if (!sites.Open()) {
        ShowMessage(kSiteOpenFailed);
        return;
    }
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t lf = text.find('\n', at);
        std::string_view line =
            text.substr(at, lf == std::string_view::npos ? std::string_view::npos : lf - at);
        at = lf == std::string_view::npos ? text.size() : lf + 1;
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) break;
        const std::vector<std::string_view> values = SplitByLayout(line, layout);
        if (sites.Contains(values[static_cast<std::size_t>(layout.addressPosition - 1)])) continue;
        Fields site(kFieldCount);
        site[0] = target;
        for (std::size_t k = 0; k < values.size(); ++k)
            if (indexes[k] >= 0) site[static_cast<std::size_t>(indexes[k])] = values[k];
        if (!FieldsFit(site))
            ++tooLong;
        else if (!sites.Append(site))
            ShowMessage("添加网站数据失败！");
    }
    batch.Commit(nullptr, &sites);
    sites.Close();
    SayTooLong(tooLong);
}

void ImportText(int formatIndex, std::string_view lineTemplate, std::string_view target,
                std::string_view text) {
    if (const ForeignFormatInfo* foreign = ForeignImportFormatAt(formatIndex))
        ImportForeign(foreign->format, text);
    else if (formatIndex == kNativeFormat)
        ImportNative(text);
    else
        ImportCustom(lineTemplate, target, text);
}

void ImportFromFile(const std::string& path, int formatIndex, std::string_view lineTemplate,
                    std::string_view target) {
    if (path.empty()) {
        ShowMessage(kImportNoPathMessage);
    } else if (const std::optional<std::string> text = ReadWholeFile(path)) {
        ImportText(formatIndex, lineTemplate, target, *text);
    } else {
        ShowMessage(kImportReadFailedMessage);
    }
    ShowMessage(kImportDoneMessage, kImportDoneTitle);
}

}  // namespace qm

// The import's reading steps written literally, as the oracle the fast readers are compared with:
// every collected piece is removed from the whole working text with ReplaceAll, the sections and
// items are cut with TextBetween, every site is tested with IsDuplicateSite and appended with its
// own open and close of the store. Quadratic, so only for small files. Where the literal loop would
// never end (an opening delimiter with no closing one after it) it stops, as the readers do.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "catalogue/site_entry.h"
#include "core/stores.h"
#include "exchange/exchange_format.h"
#include "exchange/template_layout.h"
#include "platform/dialogs.h"
#include "platform/gbk.h"
#include "store/record_store.h"
#include "platform/text.h"

namespace qm::testing {

struct LiteralItems {
    std::vector<std::string> items;
    bool unclosed = false;
    std::string remainder;  // the text when the loop stopped
};

inline std::string RemoveFirst(const std::string& text, const std::string& piece) {
    const TextPos at = FindText(text, piece);
    if (at == -1) return text;
    return text.substr(0, static_cast<std::size_t>(at - 1)) +
           text.substr(static_cast<std::size_t>(at - 1) + piece.size());
}

inline LiteralItems LiteralCollectMarked(std::string text, const std::string& open, const std::string& close,
                                         bool all, std::size_t limit = SIZE_MAX) {
    LiteralItems out;
    while (FindText(text, open) != -1 && out.items.size() < limit) {
        const TextPos i = FindText(text, open);
        if (FindText(text, close, i + static_cast<TextPos>(open.size())) == -1) {
            out.unclosed = true;
            break;
        }
        const std::string item = TextBetween(text, open, close, false, false);
        out.items.push_back(item);
        const std::string piece = open + item + close;
        text = all ? ReplaceAll(text, piece, "") : RemoveFirst(text, piece);
    }
    out.remainder = text;
    return out;
}

// Step 4 of the native reader: ten field pieces, each taken with TextBetween keeping its markers
// and removed once; a field with no piece left is empty.
inline std::array<std::string, 10> LiteralSplitRecord(std::string record) {
    std::array<std::string, 10> values;
    for (std::string& value : values) {
        const TextPos i = FindText(record, kFieldOpen);
        if (i == -1 || FindText(record, kFieldClose, i + 9) == -1) break;
        const std::string piece = TextBetween(record, kFieldOpen, kFieldClose, true, false);
        value = piece.substr(9, piece.size() - 18);
        record = RemoveFirst(record, piece);
    }
    return values;
}

// Whether anything but the delimiters is left once they are taken off the front one by one.
inline bool LiteralHoldsText(std::string rest, std::initializer_list<std::string> delimiters) {
    while (!rest.empty()) {
        const std::size_t before = rest.size();
        for (const std::string& d : delimiters)
            if (rest.size() == before && rest.compare(0, d.size(), d) == 0) rest.erase(0, d.size());
        if (rest.size() == before) return true;
    }
    return false;
}

// Whether step 4 passes over more than delimiters and line ends in a record: a field piece it
// cannot close, or anything but those left once the ten pieces are taken.
inline bool LiteralRecordSkips(std::string record) {
    for (int k = 0; k < 10; ++k) {
        const TextPos i = FindText(record, kFieldOpen);
        if (i == -1) break;
        if (FindText(record, kFieldClose, i + 9) == -1) return true;
        record = RemoveFirst(record, TextBetween(record, kFieldOpen, kFieldClose, true, false));
    }
    return LiteralHoldsText(record, {kFieldOpen, kFieldClose, kSiteOpen, kSiteClose, kLineEnd});
}

struct LiteralRead {
    std::vector<std::string> categories;
    std::vector<std::array<std::string, 10>> records;
    bool unclosed = false;
    bool skipped = false;  // some record, as LiteralRecordSkips tells
};

inline LiteralRead LiteralReadNative(const std::string& text) {
    LiteralRead r;
    const LiteralItems c =
        LiteralCollectMarked(TextBetween(text, kCategoriesBegin, kCategoriesEnd, false, false), kCategoryOpen,
                             kCategoryClose, true);
    const LiteralItems s = LiteralCollectMarked(TextBetween(text, kSitesBegin, kSitesEnd, false, false),
                                                kSiteOpen, kSiteClose, true);
    r.categories = c.items;
    r.skipped = LiteralHoldsText(c.remainder, {kCategoryOpen, kCategoryClose, kLineEnd}) ||
                LiteralHoldsText(s.remainder, {kSiteOpen, kSiteClose, kFieldOpen, kFieldClose, kLineEnd});
    for (const std::string& item : s.items) {
        r.records.push_back(LiteralSplitRecord(item));
        r.skipped = r.skipped || LiteralRecordSkips(item);
    }
    r.unclosed = c.unclosed || s.unclosed;
    return r;
}

// Step 5 of the native reader with the store functions, one site at a time.
inline void LiteralImportNative(const std::string& text) {
    const LiteralRead r = LiteralReadNative(text);
    for (const std::string& c : r.categories) {
        if (!CategoryExists(c)) {
            if (!OpenStoreByName(kCategoryStoreAlias)) {
                ShowMessage("打开分类数据库失败！");
                return;
            }
            if (!Stores().Append({c})) {
                ShowMessage("添加分类失败！");
                return;
            }
            CloseStoreByName(kCategoryStoreAlias);
        }
        for (const auto& rec : r.records) {
            if (rec[0] != c || IsDuplicateSite(rec[1])) continue;
            if (!OpenStoreByName(kSiteStoreAlias)) {
                ShowMessage("打开网站数据库失败！");
                return;
            }
            if (!Stores().Append(Fields(rec.begin(), rec.end()))) ShowMessage("添加网站数据失败！");
            CloseStoreByName(kSiteStoreAlias);
        }
    }
}

// AnalyseTemplate as the steps read, step 6 looking for each separator anywhere in the rest.
inline TemplateLayout LiteralAnalyseTemplate(const std::string& lineTemplate) {
    const std::string b = kBeforeMark, a = kAfterMark;
    std::string t = b + lineTemplate + a;
    for (const std::string& name : SiteFieldNames()) t = ReplaceAll(t, Placeholder(name), a + b);
    while (FindText(t, b + a) != -1) t = ReplaceAll(t, b + a, "");
    while (FindText(t, b + b) != -1) t = ReplaceAll(t, b + b, b);
    while (FindText(t, a + a) != -1) t = ReplaceAll(t, a + a, a);
    TemplateLayout layout;
    layout.separators = LiteralCollectMarked(t, b, a, false).items;
    std::string rest = lineTemplate + a;
    for (const std::string& sep : layout.separators) {
        const TextPos at = FindText(rest, sep);
        const std::string before = at == -1 ? rest : rest.substr(0, static_cast<std::size_t>(at - 1));
        layout.fieldNames.push_back(TextBetween(before, "[#", "#]", false, false));
        rest.erase(0, at == -1 ? rest.size() : before.size() + sep.size());
    }
    layout.fieldNames.push_back(
        TextBetween(TextBetween(rest, "", a, false, false), "[#", "#]", false, false));
    for (std::size_t k = 0; k < layout.fieldNames.size(); ++k)
        if (layout.fieldNames[k] == "网站地址") layout.addressPosition = static_cast<int>(k + 1);
    return layout;
}

inline std::vector<std::string> LiteralSplitByLayout(const std::string& line, const TemplateLayout& layout) {
    std::vector<std::string> values;
    std::string rest = line + kAfterMark;
    for (const std::string& sep : layout.separators) {
        const TextPos at = FindText(rest, sep, 1, true);
        if (at == -1) {
            values.emplace_back();
            continue;
        }
        values.push_back(rest.substr(0, static_cast<std::size_t>(at - 1)));
        rest.erase(0, static_cast<std::size_t>(at - 1) + sep.size());
    }
    values.push_back(TextBetween(rest, "", kAfterMark, false, false));
    return values;
}

// ImportCustom as the steps read: a blank record per site, then one write per named field.
inline void LiteralImportCustom(const std::string& lineTemplate, const std::string& target,
                                const std::string& text) {
    const TemplateLayout layout = LiteralAnalyseTemplate(lineTemplate);
    if (!OpenStoreByName(kSiteStoreAlias)) {
        ShowMessage("打开网站数据库失败！");
        return;
    }
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t lf = text.find('\n', at);
        std::string line = text.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
        at = lf == std::string::npos ? text.size() : lf + 1;
        if (lf != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) break;
        const std::vector<std::string> values = LiteralSplitByLayout(line, layout);
        if (IsDuplicateSite(values[static_cast<std::size_t>(layout.addressPosition - 1)])) continue;
        OpenStoreByName(kSiteStoreAlias);
        Stores().AppendBlank();
        Stores().Write("分类名称", target);
        for (std::size_t k = 0; k < values.size(); ++k)
            if (!layout.fieldNames[k].empty()) Stores().Write(layout.fieldNames[k], values[k]);
    }
    CloseStoreByName(kSiteStoreAlias);
}

}  // namespace qm::testing

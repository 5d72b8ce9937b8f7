// Line templates: see template_layout.h.
#include "exchange/template_layout.h"

#include "core/stores.h"
#include "exchange/exchange_format.h"
#include "exchange/marked_text.h"
#include "platform/gbk.h"
#include "platform/text.h"

namespace qm {

namespace {

const std::vector<std::string>& Placeholders() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> p;
        for (const std::string& name : SiteFieldNames()) p.push_back(Placeholder(name));
        return p;
    }();
    return all;
}

std::string RepeatUntilGone(std::string t, const std::string& from, const std::string& to) {
    while (FindText(t, from) != -1) t = ReplaceAll(t, from, to);
    return t;
}

// Where the placeholders stand in a text, as [begin, end) byte ranges.
std::vector<std::pair<std::size_t, std::size_t>> PlaceholderSpans(std::string_view text) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const std::string& p : Placeholders())
        for (TextPos at = FindText(text, p); at != -1; at = FindText(text, p, at + 1))
            spans.push_back({static_cast<std::size_t>(at - 1), static_cast<std::size_t>(at - 1) + p.size()});
    return spans;
}

// The first occurrence of sep in rest that lies in its first `usable` bytes and touches no
// placeholder; -1 when there is none.
TextPos SeparatorAt(std::string_view rest, std::size_t usable, std::string_view sep) {
    const auto spans = PlaceholderSpans(rest.substr(0, usable));
    for (TextPos at = FindText(rest, sep); at != -1; at = FindText(rest, sep, at + 1)) {
        const std::size_t b = static_cast<std::size_t>(at - 1), e = b + sep.size();
        if (e > usable) return -1;
        bool clear = true;
        for (const auto& [pb, pe] : spans) clear = clear && (e <= pb || b >= pe);
        if (clear) return at;
    }
    return -1;
}

}  // namespace

std::string ExpandTemplate(std::string_view lineTemplate, const std::vector<std::string>& site) {
    std::string line = std::string(lineTemplate) + kLineEnd;
    const auto& placeholders = Placeholders();
    for (std::size_t k = 0; k < placeholders.size(); ++k) {
        if (FindText(line, placeholders[k]) == -1) continue;
        line = ReplaceAll(line, placeholders[k], k < site.size() ? site[k] : std::string());
    }
    return line;
}

TemplateLayout AnalyseTemplate(std::string_view lineTemplate) {
    const std::string before = kBeforeMark, after = kAfterMark;
    std::string t = before + std::string(lineTemplate) + after;
    for (const std::string& p : Placeholders()) t = ReplaceAll(t, p, after + before);
    t = RepeatUntilGone(t, before + after, "");
    t = RepeatUntilGone(t, before + before, before);
    t = RepeatUntilGone(t, after + after, after);
    TemplateLayout layout;
    for (std::string_view s : CollectMarkedFirst(t, before, after).items) layout.separators.emplace_back(s);

    // The rest of the template is followed by the after-mark, which ends every cut text.
    std::string rest = std::string(lineTemplate) + after;
    for (const std::string& sep : layout.separators) {
        const std::size_t usable = rest.size() - after.size();
        const TextPos at = SeparatorAt(rest, usable, sep);
        const std::size_t cut = at == -1 ? usable : static_cast<std::size_t>(at - 1);
        layout.fieldNames.push_back(
            TextBetween(rest.substr(0, cut), kPlaceholderOpen, kPlaceholderClose, false, false));
        rest.erase(0, at == -1 ? usable : cut + sep.size());
    }
    layout.fieldNames.push_back(TextBetween(TextBetween(rest, "", after, false, false), kPlaceholderOpen,
                                            kPlaceholderClose, false, false));
    for (std::size_t k = 0; k < layout.fieldNames.size(); ++k)
        if (layout.fieldNames[k] == SiteFieldNames()[1]) layout.addressPosition = static_cast<int>(k + 1);
    return layout;
}

std::vector<std::string_view> SplitByLayout(std::string_view line, const TemplateLayout& layout) {
    std::vector<std::string_view> values;
    std::string_view rest = line;
    for (const std::string& sep : layout.separators) {
        const TextPos at = FindText(rest, sep, 1, true);
        if (at == -1) {
            values.push_back(rest.substr(0, 0));
            continue;
        }
        values.push_back(rest.substr(0, static_cast<std::size_t>(at - 1)));
        rest.remove_prefix(static_cast<std::size_t>(at - 1) + sep.size());
    }
    // The last value runs to the after-mark that ends the text being cut.
    const std::string marked = std::string(rest) + kAfterMark;
    const TextPos end = FindText(marked, kAfterMark);
    values.push_back(
        rest.substr(0, end == -1 ? 0 : std::min(rest.size(), static_cast<std::size_t>(end - 1))));
    return values;
}

}  // namespace qm

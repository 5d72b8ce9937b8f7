// Line templates of the custom format: expanding one for a site (export) and analysing one into
// its literal separators and field positions, then cutting lines by it (import). Portable,
// thread-safe, no state.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The custom-format line of one site: the template with each of the ten placeholders replaced by
// the site's field, in field order (so a value holding a later placeholder is expanded too), and
// CR LF. site holds the ten fields in their fixed order.
std::string ExpandTemplate(std::string_view lineTemplate, const std::vector<std::string>& site);

struct TemplateLayout {
    std::vector<std::string> separators;  // the literal runs of the template, in order, none empty
    std::vector<std::string> fieldNames;  // one more than separators; empty where no placeholder stands
    int addressPosition = 0;              // 1-based position of "网站地址" (the last one), 0 when absent
};

// A separator is looked for outside the placeholders of the template, so literal text that also
// occurs inside a placeholder name cannot take that placeholder's place.
TemplateLayout AnalyseTemplate(std::string_view lineTemplate);

// The line cut at the first occurrence of each separator in turn (ASCII letters compared without
// case); a separator not in the rest of the line gives an empty value and cuts nothing. One value
// per entry of fieldNames, as views into the line.
std::vector<std::string_view> SplitByLayout(std::string_view line, const TemplateLayout& layout);

}  // namespace qm

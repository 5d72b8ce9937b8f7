// Fuzz target: a line template (the input's first line) and the lines of a custom-format file (the
// rest), taken apart as the import does and compared with the literal reading of the same steps.
#include "../native/exchange/literal_exchange.h"
#include "exchange/template_layout.h"
#include "fuzz_support.h"
#include "platform/gbk.h"

#include <utility>
#include <vector>

namespace {

// The reader mends two faults of the literal steps (tests/native/exchange/template_layout_test.cpp):
// a separator found inside a placeholder of the template, and a separator found in the after-mark
// the steps append to the text they cut (a line without "]" under "[#网站地址#]]" would keep
// "http://a.cn[@#~后~#@" as its address). Where the literal steps meet either, nothing is compared;
// nor for a template that holds the marks or pieces of them, which the literal steps mistake for
// the marks they insert ("[@#" in a template before a placeholder makes a mark of its own).
// Whether the literal cut of the template takes a separator where it touches a placeholder.
bool LiteralFindsInsideAPlaceholder(std::string_view lineTemplate, const qm::TemplateLayout& literal) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const std::string& name : qm::SiteFieldNames()) {
        const std::string p = qm::Placeholder(name);
        for (qm::TextPos at = qm::FindText(lineTemplate, p); at != -1; at = qm::FindText(lineTemplate, p, at + 1))
            spans.emplace_back(static_cast<std::size_t>(at - 1), static_cast<std::size_t>(at - 1) + p.size());
    }
    const std::string marked = std::string(lineTemplate) + qm::kAfterMark;
    std::size_t start = 0;
    for (const std::string& sep : literal.separators) {
        const qm::TextPos at = qm::FindText(std::string_view(marked).substr(start), sep);
        if (at == -1) continue;
        const std::size_t from = start + static_cast<std::size_t>(at - 1), to = from + sep.size();
        for (const auto& [b, e] : spans)
            if (from < e && b < to) return true;
        start = to;
    }
    return false;
}

bool LiteralMatchReachesMark(std::string_view text, const qm::TemplateLayout& layout, bool ignoreCase) {
    const std::string marked = std::string(text) + qm::kAfterMark;
    std::size_t start = 0;
    for (const std::string& sep : layout.separators) {
        const qm::TextPos at = qm::FindText(std::string_view(marked).substr(start), sep, 1, ignoreCase);
        if (at == -1) continue;
        const std::size_t end = start + static_cast<std::size_t>(at - 1) + sep.size();
        if (end > text.size()) return true;
        start = end;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm;
    using namespace qm::testing;
    const std::string_view input = fuzz::Bytes(data, size);
    const std::size_t eol = input.find('\n');
    const std::string_view lineTemplate = input.substr(0, eol);
    std::string_view rest = eol == std::string_view::npos ? std::string_view() : input.substr(eol + 1);

    const TemplateLayout layout = AnalyseTemplate(lineTemplate);
    QM_FUZZ_CHECK(layout.fieldNames.size() == layout.separators.size() + 1);
    const bool small = size <= 2048;
    if (small) {
        const TemplateLayout literal = LiteralAnalyseTemplate(std::string(lineTemplate));
        bool marks = false;
        for (std::string_view piece : {"[@#", "#@]", "~前~", "~后~"})
            marks = marks || FindText(lineTemplate, piece) != -1;
        if (!marks && !LiteralFindsInsideAPlaceholder(lineTemplate, literal) &&
            !LiteralMatchReachesMark(lineTemplate, literal, false)) {
            QM_FUZZ_CHECK(layout.separators == literal.separators);
            QM_FUZZ_CHECK(layout.fieldNames == literal.fieldNames);
            QM_FUZZ_CHECK(layout.addressPosition == literal.addressPosition);
        }
    }
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const std::vector<std::string_view> values = SplitByLayout(line, layout);
        QM_FUZZ_CHECK(values.size() == layout.fieldNames.size());
        if (!small || LiteralMatchReachesMark(line, layout, true)) continue;
        const std::vector<std::string> literal = LiteralSplitByLayout(std::string(line), layout);
        QM_FUZZ_CHECK(literal.size() == values.size());
        for (std::size_t k = 0; k < values.size(); ++k) QM_FUZZ_CHECK(values[k] == literal[k]);
    }
    return 0;
}

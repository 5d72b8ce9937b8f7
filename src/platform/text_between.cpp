// TextBetween and DigitsOnly: see platform/text.h. The three cases follow the program's formulas
// exactly, including what they give when a marker is absent, since page parsers rely on them.
#include "platform/gbk.h"
#include "platform/text.h"

namespace qm {

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        bool keepMarkers, bool caseSensitive) {
    if (text.empty()) return {};
    const bool ignoreCase = !caseSensitive;
    const auto leftLength = static_cast<TextPos>(left.size());
    const auto textLength = static_cast<TextPos>(text.size());
    if (!left.empty() && !right.empty()) {
        const TextPos i = FindText(text, left, 1, ignoreCase);
        const TextPos from = i + leftLength;
        const TextPos j = FindText(text, right, from, ignoreCase);
        std::string result = Mid(text, from, j - from);
        if (!keepMarkers) return result;
        return std::string(left) + result + std::string(right);
    }
    if (!left.empty()) {
        const TextPos i = FindText(text, left, 1, ignoreCase);
        std::string result = Right(text, textLength - i + 1 - leftLength);
        return keepMarkers ? std::string(left) + result : result;
    }
    const TextPos j = FindText(text, right, 1, ignoreCase);
    std::string result = Left(text, j - 1);
    return keepMarkers ? result + std::string(right) : result;
}

std::string DigitsOnly(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}

}  // namespace qm

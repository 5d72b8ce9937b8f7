// INI text in memory: see ini_text.h.
#include "platform/ini_text.h"

#include <vector>

#include "platform/gbk.h"

namespace qm {

namespace {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        // '\n' is below 0x40, so it is never the second byte of a character.
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool SameName(std::string_view a, std::string_view b) {
    return AsciiLower(TrimBlanks(a)) == AsciiLower(TrimBlanks(b));
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string> SectionOf(const std::string& line) {
    const std::string t = TrimBlanks(line);
    if (t.empty() || t[0] != '[') return std::nullopt;
    const TextPos close = FindText(t, "]", 2);
    if (close < 0) return std::nullopt;
    return Mid(t, 2, close - 2);
}

// Splits "key=value"; nullopt when the line has no '='.
std::optional<std::pair<std::string, std::string>> KeyValueOf(const std::string& line) {
    const TextPos eq = FindText(line, "=");
    if (eq < 0) return std::nullopt;
    return std::make_pair(TrimBlanks(Left(line, eq - 1)), TrimBlanks(MidToEnd(line, eq + 1)));
}

}  // namespace

std::optional<std::string> IniValue(std::string_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    for (const auto& line : SplitLines(text)) {
        if (auto s = SectionOf(line)) {
            inSection = SameName(*s, section);
            continue;
        }
        if (!inSection) continue;
        auto kv = KeyValueOf(line);
        if (!kv || !SameName(kv->first, key)) continue;
        std::string v = kv->second;
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"' &&
            IsCharStart(v, static_cast<TextPos>(v.size())))
            v = v.substr(1, v.size() - 2);
        return v;
    }
    return std::nullopt;
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::vector<std::string> lines = SplitLines(text);
    const std::string newLine = std::string(key) + "=" + std::string(value);
    bool inSection = false;
    std::size_t insertAt = 0;
    bool sectionFound = false;
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        if (auto s = SectionOf(lines[i])) {
            if (inSection) break;  // the key is not in our section
            inSection = SameName(*s, section);
            if (inSection) sectionFound = true, insertAt = i + 1;
            continue;
        }
        if (!inSection) continue;
        if (!TrimBlanks(lines[i]).empty()) insertAt = i + 1;
        auto kv = KeyValueOf(lines[i]);
        if (kv && SameName(kv->first, key)) {
            lines[i] = newLine;
            done = true;
        }
    }
    if (!done && sectionFound) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    } else if (!done) {
        while (!lines.empty() && TrimBlanks(lines.back()).empty()) lines.pop_back();
        std::string header = "[";
        header.append(section).append("]");
        lines.push_back(std::move(header));
        lines.push_back(newLine);
    }
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

}  // namespace qm

// GBK text primitives: see gbk.h.
#include "platform/gbk.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace qm {

namespace {

// The character start at i, or the next one when a character spans i. A byte that is no lead
// byte ends a character whatever stands before it (it is a character of its own or a trail byte),
// so decoding starts after the last such byte before i, or at `known`, a character start at or
// before i, when that is later.
std::size_t CharStartFrom(std::string_view s, std::size_t i, std::size_t known) {
    std::size_t k = i;
    while (k > known && IsLeadByte(static_cast<unsigned char>(s[k - 1]))) --k;
    while (k < i) k += GbkCharLength(s, k);
    return k;
}

}  // namespace

bool IsCharStart(std::string_view s, TextPos pos) {
    if (pos < 1 || pos > static_cast<TextPos>(s.size())) return false;
    const auto target = static_cast<std::size_t>(pos - 1);
    return CharStartFrom(s, target, 0) == target;
}

TextPos FindText(std::string_view text, std::string_view needle, TextPos start, bool ignoreCase) {
    if (needle.empty() || needle.size() > text.size()) return -1;
    if (ignoreCase) {
        std::string t = AsciiLower(text), n = AsciiLower(needle);
        return FindText(t, n, start, false);
    }
    if (start < 1) start = 1;
    // Decoding goes on from the last occurrence looked at, so a call reads the text about once.
    std::size_t known = 0;
    for (std::size_t at = text.find(needle, static_cast<std::size_t>(start - 1));
         at != std::string_view::npos; at = text.find(needle, at + 1)) {
        known = CharStartFrom(text, at, known);
        if (known == at) return static_cast<TextPos>(at + 1);
    }
    return -1;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to, bool ignoreCase) {
    if (from.empty()) return std::string(text);
    std::string folded, foldedFrom;
    std::string_view hay = text, pat = from;
    if (ignoreCase) {
        folded = AsciiLower(text);
        foldedFrom = AsciiLower(from);
        hay = folded;
        pat = foldedFrom;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (i + pat.size() <= hay.size() && std::memcmp(hay.data() + i, pat.data(), pat.size()) == 0) {
            out.append(to);
            i += pat.size();
            continue;
        }
        std::size_t n = GbkCharLength(text, i);
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

std::string Mid(std::string_view s, TextPos start, TextPos count) {
    const auto len = static_cast<TextPos>(s.size());
    if (start < 1 || start > len || count <= 0) return {};
    return std::string(s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
}

std::string MidToEnd(std::string_view s, TextPos start) {
    return Mid(s, start, static_cast<TextPos>(s.size()));
}

std::string Left(std::string_view s, TextPos n) {
    if (n <= 0) return {};
    return std::string(s.substr(0, static_cast<std::size_t>(n)));
}

std::string Right(std::string_view s, TextPos n) {
    if (n <= 0) return {};
    const std::size_t k = std::min(static_cast<std::size_t>(n), s.size());
    return std::string(s.substr(s.size() - k));
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size();) {
        std::size_t n = GbkCharLength(out, i);
        if (n == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
        i += n;
    }
    return out;
}

std::string TrimBlanks(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

double LeadingNumber(std::string_view s) {
    std::size_t i = 0;
    std::string num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') num += s[i++], digits = true;
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        bool frac = false;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j, frac = true;
        if (frac) num.append(s.substr(i, j - i)), digits = true;
    }
    if (!digits) return 0;
    return std::strtod(num.c_str(), nullptr);
}

std::vector<std::string> Split(std::string_view s, std::string_view separator) {
    std::vector<std::string> items;
    if (s.empty()) return items;
    if (separator.empty()) return {std::string(s)};
    TextPos from = 1;
    const auto len = static_cast<TextPos>(s.size());
    while (from <= len) {
        TextPos at = FindText(s, separator, from);
        if (at < 0) {
            items.push_back(MidToEnd(s, from));
            break;
        }
        items.push_back(std::string(s.substr(static_cast<std::size_t>(from - 1),
                                             static_cast<std::size_t>(at - from))));
        from = at + static_cast<TextPos>(separator.size());
    }
    return items;
}

}  // namespace qm

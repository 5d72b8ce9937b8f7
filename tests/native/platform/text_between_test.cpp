// TextBetween: the cases the page parsers and the import rely on, then a comparison with a
// reference written straight from the formulas (its own find, mid, left and right) over many
// generated texts and markers: ASCII, GBK, and GBK characters whose trail bytes equal marker
// bytes ("丄" 81 41 holds "A", "誥" D5 61 holds "a", "淺" 9C 5C holds "\", "亅" 81 7C holds "|").
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"

namespace qm {
namespace {

TEST(TextBetween, BothMarkersPresent) {
    EXPECT_EQ(TextBetween("<b>42</b>", "<b>", "</b>", false, false), "42");
    EXPECT_EQ(TextBetween("<b>42</b>", "<b>", "</b>", true, false), "<b>42</b>");
    EXPECT_EQ(TextBetween("x<b>1</b><b>2</b>", "<b>", "</b>", false, false), "1");
    EXPECT_EQ(TextBetween("<b></b>", "<b>", "</b>", false, false), "");
    // The right marker is looked for only after the left one.
    EXPECT_EQ(TextBetween("]x[y]z", "[", "]", false, false), "y");
    // Overlapping markers: the right search starts right after the left marker.
    EXPECT_EQ(TextBetween("aXa", "a", "a", false, false), "X");
    EXPECT_EQ(TextBetween("aa", "a", "a", true, false), "aa");
}

TEST(TextBetween, CaseFlag) {
    EXPECT_EQ(TextBetween("<B>7</B>", "<b>", "</b>", false, false), "7");
    EXPECT_EQ(TextBetween("<B>7</B>", "<b>", "</b>", false, true), "");
    EXPECT_EQ(TextBetween("<B>7</B><b>8</b>", "<b>", "</b>", false, true), "8");
    // Keep-markers returns the markers as the caller wrote them.
    EXPECT_EQ(TextBetween("<B>7</B>", "<b>", "</b>", true, false), "<b>7</b>");
}

TEST(TextBetween, GbkMarkersAndTrailBytes) {
    EXPECT_EQ(TextBetween("共 <strong>1,234</strong>", "共 <strong>", "</strong>", false, true), "1,234");
    EXPECT_EQ(TextBetween("百度，约1,230个，结果", "，", "，", false, false), "约1,230个");
    // The A inside 丄 (81 41) is no marker, with or without case folding.
    EXPECT_EQ(TextBetween("丄xAyA", "A", "A", false, true), "y");
    EXPECT_EQ(TextBetween("丄xayA", "a", "a", false, false), "y");
    EXPECT_EQ(TextBetween("淺\\v\\", "\\", "\\", false, true), "v");
    EXPECT_EQ(TextBetween("[亅]|q|", "|", "|", false, true), "q");
    // 誥 (D5 61) is not the letter a, and is not lowered or raised by the case flag.
    EXPECT_EQ(TextBetween("誥A誥", "誥", "誥", false, false), "A");
    // An absent two-byte left marker: the search restarts from position 1.
    EXPECT_EQ(TextBetween("xAy", "誥", "y", false, false), "xA");
}

TEST(TextBetween, AbsentMarkers) {
    // Right marker absent: empty, or the two markers alone with keep-markers.
    EXPECT_EQ(TextBetween("<b>42", "<b>", "</b>", false, false), "");
    EXPECT_EQ(TextBetween("<b>42", "<b>", "</b>", true, false), "<b></b>");
    // Left marker absent: the right marker is looked for from length(left) - 1, and the result
    // runs from there to just before it.
    EXPECT_EQ(TextBetween("abcdef]", "[[[", "]", false, false), "bcdef");
    EXPECT_EQ(TextBetween("abc]", "[", "]", false, false), "");  // the position is 0
    EXPECT_EQ(TextBetween("abc]", "[[", "]", false, false), "abc");
    EXPECT_EQ(TextBetween("abc", "[[", "]", false, false), "");
}

TEST(TextBetween, OnlyLeftMarker) {
    EXPECT_EQ(TextBetween("key=value", "=", "", false, false), "value");
    EXPECT_EQ(TextBetween("key=value", "=", "", true, false), "=value");
    EXPECT_EQ(TextBetween("a=b=c", "=", "", false, false), "b=c");
    EXPECT_EQ(TextBetween("abc=", "=", "", false, false), "");
    // Absent left marker: the last length(text) + 2 - length(left) bytes.
    EXPECT_EQ(TextBetween("abcdef", "xyz", "", false, false), "bcdef");
    EXPECT_EQ(TextBetween("abcdef", "x", "", false, false), "abcdef");
}

TEST(TextBetween, OnlyRightMarker) {
    EXPECT_EQ(TextBetween("title - rest", "", " -", false, false), "title");
    EXPECT_EQ(TextBetween("title - rest", "", " -", true, false), "title -");
    EXPECT_EQ(TextBetween("- x", "", "-", false, false), "");
    EXPECT_EQ(TextBetween("abc", "", "-", false, false), "");
    EXPECT_EQ(TextBetween("abc", "", "-", true, false), "-");
    EXPECT_EQ(TextBetween("abc", "", "", false, false), "");
    EXPECT_EQ(TextBetween("abc", "", "", true, true), "");
}

TEST(TextBetween, EmptyTextIsEmptyForEveryMarkerCombination) {
    for (const char* left : {"", "<", "网"})
        for (const char* right : {"", ">", "站"})
            for (bool keep : {false, true})
                for (bool caseSensitive : {false, true})
                    EXPECT_EQ(TextBetween("", left, right, keep, caseSensitive), "")
                        << "left '" << left << "' right '" << right << "' keep " << keep << " case "
                        << caseSensitive;
}

// ---- Reference, written from the formulas with primitives of its own ----

using Pos = long long;

std::size_t CharLen(const std::string& s, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (i + 1 >= s.size() || b0 < 0x81 || b0 > 0xFE) return 1;
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    return b1 >= 0x40 && b1 <= 0xFE && b1 != 0x7F ? 2 : 1;
}

// ASCII letters that are characters of their own are lowered; bytes of double-byte characters
// never are.
std::string RefLower(const std::string& s) {
    std::string out = s;
    for (std::size_t i = 0; i < out.size(); i += CharLen(out, i))
        if (CharLen(out, i) == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
    return out;
}

// First m in x at a character start at or after position s, or -1.
Pos RefFind(const std::string& x, const std::string& m, Pos s, bool fold) {
    if (m.empty()) return -1;
    if (s < 1) s = 1;
    const std::string hay = fold ? RefLower(x) : x, pat = fold ? RefLower(m) : m;
    for (std::size_t i = 0; i < hay.size(); i += CharLen(x, i))
        if (static_cast<Pos>(i + 1) >= s && hay.compare(i, pat.size(), pat) == 0)
            return static_cast<Pos>(i + 1);
    return -1;
}

std::string RefMid(const std::string& x, Pos s, Pos n) {
    const auto len = static_cast<Pos>(x.size());
    if (s < 1 || s > len || n <= 0) return "";
    return x.substr(static_cast<std::size_t>(s - 1), static_cast<std::size_t>(n));
}
std::string RefLeft(const std::string& x, Pos n) {
    return n <= 0 ? "" : x.substr(0, static_cast<std::size_t>(std::min<Pos>(n, static_cast<Pos>(x.size()))));
}
std::string RefRight(const std::string& x, Pos n) {
    if (n <= 0) return "";
    const Pos k = std::min<Pos>(n, static_cast<Pos>(x.size()));
    return x.substr(x.size() - static_cast<std::size_t>(k));
}

std::string Reference(const std::string& text, const std::string& left, const std::string& right, bool keep,
                      bool caseSensitive) {
    if (text.empty()) return "";
    const bool fold = !caseSensitive;
    const auto ll = static_cast<Pos>(left.size());
    if (!left.empty() && !right.empty()) {
        const Pos i = RefFind(text, left, 1, fold);
        const Pos j = RefFind(text, right, i + ll, fold);
        const std::string r = RefMid(text, i + ll, j - i - ll);
        return keep ? left + r + right : r;
    }
    if (!left.empty()) {
        const Pos i = RefFind(text, left, 1, fold);
        const std::string r = RefRight(text, static_cast<Pos>(text.size()) - i + 1 - ll);
        return keep ? left + r : r;
    }
    const Pos j = RefFind(text, right, 1, fold);
    const std::string r = RefLeft(text, j - 1);
    return keep ? r + right : r;
}

// A fixed linear congruential generator: the same cases in every build and run.
struct Lcg {
    std::uint64_t state;
    unsigned Next(unsigned bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>((state >> 33) % bound);
    }
};

std::string Generate(Lcg& rng, unsigned maxPieces, const std::vector<std::string>& pieces) {
    std::string s;
    const unsigned n = rng.Next(maxPieces + 1);
    for (unsigned k = 0; k < n; ++k) s += pieces[rng.Next(static_cast<unsigned>(pieces.size()))];
    return s;
}

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) out += {digits[c >> 4], digits[c & 15], ' '};
    return out;
}

TEST(TextBetween, MatchesTheFormulasOnGeneratedTexts) {
    const std::vector<std::string> textPieces = {"a",  "A",  "b",  "B",  "<",  ">",    "/",
                                                 "|",  "\\", "=",  " ",  "x",  "丄",   "誥",
                                                 "淺", "亅", "网", "站", "，", "\x81", "\xD5"};
    const std::vector<std::string> markerPieces = {"a", "A",  "b",  "<",  ">",  "/",    "|",    "\\",
                                                   "=", "丄", "誥", "淺", "网", "\x41", "\x5C", "\x81"};
    Lcg rng{20240611};
    int compared = 0;
    for (int n = 0; n < 20000; ++n) {
        const std::string text = Generate(rng, 12, textPieces);
        const std::string left = Generate(rng, 3, markerPieces);
        const std::string right = Generate(rng, 3, markerPieces);
        const bool keep = rng.Next(2) == 1, caseSensitive = rng.Next(2) == 1;
        const std::string expected = Reference(text, left, right, keep, caseSensitive);
        const std::string actual = TextBetween(text, left, right, keep, caseSensitive);
        ASSERT_EQ(Hex(actual), Hex(expected))
            << "text [" << Hex(text) << "] left [" << Hex(left) << "] right [" << Hex(right) << "] keep "
            << keep << " case " << caseSensitive;
        ++compared;
    }
    EXPECT_EQ(compared, 20000);
}

}  // namespace
}  // namespace qm

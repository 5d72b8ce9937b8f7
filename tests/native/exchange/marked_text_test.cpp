// The delimited-text readers against the literal removal loop: files as the export writes them,
// hand-made joins and nestings, and random soups of delimiter pieces, GBK characters and lone
// lead bytes (which decide where a character starts).
#include "exchange/marked_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "exchange/exchange_format.h"
#include "literal_exchange.h"

namespace qm {
namespace {

using testing::LiteralCollectMarked;

std::vector<std::string> Strings(const MarkedItems& m) {
    return std::vector<std::string>(m.items.begin(), m.items.end());
}

void ExpectLikeLiteral(const std::string& text, const std::string& open, const std::string& close, bool all) {
    const testing::LiteralItems want = LiteralCollectMarked(text, open, close, all);
    std::string rest;
    const MarkedItems got =
        all ? CollectMarkedAll(text, open, close, [&](std::string_view piece) { rest.append(piece); })
            : CollectMarkedFirst(text, open, close, SIZE_MAX, &rest);
    EXPECT_EQ(Strings(got), want.items) << "text: " << ::testing::PrintToString(text);
    EXPECT_EQ(got.unclosed, want.unclosed) << "text: " << ::testing::PrintToString(text);
    EXPECT_EQ(rest, want.remainder) << "text: " << ::testing::PrintToString(text);
}

std::string Soup(std::mt19937& gen, const std::vector<std::string>& tokens, int maxTokens) {
    std::string s;
    const int n = static_cast<int>(gen() % static_cast<unsigned>(maxTokens + 1));
    for (int i = 0; i < n; ++i) s += tokens[gen() % tokens.size()];
    return s;
}

TEST(SectionBetween, IsTextBetweenWithoutCopying) {
    const std::vector<std::vector<std::string>> cases = {
        {"x[a]mid[b]y[b]", "[a]", "[b]"},
        {"[a]no end", "[a]", "[b]"},
        {"", "[a]", "[b]"},
        // Without the begin marker the section runs from position length(begin) - 1.
        {"0123456789[b]", "[aaa]", "[b]"},
        {"012[b]", "[aaaaaa]", "[b]"},
        // A marker that starts on the second byte of a GBK character is no marker.
        {"\x81[a]x[a]in[b]", "[a]", "[b]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SectionBetween(c[0], c[1], c[2]), TextBetween(c[0], c[1], c[2], false, false)) << c[0];
    EXPECT_EQ(SectionBetween("0123456789[b]", "[aaa]", "[b]"), "3456789");
    EXPECT_EQ(SectionBetween("\x81[a]x[a]in[b]", "[a]", "[b]"), "in");
}

TEST(CollectMarkedAll, ExportedSectionsGiveEachDistinctPieceOnceInOrder) {
    std::string text = "\r\n";
    std::vector<std::string> want;
    for (int i = 0; i < 300; ++i) {
        const std::string item = "分类" + std::to_string(i % 120);
        text += std::string(kCategoryOpen) + item + kCategoryClose + "\r\n";
        if (i < 120) want.push_back(item);
    }
    const MarkedItems got = CollectMarkedAll(text, kCategoryOpen, kCategoryClose);
    EXPECT_EQ(Strings(got), want);
    EXPECT_FALSE(got.unclosed);
    ExpectLikeLiteral(text, kCategoryOpen, kCategoryClose, true);
}

TEST(CollectMarkedAll, JoinsNestingsAndStraysAsTheRemovalLoopLeavesThem) {
    const std::vector<std::string> cases = {
        "{@#{@#]a[#@}]b[#@}",                         // a removal joins a new opening delimiter
        "{@#]a[#@}{@#]b[#@}{@#]a[#@}",                // a later copy goes with the first
        "{@#]x{@#]a[#@}y[#@}\r\n{@#]a[#@}",           // nested: its own piece runs to the first close
        "{@#]a[#@}\r\n{@#]xx{@#]a[#@}\r\n{@#]c[#@}",  // the copy inside another piece is cut out of it
        "{@#]a[#[#@}@}",                              // the cut joins a closing delimiter
        "{@#]a[#@}[#{@#]a[#@}@}{@#]b[#@}",
        "[#@}[#@}{@#]a[#@}",      // stray closing delimiters
        "{@#]a[#@}{@#]unclosed",  // stops at the opening one without a close
        "{@#]{@#]{@#]",
        "\x81{@#]hidden[#@}{@#]seen[#@}",  // "{" is the trail byte of a GBK character
        "{@#]\x81[#@}tail[#@}",            // so is "[" here: the item runs on
        "{@#]开[#@}{@#]开[#@}",
        "",
        "no delimiters at all",
    };
    for (const std::string& c : cases) ExpectLikeLiteral(c, kCategoryOpen, kCategoryClose, true);
}

TEST(CollectMarkedAll, RandomSoupsOfBothDelimiterPairs) {
    const std::vector<std::string> categoryTokens = {kCategoryOpen, kCategoryClose,
                                                     "{@",          "#]",
                                                     "{@#",         "[#",
                                                     "@}",          "#@}",
                                                     "{",           "}",
                                                     "[",           "]",
                                                     "@",           "#",
                                                     "a",           "b",
                                                     "\r\n",        "开",
                                                     "\x81",        "\xFE"};
    const std::vector<std::string> siteTokens = {
        kSiteOpen, kSiteClose, "{@@", "##]", "{@@#", "#]", "[##",  "@@}", "[#",   "@}",      "{",
        "}",       "[",        "]",   "@",   "#",    "x",  "\r\n", "网",  "\x81", "\x81\x40"};
    std::mt19937 gen(20240613);
    for (int i = 0; i < 3000; ++i) {
        ExpectLikeLiteral(Soup(gen, categoryTokens, 40), kCategoryOpen, kCategoryClose, true);
        ExpectLikeLiteral(Soup(gen, siteTokens, 40), kSiteOpen, kSiteClose, true);
        if (HasFailure()) return;
    }
}

TEST(CollectMarkedAll, RandomFilesOfFewDistinctPiecesWithJunkBetween) {
    // Pieces drawn from a small set repeat often, so most removals take several copies at once
    // and join what stood between them.
    const std::vector<std::string> pieces = {"{@#]a[#@}", "{@#]b[#@}", "{@#]{@#]a[#@}", "{@#][#@}", "{@#]a"};
    const std::vector<std::string> junk = {"", "", "\r\n", "{@", "#]", "[#", "@}", "z"};
    std::mt19937 gen(99);
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        for (int k = static_cast<int>(gen() % 30); k > 0; --k)
            text += junk[gen() % junk.size()] + pieces[gen() % pieces.size()];
        ExpectLikeLiteral(text, kCategoryOpen, kCategoryClose, true);
        if (HasFailure()) return;
    }
}

TEST(CollectMarkedAll, ThousandsOfNestedOrUnbalancedDelimitersEnd) {
    std::string nested;
    for (int i = 0; i < 5000; ++i) nested += kSiteOpen;
    nested += "core";
    for (int i = 0; i < 5000; ++i) nested += kSiteClose;
    MarkedItems got = CollectMarkedAll(nested, kSiteOpen, kSiteClose);
    ASSERT_EQ(got.items.size(), 1u);
    EXPECT_EQ(got.items[0].size(), 4999 * 6 + 4);
    EXPECT_FALSE(got.unclosed);

    std::string open;
    for (int i = 0; i < 5000; ++i) open += std::string(kSiteOpen) + "v" + std::to_string(i);
    got = CollectMarkedAll(open, kSiteOpen, kSiteClose);
    EXPECT_TRUE(got.items.empty());
    EXPECT_TRUE(got.unclosed);

    // Every removal joins the next opening delimiter out of the bytes around it.
    std::string joins;
    for (int i = 0; i < 3000; ++i) joins += "{@#";
    for (int i = 0; i < 3000; ++i) joins.append("]").append(std::to_string(i)).append(kCategoryClose);
    got = CollectMarkedAll(joins, kCategoryOpen, kCategoryClose);
    ASSERT_EQ(got.items.size(), 3000u);
    EXPECT_EQ(got.items[2999], "2999");
    ExpectLikeLiteral(joins.substr(0, 600) + joins.substr(joins.size() - 2000), kCategoryOpen, kCategoryClose,
                      true);
}

TEST(CollectMarkedAll, RandomRepeatsOfSegmentsWithSeveralOpeningDelimiters) {
    // Pieces with opening delimiters inside them, repeated, so that a removal takes copies that
    // stand at the end of longer segments and joins what follows to their opening delimiters.
    const std::vector<std::string> tokens = {"{@#]a",        "{@#]b", kCategoryOpen, kCategoryOpen,
                                             kCategoryClose, "{@",    "#]",          "[#",
                                             "@}",           "a",     "\x81",        "\r\n"};
    std::mt19937 gen(31);
    for (int i = 0; i < 4000; ++i) {
        std::vector<std::string> segments(4);
        for (std::string& s : segments) s = Soup(gen, tokens, 5) + kCategoryClose;
        std::string text;
        for (int k = static_cast<int>(gen() % 25); k > 0; --k) text += segments[gen() % segments.size()];
        ExpectLikeLiteral(text, kCategoryOpen, kCategoryClose, true);
        if (HasFailure()) return;
    }
}

TEST(CollectMarkedAll, CraftedJoinsToBareOpeningDelimitersStayLinear) {
    // One piece, bare opening delimiters, then copies of the piece: every copy's removal joins the
    // next copy to the bare delimiters. Then the same with distinct pieces, one round each.
    const std::string piece = std::string(kCategoryOpen) + "u" + kCategoryClose;
    auto crafted = [&](std::size_t count) {
        std::string t = piece;
        for (std::size_t i = 0; i < count; ++i) t += kCategoryOpen;
        for (std::size_t i = 0; i < count; ++i) t += piece;
        return t;
    };
    auto distinct = [](std::size_t count) {
        std::string pieces, t;
        for (std::size_t i = 0; i < count; ++i)
            pieces += std::string(kCategoryOpen) + std::to_string(i) + kCategoryClose;
        t = pieces;
        for (std::size_t i = 0; i < count; ++i) t += kCategoryOpen;
        return t + pieces;
    };
    // Segments ending alike, each followed by the pieces that later rounds join to it, and rounds
    // whose pieces share those endings without matching: the known parts are extended, dropped at
    // the joins and extended again.
    auto deep = [&](std::size_t count) {
        const std::string o = kCategoryOpen, c = kCategoryClose;
        std::string t;
        for (std::size_t i = 0; i < count; ++i) {
            std::string bare;
            for (std::size_t k = 0; k < count; ++k) bare += o;
            t += o + "w" + bare + o + "v" + std::to_string(i) + c + o + "v" + std::to_string(i) + c;
        }
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t k = 0; k < count; ++k) t += o;
            for (std::size_t v = 0; v < count; ++v) t += o + "v" + std::to_string(v) + c;
        }
        return t;
    };
    for (std::size_t count : {1, 2, 3, 40}) {
        ExpectLikeLiteral(crafted(count), kCategoryOpen, kCategoryClose, true);
        ExpectLikeLiteral(distinct(count), kCategoryOpen, kCategoryClose, true);
        ExpectLikeLiteral(deep(count), kCategoryOpen, kCategoryClose, true);  // 40: its indexes compacted
    }
    // 256 KB each: minutes and gigabytes when every join re-hashed the bare delimiters.
    const std::string big = crafted(20000), bigDistinct = distinct(12000);
    MarkedItems got = CollectMarkedAll(big, kCategoryOpen, kCategoryClose);
    EXPECT_EQ(Strings(got), std::vector<std::string>{"u"});
    EXPECT_TRUE(got.unclosed);
    got = CollectMarkedAll(bigDistinct, kCategoryOpen, kCategoryClose);
    ASSERT_EQ(got.items.size(), 12000u);
    EXPECT_EQ(got.items[11999], "11999");
    EXPECT_TRUE(got.unclosed);
}

TEST(CollectMarkedFirst, KeepsRepeatsAndFollowsJoinsOfMultiByteDelimiters) {
    const std::vector<std::string> cases = {
        std::string(kFieldOpen) + "a" + kFieldClose + kFieldOpen + "a" + kFieldClose,
        std::string("[(开@") + kFieldOpen + "v" + kFieldClose + "始)]w" + kFieldClose,
        std::string("junk") + kFieldOpen + "v" + kFieldClose + "more" + kFieldOpen + "w",
        std::string(kFieldOpen) + kFieldOpen + "x" + kFieldClose + kFieldClose,
    };
    for (const std::string& c : cases) ExpectLikeLiteral(c, kFieldOpen, kFieldClose, false);

    const std::vector<std::string> tokens = {kFieldOpen, kFieldClose, "[(开@", "始)]", "[(结@", "束)]", "[(",
                                             "开",       "@",         "y",     "\x81", "\x81[", "\r\n"};
    std::mt19937 gen(7);
    for (int i = 0; i < 3000; ++i) {
        ExpectLikeLiteral(Soup(gen, tokens, 30), kFieldOpen, kFieldClose, false);
        if (HasFailure()) return;
    }
}

TEST(CollectMarkedFirst, StopsAtTheLimit) {
    const std::string text = std::string(kFieldOpen) + "1" + kFieldClose + kFieldOpen + "2" + kFieldClose;
    const MarkedItems got = CollectMarkedFirst(text, kFieldOpen, kFieldClose, 1);
    EXPECT_EQ(Strings(got), std::vector<std::string>{"1"});
}

}  // namespace
}  // namespace qm

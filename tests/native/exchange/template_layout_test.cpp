// Line templates: expansion for the export, the analysis into separators and field positions,
// and the cutting of lines, with the literal steps as the oracle where they are sound.
#include "exchange/template_layout.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "exchange/exchange_format.h"
#include "literal_exchange.h"

namespace qm {
namespace {

const std::vector<std::string> kExample = {"资讯", "a.example", "示例", "", "", "3", "120", "98", "15", "40"};

std::vector<std::string> Split(const std::string& line, const TemplateLayout& layout) {
    const std::vector<std::string_view> v = SplitByLayout(line, layout);
    return std::vector<std::string>(v.begin(), v.end());
}

TEST(ExpandTemplate, ReplacesEveryPlaceholderInFieldOrder) {
    EXPECT_EQ(ExpandTemplate(kDefaultTemplate, kExample), "a.example-示例-3\r\n");
    EXPECT_EQ(ExpandTemplate("", kExample), "\r\n");
    EXPECT_EQ(ExpandTemplate("no placeholders", kExample), "no placeholders\r\n");
    EXPECT_EQ(ExpandTemplate("[#PR值#]/[#PR值#] [#foo#] [#雅虎反链#][#分类名称#]", kExample),
              "3/3 [#foo#] 40资讯\r\n");
    // A value holding a later field's placeholder is expanded too; an earlier one's is not.
    std::vector<std::string> site = kExample;
    site[2] = "x[#PR值#][#分类名称#]";
    site[3] = "a\r\nb";
    EXPECT_EQ(ExpandTemplate("[#网站标题#]|[#登录帐号#]", site), "x3[#分类名称#]|a\r\nb\r\n");
}

TEST(AnalyseTemplate, GivesTheLayoutsOfTheWorkedTemplates) {
    TemplateLayout t = AnalyseTemplate(kDefaultTemplate);
    EXPECT_EQ(t.separators, (std::vector<std::string>{"-", "-"}));
    EXPECT_EQ(t.fieldNames, (std::vector<std::string>{"网站地址", "网站标题", "PR值"}));
    EXPECT_EQ(t.addressPosition, 1);

    t = AnalyseTemplate("网址:[#网站地址#] 标题:[#网站标题#]");
    EXPECT_EQ(t.separators, (std::vector<std::string>{"网址:", " 标题:"}));
    EXPECT_EQ(t.fieldNames, (std::vector<std::string>{"", "网站地址", "网站标题"}));
    EXPECT_EQ(t.addressPosition, 2);

    // Two placeholders side by side are one position, named by the first.
    t = AnalyseTemplate("[#网站标题#][#网站地址#]|[#网站地址#]");
    EXPECT_EQ(t.fieldNames, (std::vector<std::string>{"网站标题", "网站地址"}));
    EXPECT_EQ(t.addressPosition, 2);

    // No literal text: one value per line.
    t = AnalyseTemplate("[#网站地址#]");
    EXPECT_TRUE(t.separators.empty());
    EXPECT_EQ(t.fieldNames, std::vector<std::string>{"网站地址"});
    EXPECT_EQ(t.addressPosition, 1);

    for (const char* without : {"", "[#网站标题#]-[#PR值#]", "just text", "[#网站地址 #]"})
        EXPECT_EQ(AnalyseTemplate(without).addressPosition, 0) << without;

    // Text between "[#" and "#]" that is no placeholder stays part of a separator.
    t = AnalyseTemplate("[#网站地址#]-[#foo#]-[#网站标题#]");
    EXPECT_EQ(t.separators, std::vector<std::string>{"-[#foo#]-"});
    EXPECT_EQ(t.fieldNames, (std::vector<std::string>{"网站地址", "网站标题"}));
}

TEST(AnalyseTemplate, FindsSeparatorsOutsideThePlaceholders) {
    // Literally, "网站" is found inside "[#网站标题#]" and every title is lost...
    TemplateLayout literal = testing::LiteralAnalyseTemplate("[#网站标题#]网站[#网站地址#]");
    EXPECT_EQ(literal.fieldNames, (std::vector<std::string>{"", "网站地址"}));
    TemplateLayout t = AnalyseTemplate("[#网站标题#]网站[#网站地址#]");
    EXPECT_EQ(t.fieldNames, (std::vector<std::string>{"网站标题", "网站地址"}));
    EXPECT_EQ(Split("标题网站a.example", t), (std::vector<std::string>{"标题", "a.example"}));
    // ...and "#" inside "[#网站地址#]" loses the address position.
    EXPECT_EQ(testing::LiteralAnalyseTemplate("[#网站地址#]#[#网站标题#]").addressPosition, 0);
    t = AnalyseTemplate("[#网站地址#]#[#网站标题#]");
    EXPECT_EQ(t.fieldNames, (std::vector<std::string>{"网站地址", "网站标题"}));
    EXPECT_EQ(t.addressPosition, 1);
    t = AnalyseTemplate("[#PR值#]pr[#网站地址#]");
    EXPECT_EQ(t.fieldNames, (std::vector<std::string>{"PR值", "网站地址"}));
}

TEST(AnalyseTemplate, KeepsTheLiteralLayoutOfTemplatesWithoutThatOverlap) {
    const std::vector<std::string> parts = {
        "[#分类名称#]", "[#网站地址#]", "[#网站标题#]", "[#PR值#]", "[#雅虎反链#]", "-",
        "--",           " | ",          "网址:",        "[#foo#]",  "\t",           "abc"};
    std::mt19937 gen(5);
    int compared = 0;
    for (int i = 0; i < 2000; ++i) {
        std::string t;
        for (int k = static_cast<int>(gen() % 7); k > 0; --k) t += parts[gen() % parts.size()];
        const TemplateLayout want = testing::LiteralAnalyseTemplate(t);
        // The overlap mended above: a separator that the literal finds inside a placeholder.
        bool overlap = false;
        for (const std::string& sep : want.separators)
            for (const std::string& name : SiteFieldNames())
                overlap = overlap || Placeholder(name).find(sep) != std::string::npos;
        if (overlap) continue;
        const TemplateLayout got = AnalyseTemplate(t);
        EXPECT_EQ(got.separators, want.separators) << t;
        EXPECT_EQ(got.fieldNames, want.fieldNames) << t;
        EXPECT_EQ(got.addressPosition, want.addressPosition) << t;
        ++compared;
    }
    EXPECT_GT(compared, 1000);
}

TEST(AnalyseTemplate, TemplatesHoldingTheMarksEnd) {
    for (const std::string& t : {std::string(kBeforeMark), std::string(kAfterMark) + "[#网站地址#]",
                                 "[#网站地址#]" + std::string(kBeforeMark) + "x" + kBeforeMark,
                                 kAfterMark + std::string(kAfterMark) + "-[#网站标题#]"}) {
        const TemplateLayout layout = AnalyseTemplate(t);
        EXPECT_EQ(layout.fieldNames.size(), layout.separators.size() + 1) << t;
        EXPECT_EQ(SplitByLayout("a-b", layout).size(), layout.fieldNames.size()) << t;
    }
}

TEST(SplitByLayout, CutsAtTheFirstOccurrenceOfEachSeparator) {
    const TemplateLayout d = AnalyseTemplate(kDefaultTemplate);
    EXPECT_EQ(Split("a.example-示例-3", d), (std::vector<std::string>{"a.example", "示例", "3"}));
    EXPECT_EQ(Split("no hyphen at all", d), (std::vector<std::string>{"", "", "no hyphen at all"}));
    EXPECT_EQ(Split("a.example-标题-副标题-3", d),
              (std::vector<std::string>{"a.example", "标题", "副标题-3"}));
    EXPECT_EQ(Split("a-b", d), (std::vector<std::string>{"a", "", "b"}));
    const TemplateLayout words = AnalyseTemplate("[#网站地址#]Title:[#网站标题#]");
    EXPECT_EQ(Split("a.example TITLE:示例", words), (std::vector<std::string>{"a.example ", "示例"}));
    // A separator is never found in the mark that ends the line: "@" is a character of it.
    const TemplateLayout at = AnalyseTemplate("[#网站地址#]@[#网站标题#]");
    EXPECT_EQ(Split("a.example", at), (std::vector<std::string>{"", "a.example"}));
    EXPECT_EQ(testing::LiteralSplitByLayout("a.example", at), (std::vector<std::string>{"a.example[", ""}));
    // A "|" on the second byte of a GBK character is no separator.
    const TemplateLayout bar = AnalyseTemplate("[#网站地址#]|[#网站标题#]");
    EXPECT_EQ(Split("\x81|x|y", bar), (std::vector<std::string>{"\x81|x", "y"}));
}

TEST(SplitByLayout, AgreesWithTheLiteralStepsOnOrdinaryLines) {
    const std::vector<std::string> templates = {kDefaultTemplate, "网址:[#网站地址#] 标题:[#网站标题#]",
                                                "[#网站地址#],[#网站标题#],[#登录帐号#],[#PR值#]",
                                                "[#网站地址#]"};
    const std::vector<std::string> tokens = {"a", "B", "-", ",", " ", "网址:", "标题:", "示例", "\x81", "x:"};
    std::mt19937 gen(3);
    for (const std::string& t : templates) {
        const TemplateLayout layout = AnalyseTemplate(t);
        for (int i = 0; i < 500; ++i) {
            std::string line;
            for (int k = static_cast<int>(gen() % 12); k > 0; --k) line += tokens[gen() % tokens.size()];
            EXPECT_EQ(Split(line, layout), testing::LiteralSplitByLayout(line, layout)) << t << " / " << line;
        }
    }
}

}  // namespace
}  // namespace qm

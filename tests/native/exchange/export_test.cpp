// Export: the native format byte for byte, the custom lines, the choice of sites, and the file
// that is replaced only by a whole new content.
#include <gtest/gtest.h>

#include "exchange/exchange_format.h"
#include "exchange/export_text.h"
#include "exchange_test_fixture.h"

namespace qm {
namespace {

using namespace testing;

const Texts kExampleSite = {"资讯", "a.example", "示例", "", "", "3", "120", "98", "15", "40"};
const std::string kExampleFile =
    "<!--分类数据开始-->\r\n{@#]资讯[#@}\r\n<!--分类数据结束-->\r\n<!--网站数据开始-->\r\n"
    "{@@##][(开@始)]资讯[(结@束)][(开@始)]a.example[(结@束)][(开@始)]示例[(结@束)][(开@始)][(结@束)]"
    "[(开@始)][(结@束)][(开@始)]3[(结@束)][(开@始)]120[(结@束)][(开@始)]98[(结@束)][(开@始)]15[(结@束)]"
    "[(开@始)]40[(结@束)][##@@}\r\n<!--网站数据结束-->\r\n";

std::string Hex(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        static const char* digits = "0123456789ABCDEF";
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

class Export : public ExchangeTest {
  protected:
    std::string Text(int format, const std::string& choice, const std::string& tmpl = kDefaultTemplate) {
        return BuildExportText(format, tmpl, choice).value_or("<failed>");
    }
};

TEST(ExchangeFormat, DelimitersHaveTheirGbkBytes) {
    EXPECT_EQ(Hex(kCategoriesBegin), "3C 21 2D 2D B7 D6 C0 E0 CA FD BE DD BF AA CA BC 2D 2D 3E");
    EXPECT_EQ(Hex(kCategoriesEnd), "3C 21 2D 2D B7 D6 C0 E0 CA FD BE DD BD E1 CA F8 2D 2D 3E");
    EXPECT_EQ(Hex(kSitesBegin), "3C 21 2D 2D CD F8 D5 BE CA FD BE DD BF AA CA BC 2D 2D 3E");
    EXPECT_EQ(Hex(kSitesEnd), "3C 21 2D 2D CD F8 D5 BE CA FD BE DD BD E1 CA F8 2D 2D 3E");
    EXPECT_EQ(Hex(kCategoryOpen), "7B 40 23 5D");
    EXPECT_EQ(Hex(kCategoryClose), "5B 23 40 7D");
    EXPECT_EQ(Hex(kSiteOpen), "7B 40 40 23 23 5D");
    EXPECT_EQ(Hex(kSiteClose), "5B 23 23 40 40 7D");
    EXPECT_EQ(Hex(kFieldOpen), "5B 28 BF AA 40 CA BC 29 5D");
    EXPECT_EQ(Hex(kFieldClose), "5B 28 BD E1 40 CA F8 29 5D");
    EXPECT_EQ(Hex(kBeforeMark), "5B 40 23 7E C7 B0 7E 23 40 5D");
    EXPECT_EQ(Hex(kAfterMark), "5B 40 23 7E BA F3 7E 23 40 5D");
}

TEST_F(Export, WorkedExampleByteForByte) {
    AddCategories({"资讯"});
    Store({kExampleSite});
    EXPECT_EQ(Text(0, "所有数据"), kExampleFile);
    EXPECT_EQ(Text(0, "资讯"), kExampleFile);
    EXPECT_EQ(Text(1, "所有数据"), "a.example-示例-3\r\n");
    EXPECT_EQ(Messages(), Texts{});
}

TEST_F(Export, EmptyCategoryStoreAndEmptyCategory) {
    const std::string sections =
        "<!--分类数据开始-->\r\n<!--分类数据结束-->\r\n<!--网站数据开始-->\r\n<!--网站数据结束-->\r\n";
    EXPECT_EQ(Text(0, "所有数据"), sections);
    EXPECT_EQ(Text(1, "所有数据"), "");
    AddCategories({"空"});
    EXPECT_EQ(Text(0, "空"),
              "<!--分类数据开始-->\r\n{@#]空[#@}\r\n<!--分类数据结束-->\r\n<!--网站数据开始-->\r\n"
              "<!--网站数据结束-->\r\n");
    EXPECT_EQ(Text(1, "空"), "");
}

TEST_F(Export, SitesComeByCategoryOrderThenStoreOrder) {
    AddCategories({"B", "A", "所有数据", "B"});
    Store({{"A", "a1"}, {"B", "b1"}, {"gone", "g1"}, {"A", "a2"}, {"所有数据", "x1"}, {"b", "lower"}});
    EXPECT_EQ(Text(1, "所有数据", "[#网站地址#]"), "b1\r\na1\r\na2\r\nx1\r\nb1\r\n");
    EXPECT_EQ(Text(1, "A", "[#网站地址#]"), "a1\r\na2\r\n");
    EXPECT_EQ(Text(1, "gone", "[#网站地址#]"), "g1\r\n");  // a name the combo would not offer
    const std::string all = Text(0, "所有数据");
    EXPECT_NE(all.find("{@#]B[#@}\r\n{@#]A[#@}\r\n{@#]所有数据[#@}\r\n{@#]B[#@}\r\n"), std::string::npos);
}

TEST_F(Export, ValuesAreWrittenUnchanged) {
    AddCategories({"c"});
    Store({{"c", "a\r\nb", "[(结@束)][##@@}", "{@#]", "<!--网站数据结束-->", "", "", "", "", "\x81"}});
    const std::string native = Text(0, "c");
    EXPECT_NE(native.find("[(开@始)]a\r\nb[(结@束)][(开@始)][(结@束)][##@@}[(结@束)][(开@始)]{@#][(结@束)]"),
              std::string::npos);
    EXPECT_EQ(Text(1, "c", "[#网站地址#]|[#雅虎反链#]"), "a\r\nb|\x81\r\n");
}

TEST_F(Export, FailedStoresBuildNothing) {
    const StoreInfo* categories = FindStoreInfo(kCategoryStoreAlias);
    ASSERT_TRUE(fileio::RemoveFile(Folder() + categories->fileName));
    EXPECT_EQ(BuildExportText(0, "", "所有数据"), std::nullopt);
    EXPECT_EQ(Messages(), Texts{"打开分类数据库失败！"});
    EXPECT_EQ(Text(0, "one"),
              "<!--分类数据开始-->\r\n{@#]one[#@}\r\n<!--分类数据结束-->\r\n<!--网站数据开始-->\r\n"
              "<!--网站数据结束-->\r\n");
    ASSERT_TRUE(fileio::RemoveFile(Folder() + FindStoreInfo(kSiteStoreAlias)->fileName));
    EXPECT_EQ(BuildExportText(1, "", "one"), std::nullopt);
    EXPECT_EQ(Messages(), Texts{"打开网站数据库失败！"});
}

TEST_F(Export, TheFileIsReplacedOnlyByAWholeText) {
    AddCategories({"资讯"});
    Store({kExampleSite});
    const std::string path = File("导出.txt");
    Spit(path, std::string(100000, 'o'));
    EXPECT_TRUE(ExportToFile(path, 0, "", "所有数据"));
    EXPECT_EQ(Slurp(path), kExampleFile);
    EXPECT_EQ(Messages(), Texts{"导出完成！"});

    // A store that fails leaves the old file; so does a path that cannot be written.
    ASSERT_TRUE(fileio::RemoveFile(Folder() + FindStoreInfo(kCategoryStoreAlias)->fileName));
    EXPECT_FALSE(ExportToFile(path, 0, "", "所有数据"));
    EXPECT_EQ(Messages(), (Texts{"打开分类数据库失败！", "导出完成！"}));
    EXPECT_EQ(Slurp(path), kExampleFile);
    EXPECT_FALSE(ExportToFile(File("no such folder\\x.txt"), 0, "", "资讯"));
    EXPECT_EQ(Messages(), (Texts{"写入导出文件失败！", "导出完成！"}));
    EXPECT_FALSE(ExportToFile("", 0, "", "资讯"));
    EXPECT_EQ(Messages(), (Texts{"请选择导出地址！", "导出完成！"}));
    {
        FailWritesFrom fail(1);
        EXPECT_FALSE(ExportToFile(path, 1, "x", "资讯"));
    }
    EXPECT_EQ(Messages(), (Texts{"写入导出文件失败！", "导出完成！"}));
    EXPECT_EQ(Slurp(path), kExampleFile);
    EXPECT_EQ(Tree(FilesFolder()).size(), 1u);  // no temporary file left
}

}  // namespace
}  // namespace qm

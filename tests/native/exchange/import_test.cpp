// Import: what both formats put into the stores and say, export and import as a round trip, and
// the fast import against the literal one (a find pass per site, an open and close per append) on
// generated and hostile files, compared store by store and message by message.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "exchange/exchange_format.h"
#include "exchange/export_text.h"
#include "exchange/import_store.h"
#include "exchange/import_text.h"
#include "exchange_test_fixture.h"
#include "literal_exchange.h"

namespace qm {
namespace {

using namespace testing;

const Texts kExampleSite = {"资讯", "a.example", "示例", "", "", "3", "120", "98", "15", "40"};

std::string Record(const Texts& fields) {
    std::string r = kSiteOpen;
    for (const std::string& f : fields) r += std::string(kFieldOpen) + f + kFieldClose;
    return r + kSiteClose;
}

std::string NativeFile(const Texts& categories, const std::vector<std::string>& records) {
    std::string t = std::string(kCategoriesBegin) + "\r\n";
    for (const std::string& c : categories) t += std::string(kCategoryOpen) + c + kCategoryClose + "\r\n";
    t += std::string(kCategoriesEnd) + "\r\n" + kSitesBegin + "\r\n";
    for (const std::string& r : records) t += r + "\r\n";
    return t + kSitesEnd + "\r\n";
}

Texts SiteOf(const std::string& category, const std::string& address, const std::string& title = "t") {
    return {category, address, title, "", "", "", "", "", "", ""};
}

class Import : public ExchangeTest {};

// The import's duplicate test keeps only record numbers under hash tags: every key added is found
// through its own record, keys never added are not (whatever records share their slots), and a
// miss reads a record only when 32 bits of hash collide, about never.
TEST(RecordKeys, FindsEveryKeyThroughItsRecordAndReadsAlmostNothingOnAMiss) {
    std::vector<std::string> keys;  // record n has key keys[n - 1]
    RecordKeys table;
    for (int i = 0; i < 60000; ++i) {
        keys.push_back("host" + std::to_string(i) + (i % 3 ? ".example" : ""));
        table.Add(keys.back(), static_cast<long long>(keys.size()));
    }
    keys.push_back("host7");  // a second record of one key: found through either
    table.Add(keys.back(), static_cast<long long>(keys.size()));
    long long reads = 0;
    auto keyOf = [&](long long n) {
        ++reads;
        return keys.at(static_cast<std::size_t>(n - 1));
    };
    for (const std::string& k : keys) ASSERT_TRUE(table.Contains(k, keyOf)) << k;
    EXPECT_LE(reads, static_cast<long long>(keys.size()) + 10);
    reads = 0;
    for (int i = 0; i < 60000; ++i) {
        ASSERT_FALSE(table.Contains("other" + std::to_string(i), keyOf));
        ASSERT_FALSE(table.Contains("host" + std::to_string(i) + ".exampl", keyOf));
    }
    EXPECT_LE(reads, 10);
    EXPECT_FALSE(RecordKeys().Contains("host1", keyOf));
}

// A site whose fields would not fit the store (a field over kMaxFieldBytes) is skipped, and so is
// a category name over it with its sites; the count is said once, and the rest is imported.
TEST_F(Import, WhatIsTooLongToStoreIsSkippedAndCounted) {
    const std::string over(kMaxFieldBytes + 1, 't'), at(kMaxFieldBytes, 't');
    ImportNative(NativeFile({"c", over}, {Record(SiteOf("c", "http://one.example/", over)),
                                          Record(SiteOf("c", "http://two.example/", at)),
                                          Record(SiteOf(over, "http://three.example/"))}));
    EXPECT_EQ(Categories(), Texts{"c"});
    EXPECT_EQ(Sites(), (Table{SiteOf("c", "http://two.example/", at)}));
    EXPECT_EQ(Messages(), Texts{TooLongSkippedMessage(3)});
    Empty();
    ImportCustom("[#网站地址#]-[#网站标题#]", "target",
                 "http://one.example/-" + over + "\r\nhttp://two.example/-ok\r\n");
    EXPECT_EQ(Sites(), (Table{SiteOf("target", "http://two.example/", "ok")}));
    EXPECT_EQ(Messages(), Texts{TooLongSkippedMessage(1)});
}

TEST_F(Import, WorkedExampleRoundTripsIntoEmptyStores) {
    AddCategories({"资讯", "空"});
    Store({kExampleSite, SiteOf("空", "http://b.example/x", "a\r\nb")});
    const std::string native = BuildExportText(0, "", "所有数据").value();
    const std::string custom = BuildExportText(1, "[#分类名称#]|[#网站地址#]|[#PR值#]", "所有数据").value();
    const Table sites = Sites();
    Empty();
    ImportNative(native);
    EXPECT_EQ(Categories(), (Texts{"资讯", "空"}));
    EXPECT_EQ(Sites(), sites);
    ImportNative(native);  // a second time adds nothing
    EXPECT_EQ(Categories(), (Texts{"资讯", "空"}));
    EXPECT_EQ(Sites(), sites);
    EXPECT_EQ(Messages(), Texts{});

    Empty();
    ImportCustom("[#分类名称#]|[#网站地址#]|[#PR值#]", "target", custom);
    // The title's CR LF ended the second site's line early: the rest is a line of its own.
    EXPECT_EQ(Sites(), (Table{{"资讯", "a.example", "", "", "", "3", "", "", "", ""},
                              {"空", "http://b.example/x", "", "", "", "", "", "", "", ""}}));
    EXPECT_EQ(Categories(), Texts{});  // the custom format adds no category
}

TEST_F(Import, NativeFilesAsTheCatalogueTakesThem) {
    AddCategories({"已有"});
    Store({SiteOf("已有", "http://Stored.example/")});
    const std::string file = NativeFile(
        {"已有", "新", "新", "空"},
        {Record(SiteOf("新", "stored.example:81/other")),     // same host as a stored site
         Record(SiteOf("新", "http://twice.example/", "1")),  // the first of two with one host
         Record(SiteOf("已有", "http://TWICE.example/", "2")),
         Record(SiteOf("新", "http://twice.example/", "1")),  // a verbatim repeat is collected once
         Record(SiteOf("不在文件里", "http://missing.example/")),
         Record(SiteOf("已有", "http://stored.example/")),
         Record({"新", "http://short.example/", "only three"})});
    ImportNative(file);
    EXPECT_EQ(Categories(), (Texts{"已有", "新", "空"}));
    // Category-section order first: "已有" takes the host "twice.example" before "新" comes.
    EXPECT_EQ(Sites(), (Table{SiteOf("已有", "http://Stored.example/"),
                              SiteOf("已有", "http://TWICE.example/", "2"),
                              {"新", "http://short.example/", "only three", "", "", "", "", "", "", ""}}));
    EXPECT_EQ(Messages(), Texts{});
}

TEST_F(Import, EveryByteIsReadAndWhatCannotBeIsSaid) {
    const std::string nul("a\0b", 3);
    ImportNative(NativeFile({"c"}, {Record(SiteOf("c", "http://one.example/", nul)),
                                    Record(SiteOf("c", "http://two.example/", "\x1A")),
                                    Record(SiteOf("c", "http://three.example/", "\xFF\x81"))}));
    const Table sites = Sites();
    ASSERT_EQ(sites.size(), 3u);
    EXPECT_EQ(sites[0][2], nul);
    EXPECT_EQ(sites[1][2], "\x1A");
    EXPECT_EQ(Messages(), Texts{});

    // A value holding the section's end line cuts the section inside its record.
    Empty();
    ImportNative(NativeFile({"c"}, {Record(SiteOf("c", "http://first.example/")),
                                    Record(SiteOf("c", "http://cut.example/", kSitesEnd)),
                                    Record(SiteOf("c", "http://lost.example/"))}));
    EXPECT_EQ(Sites(), Table{SiteOf("c", "http://first.example/")});
    EXPECT_EQ(Messages(), Texts{"导入文件中有无法读取的数据！"});

    Empty();
    ImportNative(RandomBytes(100000));
    ImportNative("");
    EXPECT_EQ(Sites(), Table{});
    EXPECT_EQ(Messages(), Texts{});
}

TEST_F(Import, ValuesHoldingAClosingDelimiterAreSaidToBeUnreadable) {
    // What is stored is what the reading gives; the import says that something was passed over.
    const std::vector<std::pair<std::string, std::string>> lossy = {
        {std::string("x") + kFieldClose + "y", "x"},  // "y" stands between two fields
        {std::string("x") + kSiteClose + "y", ""},    // the record ends inside the title
        {std::string(kSiteClose) + "y", ""},          // the same with nothing of the field before it
    };
    for (const auto& [title, stored] : lossy) {
        Empty();
        ImportNative(NativeFile({"c"}, {Record(SiteOf("c", "http://one.example/", title))}));
        const Table sites = Sites();
        ASSERT_EQ(sites.size(), 1u) << title;
        EXPECT_EQ(sites[0][2], stored) << title;
        EXPECT_EQ(Messages(), Texts{"导入文件中有无法读取的数据！"}) << title;
    }
    // Junk between fields, and an eleventh field, each passed over.
    std::string junk = Record(SiteOf("c", "http://two.example/"));
    junk.insert(junk.find(kFieldClose) + std::strlen(kFieldClose), "junk");
    for (const std::string& record :
         {junk, Record({"c", "http://three.example/", "", "", "", "", "", "", "", "", "eleventh"})}) {
        ImportNative(NativeFile({"c"}, {record}));
        EXPECT_EQ(Messages(), Texts{"导入文件中有无法读取的数据！"}) << record;
    }
    EXPECT_EQ(Sites().size(), 3u);
    // Text between records, and a category name holding its closing delimiter.
    for (const std::string& file :
         {NativeFile({"c"}, {Record(SiteOf("c", "http://seven.example/")) + "junk"}),
          NativeFile({std::string("c") + kCategoryClose + "d"}, {})}) {
        ImportNative(file);
        EXPECT_EQ(Messages(), Texts{"导入文件中有无法读取的数据！"}) << file;
    }
    // Delimiters and line ends passed over are nothing lost; an opening delimiter in a value is
    // read with the value.
    Empty();
    std::string spaced = Record(SiteOf("c", "http://four.example/"));
    spaced.insert(spaced.find(kFieldClose) + std::strlen(kFieldClose), std::string("\r\n") + kSiteOpen);
    ImportNative(NativeFile(
        {"c"}, {spaced, Record(SiteOf("c", "http://five.example/", std::string("a") + kFieldOpen + "b"))}));
    EXPECT_EQ(Sites(), (Table{SiteOf("c", "http://four.example/"),
                              SiteOf("c", "http://five.example/", std::string("a") + kFieldOpen + "b")}));
    EXPECT_EQ(Messages(), Texts{});
    // The file run says it before its completion message.
    const std::string path = File("lossy.txt");
    Spit(path,
         NativeFile({"c"},
                    {Record(SiteOf("c", "http://six.example/", std::string("x") + kFieldClose + "y"))}));
    ImportFromFile(path, 0, "", "自动分配");
    EXPECT_EQ(Messages(), (Texts{"导入文件中有无法读取的数据！", "导入完成！"}));
}

TEST_F(Import, FailedStoresEndTheImportWithTheirMessages) {
    InSecondFolder([&] {
        ASSERT_TRUE(fileio::RemoveFile(ProgramFolder() + FindStoreInfo(kSiteStoreAlias)->fileName));
        ImportNative(NativeFile({"c", "d"}, {Record(SiteOf("c", "http://one.example/"))}));
        EXPECT_EQ(Messages(), (Texts{"打开网站数据库失败！", "打开网站数据库失败！"}));
        EXPECT_EQ(Categories(), Texts{"c"});
        ImportCustom(kDefaultTemplate, "c", "a-b-c");
        EXPECT_EQ(Messages(), Texts{"打开网站数据库失败！"});
    });
    ASSERT_TRUE(fileio::RemoveFile(Folder() + FindStoreInfo(kCategoryStoreAlias)->fileName));
    ImportNative(NativeFile({"c"}, {Record(SiteOf("c", "http://one.example/"))}));
    EXPECT_EQ(Messages(), (Texts{"打开分类数据库失败！", "打开分类数据库失败！"}));
    EXPECT_EQ(Sites(), Table{});
}

TEST_F(Import, LinesAndValuesOfTenMegabytes) {
    std::string big(10u << 20, 'x');
    for (std::size_t i = 0; i < big.size(); i += 4096) big[i] = '\xB0';  // GBK lead bytes among them
    // Values over the length of a field are read through and skipped; the longest one is stored.
    const std::string largest = big.substr(0, kMaxFieldBytes);
    ImportNative(NativeFile({"c"}, {Record(SiteOf("c", "http://big.example/", big)),
                                    Record(SiteOf("c", "http://large.example/", largest))}));
    ImportCustom(kDefaultTemplate, "c",
                 "big-" + big + "-1\r\nlarge-" + largest + "-1\r\nnext.example-t-2\r\n");
    const Table sites = Sites();
    ASSERT_EQ(sites.size(), 3u);
    EXPECT_EQ(sites[0][2], largest);
    EXPECT_EQ(sites[1][1], "large");
    EXPECT_EQ(sites[1][2], largest);
    EXPECT_EQ(sites[2][1], "next.example");
    EXPECT_EQ(Messages(), (Texts{TooLongSkippedMessage(1), TooLongSkippedMessage(1)}));
}

TEST_F(Import, AStoreThatCannotBeWrittenKeepsNothingOfTheRunAndSaysSo) {
    AddCategories({"c"});
    Store({SiteOf("c", "http://old.example/")});
    const std::string file = NativeFile({"c", "新"}, {Record(SiteOf("c", "http://one.example/")),
                                                      Record(SiteOf("新", "http://two.example/"))});
    {
        FailWritesFrom fail(1);
        ImportNative(file);
        ImportCustom(kDefaultTemplate, "c", "three.example-t-1\n");
    }
    EXPECT_EQ(Messages(), (Texts{"添加分类失败！", "添加网站数据失败！", "添加网站数据失败！"}));
    EXPECT_EQ(Categories(), Texts{"c"});
    EXPECT_EQ(Sites(), Table{SiteOf("c", "http://old.example/")});
    ImportNative(file);  // and the next run finds the stores as they were
    EXPECT_EQ(Sites().size(), 3u);
    EXPECT_EQ(Messages(), Texts{});
}

TEST_F(Import, CustomLinesByTheTemplate) {
    AddCategories({"目标"});
    ImportCustom(kDefaultTemplate, "目标",
                 "a.example-示例-3\r\nno hyphen\nt.example-标题-副-2\r\n\r\nafter.example-x-1");
    EXPECT_EQ(Sites(), (Table{{"目标", "a.example", "示例", "", "", "3", "", "", "", ""},
                              {"目标", "", "", "", "", "no hyphen", "", "", "", ""},
                              {"目标", "t.example", "标题", "", "", "副-2", "", "", "", ""}}));
    Empty();
    // The template's category wins over the target, and no category is added for it.
    ImportCustom("[#分类名称#],[#网站地址#]", "目标", "甲,a.example\n乙,b.example\n丙,A.EXAMPLE\n");
    EXPECT_EQ(Sites(), (Table{SiteOf("甲", "a.example", ""), SiteOf("乙", "b.example", "")}));
    EXPECT_EQ(Categories(), Texts{});
    Empty();
    ImportCustom("[#网站地址#]", "c", "one.example\rtwo\n");  // no literal text: a value per line
    EXPECT_EQ(Sites(), (Table{SiteOf("c", "one.example\rtwo", "")}));
    EXPECT_EQ(Messages(), Texts{});
    ImportCustom("[#网站标题#]-[#PR值#]", "c", "x-1\n");
    ImportCustom("", "c", "x\n");
    EXPECT_EQ(Messages(), (Texts{"格式文本中缺少[#网站地址#]！", "格式文本中缺少[#网站地址#]！"}));
    EXPECT_EQ(Sites().size(), 1u);
}

TEST_F(Import, EachFormatReadAsTheOther) {
    AddCategories({"c"});
    const std::string native = NativeFile({"c"}, {Record(SiteOf("c", "http://n.example/"))});
    ImportText(1, "[#网站地址#]", "c", native);  // six lines, six different hosts
    const Table sites = Sites();
    ASSERT_EQ(sites.size(), 6u);
    EXPECT_EQ(sites[0], SiteOf("c", kCategoriesBegin, ""));
    EXPECT_EQ(sites[5], SiteOf("c", kSitesEnd, ""));
    Empty();
    ImportText(0, kDefaultTemplate, "c", "a.example-示例-3\r\n");
    EXPECT_EQ(Sites(), Table{});
    EXPECT_EQ(Categories(), Texts{});
    EXPECT_EQ(Messages(), Texts{});
}

TEST_F(Import, TheFileRun) {
    const std::string path = File("导入.txt");
    Spit(path, NativeFile({"c"}, {Record(SiteOf("c", "http://one.example/"))}));
    ImportFromFile(path, 0, "", "自动分配");
    EXPECT_EQ(Sites().size(), 1u);
    ImportFromFile(File("missing.txt"), 0, "", "自动分配");
    ImportFromFile("", 1, kDefaultTemplate, "c");
    EXPECT_EQ(Messages(),
              (Texts{"导入完成！", "打开导入文件失败！", "导入完成！", "请选择导入文件！", "导入完成！"}));
}

// Files made of a few categories and hosts, so that duplicates, missing categories and repeats
// are common, with junk between records in some of them.
std::string GeneratedFile(std::mt19937& gen, bool hostile) {
    const Texts names = {"甲", "乙", "丙", "", "所有数据"};
    const std::vector<std::string> junk = {"", "\r\n", "x", "{@@", "##]", "[(开@", "[##", "@@}", kFieldOpen};
    Texts categories;
    for (int i = static_cast<int>(gen() % 5); i > 0; --i) categories.push_back(names[gen() % names.size()]);
    std::vector<std::string> records;
    for (int i = static_cast<int>(gen() % 12); i > 0; --i) {
        Texts f = SiteOf(names[gen() % names.size()], "http://h" + std::to_string(gen() % 6) + ".example/",
                         std::to_string(gen() % 3));
        f.resize(gen() % 4 == 0 ? gen() % 11 : 10);
        std::string r = Record(f);
        if (hostile)
            r = junk[gen() % junk.size()] + r.substr(0, r.size() - gen() % 3) + junk[gen() % junk.size()];
        records.push_back(r);
    }
    return NativeFile(categories, records);
}

TEST_F(Import, FastNativeImportDoesWhatTheLiteralOneDoes) {
    AddCategories({"甲"});
    Store({SiteOf("甲", "http://h1.example/")});
    std::mt19937 gen(11);
    for (int i = 0; i < 120; ++i) {
        const std::string file = GeneratedFile(gen, i % 2 == 1);
        Table literalSites;
        Texts literalCategories, literalMessages;
        InSecondFolder([&] {
            LiteralImportNative(file);
            literalSites = Sites();
            literalCategories = Categories();
            literalMessages = Messages();
        });
        ImportNative(file);
        ASSERT_EQ(Sites(), literalSites) << ::testing::PrintToString(file);
        ASSERT_EQ(Categories(), literalCategories) << ::testing::PrintToString(file);
        Texts messages = Messages();
        const LiteralRead read = LiteralReadNative(file);
        if (read.unclosed || read.skipped) literalMessages.push_back("导入文件中有无法读取的数据！");
        ASSERT_EQ(messages, literalMessages) << ::testing::PrintToString(file);
    }
}

TEST_F(Import, FastCustomImportDoesWhatTheLiteralOneDoes) {
    const Texts templates = {kDefaultTemplate, "[#分类名称#],[#网站地址#],[#网站标题#]",
                             "站:[#网站地址#] [#PR值#][#百度收录#]|[#网站地址#]", "[#网站地址#]"};
    const Texts pieces = {"h1.example", "H2.example", "-", ",", "|", "站:", " ", "x", "\r", "\n", "\r\n"};
    std::mt19937 gen(13);
    for (int i = 0; i < 200; ++i) {
        const std::string& t = templates[gen() % templates.size()];
        std::string text;
        for (int k = static_cast<int>(gen() % 25); k > 0; --k) text += pieces[gen() % pieces.size()];
        Table literal;
        InSecondFolder([&] {
            LiteralImportCustom(t, "target", text);
            literal = Sites();
        });
        ImportCustom(t, "target", text);
        ASSERT_EQ(Sites(), literal) << t << " / " << ::testing::PrintToString(text);
    }
    EXPECT_EQ(Messages(), Texts{});
}

}  // namespace
}  // namespace qm

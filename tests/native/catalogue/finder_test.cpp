// The finder's matching and its index over SiteStore: terms across fields, case, full-width forms,
// pinyin initials, digits and punctuation wherever they stand, literal punctuation, ranking, the narrowing
// search as the user types, bad input.
#include "catalogue/finder.h"

#include <random>

#include "platform/file_io.h"
#include "program_folder_fixture.h"

namespace qm {
namespace {

struct Site {
    std::string category, address, title, account;
};

FinderIndex IndexOf(const std::vector<Site>& sites) {
    FinderIndex index;
    std::uint32_t record = 1;
    for (const Site& s : sites) AddFinderSite(index, record++, s.category, s.address, s.title, s.account);
    return index;
}

// The addresses of the sites found, in the order found.
std::vector<std::string> Found(const FinderIndex& index, std::string_view query) {
    std::vector<std::string> out;
    for (std::uint32_t i : FindSites(index, ParseFinderQuery(query)))
        out.emplace_back(FinderFieldText(index, index.sites[i], kFinderAddress));
    return out;
}

using Strings = std::vector<std::string>;

TEST(PinyinInitials, EveryLevelOneCharacterHasTheInitialOfItsBlock) {
    // The first character of each initial and the last one before it.
    const struct {
        const char* ch;
        char initial;
    } cases[] = {{"啊", 'a'}, {"澳", 'a'}, {"芭", 'b'}, {"怖", 'b'}, {"擦", 'c'}, {"错", 'c'}, {"搭", 'd'},
                 {"堕", 'd'}, {"蛾", 'e'}, {"贰", 'e'}, {"发", 'f'}, {"咐", 'f'}, {"噶", 'g'}, {"过", 'g'},
                 {"哈", 'h'}, {"祸", 'h'}, {"击", 'j'}, {"骏", 'j'}, {"喀", 'k'}, {"阔", 'k'}, {"垃", 'l'},
                 {"络", 'l'}, {"妈", 'm'}, {"穆", 'm'}, {"拿", 'n'}, {"诺", 'n'}, {"哦", 'o'}, {"沤", 'o'},
                 {"啪", 'p'}, {"瀑", 'p'}, {"期", 'q'}, {"群", 'q'}, {"然", 'r'}, {"弱", 'r'}, {"撒", 's'},
                 {"所", 's'}, {"塌", 't'}, {"唾", 't'}, {"挖", 'w'}, {"误", 'w'}, {"昔", 'x'}, {"迅", 'x'},
                 {"压", 'y'}, {"孕", 'y'}, {"匝", 'z'}, {"座", 'z'}, {"网", 'w'}, {"站", 'z'}};
    for (const auto& c : cases) {
        const auto* b = reinterpret_cast<const unsigned char*>(c.ch);
        EXPECT_EQ(PinyinInitial(b[0], b[1]), c.initial) << c.ch;
    }
    int withInitial = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            if (PinyinInitial(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)) != 0) {
                ++withInitial;
                EXPECT_TRUE(lead >= 0xB0 && lead <= 0xD7 && trail >= 0xA1) << lead << " " << trail;
            }
    EXPECT_EQ(withInitial, 3755) << "the level-1 characters, and nothing else";
    EXPECT_EQ(PinyinInitial(0xD7, 0xFA), 0) << "unassigned after 座";
    EXPECT_EQ(PinyinInitial(0xD8, 0xA1), 0) << "亍, level 2";
    EXPECT_EQ(PinyinInitial(0xA3, 0xC1), 0) << "Ａ";
}

TEST(FinderMatching, EveryTermMustOccurInOneFieldOfItsOwn) {
    const FinderIndex index = IndexOf({{"论坛", "http://bbs.one.cn", "One Forum", "wx2019"},
                                       {"论坛", "http://bbs.two.cn", "Two Forum", "lee"},
                                       {"博客", "http://blog.cn", "My wx2019 notes", "amy"},
                                       {"ab", "cd", "ef", "gh"}});
    EXPECT_EQ(Found(index, "forum wx2019"), (Strings{"http://bbs.one.cn"}));
    EXPECT_EQ(Found(index, "wx2019   forum"), (Strings{"http://bbs.one.cn"})) << "order and extra blanks";
    EXPECT_EQ(Found(index, "论坛 lee"), (Strings{"http://bbs.two.cn"})) << "category and account";
    EXPECT_EQ(Found(index, "wx2019"), (Strings{"http://blog.cn", "http://bbs.one.cn"}));
    EXPECT_EQ(Found(index, "bc"), Strings{}) << "a term never spans two fields";
    EXPECT_EQ(Found(index, "fg"), Strings{});
    EXPECT_EQ(Found(index, "forum nobody"), Strings{});
    EXPECT_EQ(Found(index, "FORUM Wx2019"), (Strings{"http://bbs.one.cn"}));
    EXPECT_EQ(Found(index, "pw"), Strings{}) << "no password in the index";
}

TEST(FinderMatching, FullWidthFormsAndPinyinInitialsMatch) {
    const FinderIndex index = IndexOf({{"聊天", "http://qq.com", "QQ空间", "a1"},
                                       {"工具", "http://x.cn", "网站统计", "Ｗｘ２０１９"},
                                       {"其他", "http://y.cn", "乤丄", "b2"}});
    EXPECT_EQ(Found(index, "ＱＱ"), (Strings{"http://qq.com"}));
    EXPECT_EQ(Found(index, "ｑｑ"), (Strings{"http://qq.com"}));
    EXPECT_EQ(Found(index, "wx2019"), (Strings{"http://x.cn"})) << "full-width text found by half-width";
    EXPECT_EQ(Found(index, "WX２０１９"), (Strings{"http://x.cn"}));
    EXPECT_EQ(Found(index, "wz"), (Strings{"http://x.cn"})) << "网站";
    EXPECT_EQ(Found(index, "wztj"), (Strings{"http://x.cn"}));
    EXPECT_EQ(Found(index, "w站"), (Strings{"http://x.cn"})) << "initials and characters mixed";
    EXPECT_EQ(Found(index, "qqkj"), (Strings{"http://qq.com"}));
    EXPECT_EQ(Found(index, "lt"), (Strings{"http://qq.com"})) << "聊天, the category";
    EXPECT_EQ(Found(index, "zw"), Strings{});
    // 乤 ends in the byte of "a" and 丄 in that of "A": a trail byte is never a character.
    EXPECT_EQ(Found(index, "a"), (Strings{"http://qq.com"}));
    EXPECT_EQ(Found(index, "乤"), (Strings{"http://y.cn"}));
    EXPECT_EQ(Found(index, "网"), (Strings{"http://x.cn"}));
}

// A term that starts with a digit or punctuation below '@' is looked for where its byte stands,
// unless full-width forms are about: those fields are read character by character.
TEST(FinderMatching, DigitsAndPunctuationMatchWhereverTheyStand) {
    const FinderIndex index = IndexOf({{"c", "http://1.cn", "网站2019", "x"},
                                       {"c", "http://2.cn", "Ｗｘ２０１９", "x"},
                                       {"c", "http://3.cn",
                                        "\xB0"
                                        "2019",
                                        "x"},
                                       {"c", "http://4.cn", "2 0 1 9 201", "x"},
                                       {"c", "http://5.cn", "丂", "x"},
                                       {"c", "http://6.cn", "a：b", "20２０"}});
    EXPECT_EQ(Found(index, "2019"), (Strings{"http://1.cn", "http://2.cn", "http://3.cn"}));
    EXPECT_EQ(Found(index, "２０１９"), (Strings{"http://1.cn", "http://2.cn", "http://3.cn"}));
    EXPECT_EQ(Found(index, "019"), (Strings{"http://1.cn", "http://2.cn", "http://3.cn"}));
    EXPECT_EQ(Found(index, "2020"), (Strings{"http://6.cn"})) << "half- and full-width digits in one";
    EXPECT_EQ(Found(index, "201"), (Strings{"http://1.cn", "http://2.cn", "http://3.cn", "http://4.cn"}));
    EXPECT_EQ(Found(index, "1 9"), (Strings{"http://1.cn", "http://2.cn", "http://3.cn", "http://4.cn"}));
    EXPECT_EQ(Found(index, "@"), Strings{}) << "丂 ends in the byte of @";
    EXPECT_EQ(Found(index, ":"), (Strings{"http://1.cn", "http://2.cn", "http://3.cn", "http://4.cn",
                                          "http://5.cn", "http://6.cn"}))
        << "the addresses' colons; a full-width colon is not one";
    EXPECT_EQ(Found(index, "a:b"), Strings{});
    EXPECT_EQ(Found(index, "9 x"), (Strings{"http://1.cn", "http://2.cn", "http://3.cn", "http://4.cn"}));
}

TEST(FinderMatching, PunctuationIsLiteralText) {
    const FinderIndex index = IndexOf({{"c", "http://h.cn:8080/", "a:b", "x"},
                                       {"c", "http://ab.cn", "ab", "x"},
                                       {"c", "http://q.cn", "say \"hi\" -now *", "x"}});
    EXPECT_EQ(Found(index, "a:b"), (Strings{"http://h.cn:8080/"}));
    EXPECT_EQ(Found(index, "title:ab"), Strings{});
    EXPECT_EQ(Found(index, ":8080"), (Strings{"http://h.cn:8080/"}));
    EXPECT_EQ(Found(index, "\"hi\""), (Strings{"http://q.cn"}));
    EXPECT_EQ(Found(index, "-now"), (Strings{"http://q.cn"}));
    EXPECT_EQ(Found(index, "*"), (Strings{"http://q.cn"}));
    EXPECT_EQ(Found(index, "a*b"), Strings{});
}

TEST(FinderMatching, TitleMatchesComeFirstThenAddressesThenTheRestInStoreOrder) {
    const FinderIndex index = IndexOf({{"mail", "http://1.cn", "one", "x"},
                                       {"c", "http://mail.2.cn", "two", "x"},
                                       {"c", "http://3.cn", "mail three", "x"},
                                       {"c", "http://4.cn", "four", "mailman"},
                                       {"c", "http://mail.5.cn", "Mail five", "x"},
                                       {"c", "http://6.cn", "six", "x"}});
    EXPECT_EQ(Found(index, "mail"),
              (Strings{"http://3.cn", "http://mail.5.cn", "http://mail.2.cn", "http://1.cn", "http://4.cn"}));
    // Only the first term ranks.
    EXPECT_EQ(Found(index, "x mail"),
              (Strings{"http://1.cn", "http://mail.2.cn", "http://3.cn", "http://mail.5.cn"}));
}

TEST(FinderMatching, BadInputGivesASaneAnswer) {
    const FinderIndex index = IndexOf({{"c", "http://a.cn", "网站", "x"}, {"c", "http://b.cn", "ab", "x"}});
    EXPECT_EQ(Found(index, ""), Strings{});
    EXPECT_EQ(Found(index, "   \t "), Strings{});
    EXPECT_EQ(Found(index, "a\r\nb"), (Strings{"http://b.cn"})) << "control characters separate terms";
    EXPECT_EQ(Found(index, std::string("a\0b", 3)), (Strings{"http://b.cn"}));
    EXPECT_EQ(Found(index, "a　b"), (Strings{"http://b.cn"})) << "a full-width space separates too";
    // Half of 站 typed so far: the complete part counts.
    std::string half = "网站";
    half.pop_back();
    EXPECT_EQ(ParseFinderQuery(half).size(), 1u);
    EXPECT_EQ(Found(index, half), (Strings{"http://a.cn"}));
    EXPECT_EQ(Found(index, "\xFF\x80"), Strings{});
    EXPECT_EQ(Found(index, std::string(10000, 'a')), Strings{});
    std::string many;
    for (int i = 0; i < 5000; ++i) many += "a ";
    EXPECT_EQ(ParseFinderQuery(many).size(), 1u) << "repeated terms count once";
    EXPECT_EQ(Found(index, many), (Strings{"http://b.cn", "http://a.cn"}));
    std::string chinese;
    for (int i = 0; i < 5000; ++i) chinese += "网";
    EXPECT_EQ(Found(index, chinese), Strings{});
}

// Typing a query character by character, with deletions, always answers what the whole query
// answers from scratch, also when the search is given room between two keys.
TEST(FinderSearching, TheNarrowedSearchAnswersAsTheWholeQuery) {
    std::mt19937 random(7);
    const char* pieces[] = {"a", "b", "ab", "网", "站", "w", "z", "Ａ", " ", "1", ":"};
    auto piece = [&] { return std::string(pieces[random() % std::size(pieces)]); };
    std::vector<Site> sites;
    for (int i = 0; i < 300; ++i) {
        Site s;
        for (std::string* f : {&s.category, &s.address, &s.title, &s.account})
            for (int k = 0; k < 3; ++k) *f += piece();
        sites.push_back(s);
    }
    const FinderIndex index = IndexOf(sites);
    FinderSearch search;
    std::string query;
    for (int step = 0; step < 400; ++step) {
        if (random() % 5 == 0 && !query.empty())
            query.pop_back();  // a backspace may cut a character in half
        else
            query += piece();
        const auto typed = SearchSites(search, index, query);
        ASSERT_EQ(typed, FindSites(index, ParseFinderQuery(query))) << "query \"" << query << "\"";
        if (step % 40 == 39) query.clear();
        if (step % 7 == 3) PrepareFinderSearch(search, index.sites.size() + step);  // more room each time
    }
}

using FinderIndexTest = testing::ProgramFolderTest;

TEST_F(FinderIndexTest, ReadsSiteStoreAgainWhenItChangedHereOrElsewhere) {
    AddSites({{"A", "http://a1", "1"}, {"B", "http://b1", "2"}});
    FinderIndex index;
    ASSERT_TRUE(RefreshFinderIndex(index));
    ASSERT_EQ(index.sites.size(), 2u);
    EXPECT_EQ(FinderFieldText(index, index.sites[1], kFinderCategory), "B");
    EXPECT_EQ(FinderFieldText(index, index.sites[1], kFinderTitle), "title http://b1");
    EXPECT_EQ(FinderFieldText(index, index.sites[1], kFinderAccount), "acc");
    EXPECT_EQ(index.sites[1].record, 2u);
    EXPECT_FALSE(Stores().IsOpen(Folder() + kSiteStoreFile)) << "closed after the read";
    const std::uint64_t version = index.version;
    ASSERT_TRUE(RefreshFinderIndex(index));
    EXPECT_EQ(index.version, version) << "unchanged: not read again";

    // Another process renames the second site and adds a third.
    RecordStore other;
    ASSERT_TRUE(other.Open(Folder() + kSiteStoreFile, "other", FindStoreInfo(kSiteStoreAlias)->password));
    ASSERT_TRUE(other.GoTo(2));
    ASSERT_TRUE(other.Write(3, "renamed"));
    ASSERT_TRUE(other.Append({"C", "http://c1", "t", "u"}));
    other.CloseAll();
    ASSERT_TRUE(RefreshFinderIndex(index));
    ASSERT_EQ(index.sites.size(), 3u);
    EXPECT_EQ(FinderFieldText(index, index.sites[1], kFinderTitle), "renamed");
    EXPECT_EQ(Found(index, "renamed"), (Strings{"http://b1"}));

    // Deleted here.
    ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
    ASSERT_TRUE(Stores().GoTo(1));
    ASSERT_TRUE(DeleteCurrentAndPurge());
    CloseStoreByName(kSiteStoreAlias);
    ASSERT_TRUE(RefreshFinderIndex(index));
    EXPECT_EQ(Found(index, "http"), (Strings{"http://b1", "http://c1"}));
    EXPECT_EQ(index.sites[0].record, 1u);
}

TEST_F(FinderIndexTest, AStoreThatCannotBeOpenedKeepsTheLastIndex) {
    AddSites({{"A", "http://a1", "1"}});
    FinderIndex index;
    ASSERT_TRUE(RefreshFinderIndex(index));
    bool sharing = false;
    ASSERT_TRUE(fileio::RenameReplace(Folder() + kSiteStoreFile, Folder() + "\\aside.edb", &sharing));
    EXPECT_FALSE(RefreshFinderIndex(index));
    EXPECT_EQ(index.sites.size(), 1u);
    EXPECT_TRUE(script.shown.empty()) << "the window decides what to show";
}

}  // namespace
}  // namespace qm

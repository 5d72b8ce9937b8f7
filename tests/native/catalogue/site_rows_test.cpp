// The site list's rows from SiteStore: the sites of one category in store order, with running
// numbers in column 0 and record numbers in column 10.
#include "catalogue/site_rows.h"

#include "program_folder_fixture.h"

namespace qm {
namespace {

using SiteRows = testing::ProgramFolderTest;

TEST_F(SiteRows, ThreeSitesOfAAndTwoOfB) {
    AddSites({{"A", "http://a1", "1"},
              {"A", "http://a2", "2"},
              {"B", "http://b1", "3"},
              {"A", "http://a3", "4"},
              {"B", "http://b2", "5"}});
    const auto a = CollectSiteRows("A");
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0],
              (SiteRow{"1", "http://a1", "title http://a1", "acc", "pw", "1", "1", "2", "3", "4", "1"}));
    EXPECT_EQ(a[1][0], "2");
    EXPECT_EQ(a[1][10], "2");
    EXPECT_EQ(a[2][0], "3");
    EXPECT_EQ(a[2][1], "http://a3");
    EXPECT_EQ(a[2][10], "4");
    const auto b = CollectSiteRows("B");
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0][0], "1");
    EXPECT_EQ(b[0][10], "3");
    EXPECT_EQ(b[1][0], "2");
    EXPECT_EQ(b[1][10], "5");
    EXPECT_FALSE(Stores().IsOpen(Folder() + kSiteStoreFile)) << "the store is closed after the fill";
}

TEST_F(SiteRows, CategoryNamesCompareAsExactBytes) {
    AddSites(
        {{"Abc", "http://x", ""}, {"abc", "http://y", ""}, {"Abc ", "http://z", ""}, {"", "http://e", ""}});
    ASSERT_EQ(CollectSiteRows("Abc").size(), 1u);
    EXPECT_EQ(CollectSiteRows("Abc")[0][1], "http://x");
    ASSERT_EQ(CollectSiteRows("").size(), 1u);
    EXPECT_EQ(CollectSiteRows("").at(0)[10], "4");
    EXPECT_TRUE(CollectSiteRows("网站").empty());
}

TEST_F(SiteRows, AMissingStoreGivesAnEmptyListWithoutAMessage) {
    AddSites({{"A", "http://a1", "1"}});
    ListTable used(3);
    for (const char* cell : {"x", "y", "z"}) used.AddCell(cell);
    SetProgramFolderForTesting(Folder() + "\\nowhere");
    EXPECT_TRUE(CollectSiteRows("A").empty());
    CollectSiteRows("A", used);
    EXPECT_TRUE(used.empty());
    EXPECT_TRUE(script.shown.empty());
}

TEST_F(SiteRows, ATableUsedBeforeHoldsOnlyTheNewRows) {
    std::vector<Site> sites;
    for (int i = 1; i <= 12; ++i) sites.push_back({i % 3 ? "A" : "B", "http://s" + std::to_string(i), ""});
    AddSites(sites);
    ListTable rows(2);
    for (const char* cell : {"old", "row", "half"}) rows.AddCell(cell);
    CollectSiteRows("A", rows);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows.Columns(), 11u);
    EXPECT_EQ(rows[0], CollectSiteRows("A")[0]);
    EXPECT_EQ(rows[7][0], "8");
    EXPECT_EQ(rows[7][1], "http://s11");
    EXPECT_EQ(rows[7][10], "11");  // two-digit record numbers in the measured text
    CollectSiteRows("B", rows);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3][1], "http://s12");
    EXPECT_EQ(rows[3][10], "12");
}

}  // namespace
}  // namespace qm

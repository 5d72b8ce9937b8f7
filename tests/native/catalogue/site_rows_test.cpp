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
    SetProgramFolderForTesting(Folder() + "\\nowhere");
    EXPECT_TRUE(CollectSiteRows("A").empty());
    EXPECT_TRUE(script.shown.empty());
}

}  // namespace
}  // namespace qm

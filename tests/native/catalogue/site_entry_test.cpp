// Entering sites and categories: text too long to be stored (and rewritten later) is refused with
// a message before anything is written, and text at the limit is stored.
#include <gtest/gtest.h>

#include "catalogue/categories.h"
#include "catalogue/site_entry.h"
#include "program_folder_fixture.h"

namespace qm {
namespace {

using SiteEntry = testing::ProgramFolderTest;

std::vector<std::string> StoredSites() {
    std::vector<std::string> titles;
    EXPECT_TRUE(OpenStoreByName(kSiteStoreAlias));
    for (long long n = 1; n <= Stores().RecordCount(); ++n, Stores().Skip()) titles.push_back(Stores().Read(3));
    CloseStoreByName(kSiteStoreAlias);
    return titles;
}

TEST_F(SiteEntry, AFieldOverTheLimitIsRefusedWhenAddedOrSaved) {
    AddCategories({"资讯"});
    const std::string atLimit(kMaxFieldBytes, 't'), overLimit(kMaxFieldBytes + 1, 't');
    SiteValues site = {"资讯", "http://a.example/", overLimit, "", "", "", "", "", "", ""};
    EXPECT_FALSE(AddSiteToStore(site));
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, kTooLongMessage);
    EXPECT_TRUE(StoredSites().empty());
    site[2] = atLimit;
    ASSERT_TRUE(AddSiteToStore(site));
    const std::optional<StoredSite> shown =
        ReadShownSite(1, std::vector<std::string>(site.begin() + 1, site.end()));
    ASSERT_TRUE(shown.has_value());
    SiteValues changed = site;
    changed[3] = overLimit;
    EXPECT_FALSE(SaveSite(*shown, changed));
    ASSERT_EQ(script.shown.size(), 2u);
    EXPECT_EQ(script.shown[1].text, kTooLongMessage);
    ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
    EXPECT_EQ(Stores().Read(4), "");
    CloseStoreByName(kSiteStoreAlias);
}

TEST_F(SiteEntry, ACategoryNameOverTheLimitIsNeitherAddedNorGivenInARename) {
    AddCategories({"资讯"});
    AddSites({{"资讯", "http://a.example/", "1"}});
    script.inputs.push_back(std::string(kMaxFieldBytes + 1, 'c'));
    EXPECT_FALSE(AskAndAddCategory());
    script.inputs.push_back(std::string(kMaxFieldBytes + 1, 'c'));
    EXPECT_EQ(AskAndRenameCategory("资讯"), std::nullopt);
    ASSERT_EQ(script.shown.size(), 4u);  // each input, then the message
    EXPECT_EQ(script.shown[1].text, kTooLongMessage);
    EXPECT_EQ(script.shown[3].text, kTooLongMessage);
    EXPECT_EQ(ReadCategoryNames(), (std::vector<std::string>{"资讯"}));
    ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
    EXPECT_EQ(Stores().Read(1), "资讯");
}

}  // namespace
}  // namespace qm

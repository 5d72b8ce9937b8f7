// Reading the update page: the own version from the caption, which pages make an offer (any
// version text but the own one), the numbered notes and the prompt byte for byte, and which
// download addresses may reach the browser.
#include "web/update_offer.h"

#include <gtest/gtest.h>

#include "tests/support/canned_pages.h"
#include "platform/text.h"

namespace qm {
namespace {

namespace pages = test::pages;

constexpr char kCaption[] = "Quillmark_v1.3 - 羽迹博客 - http://www.quillmark.example";

TEST(UpdateOffer, OwnVersionIsBetweenTheFirstUnderscoreAndTheDash) {
    EXPECT_EQ(OwnVersionOfTitle(kCaption), "v1.3");
    EXPECT_EQ(OwnVersionOfTitle("a_b_c - d"), "b_c");
    EXPECT_EQ(OwnVersionOfTitle("no version"), "");
}

TEST(UpdateOffer, EveryVersionButTheOwnIsAnOffer) {
    EXPECT_FALSE(UpdateOfferOfPage(Utf8ToGbk(pages::UpdateSameVersion()), "v1.3"));
    EXPECT_FALSE(UpdateOfferOfPage("", "v1.3")) << "no answer";
    EXPECT_FALSE(UpdateOfferOfPage("", "")) << "an empty page is no offer, even to an empty version";

    const auto other = UpdateOfferOfPage(Utf8ToGbk(pages::UpdateOtherVersion()), "v1.3");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->latest, "v1.4");
    EXPECT_EQ(other->notes, "新增备份|修正导出");
    EXPECT_EQ(other->download, "http://www.quillmark.example/q14.zip");

    const auto older = UpdateOfferOfPage(Utf8ToGbk(pages::UpdateOlderVersion()), "v1.3");
    ASSERT_TRUE(older);
    EXPECT_EQ(older->latest, "v1.2") << "compared as text, not as a number";
    EXPECT_TRUE(UpdateOfferOfPage("<版本>V1.3</版本>", "v1.3")) << "byte for byte";

    const auto untagged = UpdateOfferOfPage(Utf8ToGbk(pages::UpdateWithoutVersion()), "v1.3");
    ASSERT_TRUE(untagged);
    EXPECT_EQ(untagged->latest, "");
    EXPECT_EQ(UpdatePromptText(*untagged),
              "软件有新版本  是否立即下载？\r\n\r\n此次更新内容有：\r\n\r\n1、说明");
}

TEST(UpdateOffer, NotesAreNumberedWithABlankLineBetween) {
    EXPECT_EQ(NumberedNotes("第一项|第二项|"), "1、第一项\r\n\r\n2、第二项");
    EXPECT_EQ(NumberedNotes("a||b"), "1、a\r\n\r\n2、\r\n\r\n3、b");
    EXPECT_EQ(NumberedNotes("a"), "1、a");
    EXPECT_EQ(NumberedNotes(""), "");
    EXPECT_EQ(NumberedNotes("|"), "1、");
    EXPECT_EQ(NumberedNotes("亅|b"), "1、亅\r\n\r\n2、b") << "81 7C holds a \"|\" byte and is no separator";

    const auto offer = UpdateOfferOfPage(Utf8ToGbk(pages::UpdateNotesWithTrailingSeparator()), "v1.3");
    ASSERT_TRUE(offer);
    EXPECT_EQ(UpdatePromptText(*offer),
              "软件有新版本 v2.0 是否立即下载？\r\n\r\n此次更新内容有：\r\n\r\n1、第一项\r\n\r\n2、第二项");
}

TEST(UpdateOffer, OnlyPlainOrSecureWebAddressesWithAHostAreOpened) {
    EXPECT_EQ(DownloadAddressToOpen("http://www.quillmark.example/q.zip"),
              "http://www.quillmark.example/q.zip");
    EXPECT_EQ(DownloadAddressToOpen("HTTPS://dl.example/q.zip?v=1&x=\"y\""),
              "HTTPS://dl.example/q.zip?v=1&x=\"y\"");
    EXPECT_EQ(DownloadAddressToOpen("\r\n  http://dl.example/q.zip \r\n"), "http://dl.example/q.zip")
        << "blanks around the tag's text are no part of the address";
    for (const char* refused :
         {"", "http://", "https:///x", "-silent http://dl.example/", "/c calc", "\\\\server\\share\\q.exe",
          "C:\\Windows\\system32\\calc.exe", "file:///C:/q.exe", "javascript:alert(1)",
          "ftp://dl.example/q.zip", "www.quillmark.example/q.zip", "http://dl.example/q.zip --profile x",
          "http://dl.example/\tx", "http://dl.example/\x7f"})
        EXPECT_EQ(DownloadAddressToOpen(refused), "") << refused;
}

}  // namespace
}  // namespace qm

// The update check's reading of the maker's update page: the own version from the main window's
// title, the offer the page makes, the numbered change notes and the prompt's text, and which
// download addresses may be handed to the browser. Portable, no state, any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

inline constexpr char kUpdatePagePath[] = "/soft/pvnt.html";
inline constexpr char kUpdatePromptTitle[] = "发现新版本";
inline constexpr int kUpdateTimeoutSeconds = 3;

// The text between the title's first "_" and the " -" after it ("v1.3").
std::string OwnVersionOfTitle(std::string_view title);

struct UpdateOffer {
    std::string latest;    // between "<版本>" and "</版本>"
    std::string notes;     // between "<更新内容>" and "</更新内容>", items joined by "|"
    std::string download;  // between "<下载地址>" and "</下载地址>"
};

// The offer of a page (GBK text): none for an empty page or one whose version equals ownVersion
// byte for byte; any other version, an older or an empty one too, is an offer.
std::optional<UpdateOffer> UpdateOfferOfPage(std::string_view page, std::string_view ownVersion);

// "1、first\r\n\r\n2、second": the items of the notes, numbered, a blank line between them.
std::string NumberedNotes(std::string_view notes);

// The text of the prompt that asks whether to download.
std::string UpdatePromptText(const UpdateOffer& offer);

// The download address the browser is given, or empty when there is none it may be given: after
// blanks around it are dropped it must be a plain or secure web address with a host, holding no
// blank or control byte (so it can be neither an option nor a local file to the browser).
std::string DownloadAddressToOpen(std::string_view download);

}  // namespace qm

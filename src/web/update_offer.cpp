// The update page's offer: see update_offer.h.
#include "web/update_offer.h"

#include "platform/gbk.h"
#include "platform/text.h"
#include "web/address.h"

namespace qm {

std::string OwnVersionOfTitle(std::string_view title) {
    return TextBetween(title, "_", " -", false, false);
}

std::optional<UpdateOffer> UpdateOfferOfPage(std::string_view page, std::string_view ownVersion) {
    if (page.empty()) return std::nullopt;
    UpdateOffer offer;
    offer.latest = TextBetween(page, "<版本>", "</版本>", false, false);
    if (offer.latest == ownVersion) return std::nullopt;
    offer.notes = TextBetween(page, "<更新内容>", "</更新内容>", false, false);
    offer.download = TextBetween(page, "<下载地址>", "</下载地址>", false, false);
    return offer;
}

std::string NumberedNotes(std::string_view notes) {
    const std::vector<std::string> items = Split(notes, "|");
    std::string list;
    for (std::size_t i = 0; i < items.size(); ++i) {
        list += std::to_string(i + 1) + "、" + items[i];
        if (i + 1 < items.size()) list += "\r\n\r\n";
    }
    return list;
}

std::string UpdatePromptText(const UpdateOffer& offer) {
    return "软件有新版本 " + offer.latest + " 是否立即下载？" + "\r\n" + "\r\n" + "此次更新内容有：" +
           "\r\n" + "\r\n" + NumberedNotes(offer.notes);
}

std::string DownloadAddressToOpen(std::string_view download) {
    const std::string address = TrimBlanks(download);
    const std::string scheme = AsciiLower(Left(address, 8));
    if (scheme.rfind(kWebSchemePrefix, 0) != 0 && scheme.rfind(kSecureWebSchemePrefix, 0) != 0) return {};
    for (char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F) return {};
    }
    if (ExtractHost(address).empty()) return {};
    return address;
}

}  // namespace qm

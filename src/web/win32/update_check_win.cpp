// The update check: see update_check_win.h. Nothing of it is reported: no answer, a time-out or an
// empty page end it quietly, and so does a download address the browser must not be given.
#include "web/win32/update_check_win.h"

#include "core/browser_launch_win.h"
#include "platform/dialogs.h"
#include "web/fetch.h"
#include "web/service_hosts.h"
#include "platform/text.h"
#include "web/update_offer.h"

namespace qm {

void CheckForUpdate(std::string_view mainWindowTitle) {
    const std::string ownVersion = OwnVersionOfTitle(mainWindowTitle);
    const std::string body = RunRequest(ServiceAddress(Service::UpdatePage, kUpdatePagePath), {}, {}, {}, {},
                                        {}, {}, kUpdateTimeoutSeconds);
    const std::optional<UpdateOffer> offer = UpdateOfferOfPage(Utf8ToGbk(body), ownVersion);
    if (!offer) return;
    if (ShowMessage(UpdatePromptText(*offer), kUpdatePromptTitle, MessageButtons::YesNo) !=
        MessageAnswer::Yes)
        return;
    const std::string download = DownloadAddressToOpen(offer->download);
    if (download.empty()) return;
    OpenInDefaultBrowser(download);
}

}  // namespace qm

// Site entry on SiteStore: the checks of an entered site with their messages, the duplicate test
// by host, and adding, reading, overwriting and deleting one site. A site shown in a window or a
// list row is found again by its values before it is overwritten or deleted, so a record that was
// renumbered or replaced meanwhile is never hit by mistake. The windows are in
// catalogue/site_entry_win.h. Portable; window thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The ten fields of a site in their fixed order, as entered or stored.
using SiteValues = std::vector<std::string>;

inline constexpr char kSiteOpenFailedMessage[] = "打开网站数据库失败！";
inline constexpr char kSiteGoneMessage[] = "当前记录已被删除或修改！";
inline constexpr char kSiteGoneNotSavedMessage[] = "当前记录已被删除或修改，无法保存！";

// True when the address is empty or only the plain web scheme prefix.
bool IsAddressEmpty(std::string_view address);

// Address, title and category in this order; the first one missing is reported and false returned,
// as is a value over kMaxFieldBytes (kTooLongMessage).
bool CheckEnteredSite(const SiteValues& values);

// True when SiteStore holds a site with the same host (ExtractHost). A store that cannot be opened
// is reported and counts as no duplicate.
bool IsDuplicateSite(std::string_view address);

// The whole add: checks, duplicate test, append. True when the site was stored.
bool AddSiteToStore(const SiteValues& values);

// Where a site stands in SiteStore: the record preferred when it still holds these values, else
// the first record that does. values are fields firstField, firstField + 1, ... (1-based). The
// record number, or 0 when no record holds them. SiteStore must be the current store.
long long LocateSite(long long preferred, const std::vector<std::string>& values, int firstField);

struct StoredSite {
    long long record = 0;
    SiteValues values;
};
// Reads the site that a list row shows (row cells 1 to 9 are fields 2 to 10), preferring the
// record number of the row. nullopt after a message when the store cannot be opened or no longer
// holds that site.
std::optional<StoredSite> ReadShownSite(long long record, const std::vector<std::string>& rowFields);

// Overwrites the site that was read as shown with the entered values, after the checks. The site
// is looked for by its shown values, so a save never lands on another site; when it is gone the
// save is refused. True when written.
bool SaveSite(const StoredSite& shown, const SiteValues& values);

// Deletes the site that a list row shows (as ReadShownSite finds it) and compacts the store. No
// message except when the store cannot be opened; a site no longer stored is left alone.
void DeleteShownSite(long long record, const std::vector<std::string>& rowFields);

}  // namespace qm

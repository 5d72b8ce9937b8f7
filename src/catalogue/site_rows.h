// The rows of the site list for one category, read from SiteStore in store order: column 0 the
// running number, 1-9 the fields from the address to the Yahoo backlinks, 10 the record number.
// Portable; window thread (store access).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/list_table.h"

namespace qm {

using SiteRow = std::vector<std::string>;

// Empty when SiteStore cannot be opened (no message).
ListTable CollectSiteRows(std::string_view category);
// The same rows into `rows`, emptied first; the memory it holds is used before any more is taken.
void CollectSiteRows(std::string_view category, ListTable& rows);

}  // namespace qm

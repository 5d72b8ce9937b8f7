// The bookmark file every browser exports and imports (<!DOCTYPE NETSCAPE-Bookmark-file-1>):
// folders as <DT><H3> followed by a <DL> list, links as <DT><A HREF=...>. Read in one pass over
// the text, skipping icon data and whatever else a browser adds; written with one folder per
// category level. Portable, no state; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "exchange/login_formats.h"

namespace qm {

// Folders nested deeper than this are taken as the one at this depth: a hostile file cannot make
// the folder paths grow with the square of its size.
inline constexpr std::size_t kMaxFolderDepth = 64;

// The file's text (GBK) taken apart: every folder as a category ("A/B" when nested; links outside
// any folder in "未分类"), every link with an address as a site titled by its text (the host
// when it has none). A link without HREF, or to a "javascript:" or "place:" address, is skipped
// and counted. Entities are decoded in titles; in addresses only complete ones ending in ";".
ForeignContent ReadBookmarks(std::string_view text);

// The file of the categories (in order, empty ones too) and their sites; GBK text whose
// declared charset is UTF-8 (the caller converts it). Sites of "未分类" are links outside any
// folder; a category "A/B" is folder B inside A.
std::string WriteBookmarks(const std::vector<std::string>& categories, const std::vector<ForeignSite>& sites);

// Entity decoding of a title (lenient: "&#65" and "&amp" without ";" count) or an address
// (strict); characters GBK cannot hold become "?" and are counted into *replaced.
std::string DecodeEntities(std::string_view text, bool strict, std::size_t* replaced);

}  // namespace qm

// The title of a fetched page as the site check shows it: found in the first 256 KiB of the body,
// decoded by the page's character set (from a byte-order mark, the Content-Type header, a meta
// tag, else guessed: valid UTF-8 or GBK) and given as GBK, each character GBK cannot hold as "?".
// Portable, no state; any thread (the check workers call it).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm {

// The most of a body the check reads; the rest is never looked at.
inline constexpr std::size_t kMaxCheckedBodyBytes = 256u << 10;
// The longest title kept (GBK bytes, cut at a character's start).
inline constexpr std::size_t kMaxPageTitleBytes = 512;

enum class PageCharset { kUtf8, kGbk, kLatin1, kUtf16Le, kUtf16Be, kOther };

// The character set named by a Content-Type value or a meta tag's text ("text/html; charset=gb2312"),
// kOther when none is named or the name is unknown; *named says whether one was named at all.
PageCharset CharsetNamedIn(std::string_view text, bool* named);

// The character set a page's bytes are decoded with.
PageCharset PageCharsetOf(std::string_view body, std::string_view contentType);

// Bytes of that character set as GBK: control characters become spaces, every character GBK cannot
// hold (and every byte of an unknown set beyond ASCII) one "?".
std::string DecodeToGbk(std::string_view bytes, PageCharset charset);

// The page's title: the text of its first <title> element (the rest of the read body when it is
// never closed), entities decoded, runs of blanks as one space, trimmed, at most
// kMaxPageTitleBytes. Empty when the page has none.
std::string PageTitle(std::string_view body, std::string_view contentType);

}  // namespace qm

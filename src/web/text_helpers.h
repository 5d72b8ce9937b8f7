// Address and page-text helpers shared by the fetchers, the metric parsers, the update check and
// the import: split a typed address, cut text between markers, keep digits, UTF-8 pages to GBK.
// Portable, thread-safe, no state. Texts are GBK bytes; positions are 1-based.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// The web scheme prefix: the initial text of the address boxes, compared without case.
inline constexpr char kWebSchemePrefix[] = "http://";
// The secure variant, split like the plain one (its default port is 443).
inline constexpr char kSecureWebSchemePrefix[] = "https://";

// Host of an address, without scheme, port and path, ASCII letters lowered
// ("HTTPS://WWW.A.com:81/x" -> "www.a.com"). Any other scheme is no scheme: "ftp://x" gives "ftp".
std::string ExtractHost(std::string_view address);

// Path (with query) from the first "/" after the host, or "/" when there is none.
std::string ExtractPath(std::string_view address);

// Port after the host's ":" (80 when there is none, 443 for the secure scheme, 0 when it reads
// as no number).
int ExtractPort(std::string_view address);

// True when the page is fetched over a secure connection: the secure scheme, or port 443.
bool UsesSecureConnection(std::string_view address);

// Text between the first left marker and the first right marker after it; either marker may be
// empty (then: everything after left / everything before right). caseSensitive false folds ASCII
// letters. Matches only at character starts. An empty text gives the empty text.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        bool keepMarkers, bool caseSensitive);

// The ASCII digits of a text, in order; every other byte is dropped.
std::string DigitsOnly(std::string_view text);

// UTF-8 bytes to GBK text. Invalid UTF-8 and characters code page 936 cannot hold become "?"
// (no best-fit look-alikes); the text ends at the first NUL. Same bytes in both builds.
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace qm

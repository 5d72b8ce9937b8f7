// Address helpers shared by the fetchers, the metric parsers, the update check, the site entry and
// the import: the parts of a typed address. Portable, thread-safe, no state. Texts are GBK bytes.
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

}  // namespace qm

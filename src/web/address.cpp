// Address splitting: see address.h. The plain and the secure web scheme prefixes are compared
// without case; everything else is cut with the GBK primitives so trail bytes never act as "/".
#include <climits>

#include "platform/gbk.h"
#include "web/address.h"

namespace qm {

namespace {

// Bytes of the web scheme prefix the address starts with: 7 for the plain one, 8 for the secure
// one, 0 for any other text (other schemes keep their name as the host).
TextPos WebSchemePrefixLength(std::string_view address) {
    if (AsciiLower(Left(address, 7)) == kWebSchemePrefix) return 7;
    if (AsciiLower(Left(address, 8)) == kSecureWebSchemePrefix) return 8;
    return 0;
}

// Host part before cutting at ":" and lowering: "a.com:81" of "http://a.com:81/x".
std::string RawHostPart(std::string_view address) {
    const TextPos prefix = WebSchemePrefixLength(address);
    if (prefix == 0) {
        const TextPos slash = FindText(address, "/");
        return slash < 0 ? std::string(address) : Left(address, slash - 1);
    }
    const TextPos slash = FindText(address, "/", prefix + 1);
    if (slash < 0) return MidToEnd(address, prefix + 1);
    return Mid(address, prefix + 1, slash - prefix - 1);
}

}  // namespace

std::string ExtractHost(std::string_view address) {
    std::string host = RawHostPart(address);
    const TextPos colon = FindText(host, ":");
    if (colon > 0) host = Left(host, colon - 1);
    return AsciiLower(host);
}

std::string ExtractPath(std::string_view address) {
    // The host is looked for after the scheme prefix: a host such as "http" would otherwise be
    // found inside the prefix itself.
    const TextPos from = WebSchemePrefixLength(address) + 1;
    TextPos at = FindText(address, ExtractHost(address), from, true);
    if (at < 0) at = from;
    const TextPos slash = FindText(address, "/", at);
    return slash < 0 ? std::string("/") : MidToEnd(address, slash);
}

int ExtractPort(std::string_view address) {
    const std::string host = RawHostPart(address);
    const TextPos colon = FindText(host, ":");
    if (colon < 0) return WebSchemePrefixLength(address) == 8 ? 443 : 80;
    const double port = LeadingNumber(MidToEnd(host, colon + 1));
    if (port >= INT_MAX) return INT_MAX;
    if (port <= INT_MIN) return INT_MIN;
    return static_cast<int>(port);
}

bool UsesSecureConnection(std::string_view address) {
    return WebSchemePrefixLength(address) == 8 || ExtractPort(address) == 443;
}

}  // namespace qm

// Address splitting: see text_helpers.h. The scheme prefix is compared on the first 7 bytes
// without case; everything else is cut with the GBK primitives so trail bytes never act as "/".
#include <climits>

#include "platform/gbk.h"
#include "web/text_helpers.h"

namespace qm {

namespace {

constexpr TextPos kPrefixLength = 7;

bool HasWebSchemePrefix(std::string_view address) {
    return AsciiLower(Left(address, kPrefixLength)) == kWebSchemePrefix;
}

// Host part before cutting at ":" and lowering: "a.com:81" of "http://a.com:81/x".
std::string RawHostPart(std::string_view address) {
    if (!HasWebSchemePrefix(address)) {
        const TextPos slash = FindText(address, "/");
        return slash < 0 ? std::string(address) : Left(address, slash - 1);
    }
    const TextPos slash = FindText(address, "/", kPrefixLength + 1);
    if (slash < 0) return MidToEnd(address, kPrefixLength + 1);
    return Mid(address, kPrefixLength + 1, slash - kPrefixLength - 1);
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
    const TextPos from = HasWebSchemePrefix(address) ? kPrefixLength + 1 : 1;
    TextPos at = FindText(address, ExtractHost(address), from, true);
    if (at < 0) at = from;
    const TextPos slash = FindText(address, "/", at);
    return slash < 0 ? std::string("/") : MidToEnd(address, slash);
}

int ExtractPort(std::string_view address) {
    const std::string host = RawHostPart(address);
    const TextPos colon = FindText(host, ":");
    if (colon < 0) return 80;
    const double port = LeadingNumber(MidToEnd(host, colon + 1));
    if (port >= INT_MAX) return INT_MAX;
    if (port <= INT_MIN) return INT_MIN;
    return static_cast<int>(port);
}

}  // namespace qm

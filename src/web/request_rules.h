// The text rules of a RunRequest worker that do not touch the network: which method is sent,
// how the header block is completed, when proxy and credentials count as given, and which
// cookies an answer sets. Portable, no state, any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {

inline constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

enum class RequestMethod { Get, Post, Refused };

// Empty or "GET" (any case) is a GET, "POST" (any case) a POST; anything else is never sent.
RequestMethod ClassifyMethod(std::string_view method);

// True when nothing is left after removing every ASCII space and GBK full-width space.
bool IsBlankSetting(std::string_view text);

// The proxy setting of a named-proxy connection: "http=" + proxy, spaces kept.
std::string ProxySetting(std::string_view proxy);

// The caller's extra headers plus the default accept, referer and language lines for the ones
// they lack (names searched anywhere in the block, without case).
std::string CompleteRequestHeaders(std::string_view extraHeaders, std::string_view address);

// For a POST with a body: adds the form content type unless present, then the body length line.
// An empty body adds nothing.
std::string AddPostBodyHeaders(std::string_view headers, std::string_view body);

struct Cookie {
    std::string name, value;
};

// Cookies of a raw header block: every line holding "Set-Cookie: " (any case) without its first
// 12 bytes, split at the first "=" (attributes stay in the value).
std::vector<Cookie> CookiesFromHeaders(std::string_view rawHeaders);

}  // namespace qm

// RunRequest worker rules: see request_rules.h.
#include "web/request_rules.h"

#include "platform/gbk.h"

namespace qm {

namespace {

constexpr char kDefaultAccept[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
constexpr char kDefaultLanguage[] = "Accept-Language: zh-cn\r\n";
constexpr char kFormContentType[] = "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr char kFullWidthSpace[] = "　";

bool HasLine(std::string_view headers, std::string_view name) {
    return FindText(headers, name, 1, true) > 0;
}

}  // namespace

RequestMethod ClassifyMethod(std::string_view method) {
    const std::string folded = AsciiLower(method);
    if (folded.empty() || folded == "get") return RequestMethod::Get;
    if (folded == "post") return RequestMethod::Post;
    return RequestMethod::Refused;
}

bool IsBlankSetting(std::string_view text) {
    return ReplaceAll(ReplaceAll(text, " ", ""), kFullWidthSpace, "").empty();
}

std::string ProxySetting(std::string_view proxy) {
    return "http=" + std::string(proxy);
}

std::string CompleteRequestHeaders(std::string_view extraHeaders, std::string_view address) {
    std::string headers(extraHeaders);
    if (!HasLine(headers, "Accept: ")) headers += kDefaultAccept;
    if (!HasLine(headers, "Referer: ")) headers += "Referer: " + std::string(address) + "\r\n";
    if (!HasLine(headers, "Accept-Language: ")) headers += kDefaultLanguage;
    return headers;
}

std::string AddPostBodyHeaders(std::string_view headers, std::string_view body) {
    std::string out(headers);
    if (body.empty()) return out;
    if (!HasLine(out, "Content-Type: ")) out += kFormContentType;
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return out;
}

std::vector<Cookie> CookiesFromHeaders(std::string_view rawHeaders) {
    std::vector<Cookie> cookies;
    if (!HasLine(rawHeaders, "Set-Cookie: ")) return cookies;
    for (const std::string& line : Split(rawHeaders, "\r\n")) {
        if (!HasLine(line, "Set-Cookie: ")) continue;
        const std::string rest = MidToEnd(line, 13);
        const TextPos eq = FindText(rest, "=");
        if (eq < 0)
            cookies.push_back({rest, {}});
        else
            cookies.push_back({Left(rest, eq - 1), MidToEnd(rest, eq + 1)});
    }
    return cookies;
}

}  // namespace qm

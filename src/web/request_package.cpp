// RequestPackage encoding: see request_package.h.
#include "web/request_package.h"

#include <cstdint>

namespace qm {

namespace {

constexpr char kTextTag = 'T';
constexpr char kBytesTag = 'B';
constexpr std::size_t kLengthSize = 8;

void WriteValue(RequestPackage& package, char tag, std::string_view value) {
    package.stream += tag;
    std::uint64_t length = value.size();
    for (std::size_t k = 0; k < kLengthSize; ++k, length >>= 8)
        package.stream += static_cast<char>(length & 0xFF);
    package.stream.append(value);
}

bool ReadValue(RequestPackage& package, char tag, std::string& out) {
    const std::string& s = package.stream;
    std::size_t at = package.readPos;
    if (at >= s.size() || s.size() - at < 1 + kLengthSize || s[at] != tag) return false;
    ++at;
    std::uint64_t length = 0;
    for (std::size_t k = kLengthSize; k-- > 0;) length = length << 8 | static_cast<unsigned char>(s[at + k]);
    at += kLengthSize;
    if (length > s.size() - at) return false;
    out.assign(s, at, static_cast<std::size_t>(length));
    package.readPos = at + static_cast<std::size_t>(length);
    return true;
}

}  // namespace

void WriteText(RequestPackage& package, std::string_view text) {
    WriteValue(package, kTextTag, text);
}
void WriteBytes(RequestPackage& package, std::string_view bytes) {
    WriteValue(package, kBytesTag, bytes);
}
bool ReadText(RequestPackage& package, std::string& out) {
    return ReadValue(package, kTextTag, out);
}
bool ReadBytes(RequestPackage& package, std::string& out) {
    return ReadValue(package, kBytesTag, out);
}
void Rewind(RequestPackage& package) {
    package.readPos = 0;
}

void Clear(RequestPackage& package) {
    package.stream.clear();
    package.stream.shrink_to_fit();
    package.readPos = 0;
}

RequestPackage PackRequest(const WebRequest& request) {
    RequestPackage package;
    WriteText(package, kRequestMarker);
    for (const std::string* text : {&request.address, &request.method, &request.proxy, &request.userName,
                                    &request.password, &request.extraHeaders})
        WriteText(package, *text);
    WriteBytes(package, request.body);
    return package;
}

std::optional<WebRequest> UnpackRequest(RequestPackage& package) {
    Rewind(package);
    std::string marker;
    if (!ReadText(package, marker) || marker != kRequestMarker) return std::nullopt;
    WebRequest request;
    for (std::string* text : {&request.address, &request.method, &request.proxy, &request.userName,
                              &request.password, &request.extraHeaders})
        if (!ReadText(package, *text)) return std::nullopt;
    if (!ReadBytes(package, request.body)) return std::nullopt;
    return request;
}

void PackAnswer(RequestPackage& package, std::string_view rawHeaders, std::string_view body) {
    Clear(package);
    WriteText(package, kAnswerMarker);
    WriteText(package, rawHeaders);
    WriteBytes(package, body);
}

bool UnpackAnswer(RequestPackage& package, std::string& rawHeaders, std::string& body) {
    Rewind(package);
    std::string marker, headers, bytes;
    if (!ReadText(package, marker) || marker != kAnswerMarker) return false;
    if (!ReadText(package, headers) || !ReadBytes(package, bytes)) return false;
    rawHeaders = std::move(headers);
    body = std::move(bytes);
    return true;
}

}  // namespace qm

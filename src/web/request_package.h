// RequestPackage: the in-memory stream that carries one RunRequest to its worker thread and the
// answer back: the request ("Kestrel", address, method, proxy, user name, password, extra
// headers, body) and the answer ("Kestrel_OK", raw headers, body). Values are typed and read back
// in the order written. Portable; a package is used by one thread at a time (its owner guards it).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

inline constexpr char kRequestMarker[] = "Kestrel";
inline constexpr char kAnswerMarker[] = "Kestrel_OK";

struct RequestPackage {
    std::string stream;       // tag byte, 8-byte little-endian length, bytes; per value
    std::size_t readPos = 0;  // next value to read
};

void WriteText(RequestPackage& package, std::string_view text);
void WriteBytes(RequestPackage& package, std::string_view bytes);
// False (and out unchanged) when the next value is missing, cut off or of the other type.
bool ReadText(RequestPackage& package, std::string& out);
bool ReadBytes(RequestPackage& package, std::string& out);
void Rewind(RequestPackage& package);
void Clear(RequestPackage& package);

// One request as RunRequest hands it over.
struct WebRequest {
    std::string address, method, proxy, userName, password, extraHeaders;
    std::string body;  // bytes
};

// The package of a request, marker first.
RequestPackage PackRequest(const WebRequest& request);
// The request read from the start of a package, or nullopt when its first value is not the
// request marker or a value is missing.
std::optional<WebRequest> UnpackRequest(RequestPackage& package);

// Replaces the package's content by the answer, marker first.
void PackAnswer(RequestPackage& package, std::string_view rawHeaders, std::string_view body);
// Reads the answer from the start; false unless it begins with the answer marker.
bool UnpackAnswer(RequestPackage& package, std::string& rawHeaders, std::string& body);

}  // namespace qm

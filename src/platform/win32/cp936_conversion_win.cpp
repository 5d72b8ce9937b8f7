// Windows side of the Utf8ToGbk seam (cp936_conversion.h): UTF-8 -> UTF-16 -> code page 936,
// without best-fit look-alikes and with "?" for what 936 cannot hold. Any thread.
#include <windows.h>

#include "platform/cp936_conversion.h"

namespace qm {

std::string ConvertUtf8ToCp936(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int inLength = static_cast<int>(utf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, wide.data(), wideLength);
    const int outLength =
        WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0, "?", nullptr);
    if (outLength <= 0) return {};
    std::string out(static_cast<std::size_t>(outLength), '\0');
    WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, out.data(), outLength, "?",
                        nullptr);
    return out;
}

std::string ConvertCp936ToUtf8(std::string_view cp936) {
    if (cp936.empty()) return {};
    const int inLength = static_cast<int>(cp936.size());
    const int wideLength = MultiByteToWideChar(936, 0, cp936.data(), inLength, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(936, 0, cp936.data(), inLength, wide.data(), wideLength);
    const int outLength =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (outLength <= 0) return {};
    std::string out(static_cast<std::size_t>(outLength), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, out.data(), outLength, nullptr, nullptr);
    return out;
}

}  // namespace qm

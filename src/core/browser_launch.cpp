// The default web browser's path and the addresses it may be given: see browser_launch.h. Only
// ASCII bytes are tested at the start of the address, so GBK trail bytes cannot be mistaken.
#include "core/browser_launch.h"

#include "platform/gbk.h"

namespace qm {

std::string BrowserPathOfCommand(std::string_view command) {
    const std::size_t open = command.find('"');
    if (open == std::string_view::npos) return {};
    const std::size_t close = command.find('"', open + 1);
    if (close == std::string_view::npos) return {};
    return std::string(command.substr(open + 1, close - open - 1));
}

bool IsLaunchableAddress(std::string_view address) {
    for (unsigned char c : address)
        if (c < 0x20 || c == 0x7F) return false;
    std::size_t start = 0;
    while (start < address.size() && address[start] == ' ') ++start;
    const std::string_view a = address.substr(start);
    if (a.empty()) return true;
    if (a[0] == '-' || a[0] == '/' || a[0] == '\\') return false;
    if (AsciiLower(a.substr(0, 5)) == "file:") return false;
    const bool letter = (a[0] >= 'a' && a[0] <= 'z') || (a[0] >= 'A' && a[0] <= 'Z');
    return !(letter && a.size() >= 2 && a[1] == ':');
}

}  // namespace qm

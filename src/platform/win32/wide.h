// The Win32 boundary: GBK bytes <-> UTF-16, always through code page 936 (never CP_ACP), so the
// program shows and stores Chinese the same whatever the system code page is. Any thread.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// Invalid GBK becomes U+FFFD or the code page's default mapping, as the system converts it.
std::wstring ToWide(std::string_view gbk);

// Characters code page 936 cannot hold become "?" (no best-fit look-alikes).
std::string FromWide(std::wstring_view wide);

}  // namespace qm

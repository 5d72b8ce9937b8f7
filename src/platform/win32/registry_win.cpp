// Registry reads: see registry_win.h.
#include "platform/win32/registry_win.h"

#include <windows.h>

#include "platform/gbk.h"
#include "platform/win32/wide.h"

namespace qm {

namespace {
RegistryReadHook g_hook = nullptr;
}

std::string ReadClassesRootDefault(std::string_view subKey) {
    if (g_hook) return g_hook(subKey);
    // A key path may end with a backslash, naming the key's default value.
    while (!subKey.empty() && subKey.back() == '\\' &&
           IsCharStart(subKey, static_cast<TextPos>(subKey.size())))
        subKey.remove_suffix(1);
    const std::wstring key = ToWide(subKey);
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    // The value may grow between the two calls; try again with the new size.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD bytes = 0;
        if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, flags, nullptr, nullptr, &bytes) !=
                ERROR_SUCCESS ||
            bytes < sizeof(wchar_t))
            return {};
        std::wstring value(bytes / sizeof(wchar_t), L'\0');
        const LSTATUS rc =
            RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, flags, nullptr, value.data(), &bytes);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return {};
        value.resize(bytes / sizeof(wchar_t));
        while (!value.empty() && value.back() == L'\0') value.pop_back();
        return FromWide(value);
    }
    return {};
}

void SetRegistryReadHookForTesting(RegistryReadHook hook) {
    g_hook = hook;
}

}  // namespace qm

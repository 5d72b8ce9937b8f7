// Registry reads the program needs (it never writes the registry). Any thread.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// The default (unnamed) value of a key under HKEY_CLASSES_ROOT, as GBK text; empty when the key
// is missing or its default value is no text.
std::string ReadClassesRootDefault(std::string_view subKey);

// Test seam: while set, reads are answered by the hook instead of the registry.
using RegistryReadHook = std::string (*)(std::string_view subKey);
void SetRegistryReadHookForTesting(RegistryReadHook hook);

}  // namespace qm

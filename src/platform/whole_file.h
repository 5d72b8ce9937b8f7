// Files read and replaced whole through the file layer (GBK names, shared with other programs):
// the settings file, exported and imported text. Portable; any thread, one file at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The whole content of a file; nullopt when it cannot be opened or read, or is larger than
// maxSize bytes.
std::optional<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxSize = UINT64_MAX);

// Makes the file at path hold exactly these bytes. They go to a new file beside it, which (when
// `flush`) is flushed to disk and then takes the file's name, so the old content stays whole until
// the new content is complete. False when it could not be done; the file is then as it was.
bool ReplaceWholeFile(const std::string& path, std::string_view bytes, bool flush = true);

}  // namespace qm

// The files of export and import, read and written whole through the file layer (GBK names,
// shared with other programs). Portable; window thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The whole content of a file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Makes the file at path hold exactly these bytes. They go to a new file beside it, which is
// flushed and then takes the file's name, so the old content stays whole until the new content
// is complete. False when it could not be done; the file is then as it was.
bool ReplaceWholeFile(const std::string& path, std::string_view bytes);

}  // namespace qm

// The system's save-file and open-file dialogs, modal to the active window of this thread. The
// filter is written as the window definitions give it: display name, "|", pattern, and so on.
// Tests answer the dialogs through a hook. Window thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qm {

struct FileDialogRequest {
    bool save = false;             // save: asks before replacing a file; open: the file must exist
    std::string filter;            // "文本文件（*.txt）|*.txt"
    std::string defaultExtension;  // added to a name typed without one; empty: none
    std::string fileName;          // the name shown at first
};

// The chosen path, or nullopt when the user cancelled.
std::optional<std::string> ShowFileDialog(const FileDialogRequest& request);

// Test seam: while a hook is set it answers instead of the dialog.
using FileDialogHook = std::function<std::optional<std::string>(const FileDialogRequest&)>;
void SetFileDialogHookForTesting(FileDialogHook hook);

}  // namespace qm

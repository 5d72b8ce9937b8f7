// The program's composition root: the main window's controls whose actions live in other parts of
// the program (export, import, backup and restore), and what those windows tell the main window
// back. Window thread only.
#pragma once

#include <vector>

#include "platform/win32/forms_win.h"

namespace qm {

// Bindings for the main window's "导入txt", "导出txt" and "备份/还原" buttons; also sets what the
// import window does once an import has run.
std::vector<EventBinding> ProgramWindowBindings();

// The main window with every binding of the program, and `more` after them.
Form* LoadProgramMainWindow(bool show = true, std::vector<EventBinding> more = {});

}  // namespace qm

// The drive picker and the folder tree of the form runtime, on their windows: the drive list,
// the current drive and folder, and a tree of one drive's folders whose children are listed when
// a folder is first expanded (so a large drive costs nothing until it is walked). Used by
// forms_win.cpp only. Window thread only.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <string>
#include <vector>

namespace qm::pickers {

std::vector<std::string> DriveItems();  // "C:", "D:" ... in letter order
std::string CurrentDrive();             // "C"; empty when the current folder has no drive letter
std::string CurrentFolder();

// Rebuilds the tree for the drive of path ("X:..."; the current folder when path has no drive)
// and selects the folder, or its deepest existing ancestor, with its children listed. Raises no
// notification a handler would take for the user's.
void ShowFolder(HWND tree, const std::string& path);
std::string SelectedFolder(HWND tree);         // "C:\" for the root, "C:\a\b" below it; empty when none
void ListChildren(HWND tree, HTREEITEM item);  // once per item; on TVN_ITEMEXPANDING

}  // namespace qm::pickers

// Windows that the main window owns (the finder, the site check): where they open, how their place
// and size are kept in their settings section, and how one already open comes back. Window thread
// only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/form.h"

namespace qm {

// Opens the window where it was last (its settings section), when that is on a screen and not
// below the smallest size; else centred over the owner at the definition's size. A kept size is
// the outer one, set again once the window is made and before it shows: the skin's frame keeps the
// client area it is given, and the window grew by the frame's extra size at every opening.
Form* OpenOwnedWindow(FormDef def, std::vector<EventBinding> bindings, HWND owner, const char* section,
                      int minWidth, int minHeight);

// The window's place (not while minimised) and size, into its settings section.
void SaveOwnedWindowPosition(const Form& form, const char* section);
void SaveOwnedWindowSize(const Form& form, const char* section);

// An open window asked for again: restored when minimised, and brought to the front.
void BringOwnedWindowBack(HWND window);

// The site of `record` (its number as the list shows it) in the main list: its category in the
// filter, its row selected, the main window in front with the list focused, and `owned` kept in
// sight above it. False when the main window is gone or the site is not in that category.
bool ShowSiteInMainList(const std::string& category, const std::string& record, HWND owned);

}  // namespace qm

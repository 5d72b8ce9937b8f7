// The form runtime: creates a top-level window of class "KXWindow" and the standard Win32 controls
// of a FormDef (captions as window texts, so assistive tools see what a user sees), finds them by
// their Chinese names, reads and sets their texts, items, selections and list rows, and delivers
// the form's events to the bound free functions. Window thread only. A loaded form is owned by its
// window and freed when the window is destroyed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form.h"
#include "platform/list_table.h"

namespace qm {

inline constexpr wchar_t kFormWindowClass[] = L"KXWindow";

struct ControlRect {
    int left = 0, top = 0, width = 0, height = 0;  // relative to the parent's client area
};

// Creates the window and its controls at their design positions, raises Created, then shows the
// window unless show is false. Returns nullptr when the window cannot be created or when the
// Created handler destroyed it.
Form* LoadForm(const FormDef& def, std::vector<EventBinding> bindings, HWND owner = nullptr,
               bool show = true);

HWND FormWindow(const Form& form);
const FormDef& FormDefinition(const Form& form);
Form* FormFromWindow(HWND hwnd);  // the form of a top-level form window, or nullptr
HWND ControlWindow(const Form& form, std::string_view name);  // nullptr for an unknown name
std::string ControlNameOf(const Form& form, HWND control);    // empty when not a control of it

// Window text of a control, or of the form itself when name is the form's name.
std::string GetText(const Form& form, std::string_view name);
void SetText(Form& form, std::string_view name, std::string_view text);

// Makes an edit read-only or editable. A read-only edit is drawn on a grey face with grey text,
// so the difference stays visible when the skin gives every edit its own face colour.
void SetEditReadOnly(Form& form, std::string_view name, bool readOnly);

ControlRect GetControlRect(const Form& form, std::string_view name);
// Moves a control; a negative width or height keeps the current one.
void SetControlRect(Form& form, std::string_view name, ControlRect rect);

// Combo boxes. Items keep their exact GBK bytes; the selection is -1 when nothing is selected.
void ComboClear(Form& form, std::string_view name);
void ComboAdd(Form& form, std::string_view name, std::string_view item);
int ComboCount(const Form& form, std::string_view name);
std::string ComboItem(const Form& form, std::string_view name, int index);
int ComboSelection(const Form& form, std::string_view name);
std::string ComboSelectedText(const Form& form, std::string_view name);  // empty when none
// Selects an item (-1: none) without raising SelectionChanged, as a program change does.
void ComboSelect(Form& form, std::string_view name, int index);

// Drive pickers hold the drives as "C:" items (the Combo functions above read them too). The
// letter of the picked drive ("C"), empty when none.
std::string PickedDrive(const Form& form, std::string_view name);
// Picks the drive with this letter (either case) without raising SelectionChanged; false, and
// nothing changed, when no drive has it.
bool PickDrive(Form& form, std::string_view name, std::string_view letter);

// Folder trees: the selected folder's full path, "C:\" for a drive's root and "C:\a\b" below it.
std::string PickedFolder(const Form& form, std::string_view name);
// Shows the tree of the path's drive (of the current folder when the path has none) with the
// folder selected, or its deepest existing ancestor, without raising SelectionChanged. The user's
// own picks raise it.
void ShowFolder(Form& form, std::string_view name, std::string_view path);

// List views (virtual: the rows live in the form, the control asks for what it shows).
// SetListRows and SetListTable replace every row, clear the selection and scroll to the top.
void SetListRows(Form& form, std::string_view name, const std::vector<ListRow>& rows);
void SetListTable(Form& form, std::string_view name, ListTable rows);
// As SetListTable with the rows `fill` adds to the list's own table, emptied for rows of `columns`
// cells: a list refilled with as many rows again reuses the memory it has instead of faulting in
// fresh pages.
void RefillListTable(Form& form, std::string_view name, std::size_t columns,
                     const std::function<void(ListTable&)>& fill);
const ListTable& ListRows(const Form& form, std::string_view name);
int ListRowCount(const Form& form, std::string_view name);
std::string ListCell(const Form& form, std::string_view name, int row, int column);
int ListSelectedRow(const Form& form, std::string_view name);  // -1 when none
void ListSelectRow(Form& form, std::string_view name, int row, bool scrollIntoView = true);
// Lays the rows out in a new order: row i of the result is old row order[i]. The selected row
// stays selected and is scrolled into view.
void ListReorder(Form& form, std::string_view name, const std::vector<std::size_t>& order);
// Replaces one row's cells and redraws that row alone (or nothing, for a caller that changes many
// rows and then invalidates the list once); the selection and the scroll position stay. Nothing
// for a row out of range.
void SetListRow(Form& form, std::string_view name, int row, ListRow cells, bool redraw = true);
int ListColumnWidth(const Form& form, std::string_view name, int column);
void SetListColumnWidth(Form& form, std::string_view name, int column, int width);

// A handler that sees each message of the form's window and of its controls first, before the
// skin and the controls' own procedures; it returns true when it has answered the message, the
// answer in *result. One per form; nullptr removes it.
using FormMessageHook = bool (*)(Form& form, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
void SetFormMessageHook(Form& form, FormMessageHook hook);

// Pops up a menu of the form at a screen position and delivers MenuItemClicked for the chosen
// item. False for an unknown menu.
bool ShowPopupMenu(Form& form, std::string_view menuName, POINT screenPos);

// Test seams. While a popup hook is set, menus are built and handed to it instead of being
// tracked; it returns the chosen item's index in the menu definition, or -1. While an open hook is
// set, hyperlink labels hand their address to it instead of starting the default browser.
using PopupMenuHook = int (*)(HMENU menu, const MenuDef& def);
void SetPopupMenuHookForTesting(PopupMenuHook hook);
using OpenAddressHook = void (*)(const std::string& address);
void SetOpenAddressHookForTesting(OpenAddressHook hook);

// True when the Browser control holds the system web browser, false when it shows the plain
// banner.
bool HasEmbeddedBrowser(const Form& form, std::string_view name);

}  // namespace qm

// Windows as data: a form is a table of named controls (kind, design position, caption) plus its
// popup menus, and a list of bindings that route the form's events to free functions. The tables
// are portable; platform/win32/forms_win.h creates real windows from them. Any thread may build a
// table; only the window thread loads and drives forms.
#pragma once

#include <string>
#include <vector>

namespace qm {

enum class ControlKind {
    Label,
    LabelLines,  // a label of several lines (CR LF between them), spaced to fit its box
    Button,
    SmallButton,
    Edit,
    PasswordEdit,
    ComboList,  // drop-down list: the user picks, never types
    GroupBox,   // its children (ControlDef::parent) are real child windows of it
    ListView,   // report style with column headers, rows kept by the form (owner data)
    HyperLink,  // a label that opens ControlDef::target in the default browser when clicked
    Browser,    // the system web browser control showing ControlDef::target, or a plain banner
    // A drop-down list of the drives ("C:"), starting at the current drive.
    DrivePicker,
    // The folder tree of one drive, walked by expanding it; starts at the current folder.
    FolderTree,
};

struct ListColumnDef {
    std::string header;
    int width = 0;
};

struct ControlDef {
    std::string name;
    ControlKind kind = ControlKind::Label;
    int left = 0, top = 0, width = 0, height = 0;  // design position, relative to the parent
    std::string caption;                           // caption or initial text
    std::string parent;                            // name of the group box holding it, or empty
    std::vector<ListColumnDef> columns;            // list views only
    std::string target;                            // address of a hyperlink label or browser
    bool readOnly = false;                         // edits: shown greyed, the user cannot change the text
};

// A menu item with an empty caption is a separator.
struct MenuItemDef {
    std::string caption;
};

struct MenuDef {
    std::string name;
    std::vector<MenuItemDef> items;
};

struct FormDef {
    std::string name;
    std::string caption;
    int left = 0, top = 0, width = 0, height = 0;  // design position of the outer window
    std::vector<ControlDef> controls;              // a group box comes before its children
    std::vector<MenuDef> menus;
};

enum class FormEvent {
    Created,     // the form and all its controls exist; raised once, before the form is shown
    Destroying,  // the form is about to be destroyed
    Moved,
    Resized,
    Clicked,
    SelectionChanged,
    ContentChanged,
    FocusGained,
    FocusLost,
    MouseMoved,
    DoubleClicked,
    RightClicked,
    HeaderClicked,    // EventInfo::column is the clicked column
    MenuItemClicked,  // source is the menu item's caption
};

struct EventInfo {
    std::string source;  // control name, menu item caption, or the form's own name
    FormEvent event = FormEvent::Created;
    int column = -1;   // HeaderClicked
    int x = 0, y = 0;  // mouse events: client position within the source
};

struct Form;  // a loaded form; see platform/win32/forms_win.h
using EventHandler = void (*)(Form& form, const EventInfo& info);

// source is a control name, a menu item caption, or the form's name for the form's own events.
struct EventBinding {
    std::string source;
    FormEvent event = FormEvent::Created;
    EventHandler handler = nullptr;
};

// A control of a form table; parent names the group box holding it.
inline ControlDef MakeControl(const char* name, ControlKind kind, int left, int top, int width, int height,
                              const char* caption = "", const char* parent = "") {
    ControlDef c;
    c.name = name;
    c.kind = kind;
    c.left = left, c.top = top, c.width = width, c.height = height;
    c.caption = caption;
    c.parent = parent;
    return c;
}

// Finds a control definition by name; nullptr when absent.
inline const ControlDef* FindControlDef(const FormDef& def, const std::string& name) {
    for (const auto& c : def.controls)
        if (c.name == name) return &c;
    return nullptr;
}

}  // namespace qm

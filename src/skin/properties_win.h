// The skin's per-window state: named window properties "Easy.…", each holding one integer (a
// number, a flag or a handle). A missing property reads as 0; the skin never removes them, the
// system drops them with the window. Window thread only.
#pragma once

#include <windows.h>

#include <cstdint>

namespace qm::skin {

enum class Prop {
    SavedProcedure,  // "Easy.窗口过程": the procedure unhandled messages go to
    Caption,         // frame: both caption bits
    NarrowCaption,   // frame: tool window
    SystemMenu,
    IconHandle,
    CloseButton,  // frame buttons: CaptionButtonState
    MaximiseButton,
    MinimiseButton,
    HelpButton,
    RestoreGlyph,  // the maximise button shows the restore glyph
    Active,
    HoverTimer,
    ColourPicker,  // frame or container: the picker its picker messages go to
    ButtonKind,
    DefaultButton,
    Focus,
    Checked,
    MouseOver,
    MouseDown,
    DrawnDisabled,
    BackgroundColour,
    ListBoxKind,
    MenuItem,
    UpDown,
    OwnerDrawnTabs,
    TabFont,
    Painted,
    ThumbState,
    UpDownPressed,
    UpDownIndex,
    LargePicker,
    PickerColour,
    ListStyle,
    ToolbarRaised,
    ManualSkin,  // "Easy.手工换肤": the program colours this control itself
    Count
};

// The property's name, GBK bytes as the program spells it.
const char* PropName(Prop p);

std::intptr_t ReadProp(HWND hwnd, Prop p);
void WriteProp(HWND hwnd, Prop p, std::intptr_t value);

template <typename T>
T ReadPropAs(HWND hwnd, Prop p) {
    return reinterpret_cast<T>(ReadProp(hwnd, p));
}

}  // namespace qm::skin

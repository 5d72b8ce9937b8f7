// The export and import windows' handlers: see exchange_windows_win.h. Each handler reads the
// controls and calls one action of exchange/export_text.h or exchange/import_text.h.
#include "exchange/exchange_windows_win.h"

#include <algorithm>
#include <string>

#include "core/stores.h"
#include "exchange/exchange_format.h"
#include "exchange/exchange_forms.h"
#include "exchange/export_text.h"
#include "exchange/import_text.h"
#include "exchange/login_formats.h"
#include "platform/win32/file_dialogs_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm {

namespace {

// An open window and the name its file dialog last confirmed (the dialog's current file name).
struct OpenWindow {
    Form* form = nullptr;
    std::string chosen;
};
OpenWindow g_export, g_import;
ImportDoneHook g_importDone = nullptr;

constexpr char kAllDataItem[] = "所有数据";
constexpr char kAutoAssignItem[] = "自动分配";

void FillCombo(Form& form, const char* combo, const std::vector<std::string>& items) {
    ComboClear(form, combo);
    for (const std::string& item : items) ComboAdd(form, combo, item);
}

OpenWindow& StateOf(const Form& form) {
    return &form == g_import.form ? g_import : g_export;
}

// The other programs' format chosen in the window, or nullptr for the program's own two.
const ForeignFormatInfo* ChosenForeignFormat(const Form& form) {
    const int index = ComboSelection(form, kFormatCombo);
    return &form == g_import.form ? ForeignImportFormatAt(index) : ForeignExportFormatAt(index);
}

// The drop-down as wide as its longest item, never narrower than the combo.
void FitDropDown(Form& form) {
    HWND combo = ControlWindow(form, kFormatCombo);
    int widest = 0;
    {
        WindowDC dc(combo);
        if (!dc) return;
        SelectRestorer font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0)));
        for (int k = 0; k < ComboCount(form, kFormatCombo); ++k) {
            const std::wstring item = ToWide(ComboItem(form, kFormatCombo, k));
            SIZE size{};
            GetTextExtentPoint32W(dc.get(), item.c_str(), static_cast<int>(item.size()), &size);
            widest = std::max<int>(widest, size.cx);
        }
    }
    RECT r{};
    GetWindowRect(combo, &r);
    const int width = widest + 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL) + 8;
    SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(std::max<int>(width, r.right - r.left)), 0);
}

void FillFormats(Form& form, const std::vector<ForeignFormatInfo>& foreign) {
    ComboClear(form, kFormatCombo);
    ComboAdd(form, kFormatCombo, kNativeFormatItem);
    ComboAdd(form, kFormatCombo, kCustomFormatItem);
    for (const ForeignFormatInfo& f : foreign) ComboAdd(form, kFormatCombo, f.item);
    ComboSelect(form, kFormatCombo, 0);
    FitDropDown(form);
}

// The note and the template box for the chosen format; a change of format resets the template.
// Other programs' formats need no template: the box is greyed as for the native format.
void ShowFormat(Form& form) {
    const bool custom = ComboSelection(form, kFormatCombo) == kCustomFormat;
    const ForeignFormatInfo* foreign = ChosenForeignFormat(form);
    SetText(form, kFormatNote, foreign ? foreign->note : custom ? kCustomFormatNote : kNativeFormatNote);
    SetText(form, kTemplateEdit, custom ? kDefaultTemplate : kTemplateNotice);
    SetEditReadOnly(form, kTemplateEdit, !custom);
}

// The dialog shows the last confirmed name; after a cancel the path box gets that name again.
void ChoosePath(Form& form, bool save, const char* pathEdit) {
    OpenWindow& state = StateOf(form);
    FileDialogRequest request;
    request.save = save;
    const ForeignFormatInfo* foreign = ChosenForeignFormat(form);
    request.filter = foreign ? foreign->filter : kTextFileFilter;
    request.defaultExtension = !save ? "" : foreign ? foreign->extension : kTextFileExtension;
    request.fileName = state.chosen;
    if (const std::optional<std::string> path = ShowFileDialog(request)) state.chosen = *path;
    SetText(form, pathEdit, state.chosen);
}

// The end of a long path, where the file name is, stays in view.
void ShowPathEnd(Form& form, const char* pathEdit) {
    HWND edit = ControlWindow(form, pathEdit);
    const int end = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

void ExportWindowCreated(Form& form, const EventInfo&) {
    g_export = {&form, {}};
    FillFormats(form, ForeignExportFormats());
    FillExportCategoryList(form);
}

void ImportWindowCreated(Form& form, const EventInfo&) {
    g_import = {&form, {}};
    FillFormats(form, ForeignImportFormats());
    FillImportCategoryList(form);
}

void ExportFormatChanged(Form& form, const EventInfo&) {
    ShowFormat(form);
}

void ImportFormatChanged(Form& form, const EventInfo&) {
    ShowFormat(form);
    FillImportCategoryList(form);
}

void ChooseSavePath(Form& form, const EventInfo&) {
    ChoosePath(form, true, kSavePathEdit);
}
void ChooseOpenPath(Form& form, const EventInfo&) {
    ChoosePath(form, false, kOpenPathEdit);
}
void SavePathChanged(Form& form, const EventInfo&) {
    ShowPathEnd(form, kSavePathEdit);
}
void OpenPathChanged(Form& form, const EventInfo&) {
    ShowPathEnd(form, kOpenPathEdit);
}

void RunExport(Form& form, const EventInfo&) {
    ExportToFile(GetText(form, kSavePathEdit), ComboSelection(form, kFormatCombo),
                 GetText(form, kTemplateEdit), ComboSelectedText(form, kExportChoiceCombo));
}

void RunImport(Form& form, const EventInfo&) {
    ImportFromFile(GetText(form, kOpenPathEdit), ComboSelection(form, kFormatCombo),
                   GetText(form, kTemplateEdit), ComboSelectedText(form, kImportTargetCombo));
    if (g_importDone) g_importDone();
}

void OnDestroying(Form& form, const EventInfo&) {
    if (g_export.form == &form) g_export = {};
    if (g_import.form == &form) g_import = {};
}

std::vector<EventBinding> ExportBindings() {
    return {
        {kExportFormName, FormEvent::Created, ExportWindowCreated},
        {kExportFormName, FormEvent::Destroying, OnDestroying},
        {kFormatCombo, FormEvent::SelectionChanged, ExportFormatChanged},
        {kPathButton, FormEvent::Clicked, ChooseSavePath},
        {kSavePathEdit, FormEvent::ContentChanged, SavePathChanged},
        {kRunExportButton, FormEvent::Clicked, RunExport},
    };
}

std::vector<EventBinding> ImportBindings() {
    return {
        {kImportFormName, FormEvent::Created, ImportWindowCreated},
        {kImportFormName, FormEvent::Destroying, OnDestroying},
        {kFormatCombo, FormEvent::SelectionChanged, ImportFormatChanged},
        {kPathButton, FormEvent::Clicked, ChooseOpenPath},
        {kOpenPathEdit, FormEvent::ContentChanged, OpenPathChanged},
        {kRunImportButton, FormEvent::Clicked, RunImport},
    };
}

void Open(OpenWindow& state, const FormDef& def, std::vector<EventBinding> bindings, Form& owner) {
    if (state.form) {
        HWND hwnd = FormWindow(*state.form);
        if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
        SetForegroundWindow(hwnd);
        return;
    }
    if (!LoadForm(def, std::move(bindings), FormWindow(owner))) state = {};
}

}  // namespace

void FillExportCategoryList(Form& exportForm) {
    std::optional<std::vector<std::string>> names = ReadCategoryNames();
    if (!names) return;
    names->insert(names->begin(), kAllDataItem);
    FillCombo(exportForm, kExportChoiceCombo, *names);
    ComboSelect(exportForm, kExportChoiceCombo, 0);
}

void FillImportCategoryList(Form& importForm) {
    std::optional<std::vector<std::string>> names = ReadCategoryNames();
    if (!names) return;
    // The native format and other programs' files carry each site's category (their folder); a
    // custom template carries none.
    const int format = ComboSelection(importForm, kFormatCombo);
    if (format == kNativeFormat || format > kCustomFormat) *names = {kAutoAssignItem};
    FillCombo(importForm, kImportTargetCombo, *names);
    ComboSelect(importForm, kImportTargetCombo, names->empty() ? -1 : 0);
}

void SetImportDoneHook(ImportDoneHook hook) {
    g_importDone = hook;
}

void OpenExportWindow(Form& owner, const EventInfo&) {
    Open(g_export, ExportFormDef(), ExportBindings(), owner);
}

void OpenImportWindow(Form& owner, const EventInfo&) {
    Open(g_import, ImportFormDef(), ImportBindings(), owner);
}

Form* ExportWindow() {
    return g_export.form;
}

Form* ImportWindow() {
    return g_import.form;
}

}  // namespace qm

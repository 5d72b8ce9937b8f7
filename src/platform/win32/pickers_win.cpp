// The drive picker and the folder tree: see pickers_win.h. Item texts are the folder names as the
// system gives them (UTF-16); paths leave here as GBK. An item's lParam is 1 once its children
// have been listed.
#include "platform/win32/pickers_win.h"

#include <algorithm>
#include <cctype>
#include <cwctype>

#include "platform/win32/wide.h"

namespace qm::pickers {

namespace {

constexpr LPARAM kListed = 1;

// A drive without its medium (an empty card reader) fails quietly instead of asking the user to
// insert a disk.
class QuietDriveErrors {
  public:
    QuietDriveErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
    ~QuietDriveErrors() { SetThreadErrorMode(old_, nullptr); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

  private:
    DWORD old_ = 0;
};

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
    wchar_t buf[MAX_PATH] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = MAX_PATH;
    TreeView_GetItem(tree, &tv);
    return buf;
}

LPARAM ItemParam(HWND tree, HTREEITEM item) {
    TVITEMW tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    TreeView_GetItem(tree, &tv);
    return tv.lParam;
}

void SetItem(HWND tree, HTREEITEM item, UINT mask, int children, LPARAM param) {
    TVITEMW tv{};
    tv.mask = mask;
    tv.hItem = item;
    tv.cChildren = children;
    tv.lParam = param;
    TreeView_SetItem(tree, &tv);
}

// Every folder may have subfolders until it is expanded: looking into each one in advance would
// cost a directory listing per child.
HTREEITEM Insert(HWND tree, HTREEITEM parent, const std::wstring& text, HTREEITEM after = TVI_LAST) {
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
    ins.item.pszText = const_cast<wchar_t*>(text.c_str());
    ins.item.cChildren = 1;
    ins.item.lParam = 0;
    return TreeView_InsertItem(tree, &ins);
}

// The root's text is "C:\", so a child's path is the root's text and the names joined with "\".
std::wstring PathOf(HWND tree, HTREEITEM item) {
    std::vector<std::wstring> parts;
    for (HTREEITEM i = item; i; i = TreeView_GetParent(tree, i)) parts.push_back(ItemText(tree, i));
    std::wstring path;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        if (!path.empty() && path.back() != L'\\') path += L'\\';
        path += *it;
    }
    return path;
}

std::wstring Child(const std::wstring& folder, const std::wstring& name) {
    return folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// Hidden folders are left out of the listing, as the system's own views do.
std::vector<std::wstring> Subfolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileExW(Child(folder, L"*").c_str(), FindExInfoBasic, &fd,
                                FindExSearchLimitToDirectories, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return lstrcmpiW(a.c_str(), b.c_str()) < 0;
    });
    return names;
}

// The child of parent with this name; an existing folder the listing left out (a hidden one on
// the way to a given path) is added.
HTREEITEM FindChild(HWND tree, HTREEITEM parent, const std::wstring& name) {
    for (HTREEITEM c = TreeView_GetChild(tree, parent); c; c = TreeView_GetNextSibling(tree, c))
        if (SameName(ItemText(tree, c), name)) return c;
    const DWORD a = GetFileAttributesW(Child(PathOf(tree, parent), name).c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
    SetItem(tree, parent, TVIF_CHILDREN, 1, 0);
    return Insert(tree, parent, name, TVI_SORT);
}

void Expand(HWND tree, HTREEITEM item) {
    ListChildren(tree, item);
    TreeView_Expand(tree, item, TVE_EXPAND);
}

}  // namespace

std::vector<std::string> DriveItems() {
    std::vector<std::string> items;
    wchar_t buf[512] = {};
    const DWORD n = GetLogicalDriveStringsW(511, buf);
    for (const wchar_t* p = buf; n && n < 512 && *p; p += wcslen(p) + 1)
        if (IsDriveLetter(p[0]) && p[1] == L':')
            items.push_back(FromWide(std::wstring{towupper(p[0]), L':'}));
    std::sort(items.begin(), items.end());
    return items;
}

std::string CurrentFolder() {
    wchar_t buf[MAX_PATH] = {};
    const DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
    return n && n < MAX_PATH ? FromWide(buf) : std::string();
}

std::string CurrentDrive() {
    const std::string f = CurrentFolder();
    return f.size() >= 2 && f[1] == ':' && IsDriveLetter(static_cast<unsigned char>(f[0]))
               ? std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(f[0]))))
               : std::string();
}

void ListChildren(HWND tree, HTREEITEM item) {
    if (!item || ItemParam(tree, item) == kListed) return;
    QuietDriveErrors quiet;
    const std::vector<std::wstring> names = Subfolders(PathOf(tree, item));
    for (const std::wstring& name : names) Insert(tree, item, name);
    SetItem(tree, item, TVIF_CHILDREN | TVIF_PARAM, names.empty() ? 0 : 1, kListed);
}

void ShowFolder(HWND tree, const std::string& path) {
    std::wstring w = ToWide(path);
    if (w.size() < 2 || !IsDriveLetter(w[0]) || w[1] != L':') w = ToWide(CurrentFolder());
    if (w.size() < 2 || !IsDriveLetter(w[0]) || w[1] != L':') return;
    QuietDriveErrors quiet;
    TreeView_DeleteAllItems(tree);
    HTREEITEM item = Insert(tree, TVI_ROOT, std::wstring{towupper(w[0]), L':', L'\\'});
    std::size_t i = 2;
    while (item && i < w.size()) {
        const std::size_t end = std::min(w.find_first_of(L"\\/", i), w.size());
        const std::wstring name = w.substr(i, end - i);
        i = end + 1;
        if (name.empty() || name == L".") continue;
        if (name == L"..") {
            if (HTREEITEM parent = TreeView_GetParent(tree, item)) item = parent;
            continue;
        }
        Expand(tree, item);
        HTREEITEM next = FindChild(tree, item, name);
        if (!next) break;
        item = next;
    }
    ListChildren(tree, item);
    TreeView_SelectItem(tree, item);
    TreeView_EnsureVisible(tree, item);
    Expand(tree, item);
}

std::string SelectedFolder(HWND tree) {
    HTREEITEM item = TreeView_GetSelection(tree);
    return item ? FromWide(PathOf(tree, item)) : std::string();
}

}  // namespace qm::pickers

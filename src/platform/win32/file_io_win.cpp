// Windows backend of the file layer: GBK names through code page 936 to the W functions, handles
// shared for reading, writing and deletion, whole-file lock with LockFileEx on a byte far beyond
// any data (so readers are never blocked), replace with MoveFileExW. Under Wine every call that
// asks for the volume (GetFileInformationByHandle, GetFileType) costs 100-350 us, against 1-3 us
// for the size, time and file index asked separately, so the stat of every store operation takes
// those three.
#include <windows.h>

#include <algorithm>

#include "platform/file_io.h"
#include "platform/win32/wide.h"

namespace qm::fileio {

struct File {
    HANDLE h = INVALID_HANDLE_VALUE;
    std::string path;  // as given, for the fault hook
};

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kLockOffsetHigh = 0x7FFFFFF0;  // lock region well past the end of any store

// NtQueryInformationFile(FileInternalInformation): the file index without the volume.
using QueryInfoFn = LONG(WINAPI*)(HANDLE, void* ioStatus, void* info, ULONG length, int infoClass);
constexpr int kFileInternalInformation = 6;

QueryInfoFn QueryInfo() {
    static const QueryInfoFn fn = reinterpret_cast<QueryInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
    return fn;
}

// Size, last write and file index of an open regular file; false for directories and devices.
bool StatHandle(HANDLE h, FileStat* out) {
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic) ||
        (basic.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) ||
        !GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard))
        return false;
    FileStat s;
    s.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
    s.mtime = basic.LastWriteTime.QuadPart;
    ULONG_PTR io[2] = {};
    LARGE_INTEGER index{};
    BY_HANDLE_FILE_INFORMATION info;  // the slow way, should ntdll not offer the fast one
    if (QueryInfo() && QueryInfo()(h, io, &index, sizeof index, kFileInternalInformation) >= 0)
        s.identity = static_cast<std::uint64_t>(index.QuadPart);
    else if (GetFileInformationByHandle(h, &info))
        s.identity = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    else
        return false;
    *out = s;
    return true;
}

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return ov;
}

}  // namespace

File* OpenFile(const std::string& path, OpenMode mode) {
    if (CheckFault({.op = Op::Open, .path = path, .mode = mode}) != Fault::None) return nullptr;
    DWORD access = GENERIC_READ | GENERIC_WRITE, disposition = OPEN_EXISTING;
    switch (mode) {
        case OpenMode::ReadWrite:
            break;
        case OpenMode::ReadOnly:
            access = GENERIC_READ;
            break;
        case OpenMode::CreateNew:
            disposition = CREATE_NEW;
            break;
        case OpenMode::CreateAlways:
            disposition = CREATE_ALWAYS;
            break;
    }
    HANDLE h = CreateFileW(ToWide(path).c_str(), access, kShareAll, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    FileStat st;
    if (!StatHandle(h, &st)) {  // a directory or a device
        CloseHandle(h);
        return nullptr;
    }
    return new File{h, path};
}

void CloseFile(File* file) {
    if (!file) return;
    CloseHandle(file->h);
    delete file;
}

bool ReadAt(File* file, std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got) {
    *got = 0;
    if (CheckFault({.op = Op::Read, .path = file->path, .offset = offset, .size = n}) != Fault::None)
        return false;
    char* p = static_cast<char*>(buffer);
    while (*got < n) {
        OVERLAPPED ov = At(offset + *got);
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - *got, 1u << 30)), r = 0;
        if (!ReadFile(file->h, p + *got, chunk, &r, &ov)) return GetLastError() == ERROR_HANDLE_EOF;
        if (r == 0) break;
        *got += r;
    }
    return true;
}

bool WriteAt(File* file, std::uint64_t offset, const void* data, std::size_t n) {
    Fault f = CheckFault({.op = Op::Write, .path = file->path, .offset = offset, .size = n});
    if (f == Fault::Fail) return false;
    if (f == Fault::ShortWrite) n /= 2;
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
        OVERLAPPED ov = At(offset + done);
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30)), w = 0;
        if (!WriteFile(file->h, p + done, chunk, &w, &ov) || w == 0) return false;
        done += w;
    }
    return f == Fault::None;
}

bool Truncate(File* file, std::uint64_t size) {
    if (CheckFault({.op = Op::Truncate, .path = file->path, .offset = size}) != Fault::None) return false;
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file->h, li, nullptr, FILE_BEGIN) && SetEndOfFile(file->h);
}

bool Sync(File* file) {
    if (CheckFault({.op = Op::Sync, .path = file->path}) != Fault::None) return false;
    return !SyncToDisk() || FlushFileBuffers(file->h) != 0;
}

bool Lock(File* file) {
    if (CheckFault({.op = Op::Lock, .path = file->path}) != Fault::None) return false;
    OVERLAPPED ov{};
    ov.OffsetHigh = kLockOffsetHigh;
    return LockFileEx(file->h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &ov) != 0;
}

void Unlock(File* file) {
    OVERLAPPED ov{};
    ov.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(file->h, 0, 1, 0, &ov);
}

bool StatFile(File* file, FileStat* out) {
    if (CheckFault({.op = Op::Stat, .path = file->path}) != Fault::None) return false;
    return StatHandle(file->h, out);
}

bool StatPath(const std::string& path, FileStat* out) {
    if (CheckFault({.op = Op::Stat, .path = path}) != Fault::None) return false;
    // Through a handle: directory entries of files open elsewhere may show a stale size.
    HANDLE h = CreateFileW(ToWide(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = StatHandle(h, out);
    CloseHandle(h);
    return ok;
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RenameReplace(const std::string& from, const std::string& to, bool* sharing) {
    *sharing = false;
    if (CheckFault({.op = Op::Rename, .path = from, .to = to}) != Fault::None) return false;
    if (MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DWORD e = GetLastError();
    *sharing = e == ERROR_SHARING_VIOLATION || e == ERROR_ACCESS_DENIED || e == ERROR_LOCK_VIOLATION;
    return false;
}

bool RemoveFile(const std::string& path) {
    if (CheckFault({.op = Op::Remove, .path = path}) != Fault::None) return false;
    return DeleteFileW(ToWide(path).c_str()) != 0;
}

std::string AbsolutePath(const std::string& path) {
    std::wstring w = ToWide(path);
    DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
    full.resize(n);
    return FromWide(full);
}

void SleepMs(int ms) {
    Sleep(static_cast<DWORD>(ms));
}

bool CreateFolder(const std::string& path) {
    return CreateDirectoryW(ToWide(path).c_str(), nullptr) != 0;
}

bool RemoveFolder(const std::string& path) {
    return RemoveDirectoryW(ToWide(path).c_str()) != 0;
}

bool IsFolder(const std::string& path) {
    const DWORD a = GetFileAttributesW(ToWide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ClearReadOnly(const std::string& path) {
    const std::wstring w = ToWide(path);
    const DWORD a = GetFileAttributesW(w.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    return !(a & FILE_ATTRIBUTE_READONLY) || SetFileAttributesW(w.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
}

bool SetReadOnly(const std::string& path) {
    const std::wstring w = ToWide(path);
    const DWORD a = GetFileAttributesW(w.c_str());
    return a != INVALID_FILE_ATTRIBUTES && SetFileAttributesW(w.c_str(), a | FILE_ATTRIBUTE_READONLY);
}

bool IsReadOnly(const std::string& path) {
    const DWORD a = GetFileAttributesW(ToWide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

std::uint64_t FreeBytes(const std::string& folder) {
    ULARGE_INTEGER avail;
    if (!GetDiskFreeSpaceExW(ToWide(folder).c_str(), &avail, nullptr, nullptr)) return UINT64_MAX;
    return avail.QuadPart;
}

bool ModifiedLocalTime(const std::string& path, LocalTime* out) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    SYSTEMTIME t;
    if (!GetFileAttributesExW(ToWide(path).c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &t))
        return false;
    *out = {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    return true;
}

}  // namespace qm::fileio

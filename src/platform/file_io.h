// File layer of the record-store engine: positioned reads and writes, flush, whole-file lock,
// identity and time stamps, replace-by-rename, with GBK names. One backend per build
// (file_io_posix.cpp natively, win32/file_io_win.cpp on Windows). Files are opened shared for
// reading, writing and deletion so a backup can read a store that is open. Every operation passes
// the fault hook first, which tests use to make it fail or to stop the "process" at that point.
// Single-threaded use per handle; the hook is process-wide.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qm::fileio {

struct File;  // an open handle; owned by the caller until CloseFile

enum class OpenMode { ReadWrite, ReadOnly, CreateNew, CreateAlways };

struct FileStat {
    std::uint64_t size = 0;
    std::int64_t mtime = 0;      // last write, nanoseconds or 100 ns units, compared only
    std::uint64_t identity = 0;  // inode / file index: changes when the name points to a new file
    bool operator==(const FileStat&) const = default;
};

File* OpenFile(const std::string& path, OpenMode mode);  // nullptr on failure
void CloseFile(File* file);                              // nullptr is fine

// An open file that closes itself.
struct FileCloser {
    void operator()(File* file) const { CloseFile(file); }
};
using UniqueFile = std::unique_ptr<File, FileCloser>;
inline UniqueFile Open(const std::string& path, OpenMode mode) {
    return UniqueFile(OpenFile(path, mode));
}
// Reads up to n bytes at offset; *got receives the count (less at the end of the file).
bool ReadAt(File* file, std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got);
bool WriteAt(File* file, std::uint64_t offset, const void* data, std::size_t n);
bool Truncate(File* file, std::uint64_t size);
bool Sync(File* file);
bool Lock(File* file);  // exclusive, waits; advisory between our own writers
void Unlock(File* file);
bool StatFile(File* file, FileStat* out);
bool StatPath(const std::string& path, FileStat* out);  // false when missing
bool Exists(const std::string& path);
// Replaces `to` by `from` atomically; one attempt. *sharing is set when another handle blocked it.
bool RenameReplace(const std::string& from, const std::string& to, bool* sharing);
// The same, tried again for a moment while another handle blocks it: antivirus and sync clients
// hold files briefly, and under Wine any open handle blocks the rename.
bool RenameWithRetries(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
// Absolute form of a GBK path (relative names are taken from the current folder), native separators.
std::string AbsolutePath(const std::string& path);
void SleepMs(int ms);

// Test seam. The hook sees each operation before it runs.
enum class Op { Open, Read, Write, Truncate, Sync, Lock, Stat, Rename, Remove };
enum class Fault {
    None,       // run the operation
    Fail,       // fail it (access denied, disk full, sharing violation...)
    ShortWrite  // a write stores only its first half, then reports failure
};
// An operation with what it works on, for hooks that model the disk (a machine crash loses what
// was written since the last flush) or check the order of writes, flushes and renames.
struct OpInfo {
    Op op;
    std::string_view path;               // the file; for Rename the old name
    std::string_view to = {};            // Rename: the new name
    std::uint64_t offset = 0;            // Read, Write: where; Truncate: the new size
    std::uint64_t size = 0;              // Read, Write: how many bytes
    OpenMode mode = OpenMode::ReadOnly;  // Open
};
using FaultHook = std::function<Fault(Op op)>;
using DetailedFaultHook = std::function<Fault(const OpInfo& info)>;
void SetFaultHook(FaultHook hook);  // empty hook: no faults
void SetDetailedFaultHook(DetailedFaultHook hook);
Fault CheckFault(const OpInfo& info);  // used by the backends
// Tests that simulate crashes of the process need no flush to the disk: Sync then only passes the
// hook. Never used by the program.
void SetSyncToDiskForTesting(bool enabled);
bool SyncToDisk();

// Folders and attributes, for backup and restore. They do not pass the fault hook.
bool CreateFolder(const std::string& path);  // one level; false when it exists or cannot be made
bool RemoveFolder(const std::string& path);  // an empty one
bool IsFolder(const std::string& path);
bool ClearReadOnly(const std::string& path);  // true when the file is (now) not read-only
bool SetReadOnly(const std::string& path);
bool IsReadOnly(const std::string& path);
// Bytes free for the caller on the volume of a folder; UINT64_MAX when that cannot be asked.
std::uint64_t FreeBytes(const std::string& folder);
struct LocalTime {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
bool ModifiedLocalTime(const std::string& path, LocalTime* out);  // last write, local time

}  // namespace qm::fileio

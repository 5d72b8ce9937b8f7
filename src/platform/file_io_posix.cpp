// Native backend of the file layer (tests, tools and benchmarks on Linux): GBK names become UTF-8
// with iconv, and a backslash that is a character of its own becomes '/', because the program
// builds names as folder + "\\name". Locks are flock() locks, held per open handle.
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <ctime>
#include <vector>

#include "platform/file_io.h"
#include "platform/gbk.h"

namespace qm::fileio {

struct File {
    int fd = -1;
    std::string path;  // as given, for the fault hook
};

namespace {

std::string Convert(const std::string& text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* o = out.data();
    size_t outLeft = out.size();
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return text;  // not GBK: keep the bytes
    out.resize(out.size() - outLeft);
    return out;
}

std::string ToNativeName(const std::string& gbk) {
    std::string s;
    for (std::size_t i = 0; i < gbk.size();) {
        std::size_t n = GbkCharLength(gbk, i);
        if (n == 1 && gbk[i] == '\\')
            s += '/';
        else
            s.append(gbk, i, n);
        i += n;
    }
    return Convert(s, "UTF-8", "GBK");
}

FileStat FromStat(const struct stat& st) {
    FileStat s;
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.mtime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.identity = static_cast<std::uint64_t>(st.st_ino) ^ (static_cast<std::uint64_t>(st.st_dev) << 40);
    return s;
}

}  // namespace

File* OpenFile(const std::string& path, OpenMode mode) {
    if (CheckFault({.op = Op::Open, .path = path, .mode = mode}) != Fault::None) return nullptr;
    int flags = O_CLOEXEC;
    switch (mode) {
        case OpenMode::ReadWrite:
            flags |= O_RDWR;
            break;
        case OpenMode::ReadOnly:
            flags |= O_RDONLY;
            break;
        case OpenMode::CreateNew:
            flags |= O_RDWR | O_CREAT | O_EXCL;
            break;
        case OpenMode::CreateAlways:
            flags |= O_RDWR | O_CREAT | O_TRUNC;
            break;
    }
    int fd = ::open(ToNativeName(path).c_str(), flags, 0644);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return new File{fd, path};
}

void CloseFile(File* file) {
    if (!file) return;
    ::close(file->fd);
    delete file;
}

bool ReadAt(File* file, std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got) {
    *got = 0;
    if (CheckFault({.op = Op::Read, .path = file->path, .offset = offset, .size = n}) != Fault::None)
        return false;
    char* p = static_cast<char*>(buffer);
    while (*got < n) {
        ssize_t r = ::pread(file->fd, p + *got, n - *got, static_cast<off_t>(offset + *got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return false;
        if (r == 0) break;
        *got += static_cast<std::size_t>(r);
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
        ssize_t r = ::pwrite(file->fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += static_cast<std::size_t>(r);
    }
    return f == Fault::None;
}

bool Truncate(File* file, std::uint64_t size) {
    if (CheckFault({.op = Op::Truncate, .path = file->path, .offset = size}) != Fault::None) return false;
    return ::ftruncate(file->fd, static_cast<off_t>(size)) == 0;
}

bool Sync(File* file) {
    if (CheckFault({.op = Op::Sync, .path = file->path}) != Fault::None) return false;
    return !SyncToDisk() || ::fdatasync(file->fd) == 0;
}

bool Lock(File* file) {
    if (CheckFault({.op = Op::Lock, .path = file->path}) != Fault::None) return false;
    while (::flock(file->fd, LOCK_EX) != 0)
        if (errno != EINTR) return false;
    return true;
}

void Unlock(File* file) {
    ::flock(file->fd, LOCK_UN);
}

bool StatFile(File* file, FileStat* out) {
    if (CheckFault({.op = Op::Stat, .path = file->path}) != Fault::None) return false;
    struct stat st;
    if (fstat(file->fd, &st) != 0) return false;
    *out = FromStat(st);
    return true;
}

bool StatPath(const std::string& path, FileStat* out) {
    if (CheckFault({.op = Op::Stat, .path = path}) != Fault::None) return false;
    struct stat st;
    if (::stat(ToNativeName(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *out = FromStat(st);
    return true;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(ToNativeName(path).c_str(), &st) == 0;
}

bool RenameReplace(const std::string& from, const std::string& to, bool* sharing) {
    *sharing = false;
    if (CheckFault({.op = Op::Rename, .path = from, .to = to}) != Fault::None) return false;
    return ::rename(ToNativeName(from).c_str(), ToNativeName(to).c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    if (CheckFault({.op = Op::Remove, .path = path}) != Fault::None) return false;
    return ::unlink(ToNativeName(path).c_str()) == 0;
}

std::string AbsolutePath(const std::string& path) {
    std::string p = Convert(ToNativeName(path), "GBK", "UTF-8");
    if (p.empty() || p[0] != '/') {
        char buf[4096];
        if (!::getcwd(buf, sizeof buf)) return p;
        p = Convert(buf, "GBK", "UTF-8") + "/" + p;
    }
    // Lexical clean-up: empty and "." segments go, ".." removes the segment before it.
    std::vector<std::string> parts;
    for (const std::string& seg : Split(p, "/")) {
        if (seg.empty() || seg == ".") continue;
        if (seg == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(seg);
    }
    std::string out;
    for (const std::string& seg : parts) out += "/" + seg;
    return out.empty() ? "/" : out;
}

void SleepMs(int ms) {
    struct timespec ts {
        ms / 1000, (ms % 1000) * 1000000L
    };
    nanosleep(&ts, nullptr);
}

bool CreateFolder(const std::string& path) {
    return ::mkdir(ToNativeName(path).c_str(), 0777) == 0;
}

bool RemoveFolder(const std::string& path) {
    return ::rmdir(ToNativeName(path).c_str()) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(ToNativeName(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The read-only attribute stands for "nobody may write": no write bit at all.
bool ClearReadOnly(const std::string& path) {
    struct stat st;
    const std::string n = ToNativeName(path);
    if (::stat(n.c_str(), &st) != 0) return false;
    return (st.st_mode & 0222) || ::chmod(n.c_str(), (st.st_mode & 07777) | 0200) == 0;
}

bool SetReadOnly(const std::string& path) {
    struct stat st;
    const std::string n = ToNativeName(path);
    return ::stat(n.c_str(), &st) == 0 && ::chmod(n.c_str(), st.st_mode & 07555) == 0;
}

bool IsReadOnly(const std::string& path) {
    struct stat st;
    return ::stat(ToNativeName(path).c_str(), &st) == 0 && !(st.st_mode & 0222);
}

std::uint64_t FreeBytes(const std::string& folder) {
    struct statvfs v;
    if (::statvfs(ToNativeName(folder).c_str(), &v) != 0) return UINT64_MAX;
    return static_cast<std::uint64_t>(v.f_bavail) * v.f_frsize;
}

bool ModifiedLocalTime(const std::string& path, LocalTime* out) {
    struct stat st;
    struct tm t;
    if (::stat(ToNativeName(path).c_str(), &st) != 0 || !localtime_r(&st.st_mtime, &t)) return false;
    *out = {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
    return true;
}

}  // namespace qm::fileio

// ZIP archives of single files: see zip_archive.h. minizip does the format and zlib the deflate;
// the bytes go through the file layer (GBK names, shared handles, the fault hook of the tests).
#include "platform/zip_archive.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "platform/file_io.h"
#include "platform/gbk.h"

namespace qm {

namespace fio = fileio;

namespace {

// "Made by" NTFS, version 2.0: tools read the names in the OEM code page (936 on Chinese systems)
// and Debian's unzip keeps their bytes, where a DOS ("FAT") entry would be recoded as CP850.
constexpr uLong kVersionMadeBy = (11u << 8) | 20u;
constexpr uLong kArchiveAttribute = 0x20;
constexpr std::size_t kChunk = 1u << 16;
constexpr std::size_t kMaxNameBytes = 200;

// ---- minizip's I/O over the file layer ----

// minizip writes a header field by field: writes are gathered and go to the file in large pieces
// (when enough is gathered, before a seek and at the close).
struct Stream {
    fio::File* file = nullptr;
    std::uint64_t pos = 0;
    bool writing = false;
    bool failed = false;
    std::string pending;  // written bytes not yet in the file; they start at pendingAt
    std::uint64_t pendingAt = 0;
};

bool Flush(Stream* s) {
    if (s->pending.empty()) return !s->failed;
    if (!fio::WriteAt(s->file, s->pendingAt, s->pending.data(), s->pending.size())) s->failed = true;
    s->pending.clear();
    return !s->failed;
}

voidpf ZCALLBACK OpenStream(voidpf, const void* name, int mode) {
    const bool writing = (mode & ZLIB_FILEFUNC_MODE_CREATE) != 0;
    fio::File* f = fio::OpenFile(static_cast<const char*>(name),
                                 writing ? fio::OpenMode::CreateAlways : fio::OpenMode::ReadOnly);
    return f ? new Stream{f, 0, writing, false, {}, 0} : nullptr;
}

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buf, uLong size) {
    auto* s = static_cast<Stream*>(stream);
    std::size_t got = 0;
    if (!Flush(s)) return 0;
    if (!fio::ReadAt(s->file, s->pos, buf, size, &got)) s->failed = true;
    s->pos += got;
    return static_cast<uLong>(got);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf stream, const void* buf, uLong size) {
    auto* s = static_cast<Stream*>(stream);
    if (s->failed) return 0;
    if (s->pending.empty()) s->pendingAt = s->pos;
    s->pending.append(static_cast<const char*>(buf), size);
    s->pos += size;
    if (s->pending.size() >= kChunk && !Flush(s)) return 0;
    return size;
}

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) {
    return static_cast<Stream*>(stream)->pos;
}

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* s = static_cast<Stream*>(stream);
    fio::FileStat st;
    if (!Flush(s)) return -1;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET:
            s->pos = offset;
            return 0;
        case ZLIB_FILEFUNC_SEEK_CUR:
            s->pos += offset;
            return 0;
        case ZLIB_FILEFUNC_SEEK_END:
            if (!fio::StatFile(s->file, &st)) return -1;
            s->pos = st.size + offset;
            return 0;
    }
    return -1;
}

// A written archive is flushed before it is closed: it replaces the old one right after.
int ZCALLBACK CloseStream(voidpf, voidpf stream) {
    auto* s = static_cast<Stream*>(stream);
    const bool ok = Flush(s) && (!s->writing || fio::Sync(s->file));
    fio::CloseFile(s->file);
    delete s;
    return ok ? 0 : -1;
}

int ZCALLBACK StreamError(voidpf, voidpf stream) {
    return static_cast<Stream*>(stream)->failed ? 1 : 0;
}

zlib_filefunc64_def FileLayerIo() {
    zlib_filefunc64_def io{};
    io.zopen64_file = OpenStream;
    io.zread_file = ReadStream;
    io.zwrite_file = WriteStream;
    io.ztell64_file = TellStream;
    io.zseek64_file = SeekStream;
    io.zclose_file = CloseStream;
    io.zerror_file = StreamError;
    return io;
}

// ---- shared pieces ----

std::string BareName(const std::string& path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t n = GbkCharLength(path, i);
        if (n == 1 && (path[i] == '\\' || path[i] == '/')) start = i + 1;
        i += n;
    }
    return path.substr(start);
}

// Reads the open member to its end, handing the bytes to sink; true when exactly the declared
// size came out and the checksum matched. The member is closed in every case.
bool ReadMember(unzFile uf, std::uint64_t declared,
                const std::function<bool(const char*, std::size_t)>& sink) {
    std::vector<char> buf(kChunk);
    std::uint64_t total = 0;
    bool ok = true;
    for (;;) {
        const int n = unzReadCurrentFile(uf, buf.data(), static_cast<unsigned>(buf.size()));
        if (n == 0) break;
        total += static_cast<std::uint64_t>(std::max(n, 0));
        if (n < 0 || total > declared || !sink(buf.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    // The checksum is compared only when the whole declared size was read.
    const int closed = unzCloseCurrentFile(uf);
    return ok && total == declared && closed == UNZ_OK;
}

// ---- writing ----

// The member carries the source's last write time, as other archivers do.
zip_fileinfo MemberInfo(const std::string& sourcePath) {
    fio::LocalTime t;
    (void)fio::ModifiedLocalTime(sourcePath, &t);  // 1980-01-01 when unknown
    zip_fileinfo info{};
    info.tmz_date.tm_year = static_cast<uInt>(t.year);
    info.tmz_date.tm_mon = static_cast<uInt>(t.month - 1);
    info.tmz_date.tm_mday = static_cast<uInt>(t.day);
    info.tmz_date.tm_hour = static_cast<uInt>(t.hour);
    info.tmz_date.tm_min = static_cast<uInt>(t.minute);
    info.tmz_date.tm_sec = static_cast<uInt>(t.second);
    info.external_fa = kArchiveAttribute;
    return info;
}

bool WriteArchive(fio::File* src, const std::string& sourcePath, const std::string& name,
                  const std::string& path, std::uint64_t* size, uLong* crc) {
    zlib_filefunc64_def io = FileLayerIo();
    zipFile zf = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
    if (!zf) return false;
    const zip_fileinfo info = MemberInfo(sourcePath);
    fio::FileStat st;
    const bool big = fio::StatFile(src, &st) && st.size >= 0xFFFFFFFFu;
    bool ok = zipOpenNewFileInZip4_64(zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                      Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                      nullptr, 0, kVersionMadeBy, 0, big ? 1 : 0) == ZIP_OK;
    std::vector<char> buf(kChunk);
    *size = 0;
    *crc = crc32(0, nullptr, 0);
    while (ok) {
        std::size_t got = 0;
        ok = fio::ReadAt(src, *size, buf.data(), buf.size(), &got);
        if (!ok || got == 0) break;
        ok = zipWriteInFileInZip(zf, buf.data(), static_cast<unsigned>(got)) == ZIP_OK;
        *crc = crc32(*crc, reinterpret_cast<const Bytef*>(buf.data()), static_cast<uInt>(got));
        *size += got;
    }
    ok = zipCloseFileInZip(zf) == ZIP_OK && ok;
    return zipClose(zf, nullptr) == ZIP_OK && ok;
}

// The new archive must read back as exactly the one member that was written.
bool VerifyArchive(const std::string& path, const std::string& name, std::uint64_t size, uLong crc) {
    zlib_filefunc64_def io = FileLayerIo();
    unzFile uf = unzOpen2_64(path.c_str(), &io);
    if (!uf) return false;
    unz_global_info64 gi{};
    unz_file_info64 fi{};
    char stored[kMaxNameBytes + 1] = {};
    bool ok = unzGetGlobalInfo64(uf, &gi) == UNZ_OK && gi.number_entry == 1 &&
              unzGoToFirstFile(uf) == UNZ_OK &&
              unzGetCurrentFileInfo64(uf, &fi, stored, sizeof stored, nullptr, 0, nullptr, 0) == UNZ_OK &&
              fi.size_filename == name.size() && name == std::string_view(stored, name.size()) &&
              fi.uncompressed_size == size && fi.crc == crc && unzOpenCurrentFile(uf) == UNZ_OK;
    ok = ok && ReadMember(uf, size, [](const char*, std::size_t) { return true; });
    unzClose(uf);
    return ok;
}

// ---- extracting ----

struct Member {
    std::string name;
    unz64_file_pos pos{};
    std::uint64_t size = 0;
};

bool SaneSize(const unz_file_info64& fi) {
    if (fi.uncompressed_size > kMaxMemberBytes) return false;
    return fi.uncompressed_size <= kRatioFreeBytes || fi.uncompressed_size <= kMaxRatio * fi.compressed_size;
}

// Lists the members from the central directory; false when any of them may not be extracted.
bool ListMembers(unzFile uf, const std::vector<std::string>& onlyNames, std::vector<Member>* out) {
    unz_global_info64 gi{};
    if (unzGetGlobalInfo64(uf, &gi) != UNZ_OK || gi.number_entry == 0 || gi.number_entry > kMaxMembers)
        return false;
    int r = unzGoToFirstFile(uf);
    for (; r == UNZ_OK; r = unzGoToNextFile(uf)) {
        unz_file_info64 fi{};
        char name[kMaxNameBytes + 1] = {};
        if (out->size() >= static_cast<std::size_t>(kMaxMembers) ||
            unzGetCurrentFileInfo64(uf, &fi, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            fi.size_filename > kMaxNameBytes)
            return false;
        Member m;
        m.name.assign(name, fi.size_filename);  // NUL bytes included: they fail the name check
        m.size = fi.uncompressed_size;
        const bool encrypted = fi.flag & 1;
        const bool known = fi.compression_method == 0 || fi.compression_method == Z_DEFLATED;
        if (!IsPlainMemberName(m.name) || encrypted || !known || !SaneSize(fi) ||
            unzGetFilePos64(uf, &m.pos) != UNZ_OK)
            return false;
        if (!onlyNames.empty() && std::none_of(onlyNames.begin(), onlyNames.end(), [&](const std::string& n) {
                return AsciiLower(n) == AsciiLower(m.name);
            }))
            return false;
        // Windows names ignore letter case: two members must not land on one file.
        for (const Member& other : *out)
            if (AsciiLower(other.name) == AsciiLower(m.name)) return false;
        out->push_back(std::move(m));
    }
    return r == UNZ_END_OF_LIST_OF_FILE;
}

// The local header repeats the name; a damaged copy in either place must not pass unnoticed
// (minizip compares only its length). Called with the member open.
bool LocalNameMatches(unzFile uf, fio::File* archive, const std::string& name) {
    const int extra = unzGetLocalExtrafield(uf, nullptr, 0);
    const ZPOS64_T data = unzGetCurrentFileZStreamPos64(uf);
    const std::uint64_t before = 30 + name.size() + static_cast<std::uint64_t>(std::max(extra, 0));
    if (extra < 0 || data < before) return false;
    std::string local(name.size(), '\0');
    std::size_t got = 0;
    return fio::ReadAt(archive, data - name.size() - static_cast<std::uint64_t>(extra), local.data(),
                       local.size(), &got) &&
           got == local.size() && local == name;
}

bool ExtractMember(unzFile uf, fio::File* archive, const Member& m, const std::string& tempPath) {
    if (unzGoToFilePos64(uf, &m.pos) != UNZ_OK || unzOpenCurrentFile(uf) != UNZ_OK) return false;
    if (!LocalNameMatches(uf, archive, m.name)) {
        unzCloseCurrentFile(uf);
        return false;
    }
    const fio::UniqueFile out = fio::Open(tempPath, fio::OpenMode::CreateNew);
    if (!out) {
        unzCloseCurrentFile(uf);
        return false;
    }
    std::uint64_t offset = 0;
    const bool ok = ReadMember(uf, m.size, [&](const char* p, std::size_t n) {
        if (!fio::WriteAt(out.get(), offset, p, n)) return false;
        offset += n;
        return true;
    });
    return ok && fio::Sync(out.get());
}

std::string RandomToken() {
    std::random_device rd;
    static const char kHex[] = "0123456789abcdef";
    std::string t;
    for (int i = 0; i < 8; ++i) t += kHex[rd() % 16];
    return t;
}

// Extracts every member to a temporary file beside its target; false when one did not come out
// whole (the files made so far are listed in *out all the same, for removal).
bool StageAll(unzFile uf, fio::File* archive, const std::vector<Member>& members, const std::string& folder,
              std::vector<StagedFile>* out) {
    const std::string token = RandomToken();
    for (const Member& m : members) {
        out->push_back({m.name, folder + "\\" + m.name + "." + token + ".tmp", folder + "\\" + m.name});
        if (!ExtractMember(uf, archive, m, out->back().tempPath)) return false;
    }
    return true;
}

}  // namespace

int CompressFile(const std::string& sourcePath, const std::string& archivePath) {
    fio::UniqueFile source = fio::Open(sourcePath, fio::OpenMode::ReadOnly);
    if (!source) return fio::Exists(sourcePath) ? 0 : -1;
    fio::File* src = source.get();
    const std::string name = BareName(sourcePath);
    const std::string temp = archivePath + ".tmp";
    // Under the writers' lock no other process is half-way through an entry of the store.
    const bool locked = fio::Lock(src);
    std::uint64_t size = 0;
    uLong crc = 0;
    // A name the restore would refuse makes no backup.
    bool ok = locked && IsPlainMemberName(name) && WriteArchive(src, sourcePath, name, temp, &size, &crc);
    if (locked) fio::Unlock(src);
    source.reset();
    ok = ok && VerifyArchive(temp, name, size, crc) && fio::RenameWithRetries(temp, archivePath);
    if (!ok) fio::RemoveFile(temp);
    return ok ? 1 : 0;
}

StagedMembers::StagedMembers(StagedMembers&& other) noexcept
    : files_(std::exchange(other.files_, {})),
      madeFolder_(std::exchange(other.madeFolder_, {})),
      placedAny_(std::exchange(other.placedAny_, false)) {}

StagedMembers::~StagedMembers() {
    Discard();
}

bool StagedMembers::Place() {
    for (StagedFile& f : files_) {
        if (f.tempPath.empty()) continue;
        if (fio::Exists(f.targetPath)) fio::ClearReadOnly(f.targetPath);
        if (!fio::RenameWithRetries(f.tempPath, f.targetPath)) return false;
        f.tempPath.clear();
        placedAny_ = true;
    }
    return true;
}

void StagedMembers::Discard() {
    for (StagedFile& f : files_) {
        if (!f.tempPath.empty()) fio::RemoveFile(f.tempPath);
    }
    files_.clear();
    if (!placedAny_ && !madeFolder_.empty()) fio::RemoveFolder(madeFolder_);
    madeFolder_.clear();
}

int StageArchive(const std::string& archivePath, const std::string& targetFolder,
                 const std::vector<std::string>& onlyNames, StagedMembers* out) {
    if (!fio::Exists(archivePath)) return -1;
    zlib_filefunc64_def io = FileLayerIo();
    unzFile uf = unzOpen2_64(archivePath.c_str(), &io);
    if (!uf) return 0;
    std::vector<Member> members;
    bool ok = ListMembers(uf, onlyNames, &members);
    std::uint64_t total = 0;
    for (const Member& m : members) total += m.size;
    // Checked before anything is written: the folder is made only for an archive that passed,
    // and removed again when its members fail.
    if (ok && !fio::IsFolder(targetFolder) && fio::CreateFolder(targetFolder))
        out->madeFolder_ = targetFolder;
    ok = ok && fio::IsFolder(targetFolder) && total <= fio::FreeBytes(targetFolder);
    const fio::UniqueFile archive = ok ? fio::Open(archivePath, fio::OpenMode::ReadOnly) : nullptr;
    ok = archive && StageAll(uf, archive.get(), members, targetFolder, &out->files_);
    unzClose(uf);
    if (!ok) out->Discard();
    return ok ? 1 : 0;
}

int ExtractArchive(const std::string& archivePath, const std::string& targetFolder,
                   const std::vector<std::string>& onlyNames) {
    StagedMembers staged;
    const int r = StageArchive(archivePath, targetFolder, onlyNames, &staged);
    return r != 1 ? r : staged.Place() ? 1 : 0;
}

bool IsPlainMemberName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameBytes || name == "." || name == "..") return false;
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        const std::size_t n = GbkCharLength(name, i);
        if (n == 1 && (c < 0x20 || c >= 0x7F || std::strchr("/\\:<>\"|?*", c))) return false;
        i += n;
    }
    // Windows drops trailing dots and spaces, so "a." would land on "a". Neither byte is ever
    // the second byte of a character.
    if (name.back() == '.' || name.back() == ' ') return false;
    // Device names stay devices whatever extension follows them.
    std::string base = AsciiLower(name.substr(0, std::min(name.find('.'), name.size())));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"};
    for (const char* d : kDevices)
        if (base == d) return false;
    const bool numbered = base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt")) &&
                          base[3] >= '0' && base[3] <= '9';
    return !numbered;
}

}  // namespace qm

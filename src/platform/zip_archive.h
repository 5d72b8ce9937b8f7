// ZIP archives of single files, on minizip and zlib, with GBK names for archives, files and
// members (the archive I/O goes through the file layer, so names and sharing are the same as for
// the stores). Writing and extracting both go through a temporary file that replaces the target
// only when it is whole, so a failure part-way never leaves a half-written archive or file behind.
// Portable; window thread (not re-entrant, no shared state besides the file layer's fault hook).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Writes a new archive holding one member: the source file under its bare name (the text after
// the last backslash), deflated. The source is read under its writers' file lock, so a writer of
// another process never leaves it half-written in the archive. An existing archive is replaced
// only once the new one is complete and reads back with the right checksum. A source whose name
// ExtractArchive would refuse (see IsPlainMemberName) is not archived.
// 1: written; 0: the archive could not be written (or the source not read); -1: no source file.
int CompressFile(const std::string& sourcePath, const std::string& archivePath);

// Extracts every member into targetFolder (made, one level, when missing), replacing existing
// files and clearing their read-only attribute first. The archive is checked as a whole before
// anything is written: every member must be one plain file name (see IsPlainMemberName), stored
// or deflated, unencrypted, of a size a store can have and with a sane compression ratio, and
// the archive must hold at least one and at most kMaxMembers members. Each member is extracted
// to a temporary file and checked (size and checksum); the targets are replaced only when all
// are whole. With onlyNames given, every member must also be one of those names (ASCII letter
// case ignored): a restore must not drop program files such as a DLL beside the exe.
// 1: every member extracted; 0: failure, nothing replaced; -1: no archive file.
int ExtractArchive(const std::string& archivePath, const std::string& targetFolder,
                   const std::vector<std::string>& onlyNames = {});

// One member extracted whole into a temporary file beside its target, not yet in place.
struct StagedFile {
    std::string name;        // the member's stored name
    std::string tempPath;    // empty once placed
    std::string targetPath;  // target folder + "\" + name
};

// The members of one archive as StageArchive leaves them, so that a restore can check every
// member of several archives before it replaces any file. The temporary files not placed are
// removed when this goes away (and the target folder, when it was made for them and none was
// placed).
class StagedMembers {
  public:
    StagedMembers() = default;
    StagedMembers(StagedMembers&& other) noexcept;
    StagedMembers& operator=(StagedMembers&&) = delete;
    ~StagedMembers();

    const std::vector<StagedFile>& Files() const { return files_; }
    // Renames each temporary file over its target in order, clearing a read-only attribute
    // first; stops at the first failure. True when every file is in place.
    bool Place();
    void Discard();  // removes the temporary files not placed and forgets them all

  private:
    friend int StageArchive(const std::string&, const std::string&, const std::vector<std::string>&,
                            StagedMembers*);
    std::vector<StagedFile> files_;
    std::string madeFolder_;
    bool placedAny_ = false;
};

// ExtractArchive up to the replacing: the archive is checked the same way and every member is
// extracted whole into a temporary file, and no target is touched. *out must be empty.
// 1: *out holds every member; 0: failure, nothing left behind; -1: no archive file.
int StageArchive(const std::string& archivePath, const std::string& targetFolder,
                 const std::vector<std::string>& onlyNames, StagedMembers* out);

inline constexpr std::uint64_t kMaxMemberBytes = 1ull << 30;  // no store comes near this
inline constexpr std::uint64_t kMaxRatio = 100;             // store files are encrypted: they hardly compress
inline constexpr std::uint64_t kRatioFreeBytes = 1u << 20;  // small members may compress well
inline constexpr int kMaxMembers = 64;

// True when a member name (raw bytes, as stored) names one file directly in the target folder:
// valid GBK, at most 200 bytes, no folder part ("/" or "\"), no drive or alternate stream (":"),
// no control characters or NUL, none of < > " | ? *, not "." or "..", no trailing dot or space,
// and no device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension).
bool IsPlainMemberName(std::string_view name);

}  // namespace qm

// Fuzz target: an archive of any bytes restored as the site store's backup is. Whatever it holds,
// the restore writes nothing but the one member it may take, into the target folder, and leaves
// nothing behind when it fails.
#include "fuzz_support.h"
#include "platform/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm;
    namespace fs = std::filesystem;
    static const fs::path archive = fuzz::Folder() / "wz.zip", target = fuzz::Folder() / "restored";
    std::error_code ec;
    fs::remove_all(target, ec);
    fuzz::WriteFile(archive, fuzz::Bytes(data, size));

    const int result = ExtractArchive(archive.string(), target.string(), {"网站数据库.edb"});
    QM_FUZZ_CHECK(result == 0 || result == 1);
    std::size_t inFolder = 0, inTarget = 0;
    for (const auto& e : fs::directory_iterator(fuzz::Folder())) inFolder += e.path() != target;
    if (fs::exists(target))
        for ([[maybe_unused]] const auto& e : fs::recursive_directory_iterator(target)) ++inTarget;
    QM_FUZZ_CHECK(inFolder == 1);  // the archive alone: no temporary file left beside it
    QM_FUZZ_CHECK(result == 1 ? inTarget == 1 : inTarget == 0);
    return 0;
}

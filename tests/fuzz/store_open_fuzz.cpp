// Fuzz target: a store file of any bytes opened as the program opens a store, checked and salvaged
// as the store tool does. The corpus starts from small real stores (password "fuzz", the lowest
// key-derivation cost), so mutations reach the entries, not only the header.
#include "fuzz_support.h"
#include "platform/file_io.h"
#include "store/store_file.h"

namespace sf = qm::storefile;

namespace {
constexpr char kPassword[] = "fuzz";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm;
    static const std::string path = (fuzz::Folder() / "store.edb").string();
    static sf::KeyCache keys;  // one derivation per salt, as in the program
    fuzz::WriteFile(path, fuzz::Bytes(data, size));

    sf::FileState st;
    st.path = path;
    st.password = kPassword;
    std::string error;
    bool opened = false;
    if (const fileio::UniqueFile f = fileio::Open(path, fileio::OpenMode::ReadOnly))
        opened = sf::Refresh(f.get(), &st, &keys, &error);
    if (opened) {
        QM_FUZZ_CHECK(!st.table.fieldNames.empty());
        QM_FUZZ_CHECK(st.end <= size);
        for (std::size_t i = 0; i < st.table.rows.size(); ++i)
            QM_FUZZ_CHECK(sf::RowValid(st.table.rows[i], st.table.fieldNames.size()));
    }

    // The check of the store tool says what the load found.
    const sf::FileCheck check = sf::CheckFile(path, kPassword, &keys);
    const bool checkOpens = check.result == sf::FileCheck::Intact || check.result == sf::FileCheck::TornTail;
    QM_FUZZ_CHECK(opened == checkOpens);
    if (!opened) return 0;
    QM_FUZZ_CHECK(check.records == st.table.rows.size());
    QM_FUZZ_CHECK((check.result == sf::FileCheck::TornTail) == (st.end < size));

    // A file that opens is salvaged whole: the same records, less those left marked deleted.
    sf::Salvaged salvaged;
    QM_FUZZ_CHECK(sf::SalvageFile(path, kPassword, st.table.fieldNames, &keys, &salvaged, &error));
    std::size_t live = 0;
    for (std::size_t i = 0; i < st.table.rows.size(); ++i) {
        if (sf::RowDeleted(st.table.rows[i])) continue;
        QM_FUZZ_CHECK(live < salvaged.table.rows.size() && salvaged.table.rows[live] == st.table.rows[i]);
        ++live;
    }
    QM_FUZZ_CHECK(live == salvaged.table.rows.size());
    return 0;
}

// The stores of a temporary program folder seen as whole tables, messages as a list, and a second
// program folder for running the literal import beside the fast one. Used by the export and
// import tests of both builds.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../catalogue/program_folder_fixture.h"
#include "../store/store_test_util.h"
#include "core/stores.h"
#include "exchange_test_util.h"
#include "platform/program_folder.h"
#include "store/record_store.h"

namespace qm::testing {

using Texts = std::vector<std::string>;
using Table = std::vector<Texts>;

class ExchangeTest : public ProgramFolderTest {
  protected:
    static Table Read(const char* alias, int fields) {
        Table t;
        EXPECT_TRUE(OpenStoreByName(alias));
        RecordStore& s = Stores();
        for (long long n = 1; n <= s.RecordCount(); ++n, s.Skip()) {
            Texts row;
            for (int k = 1; k <= fields; ++k) row.push_back(s.Read(k));
            t.push_back(row);
        }
        CloseStoreByName(alias);
        return t;
    }
    static Table Sites() { return Read(kSiteStoreAlias, 10); }
    static Texts Categories() {
        Texts names;
        for (const Texts& row : Read(kCategoryStoreAlias, 1)) names.push_back(row[0]);
        return names;
    }
    void Store(const Table& sites) {
        ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
        for (const Texts& s : sites) ASSERT_TRUE(Stores().Append(s));
        CloseStoreByName(kSiteStoreAlias);
    }
    // Empties both stores of the current program folder.
    void Empty() {
        CloseStoreByName("");
        for (const char* alias : {kSiteStoreAlias, kCategoryStoreAlias}) {
            const StoreInfo* s = FindStoreInfo(alias);
            ASSERT_TRUE(RecordStore::Create(ProgramFolder() + s->fileName, s->password, s->fieldNames, true));
        }
    }
    Texts Messages() {
        Texts t;
        for (const auto& d : script.shown) t.push_back(d.text);
        script.shown.clear();
        return t;
    }
    // Runs f with a second program folder, holding the same stores as the first, made current.
    template <class F>
    void InSecondFolder(F f) {
        CloseStoreByName("");
        const std::string first = ProgramFolder();
        SetProgramFolderForTesting(second_.Folder());
        // Written as new files, so the engine cannot take them for the ones it saw last time.
        for (const StoreInfo& s : AllStores()) {
            fileio::RemoveFile(second_.Folder() + s.fileName);
            Spit(second_.Folder() + s.fileName, Slurp(first + s.fileName));
        }
        f();
        CloseStoreByName("");
        SetProgramFolderForTesting(first);
    }
    // A folder for the exchanged files.
    std::string File(const std::string& name) const { return files_.File(name); }
    const std::filesystem::path& FilesFolder() const { return files_.Path(); }

  private:
    TempFolder second_, files_;
};

}  // namespace qm::testing

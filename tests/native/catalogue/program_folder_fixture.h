// A temporary program folder holding the three stores as an installation ships them (GeneralStore
// with one empty record), made the program folder for the time of a test, with dialogs answered
// by script. Used by the catalogue and start-up tests of both builds.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/stores.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "store/record_store.h"

namespace qm::testing {

class ProgramFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("qmspine-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
        folder_ = path_.string();
        SetStoreKdfIterationsForTesting(1000);
        SetProgramFolderForTesting(folder_);
        SetDialogScript(&script);
        for (const StoreInfo& s : AllStores())
            ASSERT_TRUE(RecordStore::Create(folder_ + s.fileName, s.password, s.fieldNames));
        ASSERT_TRUE(OpenStoreByName(kGeneralStoreAlias));
        ASSERT_TRUE(Stores().Append({"", ""}));
        CloseStoreByName("");
    }
    void TearDown() override {
        CloseStoreByName("");
        SetDialogScript(nullptr);
        SetProgramFolderForTesting("");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }

    const std::string& Folder() const { return folder_; }

    void AddCategories(const std::vector<std::string>& names) {
        ASSERT_TRUE(OpenStoreByName(kCategoryStoreAlias));
        for (const auto& n : names) ASSERT_TRUE(Stores().Append({n}));
        CloseStoreByName(kCategoryStoreAlias);
    }
    // Sites as (category, address, PR value); the other fields are derived from the address.
    struct Site {
        std::string category, address, pr;
    };
    void AddSites(const std::vector<Site>& sites) {
        ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
        for (const auto& s : sites)
            ASSERT_TRUE(Stores().Append(
                {s.category, s.address, "title " + s.address, "acc", "pw", s.pr, "1", "2", "3", "4"}));
        CloseStoreByName(kSiteStoreAlias);
    }
    // The two fields of the GeneralStore record.
    std::pair<std::string, std::string> GeneralRecord() {
        EXPECT_TRUE(OpenStoreByName(kGeneralStoreAlias));
        std::pair<std::string, std::string> r{Stores().Read(1), Stores().Read(2)};
        CloseStoreByName(kGeneralStoreAlias);
        return r;
    }
    void SetGeneralRecord(const std::string& lastUse, const std::string& password) {
        ASSERT_TRUE(OpenStoreByName(kGeneralStoreAlias));
        ASSERT_TRUE(Stores().Modify({lastUse, password}));
        CloseStoreByName(kGeneralStoreAlias);
    }

    DialogScript script;

  private:
    std::filesystem::path path_;
    std::string folder_;
};

}  // namespace qm::testing

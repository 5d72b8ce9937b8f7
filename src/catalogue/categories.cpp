// Category maintenance on the stores: see categories.h. Rename and delete open SiteStore before
// they change anything, so that a category is never renamed or deleted while its sites keep the
// old name, and they act only on a category record that really carries the filter's name.
#include "catalogue/categories.h"

#include "core/stores.h"
#include "platform/dialogs.h"
#include "store/record_store.h"

namespace qm {

namespace {

constexpr char kCategoryOpenFailed[] = "打开分类数据库失败！";
constexpr char kSiteOpenFailed[] = "打开网站数据库失败！";

bool FirstFieldIs(const Fields& f, std::string_view name) {
    return !f.empty() && f[0] == name;
}

// Opens CategoryStore and finds the category record named name; its record number, or 0 after a
// message (store cannot be opened) or without one (no such category). Both stores are checked:
// a rename or delete that could not reach the sites must not touch the category either.
long long LocateCategoryForChange(std::string_view name) {
    if (!OpenStoreByName(kCategoryStoreAlias)) {
        ShowMessage(kCategoryOpenFailed);
        return 0;
    }
    if (!Stores().Find([name](const Fields& f) { return FirstFieldIs(f, name); })) {
        CloseStoreByName(kCategoryStoreAlias);
        return 0;
    }
    const long long record = Stores().RecordNumber();
    if (!OpenStoreByName(kSiteStoreAlias)) {
        ShowMessage(kSiteOpenFailed);
        CloseStoreByName(kCategoryStoreAlias);
        return 0;
    }
    return OpenStoreByName(kCategoryStoreAlias) && Stores().GoTo(record) ? record : 0;
}

// Makes the category record current again after a dialog (whose message loop may have let the
// store change): it must still be the record of that name.
bool ReselectCategory(long long record, std::string_view name) {
    return OpenStoreByName(kCategoryStoreAlias) && Stores().GoTo(record) && Stores().Read(1) == name;
}

// Gives every site of category from the name to; false when a site could not be rewritten.
bool RenameSitesOfCategory(std::string_view from, std::string_view to) {
    if (!OpenStoreByName(kSiteStoreAlias)) return false;
    RecordStore& sites = Stores();
    bool ok = true;
    while (sites.Find([from](const Fields& f) { return FirstFieldIs(f, from); })) {
        if (!sites.Write(1, to)) {
            ok = false;
            break;
        }
        sites.Skip(1);
    }
    CloseStoreByName(kSiteStoreAlias);
    return ok;
}

// Deletes every site of the category one record at a time, each deletion compacting the store at
// once, so the next match moves into the current place; false when a deletion failed (the search
// would otherwise find the same record for ever). The deletions go to disk as one batch: a purge
// per site would rewrite the whole file a thousand times for a category of a thousand sites, and a
// crash now leaves the sites as they were before or all gone, never half.
bool DeleteSitesOfCategory(std::string_view name) {
    if (!OpenStoreByName(kSiteStoreAlias)) return false;
    RecordStore& store = Stores();
    const bool batch = store.BeginBatch();
    bool ok = true;
    while (store.Find([name](const Fields& f) { return FirstFieldIs(f, name); })) {
        if (!DeleteCurrentAndPurge()) {
            ok = false;
            break;
        }
    }
    // What was deleted before a failure stays deleted, as it would one by one.
    if (batch && !store.CommitBatch()) ok = false;
    CloseStoreByName(kSiteStoreAlias);
    return ok;
}

}  // namespace

bool AskAndAddCategory() {
    const std::optional<std::string> name = InputBox("请输入欲添加的分类名称：", "添加分类");
    if (!name) return false;
    if (!FieldFits(*name)) {
        ShowMessage(kTooLongMessage);
        return false;
    }
    if (CategoryExists(*name)) {
        ShowMessage("已有分类 \"" + *name + "\"", "提示");
        return false;
    }
    if (!OpenStoreByName(kCategoryStoreAlias)) {
        ShowMessage(kCategoryOpenFailed);
        return false;
    }
    if (!Stores().Append({*name})) {
        ShowMessage("添加失败！");
        return false;
    }
    ShowMessage("添加成功！");
    CloseStoreByName(kCategoryStoreAlias);
    return true;
}

std::optional<std::string> AskAndRenameCategory(std::string_view filterText) {
    const long long record = LocateCategoryForChange(filterText);
    if (record == 0) return std::nullopt;
    const std::string oldName = Stores().Read(1);
    const std::optional<std::string> newName =
        InputBox("当前分类名称为：" + oldName + "\r\n请输入新分类名称：", "更改分类");
    if (!newName) return std::nullopt;
    if (!FieldFits(*newName)) {
        ShowMessage(kTooLongMessage);
        return std::nullopt;
    }
    if (!ReselectCategory(record, oldName) || !Stores().Modify({*newName})) {
        ShowMessage("更改失败！");
        return std::nullopt;
    }
    const bool sitesRenamed = RenameSitesOfCategory(filterText, *newName);
    ShowMessage(sitesRenamed ? "更改成功！" : "更改失败！");
    CloseStoreByName(kCategoryStoreAlias);
    return newName;
}

bool AskAndDeleteCategory(std::string_view filterText) {
    const long long record = LocateCategoryForChange(filterText);
    if (record == 0) return false;
    const std::string name = Stores().Read(1);
    if (ShowMessage("确定删除分类 \"" + name + "\" 吗？ 该分类下所有网站也将会被删除！", "删除分类",
                    MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;
    if (!ReselectCategory(record, name) || !DeleteCurrentAndPurge()) {
        ShowMessage("删除失败！");
        return false;
    }
    const bool sitesDeleted = DeleteSitesOfCategory(filterText);
    ShowMessage(sitesDeleted ? "删除成功！" : "删除失败！");
    CloseStoreByName(kCategoryStoreAlias);
    return true;
}

}  // namespace qm

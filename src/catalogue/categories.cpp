// Category maintenance on the stores: see categories.h. Rename and delete open SiteStore before
// they change anything, so that a category is never renamed or deleted while its sites keep the
// old name, and they act only on a category record that really carries the filter's name. The
// sites change first, in one batch, and the category record only after them: a failure at either
// step leaves both stores as they were.
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

// Every record of the open site store with all its fields, in store order.
std::vector<Fields> ReadAllSites(RecordStore& sites) {
    const int fields = static_cast<int>(SiteFieldNames().size());
    const long long count = sites.RecordCount();
    std::vector<Fields> rows;
    rows.reserve(static_cast<std::size_t>(count));
    // Skip, unlike GoTo, does not look at the file again for every record (a stat each under Wine).
    for (long long n = 1; n <= count && (n > 1 ? sites.Skip(1) : sites.First()); ++n) {
        Fields row;
        for (int k = 1; k <= fields; ++k) row.push_back(sites.Read(k));
        rows.push_back(std::move(row));
    }
    return rows;
}

// Applies change to the site store in one batch, after noting every site in *before: all of it
// reaches the file or, on a failure, none. change returns false when a step failed.
template <class Change>
bool ChangeSitesInOneBatch(std::vector<Fields>* before, Change change) {
    if (!OpenStoreByName(kSiteStoreAlias)) return false;
    RecordStore& sites = Stores();
    *before = ReadAllSites(sites);
    bool ok = sites.First() && sites.BeginBatch();
    if (ok && !change(sites)) {
        sites.AbortBatch();
        ok = false;
    }
    ok = ok && sites.CommitBatch();
    CloseStoreByName(kSiteStoreAlias);
    return ok;
}

// Gives every site of category from the name to.
bool RenameSitesOfCategory(std::string_view from, std::string_view to, std::vector<Fields>* before) {
    return ChangeSitesInOneBatch(before, [from, to](RecordStore& sites) {
        while (sites.Find([from](const Fields& f) { return FirstFieldIs(f, from); })) {
            if (!sites.Write(1, to)) return false;
            sites.Skip(1);
        }
        return true;
    });
}

// Deletes every site of the category one record at a time, each deletion compacting the store at
// once, so the next match moves into the current place; a failed deletion ends the search (which
// would otherwise find the same record for ever). One batch: a purge per site would rewrite the
// whole file a thousand times for a category of a thousand sites.
bool DeleteSitesOfCategory(std::string_view name, std::vector<Fields>* before) {
    return ChangeSitesInOneBatch(before, [name](RecordStore& sites) {
        while (sites.Find([name](const Fields& f) { return FirstFieldIs(f, name); }))
            if (!DeleteCurrentAndPurge()) return false;
        return true;
    });
}

// Makes the site store hold the records of before again, in one batch, when the category record
// could not follow its sites: record k gets the values it had, and records missing at the end
// come back. False when the store could not be put back.
bool PutSitesBack(const std::vector<Fields>& before) {
    if (!OpenStoreByName(kSiteStoreAlias)) return false;
    RecordStore& sites = Stores();
    bool ok = sites.BeginBatch();
    const std::vector<Fields> now = ok ? ReadAllSites(sites) : std::vector<Fields>{};
    for (std::size_t i = 0; ok && i < before.size(); ++i) {
        if (i < now.size() && now[i] == before[i]) continue;
        if (i < now.size())
            ok = sites.GoTo(static_cast<long long>(i) + 1) &&
                 sites.Modify(std::vector<std::optional<std::string>>(before[i].begin(), before[i].end()));
        else
            ok = sites.Append(before[i]);
    }
    if (ok)
        ok = sites.CommitBatch();
    else
        sites.AbortBatch();
    CloseStoreByName(kSiteStoreAlias);
    return ok;
}

// Deletes the current category record in a batch of its own, so that it is either gone (and the
// store closed up) or still there.
bool DeleteCategoryRecord() {
    RecordStore& store = Stores();
    if (!store.BeginBatch()) return false;
    if (!DeleteCurrentAndPurge()) {
        store.AbortBatch();
        return false;
    }
    return store.CommitBatch();
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
    // The sites change first, all or none; the category record follows only when they have,
    // and they are put back when it cannot.
    std::vector<Fields> sitesBefore;
    if (!ReselectCategory(record, oldName) || !RenameSitesOfCategory(filterText, *newName, &sitesBefore)) {
        ShowMessage("更改失败！");
        return std::nullopt;
    }
    if (!ReselectCategory(record, oldName) || !Stores().Modify({*newName})) {
        PutSitesBack(sitesBefore);
        ShowMessage("更改失败！");
        return std::nullopt;
    }
    ShowMessage("更改成功！");
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
    // As in the rename: the sites first, the category record only after them.
    std::vector<Fields> sitesBefore;
    if (!ReselectCategory(record, name) || !DeleteSitesOfCategory(filterText, &sitesBefore)) {
        ShowMessage("删除失败！");
        return false;
    }
    if (!ReselectCategory(record, name) || !DeleteCategoryRecord()) {
        PutSitesBack(sitesBefore);
        ShowMessage("删除失败！");
        return false;
    }
    ShowMessage("删除成功！");
    CloseStoreByName(kCategoryStoreAlias);
    return true;
}

}  // namespace qm

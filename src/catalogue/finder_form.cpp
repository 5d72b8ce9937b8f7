// The site finder's window table: see finder_form.h.
#include "catalogue/finder_form.h"

#include <algorithm>

namespace qm {

namespace {

constexpr int kMargin = 4;
constexpr int kQueryHeight = 22;
constexpr int kStatusHeight = 20;

FormDef BuildFinderForm() {
    FormDef f;
    f.name = kFinderFormName;
    f.caption = kFinderCaption;
    f.left = 80, f.top = 80, f.width = kFinderDefaultWidth, f.height = kFinderDefaultHeight;
    f.controls.push_back(
        MakeControl(kFinderQueryBox, ControlKind::Edit, kMargin, kMargin, 590, kQueryHeight));
    ControlDef list = MakeControl(kFinderList, ControlKind::ListView, kMargin, 30, 590, 300);
    list.columns = {{"分类", 90}, {"网站地址", 180}, {"网站标题", 180}, {"登录帐号", 110}, {"编号", 0}};
    f.controls.push_back(list);
    f.controls.push_back(MakeControl(kFinderStatus, ControlKind::Label, kMargin, 334, 590, kStatusHeight));
    f.menus.push_back({kFinderMenu, {{"打开"}, {"复制帐号"}, {"复制密码"}}});
    return f;
}

}  // namespace

const FormDef& FinderFormDef() {
    static const FormDef def = BuildFinderForm();
    return def;
}

std::string FinderStatusText(std::size_t found, std::size_t total) {
    return "找到 " + std::to_string(found) + " 个网站（共 " + std::to_string(total) + " 个）";
}

std::vector<FinderBox> FinderLayout(int clientWidth, int clientHeight) {
    const int width = std::max(0, clientWidth - 2 * kMargin);
    const int listTop = kMargin + kQueryHeight + kMargin;
    const int statusTop = std::max(listTop, clientHeight - kStatusHeight - 2);
    return {{kFinderQueryBox, kMargin, kMargin, width, kQueryHeight},
            {kFinderList, kMargin, listTop, width, std::max(0, statusTop - kMargin - listTop)},
            {kFinderStatus, kMargin, statusTop, width, kStatusHeight}};
}

}  // namespace qm

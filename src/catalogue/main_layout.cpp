// The resize layout: see main_layout.h.
#include "catalogue/main_layout.h"

#include "catalogue/main_form.h"

namespace qm {

namespace {

int Scale(int v, double f) {
    return static_cast<int>(v * f);
}

}  // namespace

std::vector<LayoutBox> MainLayout(const LayoutInput& in) {
    const int W = in.width, H = in.height;
    std::vector<LayoutBox> out;
    const LayoutBox banner{kBanner, 2, 2, Scale(W, 0.8933333), Scale(H, 0.2183406)};
    out.push_back(banner);
    const int buttonsLeft = Scale(W, 0.8986666), buttonsWidth = Scale(W, 0.0906666),
              buttonsHeight = Scale(H, 0.0655021);
    out.push_back({kImportButton, buttonsLeft, 2, buttonsWidth, buttonsHeight});
    out.push_back({kExportButton, buttonsLeft, Scale(H, 0.080786), buttonsWidth, buttonsHeight});
    out.push_back({kBackupButton, buttonsLeft, Scale(H, 0.1550218), buttonsWidth, buttonsHeight});
    const int T = banner.top + banner.height + 4;
    out.push_back({kFilterLabel, 4, T});
    const LayoutBox filter{kFilterCombo, 64, T, Scale(W, 0.18666666)};
    out.push_back(filter);
    const int renameLeft = filter.left + filter.width + 1;
    out.push_back({kRenameCategoryButton, renameLeft, T});
    const int deleteLeft = renameLeft + 21;
    out.push_back({kDeleteCategoryButton, deleteLeft, T});
    const LayoutBox useTime{kUseTimeLabel, deleteLeft + in.deleteButtonWidth + 2, T, Scale(W, 0.36533333)};
    out.push_back(useTime);
    const int linkLeft = useTime.left + useTime.width + 2;
    out.push_back({kCreditLink, linkLeft, T, W - linkLeft - 1});
    const int listTop = T + in.filterLabelHeight + 4;
    const LayoutBox list{kSiteList, 2, listTop, W - 12, H - 132 - listTop};
    out.push_back(list);
    const int panelTop = list.top + list.height + 2;
    out.push_back({kAddPanel, 3, panelTop, W - 12});
    out.push_back({kStatusBar, -4, panelTop + in.panelHeight + 1, W - 1});
    return out;
}

std::vector<int> ListColumnWidths(int L) {
    const int narrow = Scale(L, 0.032476319), figure = Scale(L, 0.0947225981);
    return {narrow,
            Scale(L, 0.2029769959),
            Scale(L, 0.1623815967),
            figure,
            figure,
            narrow,
            figure,
            figure,
            figure,
            figure,
            0};
}

}  // namespace qm

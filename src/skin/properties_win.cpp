// The skin's window properties: see properties_win.h. Names are GBK in the program and cross the
// Win32 boundary once, converted with code page 936, whatever the system code page is.
#include "skin/properties_win.h"

#include <array>
#include <string>

#include "platform/win32/wide.h"

namespace qm::skin {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(Prop::Count)> kNames = {
    "Easy.窗口过程",   "Easy.标题栏",     "Easy.窄行标题栏", "Easy.系统菜单",    "Easy.图标句柄",
    "Easy.关闭按钮",   "Easy.最大化按钮", "Easy.最小化按钮", "Easy.上下文帮助",  "Easy.还原按钮",
    "Easy.激活状态",   "Easy.时钟状态",   "Easy.颜色选择器", "Easy.按钮类型",    "Easy.默认按钮",
    "Easy.焦点",       "Easy.选中",       "Easy.鼠标移入",   "Easy.鼠标点击",    "Easy.禁止状态",
    "Easy.背景颜色",   "Easy.列表框类型", "Easy.当前菜单项", "Easy.调节器",      "Easy.自绘",
    "Easy.选择夹字体", "Easy.已画",       "Easy.按钮状态",   "Easy.鼠标按下",    "Easy.按钮索引",
    "Easy.透明颜色",   "Easy.初始颜色",   "Easy.列表方式",   "Easy.工具栏_平面", "Easy.手工换肤",
};

const std::wstring& WideName(Prop p) {
    static const auto names = [] {
        std::array<std::wstring, kNames.size()> w;
        for (std::size_t i = 0; i < kNames.size(); ++i) w[i] = ToWide(kNames[i]);
        return w;
    }();
    return names[static_cast<std::size_t>(p)];
}

}  // namespace

const char* PropName(Prop p) {
    return kNames[static_cast<std::size_t>(p)];
}

std::intptr_t ReadProp(HWND hwnd, Prop p) {
    return reinterpret_cast<std::intptr_t>(GetPropW(hwnd, WideName(p).c_str()));
}

void WriteProp(HWND hwnd, Prop p, std::intptr_t value) {
    SetPropW(hwnd, WideName(p).c_str(), reinterpret_cast<HANDLE>(value));
}

}  // namespace qm::skin

// Canned answers of the services the program asks, for the parser tests of both builds and for
// the loopback server of the Windows tests: each search service's page in the layout the program
// expects, with thousands separators, in a changed layout and empty; the maker's update page in
// its variants. Baidu and PR pages are GBK, Google, Yahoo and update pages UTF-8, as the services
// send them. Portable, header only.
#pragma once

#include <string>
#include <string_view>

namespace qm::test::pages {

inline std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

// Baidu web search (GBK). The count sits between the first two full-width commas of the result
// line, which follows the "set as home page" link.
inline std::string Baidu(std::string_view count) {
    return "<html><head><title>百度搜索</title></head><body><div id=\"u\">"
           "<span><a href=\"#\" onClick=\"h(this)\">把百度设为主页</a></span>"
           "<p class=\"r\">百度一下，找到相关网页约" +
           std::string(count) + "篇，用时0.021秒</p></div><div id=\"f\">帮助 2008</div></body></html>";
}
inline std::string BaiduToday() {
    return Baidu("856");
}
inline std::string BaiduWithSeparators() {
    return Baidu("1,234,567");
}
// The home-page link has gone; by the cutting rules the count is not found (the box stays empty).
inline std::string BaiduChangedLayout() {
    return "<html><body><div>约1,230,000个，结果，</div><div id=\"f\">帮助 2008</div></body></html>";
}

// The PR lookup page (GBK) names the page that holds the value in its frame.
inline std::string PrLookup(std::string_view frameAddress) {
    return "<html><body><h1>PR查询</h1><iframe width=\"88\" height=\"31\" src=\"" +
           std::string(frameAddress) + "\" frameborder=\"0\"></iframe></body></html>";
}
inline std::string PrFrame(std::string_view value) {
    return "<html><body>PageRank: " + std::string(value);
}
// No frame any more: nothing is fetched next, the value is "0".
inline std::string PrLookupChangedLayout() {
    return "<html><body><div class=\"pr\">PR: 5</div></body></html>";
}

// Google web search (UTF-8): the count stands in the section after the advanced-search link.
inline std::string Google(std::string_view countLine) {
    return Utf8(u8"<html><body><table><tr><td><div><a href=\"/advanced_search\">高级搜索</a></div><div>") +
           std::string(countLine) + "</div></div></td></tr></table></body></html>";
}
inline std::string GoogleToday() {
    return Google(Utf8(u8"找到约 734 条结果"));
}
inline std::string GoogleWithSeparators() {
    return Google(Utf8(u8"找到约 12,300 条结果"));
}
// A section over 100 bytes: the layout has moved and the figure is "0".
inline std::string GoogleChangedLayout() {
    return Google(
        Utf8(u8"<span class=\"stats\">获得约 45,600 条结果</span><span class=\"time\">（用时 0.12 秒）"
             u8"</span><span class=\"more\">更多</span>"));
}

// Yahoo China site explorer (UTF-8).
inline std::string Yahoo(std::string_view count) {
    return Utf8(u8"<html><body><div class=\"info\">链向该地址的网页： 共 <strong>") + std::string(count) +
           Utf8(u8"</strong> 条</div></body></html>");
}
inline std::string YahooToday() {
    return Yahoo("98");
}
inline std::string YahooWithSeparators() {
    return Yahoo("4,321");
}
// The count marker has gone: the box gets "0" even when the fetch was cancelled.
inline std::string YahooChangedLayout() {
    return Utf8(u8"<html><body><div class=\"info\">反向链接 共 <b>4,321</b> 条</div></body></html>");
}

// The maker's update page (UTF-8).
inline std::string UpdatePage(std::string_view version, std::string_view notes, std::string_view download) {
    return Utf8(u8"<html><body><版本>") + std::string(version) + Utf8(u8"</版本>\r\n<更新内容>") +
           std::string(notes) + Utf8(u8"</更新内容>\r\n<下载地址>") + std::string(download) +
           Utf8(u8"</下载地址></body></html>");
}
inline std::string UpdateSameVersion() {
    return UpdatePage("v1.3", Utf8(u8"修正了导入"), "http://www.quillmark.example/q.zip");
}
inline std::string UpdateOtherVersion(std::string_view download = "http://www.quillmark.example/q14.zip") {
    return UpdatePage("v1.4", Utf8(u8"新增备份|修正导出"), download);
}
inline std::string UpdateOlderVersion() {
    return UpdatePage("v1.2", Utf8(u8"旧版"), "http://www.quillmark.example/q12.zip");
}
inline std::string UpdateWithoutVersion() {
    return Utf8(
        u8"<html><body><更新内容>说明</更新内容><下载地址>http://www.quillmark.example/q.zip</下载地址>"
        u8"</body></html>");
}
inline std::string UpdateNotesWithTrailingSeparator() {
    return UpdatePage("v2.0", Utf8(u8"第一项|第二项|"), "http://www.quillmark.example/q20.zip");
}

}  // namespace qm::test::pages

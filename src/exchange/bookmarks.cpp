// Bookmark files: see bookmarks.h.
#include "exchange/bookmarks.h"

#include <cstdint>
#include <unordered_map>
#include <unordered_set>

#include "exchange/foreign_text.h"
#include "platform/gbk.h"
#include "web/address.h"

namespace qm {

namespace {

struct NamedEntity {
    const char* name;
    std::uint32_t cp;
};
// The entities browsers write into titles, and the common ones people type.
constexpr NamedEntity kEntities[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
    {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},     {"trade", 0x2122}, {"hellip", 0x2026},
    {"mdash", 0x2014}, {"ndash", 0x2013}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"ldquo", 0x201C},
    {"rdquo", 0x201D}, {"middot", 0xB7},  {"laquo", 0xAB},   {"raquo", 0xBB},   {"times", 0xD7},
    {"divide", 0xF7},  {"deg", 0xB0},     {"yen", 0xA5},     {"euro", 0x20AC},  {"pound", 0xA3},
    {"cent", 0xA2},    {"sect", 0xA7},    {"bull", 0x2022},
};
// Named entities a title may carry without ";" (the ones old pages leave unterminated).
constexpr const char* kBareNames[] = {"amp", "lt", "gt", "quot", "nbsp"};

bool IsAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The entity at text[at] ('&'): its character and length, or length 0 when there is none.
struct Entity {
    std::uint32_t cp = 0;
    std::size_t length = 0;
};
Entity ReadEntity(std::string_view text, std::size_t at, bool strict) {
    std::size_t i = at + 1;
    if (i < text.size() && text[i] == '#') {
        ++i;
        const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
        if (hex) ++i;
        const std::size_t digitsAt = i;
        std::uint32_t cp = 0;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            int d = c >= '0' && c <= '9' ? c - '0' : -1;
            if (hex && d < 0 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) d = (c | 0x20) - 'a' + 10;
            if (d < 0) break;
            cp = cp > 0x10FFFF ? cp : cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
        }
        if (i == digitsAt) return {};
        const bool terminated = i < text.size() && text[i] == ';';
        if (!terminated && strict) return {};
        return {cp, i - at + (terminated ? 1 : 0)};
    }
    const std::size_t nameAt = i;
    while (i < text.size() && IsAlnum(text[i]) && i - nameAt < 16) ++i;
    const std::string_view name = text.substr(nameAt, i - nameAt);
    const bool terminated = i < text.size() && text[i] == ';';
    for (const NamedEntity& e : kEntities) {
        if (name != e.name) continue;
        if (terminated) return {e.cp, i - at + 1};
        if (strict) return {};
        for (const char* bare : kBareNames)
            if (name == bare) return {e.cp, i - at};
        return {};
    }
    return {};
}

// Case-insensitive test of an ASCII word at text[at].
bool WordAt(std::string_view text, std::size_t at, std::string_view word) {
    if (at + word.size() > text.size()) return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if ((text[at + k] | 0x20) != (word[k] | 0x20)) return false;
    return true;
}

// A tag's name (upper-cased, "/" kept) and, for the one attribute asked for, its raw value.
struct Tag {
    std::string name;
    bool hasWanted = false;
    std::string_view wanted;
    std::size_t end = 0;  // past '>' (or the text's end)
};

// Reads the tag that starts at text[at] ('<'). Quoted values are passed over whole, so an icon's
// data (often most of a file) is never looked at byte by byte beyond one search for its quote.
Tag ReadTag(std::string_view text, std::size_t at, std::string_view wantedName) {
    Tag tag;
    std::size_t i = at + 1;
    while (i < text.size() && (IsAlnum(text[i]) || text[i] == '/')) {
        const char c = text[i++];
        tag.name += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    for (;;) {
        while (i < text.size() && IsSpace(text[i])) ++i;
        if (i >= text.size()) break;
        if (text[i] == '>') {
            ++i;
            break;
        }
        const std::size_t nameAt = i;
        while (i < text.size() && !IsSpace(text[i]) && text[i] != '=' && text[i] != '>') ++i;
        const std::string_view attr = text.substr(nameAt, i - nameAt);
        while (i < text.size() && IsSpace(text[i])) ++i;
        if (i >= text.size() || text[i] != '=') {
            if (i == nameAt) ++i;  // a stray byte: never stand still
            continue;
        }
        ++i;
        while (i < text.size() && IsSpace(text[i])) ++i;
        std::string_view value;
        if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
            const std::size_t close = text.find(text[i], i + 1);
            const std::size_t stop = close == std::string_view::npos ? text.size() : close;
            value = text.substr(i + 1, stop - i - 1);
            i = close == std::string_view::npos ? text.size() : close + 1;
        } else {
            const std::size_t valueAt = i;
            while (i < text.size() && !IsSpace(text[i]) && text[i] != '>') ++i;
            value = text.substr(valueAt, i - valueAt);
        }
        if (!tag.hasWanted && attr.size() == wantedName.size() && WordAt(attr, 0, wantedName)) {
            tag.hasWanted = true;
            tag.wanted = value;
        }
    }
    tag.end = i;
    return tag;
}

// The text from `at` up to the next '<'; *next is set to that '<'.
std::string_view TextUpToTag(std::string_view text, std::size_t at, std::size_t* next) {
    const std::size_t lt = text.find('<', at);
    *next = lt == std::string_view::npos ? text.size() : lt;
    return text.substr(at, *next - at);
}

std::string Escaped(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = GbkCharLength(s, i);
        if (n == 1 && s[i] == '&')
            out += "&amp;";
        else if (n == 1 && s[i] == '<')
            out += "&lt;";
        else if (n == 1 && s[i] == '>')
            out += "&gt;";
        else if (n == 1 && s[i] == '"')
            out += "&quot;";
        else
            out.append(s, i, n);
        i += n;
    }
    return out;
}

}  // namespace

std::string DecodeEntities(std::string_view text, bool strict, std::size_t* replaced) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = GbkCharLength(text, i);
        if (n == 1 && text[i] == '&') {
            const Entity e = ReadEntity(text, i, strict);
            if (e.length) {
                out += e.cp < 0x80 && e.cp ? std::string(1, static_cast<char>(e.cp))
                                           : CodePointToGbk(e.cp, replaced);
                i += e.length;
                continue;
            }
        }
        out.append(text, i, n);
        i += n;
    }
    return out;
}

ForeignContent ReadBookmarks(std::string_view text) {
    ForeignContent content;
    std::unordered_set<std::string> listed;
    auto list = [&](const std::string& category) {
        if (listed.insert(category).second) content.categories.push_back(category);
    };
    std::vector<std::string> paths;  // the folder path of each open <DL>, "" outside any folder
    bool hasFolder = false;          // a folder title waits for its <DL>
    std::string folder;
    std::size_t depth = 0;  // open <DL> lists beyond kMaxFolderDepth, counted but not kept
    for (std::size_t at = text.find('<'); at < text.size(); at = text.find('<', at)) {
        if (text.substr(at, 4) == "<!--") {
            const std::size_t close = text.find("-->", at + 4);
            at = close == std::string_view::npos ? text.size() : close + 3;
            continue;
        }
        const bool link = WordAt(text, at, "<A") && at + 2 < text.size() && !IsAlnum(text[at + 2]);
        const Tag tag = ReadTag(text, at, link ? "HREF" : "");
        at = tag.end;
        static const std::string kTopLevel;
        const std::string& parent = paths.empty() ? kTopLevel : paths.back();
        if (tag.name == "H3") {
            folder = TrimBlanks(DecodeEntities(TextUpToTag(text, at, &at), false, &content.replaced));
            hasFolder = true;
        } else if (tag.name == "DL") {
            if (paths.size() >= kMaxFolderDepth) {
                ++depth;
            } else {
                std::string path = parent;
                if (hasFolder && !folder.empty()) path += (path.empty() ? "" : "/") + folder;
                if (!path.empty()) list(path);
                paths.push_back(std::move(path));
            }
            hasFolder = false;
        } else if (tag.name == "/DL") {
            if (depth)
                --depth;
            else if (!paths.empty())
                paths.pop_back();
        } else if (tag.name == "A") {
            const std::string title =
                TrimBlanks(DecodeEntities(TextUpToTag(text, at, &at), false, &content.replaced));
            const std::string address = TrimBlanks(DecodeEntities(tag.wanted, true, &content.replaced));
            const std::string scheme = AsciiLower(address.substr(0, 11));
            if (address.empty() || scheme.rfind("javascript:", 0) == 0 || scheme.rfind("place:", 0) == 0) {
                ++content.skipped;
                continue;
            }
            ForeignSite site;
            site.category = parent.empty() ? kUnsortedCategory : parent;
            site.title = title.empty() ? ExtractHost(address) : title;
            site.address = address;
            list(site.category);
            content.sites.push_back(std::move(site));
        }
    }
    return content;
}

std::string WriteBookmarks(const std::vector<std::string>& categories,
                           const std::vector<ForeignSite>& sites) {
    // The folder tree: node 0 is the top level; a category's node is found by its path.
    struct Node {
        std::string name;
        std::vector<std::size_t> children, sites;
    };
    std::vector<Node> nodes(1);
    std::unordered_map<std::string, std::size_t> byPath;
    auto nodeOf = [&](const std::string& category) -> std::size_t {
        if (category == kUnsortedCategory) return 0;
        const auto found = byPath.find(category);
        if (found != byPath.end()) return found->second;
        std::vector<std::string> parts;
        for (std::string& p : Split(category, "/"))
            if (!p.empty()) parts.push_back(std::move(p));
        // Deeper than a reader keeps: the rest of the path is one folder name.
        while (parts.size() > kMaxFolderDepth) {
            parts[parts.size() - 2] += "/" + parts.back();
            parts.pop_back();
        }
        std::size_t node = 0;
        std::string path;
        for (const std::string& part : parts) {
            path += (path.empty() ? "" : "/") + part;
            const auto it = byPath.find(path);
            if (it != byPath.end()) {
                node = it->second;
                continue;
            }
            nodes.push_back({part, {}, {}});
            nodes[node].children.push_back(nodes.size() - 1);
            node = nodes.size() - 1;
            byPath.emplace(path, node);
        }
        byPath.emplace(category, node);
        return node;
    };
    for (const std::string& c : categories) nodeOf(c);
    for (std::size_t k = 0; k < sites.size(); ++k) nodes[nodeOf(sites[k].category)].sites.push_back(k);

    std::string out =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
        "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n";
    // Depth-first without recursion: (node, next child) pairs.
    std::vector<std::pair<std::size_t, std::size_t>> stack{{0, 0}};
    for (std::size_t k : nodes[0].sites)
        out +=
            "    <DT><A HREF=\"" + Escaped(sites[k].address) + "\">" + Escaped(sites[k].title) + "</A>\r\n";
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        const std::string indent((stack.size()) * 4, ' ');
        if (next == nodes[node].children.size()) {
            stack.pop_back();
            if (!stack.empty()) out += std::string(stack.size() * 4, ' ') + "</DL><p>\r\n";
            continue;
        }
        const std::size_t child = nodes[node].children[next++];
        out += indent + "<DT><H3>" + Escaped(nodes[child].name) + "</H3>\r\n" + indent + "<DL><p>\r\n";
        for (std::size_t k : nodes[child].sites)
            out += indent + "    <DT><A HREF=\"" + Escaped(sites[k].address) + "\">" +
                   Escaped(sites[k].title) + "</A>\r\n";
        stack.push_back({child, 0});
    }
    return out + "</DL><p>\r\n";
}

}  // namespace qm

// Page titles for the site check: see page_title.h.
#include "web/page_title.h"

#include <cstdint>

#include "platform/gbk.h"
#include "platform/text.h"

namespace qm {

namespace {

// A title is cut from the raw bytes before decoding so a 10 MB title costs no more than a short
// one; eight raw bytes per kept byte leave room for entities and four-byte characters.
constexpr std::size_t kMaxRawTitleBytes = 8 * kMaxPageTitleBytes;
// Meta tags that name the character set sit in the head, near the top.
constexpr std::size_t kCharsetSniffBytes = 8u << 10;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of an ASCII needle (given in lower case) at or after `from`, letters in either case.
std::size_t FindAsciiNoCase(std::string_view text, std::string_view needle, std::size_t from = 0) {
    if (needle.empty() || text.size() < needle.size()) return std::string_view::npos;
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && LowerAscii(text[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

void AppendUtf8(std::string* out, std::uint32_t cp) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Strict UTF-8 (no overlongs, no surrogates); a sequence cut off by the end of the read bytes
// still counts as valid, since the body is read only in part.
bool IsUtf8(std::string_view s, bool* hasNonAscii) {
    *hasNonAscii = false;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        *hasNonAscii = true;
        std::size_t n = 0;
        std::uint32_t min = 0;
        if (c >= 0xC2 && c <= 0xDF)
            n = 1, min = 0x80;
        else if (c >= 0xE0 && c <= 0xEF)
            n = 2, min = 0x800;
        else if (c >= 0xF0 && c <= 0xF4)
            n = 3, min = 0x10000;
        else
            return false;
        std::uint32_t cp = c & (0x3F >> n);
        std::size_t k = 1;
        for (; k <= n && i + k < s.size(); ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (k <= n) return true;  // cut off at the end
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        AppendUtf8(&out, u);
    }
    return out;
}

// Bytes already meant as GBK, with what is no GBK character (a stray byte, a four-byte GB18030
// sequence) as one "?".
std::string CleanGbk(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (IsLeadByte(c) && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9' &&
                   IsLeadByte(static_cast<unsigned char>(s[i + 2])) && s[i + 3] >= '0' && s[i + 3] <= '9') {
            out += '?';
            i += 4;
        } else if (GbkCharLength(s, i) == 2) {
            out.append(s.substr(i, 2));
            i += 2;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

// The GBK text of an entity given by its name without "&" and ";" (lower case), empty when it is
// none this reader knows. A number that names no character GBK holds is "?".
std::string EntityText(const std::string& name) {
    if (name == "amp") return "&";
    if (name == "lt") return "<";
    if (name == "gt") return ">";
    if (name == "quot") return "\"";
    if (name == "apos") return "'";
    if (name == "nbsp") return " ";
    if (name.size() < 2 || name[0] != '#') return {};
    const bool hex = name[1] == 'x';
    std::uint32_t cp = 0;
    bool ok = name.size() > (hex ? 2u : 1u);
    for (std::size_t k = hex ? 2 : 1; ok && k < name.size(); ++k) {
        const char d = name[k];
        const int v = d >= '0' && d <= '9' ? d - '0' : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10 : -1;
        if (v < 0 || cp > 0x10FFFF)
            ok = false;
        else
            cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
    }
    if (!ok || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::string(1, '?');
    std::string utf8;
    AppendUtf8(&utf8, cp);
    std::size_t replaced = 0;
    return Utf8ToGbkCounted(utf8, &replaced);
}

// Entities of GBK text, then blanks and controls as single spaces, trimmed and cut.
std::string TidyTitle(std::string_view gbk) {
    std::string out;
    bool blank = false;
    auto put = [&](std::string_view piece) {
        if (blank && !out.empty()) out += ' ';
        blank = false;
        out.append(piece);
    };
    for (std::size_t i = 0; i < gbk.size() && out.size() <= kMaxPageTitleBytes;) {
        const std::size_t len = GbkCharLength(gbk, i);
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (len == 1 && (c <= 0x20 || c == 0x7F)) {
            blank = true;
            ++i;
            continue;
        }
        if (c == '&') {
            const std::size_t semi = gbk.find(';', i);
            if (semi != std::string_view::npos && semi - i <= 10) {
                const std::string text = EntityText(AsciiLower(gbk.substr(i + 1, semi - i - 1)));
                if (!text.empty()) {
                    if (text == " ")
                        blank = true;
                    else
                        put(text);
                    i = semi + 1;
                    continue;
                }
            }
        }
        put(gbk.substr(i, len));
        i += len;
    }
    // Cut at a character start within the limit.
    if (out.size() > kMaxPageTitleBytes) {
        std::size_t keep = 0;
        for (std::size_t i = 0; i < out.size();) {
            const std::size_t len = GbkCharLength(out, i);
            if (i + len > kMaxPageTitleBytes) break;
            i += len;
            keep = i;
        }
        out.resize(keep);
        while (!out.empty() && out.back() == ' ') out.pop_back();
    }
    return out;
}

}  // namespace

PageCharset CharsetNamedIn(std::string_view text, bool* named) {
    *named = false;
    std::size_t at = FindAsciiNoCase(text, "charset=");
    if (at == std::string_view::npos) return PageCharset::kOther;
    at += 8;
    while (at < text.size() && (text[at] == '"' || text[at] == '\'' || text[at] == ' ')) ++at;
    std::size_t end = at;
    while (end < text.size() && end - at < 40) {
        const char c = text[end];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
              c == '_' || c == '.' || c == ':'))
            break;
        ++end;
    }
    const std::string name = AsciiLower(text.substr(at, end - at));
    if (name.empty()) return PageCharset::kOther;
    *named = true;
    if (name == "utf-8" || name == "utf8") return PageCharset::kUtf8;
    if (name == "gbk" || name == "gb2312" || name == "gb18030" || name == "x-gbk" || name == "cp936" ||
        name == "windows-936" || name == "euc-cn" || name == "csgb2312")
        return PageCharset::kGbk;
    if (name == "iso-8859-1" || name == "latin1" || name == "iso8859-1" || name == "windows-1252" ||
        name == "cp1252" || name == "us-ascii" || name == "ascii")
        return PageCharset::kLatin1;
    if (name == "utf-16" || name == "utf-16le") return PageCharset::kUtf16Le;
    if (name == "utf-16be") return PageCharset::kUtf16Be;
    return PageCharset::kOther;
}

PageCharset PageCharsetOf(std::string_view body, std::string_view contentType) {
    if (body.substr(0, 3) == "\xEF\xBB\xBF") return PageCharset::kUtf8;
    if (body.substr(0, 2) == "\xFF\xFE") return PageCharset::kUtf16Le;
    if (body.substr(0, 2) == "\xFE\xFF") return PageCharset::kUtf16Be;
    bool named = false;
    PageCharset set = CharsetNamedIn(contentType, &named);
    if (named) return set;
    set = CharsetNamedIn(body.substr(0, kCharsetSniffBytes), &named);
    // A page that is itself readable as ASCII cannot really be UTF-16 whatever its meta says.
    if (named && set != PageCharset::kUtf16Le && set != PageCharset::kUtf16Be) return set;
    bool nonAscii = false;
    return IsUtf8(body.substr(0, kMaxCheckedBodyBytes), &nonAscii) && nonAscii ? PageCharset::kUtf8
                                                                               : PageCharset::kGbk;
}

std::string DecodeToGbk(std::string_view bytes, PageCharset charset) {
    std::string gbk;
    std::size_t replaced = 0;
    switch (charset) {
        case PageCharset::kGbk:
            gbk = CleanGbk(bytes);
            break;
        case PageCharset::kUtf8:
            gbk = Utf8ToGbkCounted(bytes, &replaced);
            break;
        case PageCharset::kUtf16Le:
        case PageCharset::kUtf16Be:
            gbk = Utf8ToGbkCounted(Utf16ToUtf8(bytes, charset == PageCharset::kUtf16Be), &replaced);
            break;
        case PageCharset::kLatin1: {
            std::string utf8;
            for (char c : bytes) AppendUtf8(&utf8, static_cast<unsigned char>(c));
            gbk = Utf8ToGbkCounted(utf8, &replaced);
            break;
        }
        case PageCharset::kOther:
            for (char c : bytes) gbk += static_cast<unsigned char>(c) < 0x80 ? c : '?';
            break;
    }
    for (std::size_t i = 0; i < gbk.size(); i += GbkCharLength(gbk, i)) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (c < 0x20 || c == 0x7F) gbk[i] = ' ';
    }
    return gbk;
}

std::string PageTitle(std::string_view body, std::string_view contentType) {
    body = body.substr(0, kMaxCheckedBodyBytes);
    PageCharset charset = PageCharsetOf(body, contentType);
    std::string widened;
    if (charset == PageCharset::kUtf16Le || charset == PageCharset::kUtf16Be) {
        // Markup in UTF-16 is found only after decoding; the result is GBK from then on.
        const std::size_t bom = body.substr(0, 2) == "\xFF\xFE" || body.substr(0, 2) == "\xFE\xFF" ? 2 : 0;
        widened = DecodeToGbk(body.substr(bom), charset);
        body = widened;
        charset = PageCharset::kGbk;
    }
    // "<", ">" and "/" are never the second byte of a GBK character, and in UTF-8 never part of
    // one, so the markup is found on the raw bytes.
    std::size_t open = 0;
    for (;;) {
        open = FindAsciiNoCase(body, "<title", open);
        if (open == std::string_view::npos) return {};
        const std::size_t after = open + 6;
        if (after >= body.size()) return {};
        const char c = body[after];
        if (c == '>' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/') break;
        open = after;
    }
    const std::size_t start = body.find('>', open);
    if (start == std::string_view::npos) return {};
    std::string_view raw = body.substr(start + 1);
    const std::size_t close = FindAsciiNoCase(raw.substr(0, kMaxRawTitleBytes + 8), "</title");
    raw = raw.substr(0, std::min(close, kMaxRawTitleBytes));
    return TidyTitle(DecodeToGbk(raw, charset));
}

}  // namespace qm

// Site figures: see site_metrics.h. The markers are the services' page layouts the program is
// bound to; they are quoted byte for byte, and the cuts follow TextBetween's formulas.
#include "web/site_metrics.h"

#include "platform/gbk.h"
#include "platform/text.h"
#include "web/address.h"

namespace qm {

namespace {

constexpr char kBaiduSectionStart[] = "<span><a href=\"#\" onClick=\"h(this)\">把百度设为主页</a></span>";
constexpr char kBaiduSectionEnd[] = "</div>";
constexpr char kFullWidthComma[] = "，";
constexpr char kGoogleSectionStart[] = "高级搜索</a></div><div>";
constexpr char kGoogleSectionEnd[] = "</div></div></td>";
constexpr std::size_t kGoogleSectionLimit = 100;
constexpr char kYahooCountMarker[] = "链向该地址的网页： 共 <strong>";
constexpr char kYahooCountEnd[] = "</strong>";

bool IsControlByte(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

std::string PercentEncoded(unsigned char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {'%', kHex[c >> 4], kHex[c & 0x0F]};
}

// Bytes a GBK trail byte can never be (0x40-0xFE), so they are safe to test one by one.
bool BreaksQuery(unsigned char c) {
    return c == ' ' || c == '#' || IsControlByte(c);
}

void FetchBaiduCount(const std::string& address, const MetricIo& io) {
    if (io.cancelled()) return;
    const std::string page = io.fetchPage(address);
    if (io.cancelled()) return;
    io.writeIfEmpty(BaiduCountOfPage(page));
}

void FetchPrValue(const std::string& address, const MetricIo& io) {
    if (io.cancelled()) return;
    const std::string page = io.fetchPage(address);
    if (io.cancelled()) return;
    const std::string frameAddress = PrFrameFetchAddress(PrFrameSource(page));
    if (io.cancelled()) return;
    const std::string framePage = frameAddress.empty() ? std::string() : io.fetchPage(frameAddress);
    if (io.cancelled()) return;
    io.writeIfEmpty(PrValueOfFramePage(framePage));
}

void FetchGoogleIndex(const std::string& address, const MetricIo& io) {
    if (io.cancelled()) return;
    const std::string page = Utf8ToGbk(io.fetchPage(address));
    if (io.cancelled()) return;
    io.writeIfEmpty(GoogleCountOfPage(page));
}

void FetchYahooBacklinks(const std::string& address, const MetricIo& io) {
    if (io.cancelled()) return;
    const std::string page = Utf8ToGbk(io.fetchPage(address));
    // A page without the count marker puts "0" whether or not the fetch was cancelled.
    if (!YahooPageHasCountMarker(page)) {
        io.put("0");
        return;
    }
    if (io.cancelled()) return;
    io.writeIfEmpty(YahooCountOfPage(page));
}

}  // namespace

const char* MetricBox(Metric metric) {
    switch (metric) {
        case Metric::BaiduIndex:
            return "百度收录";
        case Metric::PrValue:
            return "PR值";
        case Metric::BaiduBacklinks:
            return "百度反链";
        case Metric::GoogleIndex:
            return "谷歌收录";
        case Metric::YahooBacklinks:
            return "雅虎反链";
    }
    return "";
}

Service MetricService(Metric metric) {
    switch (metric) {
        case Metric::BaiduIndex:
        case Metric::BaiduBacklinks:
            return Service::BaiduSearch;
        case Metric::PrValue:
            return Service::PrLookup;
        case Metric::GoogleIndex:
            return Service::GoogleSearch;
        case Metric::YahooBacklinks:
            return Service::YahooSiteExplorer;
    }
    return Service::BaiduSearch;
}

std::string QueryHost(std::string_view host) {
    std::string out;
    out.reserve(host.size());
    for (char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (BreaksQuery(byte))
            out += PercentEncoded(byte);
        else
            out += c;
    }
    return out;
}

std::string MetricPathAndQuery(Metric metric, std::string_view host) {
    const std::string h = QueryHost(host);
    switch (metric) {
        case Metric::BaiduIndex:
            return "/s?wd=site%3A" + h;
        case Metric::PrValue:
            return "/?url=" + h;
        case Metric::BaiduBacklinks:
            return "/s?wd=domain%3A" + h;
        case Metric::GoogleIndex:
            return "/search?hl=zh-CN&q=site%3A" + h;
        case Metric::YahooBacklinks:
            return "/search?bwm=i&bwmf=d&bwmo=s&p=" + h;
    }
    return {};
}

std::string MetricAddress(Metric metric, std::string_view host) {
    return ServiceAddress(MetricService(metric), MetricPathAndQuery(metric, host));
}

std::string BaiduCountOfPage(std::string_view page) {
    const std::string section = TextBetween(page, kBaiduSectionStart, kBaiduSectionEnd, false, false);
    return DigitsOnly(TextBetween(section, kFullWidthComma, kFullWidthComma, false, false));
}

std::string PrFrameSource(std::string_view page) {
    const std::string frame = TextBetween(page, "<iframe", "</iframe>", false, true);
    return TextBetween(frame, "src=\"", "\"", false, false);
}

std::string PrFrameFetchAddress(std::string_view frameSource) {
    const std::string lower = AsciiLower(Left(frameSource, 8));
    const bool web = lower.rfind(kWebSchemePrefix, 0) == 0 || lower.rfind(kSecureWebSchemePrefix, 0) == 0;
    if (!web || ExtractHost(frameSource).empty()) return {};
    std::string address;
    for (char c : frameSource) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsControlByte(byte)) return {};
        address += c == ' ' ? PercentEncoded(byte) : std::string(1, c);
    }
    return address;
}

std::string PrValueOfFramePage(std::string_view framePage) {
    // ":" is never a GBK trail byte, so the last one found byte-wise is a character of its own.
    const std::size_t colon = framePage.rfind(':');
    const std::string_view tail = colon == std::string_view::npos ? framePage : framePage.substr(colon + 1);
    return tail.empty() ? "0" : DigitsOnly(tail);
}

std::string GoogleCountOfPage(std::string_view page) {
    const std::string section = TextBetween(page, kGoogleSectionStart, kGoogleSectionEnd, false, true);
    return section.size() > kGoogleSectionLimit ? "0" : DigitsOnly(section);
}

bool YahooPageHasCountMarker(std::string_view page) {
    return FindText(page, kYahooCountMarker, 1, true) > 0;
}

std::string YahooCountOfPage(std::string_view page) {
    // The markers are kept: they hold no ASCII digits, so DigitsOnly drops them again.
    return DigitsOnly(TextBetween(page, kYahooCountMarker, kYahooCountEnd, true, true));
}

void RunMetricRoutine(Metric metric, const std::string& address, const MetricIo& io) {
    switch (metric) {
        case Metric::BaiduIndex:
        case Metric::BaiduBacklinks:
            FetchBaiduCount(address, io);
            break;
        case Metric::PrValue:
            FetchPrValue(address, io);
            break;
        case Metric::GoogleIndex:
            FetchGoogleIndex(address, io);
            break;
        case Metric::YahooBacklinks:
            FetchYahooBacklinks(address, io);
            break;
    }
}

}  // namespace qm

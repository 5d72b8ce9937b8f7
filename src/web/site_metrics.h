// The five site figures: which service each one asks and with what query, how its page is cut,
// and the steps of the routine that fetches it. Portable: the routines reach the network and the
// figure boxes only through a MetricIo, which the Windows side fills with FetchPage and with calls
// run on the window thread (web/win32/site_metrics_win.h). Any thread; no state.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "web/service_hosts.h"

namespace qm {

enum class Metric { BaiduIndex, PrValue, BaiduBacklinks, GoogleIndex, YahooBacklinks };

// The order in which a start empties the five boxes and starts the five routines.
inline constexpr Metric kMetricOrder[] = {Metric::BaiduIndex, Metric::PrValue, Metric::BaiduBacklinks,
                                          Metric::GoogleIndex, Metric::YahooBacklinks};

// The address box of both entry forms; its host is what the figures are fetched for.
inline constexpr char kMetricAddressBox[] = "网站地址";

// The name of the figure's edit box in both entry forms ("百度收录" ...).
const char* MetricBox(Metric metric);
Service MetricService(Metric metric);

// The host as it goes into a query: unencoded, except the bytes that would break the request line
// or the query (space, control bytes, "#"), which are percent-encoded. GBK bytes stay raw.
std::string QueryHost(std::string_view host);

// Path and query of the figure's first request ("/s?wd=site%3A" + host ...).
std::string MetricPathAndQuery(Metric metric, std::string_view host);
// The whole first address: the web scheme prefix, the service host, path and query.
std::string MetricAddress(Metric metric, std::string_view host);

// Page parsers. Baidu and PR pages are GBK as they come; Google and Yahoo pages are passed in
// after Utf8ToGbk.
std::string BaiduCountOfPage(std::string_view page);
// The src of the PR page's frame, as the page has it (possibly empty or relative).
std::string PrFrameSource(std::string_view page);
// The address the frame's page is fetched from: empty (nothing fetched) when the source is not an
// absolute plain or secure web address with a host, or holds control bytes; spaces are encoded.
std::string PrFrameFetchAddress(std::string_view frameSource);
// The digits after the last ":" of the frame's page ("0" when nothing follows it).
std::string PrValueOfFramePage(std::string_view framePage);
// The digits of the Google section, or "0" when the section is longer than 100 bytes.
std::string GoogleCountOfPage(std::string_view page);
bool YahooPageHasCountMarker(std::string_view page);
std::string YahooCountOfPage(std::string_view page);

// What a routine needs of the outside world.
struct MetricIo {
    std::function<std::string(const std::string& address)> fetchPage;  // empty bytes on failure
    std::function<bool()> cancelled;                                   // FetchCancelled is 1
    std::function<void(const std::string& value)> writeIfEmpty;        // the routine's box
    std::function<void(const std::string& value)> put;                 // the box, whatever it holds
};

// Runs one routine (FetchBaiduIndex, FetchPrValue, ...) for the figure's first address.
void RunMetricRoutine(Metric metric, const std::string& address, const MetricIo& io);

}  // namespace qm

// Service hosts: see service_hosts.h. The override is read by metric workers while a test sets
// it, so it sits behind a mutex.
#include "web/service_hosts.h"

#include <mutex>

#include "web/address.h"

namespace qm {

namespace {

std::mutex overrideMutex;
std::string overrideHost;  // empty: the real hosts

const char* RealHost(Service service) {
    switch (service) {
        case Service::BaiduSearch:
            return "www.baidu.com";
        case Service::PrLookup:
            return "pr.alexa.cn";
        case Service::GoogleSearch:
            return "www.google.com.hk";
        case Service::YahooSiteExplorer:
            return "sitemap.cn.yahoo.com";
        case Service::UpdatePage:
            return "www.quillmark.example";
    }
    return "";
}

}  // namespace

std::string ServiceHost(Service service) {
    {
        std::lock_guard<std::mutex> lock(overrideMutex);
        if (!overrideHost.empty()) return overrideHost;
    }
    return RealHost(service);
}

std::string ServiceAddress(Service service, std::string_view pathAndQuery) {
    return kWebSchemePrefix + ServiceHost(service) + std::string(pathAndQuery);
}

void OverrideServiceHostsForTests(std::string_view hostAndPort) {
    std::lock_guard<std::mutex> lock(overrideMutex);
    overrideHost = hostAndPort;
}

bool OverrideServiceHostsFromEnvironment(std::string_view value) {
    const std::size_t colon = value.rfind(':');
    if (colon == std::string_view::npos || colon + 1 == value.size() || colon + 6 < value.size()) return false;
    for (char c : value.substr(colon + 1))
        if (c < '0' || c > '9') return false;
    const std::string_view host = value.substr(0, colon);
    bool loopback = host == "localhost";
    if (host.rfind("127.", 0) == 0) {
        loopback = true;
        for (char c : host)
            if ((c < '0' || c > '9') && c != '.') loopback = false;
    }
    if (!loopback) return false;
    OverrideServiceHostsForTests(value);
    return true;
}

}  // namespace qm

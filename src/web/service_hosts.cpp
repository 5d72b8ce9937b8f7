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

}  // namespace qm

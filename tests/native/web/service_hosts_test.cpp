// Service hosts: every service has a real host by default, a test override points all of them at
// one loopback address, and clearing it restores the real hosts.
#include "web/service_hosts.h"

#include <gtest/gtest.h>

#include "web/address.h"

namespace qm {
namespace {

constexpr Service kAll[] = {Service::BaiduSearch, Service::PrLookup, Service::GoogleSearch,
                            Service::YahooSiteExplorer, Service::UpdatePage};

TEST(ServiceHosts, OverrideAppliesToEveryServiceAndIsUndone) {
    for (Service s : kAll) {
        EXPECT_FALSE(ServiceHost(s).empty());
        EXPECT_EQ(ServiceHost(s).find("127.0.0.1"), std::string::npos);
    }
    OverrideServiceHostsForTests("127.0.0.1:4567");
    for (Service s : kAll) EXPECT_EQ(ServiceHost(s), "127.0.0.1:4567");
    const std::string address = ServiceAddress(Service::BaiduSearch, "/s?wd=site%3A网站.cn");
    EXPECT_EQ(address, "http://127.0.0.1:4567/s?wd=site%3A网站.cn");
    EXPECT_EQ(ExtractHost(address), "127.0.0.1");
    EXPECT_EQ(ExtractPort(address), 4567);
    EXPECT_EQ(ExtractPath(address), "/s?wd=site%3A网站.cn");
    OverrideServiceHostsForTests("");
    EXPECT_EQ(ServiceHost(Service::BaiduSearch), "www.baidu.com");
    EXPECT_EQ(ServiceAddress(Service::UpdatePage, "/soft/pvnt.html").rfind("http://", 0), 0u);
}

}  // namespace
}  // namespace qm

// The hosts of the services the program asks: the four search pages of the site metrics and the
// maker's update page. They live here and nowhere else. Tests point every service at a loopback
// server with OverrideServiceHostsForTests; nothing a user can reach (command line, environment,
// registry, settings file) changes them. Any thread.
#pragma once

#include <string>
#include <string_view>

namespace qm {

enum class Service { BaiduSearch, PrLookup, GoogleSearch, YahooSiteExplorer, UpdatePage };

// The host (with ":port" when a test override has one) of a service.
std::string ServiceHost(Service service);

// The web scheme prefix, the service host and pathAndQuery ("/s?wd=...").
std::string ServiceAddress(Service service, std::string_view pathAndQuery);

// Test seam: every service answers at hostAndPort ("127.0.0.1:1234") until called again with an
// empty text, which restores the real hosts.
void OverrideServiceHostsForTests(std::string_view hostAndPort);

}  // namespace qm

// The hosts of the services the program asks: the four search pages of the site metrics and the
// maker's update page. They live here and nowhere else. Tests point every service at a loopback
// server with OverrideServiceHostsForTests; a test that starts the real program does the same
// through its environment (OverrideServiceHostsFromEnvironment), which takes only a loopback
// address. Nothing else a user can reach (command line, registry, settings file) changes them.
// Any thread.
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

// The variable a test sets to keep a real program it starts on the machine.
inline constexpr char kServiceHostsVariable[] = "QUILLMARK_TEST_SERVICES";
// Takes the value of that variable (as read from the environment) when it names a loopback host
// with a port ("127.0.0.1:8080", "localhost:8080"); anything else is ignored. True when taken.
bool OverrideServiceHostsFromEnvironment(std::string_view value);

}  // namespace qm

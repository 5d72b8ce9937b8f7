// The real main window (and modify window) in-process over a temporary program folder, with every
// service host pointed at a loopback server that serves the canned pages. Shared by the metric,
// update-check and program-end tests.
#pragma once

#include "../catalogue/catalogue_fixture.h"
#include "tests/support/canned_pages.h"
#include "tests/support/loopback_server.h"
#include "web/service_hosts.h"
#include "web/site_metrics.h"
#include "web/win32/site_metrics_win.h"

namespace qm::testing {

using Strings = std::vector<std::string>;
namespace pages = test::pages;

class MetricsTest : public CatalogueTest {
  protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        ASSERT_TRUE(server.Listening());
        OverrideServiceHostsForTests(server.HostAndPort());
    }

    test::CannedResponse Page(std::string body, int delayMs = 0) {
        test::CannedResponse r;
        r.body = std::move(body);
        r.delayMs = delayMs;
        return r;
    }
    // The six answers of a host: the five first pages and the PR frame's page.
    struct SitePages {
        std::string baidu = pages::BaiduWithSeparators(), pr = "PageRank: 7", backlinks = pages::BaiduToday(),
                    google = pages::GoogleWithSeparators(), yahoo = pages::YahooWithSeparators();
        int delayMs = 0;
    };
    void Serve(const std::string& host, const SitePages& p) {
        const std::string frame = "/pr/frame?d=" + QueryHost(host);
        server.Serve(MetricPathAndQuery(Metric::BaiduIndex, host), Page(p.baidu, p.delayMs));
        server.Serve(MetricPathAndQuery(Metric::PrValue, host),
                     Page(pages::PrLookup(server.Address(frame)), p.delayMs));
        server.Serve(frame, Page(p.pr, p.delayMs));
        server.Serve(MetricPathAndQuery(Metric::BaiduBacklinks, host), Page(p.backlinks, p.delayMs));
        server.Serve(MetricPathAndQuery(Metric::GoogleIndex, host), Page(p.google, p.delayMs));
        server.Serve(MetricPathAndQuery(Metric::YahooBacklinks, host), Page(p.yahoo, p.delayMs));
    }
    // The six request targets of a host, in the order of the starts (PR frame last).
    Strings Targets(const std::string& host) {
        Strings out;
        for (Metric m : kMetricOrder) out.push_back(MetricPathAndQuery(m, host));
        out.push_back("/pr/frame?d=" + QueryHost(host));
        return out;
    }
    Strings SortedRequestTargets() {
        Strings out;
        for (const auto& r : server.Requests()) out.push_back(r.target);
        std::sort(out.begin(), out.end());
        return out;
    }
    static Strings Sorted(Strings s) {
        std::sort(s.begin(), s.end());
        return s;
    }

    // The five figure boxes, in field order (PR, Baidu index, Google, Baidu backlinks, Yahoo).
    static Strings Figures(const Form& form) {
        Strings out;
        for (std::size_t k = 4; k < 9; ++k) out.push_back(GetText(form, kSiteEntryEdits[k]));
        return out;
    }
    static void SetFigures(Form& form, const Strings& values) {
        for (std::size_t k = 4; k < 9; ++k) SetText(form, kSiteEntryEdits[k], values[k - 4]);
    }

    // The user leaves the address box: the focus goes into it and then on to the title box.
    static void Leave(Form& form) {
        SetFocus(ControlWindow(form, kAddressBox));
        Pump();
        SetFocus(ControlWindow(form, kSiteEntryEdits[1]));
    }
    // Pumps until every metric worker has ended; false after 20 s.
    static bool WaitForWorkers() {
        const ULONGLONG end = GetTickCount64() + 20000;
        while (RunningMetricWorkers() > 0) {
            if (GetTickCount64() > end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            Pump();
        }
        Pump();
        return true;
    }

    test::LoopbackServer server;
};

}  // namespace qm::testing

// The site check against real HTTPS servers on 127.0.0.1 (tests/support/tls_test_server.h): the
// days left are read from the server's own certificate, and an expired or an untrusted one is the
// failure "certificate not valid". The test CA is trusted only while the test runs.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/tls_test_server.h"
#include "web/site_check.h"
#include "web/win32/site_check_win.h"

namespace qm {
namespace {

using test::TlsTestServers;
using Server = test::TlsTestServers::Server;

SiteCheck Check(const std::string& address) {
    CheckOptions options;
    options.timeoutMs = 5000;
    const std::atomic<bool> stop{false};
    return CheckSite(address, RequestHop, options, stop);
}

TEST(SiteCheckTls, CertificateDaysComeFromTheServersCertificate) {
    const ULONGLONG start = GetTickCount64();
    TlsTestServers servers;
    if (servers.ToolMissing()) GTEST_SKIP() << "no HTTPS test server: " << servers.Problem();
    ASSERT_TRUE(servers.Started()) << servers.Problem();
    {
        test::TrustedTestCa ca(servers.CaCertificate());
        ASSERT_TRUE(ca.Trusted()) << "error " << ca.Error();
        EXPECT_EQ(test::TestCasInRootStore(), 1);

        // Ends in 3 days less an hour: 2 whole days left, a warning.
        SiteCheck soon = Check(servers.Address(Server::kExpiresSoon, "/soon"));
        EXPECT_EQ(soon.outcome, CheckOutcome::kAnswered) << StatusText(soon);
        EXPECT_EQ(soon.status, 200);
        EXPECT_EQ(soon.certificateDays, 2);
        EXPECT_EQ(soon.pageTitle, "soon");
        EXPECT_GE(soon.firstByteMs, 0);
        EXPECT_EQ(KindOf(soon), CheckKind::kCertificateSoon);
        const CheckSummary summary = Summarise({soon});
        EXPECT_EQ(summary.ok, 1u);
        EXPECT_EQ(summary.certificateSoon, 1u);

        for (Server bad : {Server::kExpired, Server::kSelfSigned}) {
            const SiteCheck c = Check(servers.Address(bad, "/"));
            EXPECT_EQ(c.outcome, CheckOutcome::kCertificateInvalid) << static_cast<int>(bad);
            EXPECT_EQ(StatusText(c), "证书无效");
            EXPECT_EQ(c.status, 0);
            EXPECT_EQ(KindOf(c), CheckKind::kError);
        }
    }
    EXPECT_EQ(test::TestCasInRootStore(), 0);
    EXPECT_LT(GetTickCount64() - start, 20000u);
}

}  // namespace
}  // namespace qm

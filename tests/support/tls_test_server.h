// HTTPS servers on 127.0.0.1 for the Windows tests of certificates. They run as a Linux process
// (python3, tls_test_server.py beside this file) that Wine starts: a test CA and three servers
// whose certificates are for 127.0.0.1, one from the CA ending in 3 days less an hour, one from
// the CA that ended yesterday and one self-signed. TrustedTestCa puts the CA into the Root store
// of the Wine prefix for as long as it lives; the prefix is shared by every test, so the CA is
// always taken out again, and a CA left behind by a crashed run is taken out at the next start.
// Window thread or any one thread; not thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace qm::test {

class TlsTestServers {
  public:
    enum class Server { kExpiresSoon, kExpired, kSelfSigned };

    // Starts the servers and waits until they listen (a few seconds at most).
    TlsTestServers();
    // Tells the process to end; it removes its folder by itself.
    ~TlsTestServers();
    TlsTestServers(const TlsTestServers&) = delete;
    TlsTestServers& operator=(const TlsTestServers&) = delete;

    bool Started() const { return problem_.empty() && !toolMissing_; }
    // python3 or its cryptography module is not installed: a reason to skip, not a failure.
    bool ToolMissing() const { return toolMissing_; }
    // Why the servers did not start (what the process said), empty when they did.
    const std::string& Problem() const { return problem_; }

    // "https://127.0.0.1:port" + target.
    std::string Address(Server server, std::string_view target) const;
    // The test CA's certificate, DER bytes.
    const std::string& CaCertificate() const { return ca_; }

  private:
    std::string folder_;  // Linux path, made and removed by the process
    std::string problem_;
    bool toolMissing_ = false;
    int ports_[3] = {};
    std::string ca_;
};

// The CA is trusted by the machine's Root store while this lives. Trust it before the process
// makes its first secure connection: the chain engine reads the store once.
class TrustedTestCa {
  public:
    explicit TrustedTestCa(const std::string& der);
    ~TrustedTestCa();
    TrustedTestCa(const TrustedTestCa&) = delete;
    TrustedTestCa& operator=(const TrustedTestCa&) = delete;

    bool Trusted() const { return trusted_; }
    unsigned long Error() const { return error_; }  // GetLastError of the failed step

  private:
    bool trusted_ = false;
    unsigned long error_ = 0;
};

// Test CAs found in the Root store, left behind or not (test seam for the clean-up).
int TestCasInRootStore();

}  // namespace qm::test

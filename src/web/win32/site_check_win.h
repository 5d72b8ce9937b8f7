// One hop of the site check over the system's Internet functions: a GET to exactly the given
// address over a direct connection (no proxy, no cache, no cookies, redirects not followed), with
// every failure told apart, the time to the first byte, the certificate's days for a secure
// connection and at most the first 256 KiB of the body. Worker threads, several at once.
#pragma once

#include <atomic>
#include <string>

#include "web/site_check.h"

namespace qm {

HopAnswer RequestHop(const std::string& address, unsigned timeoutMs, const std::atomic<bool>& stop);

// The outcome a failed request's error code stands for (exposed for tests).
CheckOutcome OutcomeOfError(unsigned long error);

}  // namespace qm

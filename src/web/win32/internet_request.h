// Helpers shared by the two page fetchers: the network time-outs of a request handle and the
// reading of a whole body. Any thread; each call works on
// the handles it is given.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstddef>
#include <string>

#include "platform/win32/handles.h"

namespace qm {

// Connect, send and receive time-outs on a request handle. They must be set on every request
// handle: under Wine a request does not take them from its Internet handle.
bool SetRequestTimeouts(HINTERNET request, DWORD connectMs, DWORD sendMs, DWORD receiveMs);

// The Content-Length of the answer, or -1 when it is missing or not a number.
long long QueryContentLength(HINTERNET request);

// Reads the body in chunks of chunkSize until a read returns 0 bytes. False when a read fails,
// when stop becomes true, when the body is shorter than its Content-Length (a connection
// dropped part-way looks like a normal end to the reader), or when the body (or its declared
// length) exceeds maxBytes: a server that never stops sending must not grow memory without end.
// Bytes past the Content-Length are dropped.
bool ReadBody(HINTERNET request, std::size_t chunkSize, std::size_t maxBytes, std::string& body,
              const std::atomic<bool>* stop = nullptr);

}  // namespace qm

// HTTPS test servers and the trusted test CA: see tls_test_server.h. Wine starts a Unix program
// given by its Z: path as a Unix process; its handle tells nothing useful, so the two sides talk
// through files in a folder under /tmp (the process writes "ports", the test writes "stop").
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <sstream>

#include "tests/support/tls_test_server.h"

namespace qm::test {

namespace {

constexpr wchar_t kCaName[] = L"Quillmark loopback test CA";
constexpr int kLifetimeSeconds = 60;  // the process ends by itself even when no test stops it
constexpr int kStartWaitMs = 15000;

std::wstring Wide(std::string_view text) {
    std::wstring out(text.size(), L'\0');
    out.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                   static_cast<int>(out.size())));
    return out;
}

// "/tmp/x/y" as Wine sees it: "Z:\tmp\x\y".
std::wstring WinePath(const std::string& unixPath) {
    std::wstring path = L"Z:" + Wide(unixPath);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

bool ReadWhole(const std::string& unixPath, std::string* out) {
    HANDLE f = CreateFileW(WinePath(unixPath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    out->clear();
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(f, buffer, sizeof buffer, &read, nullptr) && read > 0) out->append(buffer, read);
    CloseHandle(f);
    return true;
}

bool StartUnix(const std::string& script) {
    std::wstring line = Wide("/bin/sh -c \"" + script + "\"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    return true;
}

// The machine's Root store as kept in the registry. Wine opens the system store "Root" as a copy
// in memory that also holds the host's CAs: a certificate added there reaches the registry, but a
// deletion never does, so both go to the registry store itself.
HCERTSTORE OpenRootStore() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\SystemCertificates\\Root", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_REG, 0, 0, 0, key);
    RegCloseKey(key);  // the store keeps its own copy of the key
    return store;
}

// Deletes every test CA from the store; returns how many there were.
int RemoveTestCas(HCERTSTORE store) {
    int removed = 0;
    while (PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                             CERT_FIND_SUBJECT_STR_W, kCaName, nullptr)) {
        if (!CertDeleteCertificateFromStore(found)) break;  // frees found either way
        ++removed;
    }
    return removed;
}

}  // namespace

TlsTestServers::TlsTestServers() {
    static int started = 0;
    folder_ = "/tmp/qm-tls-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++started);
    const std::string log = folder_ + ".log";
    if (!StartUnix("command -v python3 >/dev/null || { mkdir -p " + folder_ + " && echo python3 not found >" +
                   folder_ + "/missing; exit 0; }; exec python3 " QM_TLS_SERVER_SCRIPT " " + folder_ + " " +
                   std::to_string(kLifetimeSeconds) + " </dev/null >/dev/null 2>" + log)) {
        problem_ = "/bin/sh not started, error " + std::to_string(GetLastError());
        return;
    }
    std::string text;
    for (int waited = 0; waited < kStartWaitMs; waited += 20) {
        if (ReadWhole(folder_ + "/missing", &text)) {
            toolMissing_ = true;
            problem_ = text;
            return;
        }
        if (ReadWhole(folder_ + "/ports", &text)) break;
        Sleep(20);
    }
    if (text.empty()) {
        std::string said;
        ReadWhole(log, &said);
        problem_ = "the servers did not start within " + std::to_string(kStartWaitMs) + " ms: " + said;
        return;
    }
    std::istringstream lines(text);
    std::string name;
    int port = 0;
    while (lines >> name >> port) {
        if (name == "soon") ports_[0] = port;
        if (name == "expired") ports_[1] = port;
        if (name == "untrusted") ports_[2] = port;
    }
    if (!ReadWhole(folder_ + "/ca.der", &ca_) || ca_.empty() || !ports_[0] || !ports_[1] || !ports_[2])
        problem_ = "unreadable answer of the server process: " + text;
}

TlsTestServers::~TlsTestServers() {
    HANDLE f = CreateFileW(WinePath(folder_ + "/stop").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                           nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    DeleteFileW(WinePath(folder_ + ".log").c_str());
}

std::string TlsTestServers::Address(Server server, std::string_view target) const {
    return "https://127.0.0.1:" + std::to_string(ports_[static_cast<int>(server)]) + std::string(target);
}

TrustedTestCa::TrustedTestCa(const std::string& der) {
    HCERTSTORE store = OpenRootStore();
    if (!store) {
        error_ = GetLastError();
        return;
    }
    RemoveTestCas(store);
    trusted_ = CertAddEncodedCertificateToStore(
                   store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                   static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
    if (!trusted_) error_ = GetLastError();
    CertCloseStore(store, 0);
}

TrustedTestCa::~TrustedTestCa() {
    if (HCERTSTORE store = OpenRootStore()) {
        RemoveTestCas(store);
        CertCloseStore(store, 0);
    }
}

int TestCasInRootStore() {
    HCERTSTORE store = OpenRootStore();
    if (!store) return -1;
    int count = 0;
    PCCERT_CONTEXT found = nullptr;
    while ((found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_W, kCaName,
                                               found)))
        ++count;
    CertCloseStore(store, 0);
    return count;
}

}  // namespace qm::test

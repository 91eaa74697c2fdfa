// The HTTP transport on WinHTTP: one synchronous session, connection and
// request per call, with the system's default proxy and the certificate
// tolerance of the configuration servers. A cancel from another thread
// closes the request handle, which ends the blocking call in flight.
#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <mutex>
#include <vector>

#include "config/http_transport.h"

namespace tarsel {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide strings");

struct HandleCloser {
    void operator()(void* handle) const { ::WinHttpCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The request handle, closed exactly once: by a cancel on another thread, or
// at the end of the call.
class RequestHandle {
public:
    explicit RequestHandle(HINTERNET handle) : m_handle(handle) {}
    ~RequestHandle() { Close(); }
    RequestHandle(const RequestHandle&) = delete;
    RequestHandle& operator=(const RequestHandle&) = delete;

    // Null once closed: later calls with it fail at once.
    HINTERNET Get() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_handle;
    }
    void Close() {
        HINTERNET handle = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            handle = m_handle;
            m_handle = nullptr;
        }
        if (handle != nullptr) ::WinHttpCloseHandle(handle);
    }

private:
    std::mutex m_mutex;
    HINTERNET m_handle;
};

bool Cancelled(const HttpOptions& options) {
    return options.cancel != nullptr && options.cancel->IsCancelled();
}

int Milliseconds(long seconds) {
    return seconds <= 0 ? 0 : seconds > 2000000 ? 2000000000 : static_cast<int>(seconds * 1000);
}

// The status, the body: steps that need the response headers to have arrived.
bool ReadResponse(RequestHandle& request, std::string& body, uint32_t& status,
                  const HttpOptions& options) {
    DWORD code = 0;
    DWORD size = sizeof(code);
    if (::WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                              WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
        status = code;
    }
    std::vector<char> buffer;
    size_t added = 0;
    for (;;) {
        if (Cancelled(options)) return false;
        DWORD available = 0;
        if (!::WinHttpQueryDataAvailable(request.Get(), &available) || available == 0) {
            return !Cancelled(options);
        }
        // Far above any configuration answer: a larger body fails like a failed read.
        if (available > options.maxBodyBytes - added) return false;
        buffer.resize(available);
        DWORD read = 0;
        if (!::WinHttpReadData(request.Get(), buffer.data(), available, &read)) return false;
        if (read > options.maxBodyBytes - added) return false;
        body.append(buffer.data(), read);
        added += read;
    }
}

}  // namespace

void InitHttpTransport() {}

bool TransportGet(const UrlParts& parts, std::string& body, uint32_t& status,
                  const HttpOptions& options) {
    Handle session(::WinHttpOpen(L"tarsel/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                 WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return false;
    // WinHTTP's own defaults are 60 s to connect and 30 s per send or receive;
    // the options say the same unless a caller asks otherwise.
    ::WinHttpSetTimeouts(session.get(), 0, Milliseconds(options.connectTimeoutSeconds),
                         Milliseconds(options.stallSeconds), Milliseconds(options.stallSeconds));
    Handle connection(::WinHttpConnect(session.get(), Wide(parts.host), parts.port, 0));
    if (!connection) return false;
    RequestHandle request(::WinHttpOpenRequest(connection.get(), L"GET", Wide(parts.path), nullptr,
                                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                               parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (request.Get() == nullptr) return false;
    if (parts.secure) {
        DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE |
                      SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
        ::WinHttpSetOption(request.Get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
    }
    // Lets the cancel close the request while this call may be blocked in it.
    ScopedCancelWake wake(options.cancel, [&request] { request.Close(); });
    if (Cancelled(options)) return false;
    if (!::WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                              WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
        return false;
    }
    if (Cancelled(options) || !::WinHttpReceiveResponse(request.Get(), nullptr)) return false;
    return ReadResponse(request, body, status, options);
    // The request, the connection and the session close in this order.
}

}  // namespace tarsel

// The HTTP transport on libcurl, set up to behave like the platform HTTP
// service it stands in for: HTTP/1.1, the system proxy (the proxy environment
// variables, which libcurl reads when no proxy is set), no headers of our own,
// and its transport defaults (60 s to connect, 30 s stall limit, up to 10
// redirects, never from HTTPS to HTTP).
#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "config/http_transport.h"
#include "util/posix/sigpipe_guard.h"

namespace tarsel {

namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, EasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, MultiDeleter>;
using CurlList = std::unique_ptr<curl_slist, ListDeleter>;

// Removes the handle from the multi handle before either is cleaned up.
class MultiAttachment {
public:
    MultiAttachment(CURLM* multi, CURL* easy) : m_multi(multi), m_easy(easy) {
        m_attached = curl_multi_add_handle(multi, easy) == CURLM_OK;
    }
    ~MultiAttachment() {
        if (m_attached) curl_multi_remove_handle(m_multi, m_easy);
    }
    MultiAttachment(const MultiAttachment&) = delete;
    MultiAttachment& operator=(const MultiAttachment&) = delete;
    bool IsAttached() const { return m_attached; }

private:
    CURLM* m_multi;
    CURL* m_easy;
    bool m_attached = false;
};

struct Transfer {
    std::string* body;
    size_t added = 0;
    size_t limit;
    HttpCancel* cancel;
};

size_t OnData(char* data, size_t size, size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    const size_t bytes = size * count;
    if (bytes > transfer->limit - transfer->added) return 0;  // over the cap: a failed read
    try {
        transfer->body->append(data, bytes);
    } catch (...) {
        return 0;  // nothing may unwind through libcurl
    }
    transfer->added += bytes;
    return bytes;
}

// libcurl calls this during connect and transfer, at least about once a second.
int OnProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<const Transfer*>(context);
    return transfer->cancel != nullptr && transfer->cancel->IsCancelled() ? 1 : 0;
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string UrlOf(const UrlParts& parts) {
    return std::string(parts.secure ? "https://" : "http://") + NarrowText(parts.host) + ":" +
           std::to_string(parts.port) + NarrowText(parts.path);
}

void Configure(CURL* easy, const UrlParts& parts, const std::string& url, curl_slist* headers,
               Transfer& transfer, const HttpOptions& options) {
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "tarsel/1.0");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    // No signals inside the host's process (name resolution timeouts would use them).
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, parts.secure ? "https" : "http,https");
    if (parts.secure) {
        // The configuration servers' certificates are tolerated when their
        // authority is unknown, their usage or name is wrong or they have
        // expired. libcurl can only switch peer and host verification off as a
        // whole, so it does that, for HTTPS only.
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
}

// Drives the transfer; a cancel wakes the wait and ends it at once.
bool Run(CURLM* multi, CURL* easy, HttpCancel* cancel) {
    MultiAttachment attachment(multi, easy);
    if (!attachment.IsAttached()) return false;
    ScopedCancelWake wake(cancel, [multi] { curl_multi_wakeup(multi); });
    int running = 1;
    while (running > 0) {
        if (cancel != nullptr && cancel->IsCancelled()) return false;
        if (curl_multi_perform(multi, &running) != CURLM_OK) return false;
        if (running == 0) break;
        if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) return false;
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
            return message->data.result == CURLE_OK;
        }
    }
    return false;
}

}  // namespace

void InitHttpTransport() {
    InitCurlOnce();
}

bool TransportGet(const UrlParts& parts, std::string& body, uint32_t& status,
                  const HttpOptions& options) {
    // With CURLOPT_NOSIGNAL libcurl leaves SIGPIPE alone, and a TLS write to a
    // peer that has closed can still raise it.
    ScopedSigpipeGuard guard;
    InitCurlOnce();
    CurlEasy easy(curl_easy_init());
    CurlMulti multi(curl_multi_init());
    if (!easy || !multi) return false;
    // An empty "Accept:" removes libcurl's default header: we send none of our own.
    CurlList headers(curl_slist_append(nullptr, "Accept:"));
    const std::string url = UrlOf(parts);
    Transfer transfer{&body, 0, options.maxBodyBytes, options.cancel};
    Configure(easy.get(), parts, url, headers.get(), transfer, options);

    const bool ok = Run(multi.get(), easy.get(), options.cancel);
    long code = 0;
    if (curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &code) == CURLE_OK && code > 0) {
        status = static_cast<uint32_t>(code);
    }
    return ok;
}

}  // namespace tarsel

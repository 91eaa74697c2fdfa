// The HTTP client against the substitute configuration server on loopback.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <thread>

#include "config/http_client.h"
#include "config/url_parts.h"
#include "support/config_server.h"

namespace {

using tarsel::HttpGet;
using tarsel::HttpOptions;
using tarsel::ParseUrl;
using tarsel::UrlParts;
using tarsel_test::ConfigServer;

const char* const kProxyVariables[] = {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY",
                                       "all_proxy",   "ALL_PROXY",   "no_proxy",   "NO_PROXY"};

void ClearProxyEnvironment() {
    for (const char* name : kProxyVariables) unsetenv(name);
}

TEST(ParseUrl, TheTable) {
    struct Case {
        const char* url;
        bool ok;
        bool secure;
        uint16_t port;
        const char16_t* host;
        const char16_t* path;
    } cases[] = {
        {"https://example/path?x=1", true, true, 443, u"example", u"/path?x=1"},
        {"http://example", true, false, 80, u"example", u"/"},
        {"http://example:8080/a", true, false, 8080, u"example", u"/a"},
        {"http://example:8080x/a", true, false, 8080, u"example", u"/a"},
        {"http://example:70000/", true, false, 4464, u"example", u"/"},
        {"http://example: -1/", true, false, 65535, u"example", u"/"},
        {"https://h/a#frag", true, true, 443, u"h", u"/a#frag"},
        {"http://a", true, false, 80, u"a", u"/"},
        {"HTTPS://example/", false, true, 443, u"", u""},
        {"ftp://example/", false, false, 80, u"", u""},
        {"example/path", false, false, 80, u"", u""},
        {"http://", false, false, 80, u"", u""},
        {"https://", false, true, 443, u"", u""},
        {"http:///x", false, false, 80, u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        UrlParts parts;
        EXPECT_EQ(ParseUrl(c.url, parts), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(parts.secure, c.secure);
        EXPECT_EQ(parts.port, c.port);
        EXPECT_EQ(parts.host, c.host);
        EXPECT_EQ(parts.path, c.path);
    }
    UrlParts parts;
    EXPECT_THROW(ParseUrl("http://example:abc/", parts), std::invalid_argument);
    EXPECT_THROW(ParseUrl("http://example:99999999999/", parts), std::out_of_range);
    EXPECT_THROW(HttpGet("http://example:abc/", *std::make_unique<std::string>(), *std::make_unique<uint32_t>()),
                 std::invalid_argument);
}

class HttpGetTest : public tarsel_test::ConfigServerSuite {
protected:
    void SetUp() override {
        ConfigServerSuite::SetUp();
        ClearProxyEnvironment();
    }
    void TearDown() override { ClearProxyEnvironment(); }

};

TEST_F(HttpGetTest, StatusAndBodyAsTheServerSentThem) {
    struct Case {
        int status;
        std::string body;
        bool secure;
    } cases[] = {
        {200, "{\"interval\":10}", true}, {404, "not here", true}, {200, "", true},
        {500, "{\"interval\":1}", true},  {200, "plain", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        s_server->Answer(c.status, c.body);
        std::string body;
        uint32_t status = 0;
        const std::string url = c.secure ? s_server->HttpsUrl("/x") : s_server->HttpUrl("/x");
        EXPECT_TRUE(HttpGet(url, body, status));
        EXPECT_EQ(status, static_cast<uint32_t>(c.status));
        EXPECT_EQ(body, c.body);
    }
}

TEST_F(HttpGetTest, TheRequestAsTheServerSawIt) {
    s_server->Answer(200, "{}");
    const size_t before = s_server->Requests().size();
    std::string body;
    uint32_t status = 0;
    ASSERT_TRUE(HttpGet(s_server->HttpsUrl("/api/v1/ludora.vessel.game.Gloamsight/PushConfig?a=1"), body, status));
    const auto requests = s_server->Requests();
    ASSERT_EQ(requests.size(), before + 1);
    const auto& seen = requests.back();
    EXPECT_EQ(seen.listener, "https");
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.path, "/api/v1/ludora.vessel.game.Gloamsight/PushConfig?a=1");
    EXPECT_EQ(seen.version, "HTTP/1.1");
    std::vector<std::string> names;
    for (const auto& [name, value] : seen.headers) {
        names.push_back(name);
        if (name == "User-Agent") {
            EXPECT_EQ(value, "tarsel/1.0");
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Host", "User-Agent"}));
}

TEST_F(HttpGetTest, ThroughTheProxyEnvironment) {
    s_server->Answer(200, "{\"interval\":3}");
    setenv("https_proxy", s_server->ProxyUrl().c_str(), 1);
    std::string body;
    uint32_t status = 0;
    // A name that resolves nowhere: only the proxy can carry it.
    ASSERT_TRUE(HttpGet("https://config.tarsel.example/api/v1/x", body, status));
    EXPECT_EQ(status, 200u);
    EXPECT_EQ(body, "{\"interval\":3}");
    const auto requests = s_server->Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2].connect, "config.tarsel.example:443");
    EXPECT_EQ(requests.back().path, "/api/v1/x");

    ClearProxyEnvironment();
    body.clear();
    status = 0;
    EXPECT_FALSE(HttpGet("https://config.tarsel.example/api/v1/x", body, status));
    EXPECT_EQ(status, 0u);
}

TEST_F(HttpGetTest, ABodyOverTheCapFails) {
    s_server->AnswerWithBodySize(200, 2u << 20);
    std::string body;
    uint32_t status = 0;
    EXPECT_FALSE(HttpGet(s_server->HttpsUrl("/big"), body, status));
    EXPECT_EQ(status, 200u);
    EXPECT_LE(body.size(), 1u << 20);
}

TEST_F(HttpGetTest, ConnectionRefused) {
    // A port that was just free: nothing listens there.
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    std::string body;
    uint32_t status = 0;
    EXPECT_FALSE(HttpGet("https://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/", body, status));
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(body.empty());
}

TEST_F(HttpGetTest, ASilentServerIsEndedByTheStallLimit) {
    s_server->Answer(200, "late", 20);
    HttpOptions options;
    options.stallSeconds = 1;
    std::string body;
    uint32_t status = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(HttpGet(s_server->HttpsUrl("/slow"), body, status, options));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_EQ(status, 0u);
}

TEST_F(HttpGetTest, ACancelEndsATransferInFlight) {
    s_server->Answer(200, "late", 20);
    tarsel::HttpCancel cancel;
    HttpOptions options;
    options.cancel = &cancel;
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel.Cancel();
    });
    std::string body;
    uint32_t status = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(HttpGet(s_server->HttpsUrl("/slow"), body, status, options));
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    // Already cancelled: nothing is sent at all.
    const size_t before = s_server->Requests().size();
    EXPECT_FALSE(HttpGet(s_server->HttpsUrl("/never"), body, status, options));
    EXPECT_EQ(s_server->Requests().size(), before);
}

}  // namespace

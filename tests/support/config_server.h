// The substitute configuration server tool, run by a test.
#ifndef TARSEL_TESTS_CONFIG_SERVER_H
#define TARSEL_TESTS_CONFIG_SERVER_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace tarsel_test {

struct SeenRequest {
    std::string listener;  // "https", "http" or "proxy"
    std::string method;
    std::string path;
    std::string version;
    std::string connect;  // the CONNECT target, for the proxy
    std::vector<std::pair<std::string, std::string>> headers;
};

class ConfigServer {
public:
    ConfigServer();
    ~ConfigServer();

    bool Start();
    void Stop() { m_process.Stop(); }
    // The answer of every following request.
    void Answer(int status, const std::string& body, double delaySeconds = 0);
    void AnswerWithBodySize(int status, size_t bodySize);
    // Any JSON answer object the tool understands (see its --help).
    void AnswerJson(const std::string& json) { WriteAnswer(json); }

    int HttpsPort() const { return m_https; }
    int HttpPort() const { return m_http; }
    int ProxyPort() const { return m_proxy; }
    std::string HttpsUrl(const std::string& path) const;
    std::string HttpUrl(const std::string& path) const;
    std::string ProxyUrl() const;
    std::vector<SeenRequest> Requests() const;
    const std::string& Error() const { return m_error; }

private:
    void WriteAnswer(const std::string& json);
    tarsel_tools::ChildProcess m_process;
    std::string m_dir;
    std::string m_error;
    int m_https = 0;
    int m_http = 0;
    int m_proxy = 0;
};

// A test suite sharing one server: started before its first test.
class ConfigServerSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override { ASSERT_TRUE(s_server) << "the configuration server did not start"; }
    static std::unique_ptr<ConfigServer> s_server;
};

}  // namespace tarsel_test

#endif  // TARSEL_TESTS_CONFIG_SERVER_H

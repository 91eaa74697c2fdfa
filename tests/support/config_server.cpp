#include "support/config_server.h"

#include <gtest/gtest.h>
#include <json/json.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#ifndef TARSEL_CONFIG_SERVER_TOOL
#error "TARSEL_CONFIG_SERVER_TOOL must name the substitute server tool"
#endif
#ifndef TARSEL_PYTHON
#define TARSEL_PYTHON "/usr/bin/python3"
#endif

namespace tarsel_test {

ConfigServer::ConfigServer() {
    std::string pattern = ::testing::TempDir() + "tarsel-config-XXXXXX";
    if (mkdtemp(&pattern[0]) != nullptr) m_dir = pattern;
}

ConfigServer::~ConfigServer() {
    m_process.Stop();
    std::remove((m_dir + "/answer.json").c_str());
    std::remove((m_dir + "/answer.json.tmp").c_str());
    std::remove((m_dir + "/requests.log").c_str());
    rmdir(m_dir.c_str());
}

bool ConfigServer::Start() {
    std::string ready;
    if (!m_process.Start({TARSEL_PYTHON, TARSEL_CONFIG_SERVER_TOOL, "--answer", m_dir + "/answer.json",
                          "--log", m_dir + "/requests.log", "--lifetime", "600"},
                         30, ready, m_error)) {
        return false;
    }
    if (std::sscanf(ready.c_str(), "READY https=%d http=%d proxy=%d", &m_https, &m_http, &m_proxy) != 3) {
        m_error = "unexpected ready line: " + ready;
        return false;
    }
    return true;
}

void ConfigServer::WriteAnswer(const std::string& json) {
    // Written whole, then renamed: the server never reads half an answer.
    const std::string path = m_dir + "/answer.json";
    {
        std::ofstream out(path + ".tmp");
        out << json;
    }
    std::rename((path + ".tmp").c_str(), path.c_str());
}

void ConfigServer::Answer(int status, const std::string& body, double delaySeconds) {
    Json::Value answer(Json::objectValue);
    answer["status"] = status;
    answer["body"] = body;
    answer["delay"] = delaySeconds;
    WriteAnswer(Json::FastWriter().write(answer));
}

void ConfigServer::AnswerWithBodySize(int status, size_t bodySize) {
    Json::Value answer(Json::objectValue);
    answer["status"] = status;
    answer["body_size"] = static_cast<Json::UInt64>(bodySize);
    WriteAnswer(Json::FastWriter().write(answer));
}

std::string ConfigServer::HttpsUrl(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(m_https) + path;
}

std::string ConfigServer::HttpUrl(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_http) + path;
}

std::string ConfigServer::ProxyUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_proxy);
}

std::vector<SeenRequest> ConfigServer::Requests() const {
    std::vector<SeenRequest> requests;
    std::ifstream in(m_dir + "/requests.log");
    Json::Reader reader;
    for (std::string line; std::getline(in, line);) {
        Json::Value event;
        if (!reader.parse(line, event) || !event.isObject()) continue;
        SeenRequest request;
        request.listener = event["listener"].asString();
        request.method = event["method"].asString();
        request.path = event["path"].asString();
        request.version = event["version"].asString();
        request.connect = event["connect"].asString();
        for (const Json::Value& header : event["headers"]) {
            request.headers.emplace_back(header[0].asString(), header[1].asString());
        }
        requests.push_back(request);
    }
    return requests;
}

std::unique_ptr<ConfigServer> ConfigServerSuite::s_server;

void ConfigServerSuite::SetUpTestSuite() {
    s_server = std::make_unique<ConfigServer>();
    if (!s_server->Start()) {
        ADD_FAILURE() << s_server->Error();
        s_server.reset();
    }
}

}  // namespace tarsel_test

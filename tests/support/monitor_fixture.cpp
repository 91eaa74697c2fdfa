#include "support/monitor_fixture.h"

#include <json/json.h>

#include <ostream>

namespace tarsel_test {

std::string ColourModel() {
    return std::string(TARSEL_MODEL_DIR) + "/colour.onnx";
}

std::ostream& operator<<(std::ostream& out, const Delivery& delivery) {
    out << "{" << delivery.classId << ":";
    for (const std::string& frame : delivery.frames) out << " " << frame;
    return out << "}";
}

std::vector<tarsel::stPicData> ParseFrames(const std::string& json) {
    Json::Value root;
    Json::Reader reader;
    std::vector<tarsel::stPicData> frames;
    if (!reader.parse(json, root) || !root.isArray()) {
        ADD_FAILURE() << "not a JSON array: " << json;
        return frames;
    }
    for (const Json::Value& item : root) {
        tarsel::stPicData frame;
        frame.base64 = item["base64"].asString();
        frame.classId = item["classId"].asUInt();
        frame.timestamp = item["timestamp"].asUInt64();
        frames.push_back(frame);
    }
    return frames;
}

void DeliveryRecorder::On(int classId, const char* json, void* self) {
    auto* recorder = static_cast<DeliveryRecorder*>(self);
    Delivery delivery{classId, {}};
    for (const tarsel::stPicData& frame : ParseFrames(json)) delivery.frames.push_back(frame.base64);
    {
        std::lock_guard<std::mutex> lock(recorder->m_mutex);
        recorder->m_deliveries.push_back(delivery);
        recorder->m_raw.push_back(json);
    }
    if (recorder->onDelivery) recorder->onDelivery(classId);
}

std::vector<Delivery> DeliveryRecorder::Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Delivery> out;
    out.swap(m_deliveries);
    return out;
}

std::vector<std::string> DeliveryRecorder::RawTexts() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_raw;
}

void MonitorSteps::SetUp() {
    m_service.SetConfigFetcher([](tarsel::TarselService&) {});
    m_service.SetFrameCallback(&DeliveryRecorder::On, &m_recorder);
    // Any id: without a display nothing is a window, so the worker skips.
    ASSERT_TRUE(m_service.Init(reinterpret_cast<HWND>(uintptr_t{0x400001})));
}

void MonitorSteps::TearDown() {
    m_service.Shutdown();
}

void MonitorSteps::Start(int historySize, int forward, int backward) {
    ASSERT_TRUE(m_service.StartSceneMonitor(ColourModel().c_str(), 3600, historySize, forward, backward));
    m_log.Clear();
}

tarsel::stPicData MonitorSteps::Frame(int n, uint32_t classId) {
    tarsel::stPicData frame;
    frame.base64 = "f" + std::to_string(n);
    frame.classId = classId;
    frame.timestamp = static_cast<uint64_t>(n);
    return frame;
}

void MonitorSteps::Keep(const tarsel::stPicData& frame) {
    m_service.PushFrame(frame);
    m_service.CheckSceneSwitch(frame);
    m_service.CollectVoiceFrame(frame);
    m_service.SetCurrentClassId(static_cast<int32_t>(frame.classId));
}

void MonitorSteps::KeepMany(int first, int last, uint32_t classId) {
    for (int n = first; n <= last; ++n) Keep(Frame(n, classId));
}

}  // namespace tarsel_test

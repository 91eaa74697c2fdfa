// A service started for real (colour model, a bound handle that is no window,
// so the worker only skips its passes) whose pass steps the tests drive by
// hand with made-up frames.
#ifndef TARSEL_TESTS_MONITOR_FIXTURE_H
#define TARSEL_TESTS_MONITOR_FIXTURE_H

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "service/tarsel_service.h"
#include "support/log_capture.h"

namespace tarsel_test {

std::string ColourModel();

// One delivery to the host's frame callback: the class and the frame names
// (the base64 text of the made-up frames).
struct Delivery {
    int classId;
    std::vector<std::string> frames;
    bool operator==(const Delivery& other) const {
        return classId == other.classId && frames == other.frames;
    }
};
std::ostream& operator<<(std::ostream& out, const Delivery& delivery);

// Parses frame-batch JSON into records; fails the test on malformed text.
std::vector<tarsel::stPicData> ParseFrames(const std::string& json);

class DeliveryRecorder {
public:
    static void On(int classId, const char* json, void* self);
    std::vector<Delivery> Take();
    std::vector<std::string> RawTexts();

    // Called inside the callback, after recording.
    std::function<void(int classId)> onDelivery;

private:
    std::mutex m_mutex;
    std::vector<Delivery> m_deliveries;
    std::vector<std::string> m_raw;
};

class MonitorSteps : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts with these settings (the service stays bound to a non-window).
    void Start(int historySize, int forward, int backward);
    // A made-up frame: base64 "f<n>", class, timestamp n.
    static tarsel::stPicData Frame(int n, uint32_t classId);
    // What the loop does with a kept frame, in its order.
    void Keep(const tarsel::stPicData& frame);
    void KeepMany(int first, int last, uint32_t classId);

    tarsel::TarselService m_service;
    LogCapture m_log;
    DeliveryRecorder m_recorder;
};

}  // namespace tarsel_test

#endif  // TARSEL_TESTS_MONITOR_FIXTURE_H

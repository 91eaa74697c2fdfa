// Speech windows and the frame-batch JSON.
#include <gtest/gtest.h>

#include "service/frames_json.h"
#include "support/monitor_fixture.h"

namespace {

using tarsel::stPicData;
using tarsel_test::LogLine;

using VoiceWindows = tarsel_test::MonitorSteps;

std::vector<std::string> Names(const std::vector<stPicData>& frames) {
    std::vector<std::string> names;
    for (const stPicData& frame : frames) names.push_back(frame.base64);
    return names;
}

std::vector<std::string> Range(int first, int last) {
    std::vector<std::string> names;
    for (int n = first; n <= last; ++n) names.push_back("f" + std::to_string(n));
    return names;
}

LogLine Returned(int n) {
    return {1, "[TarselService] 返回待发送帧: " + std::to_string(n) + " 张"};
}

TEST_F(VoiceWindows, SpeechThenFiveFramesAfterTheStop) {
    Start(15, 5, 5);
    KeepMany(1, 15, 0);
    m_service.OnUserStartSpeaking();
    KeepMany(16, 18, 0);
    EXPECT_EQ(Names(m_service.GetVoiceFramesSnapshot()), Range(16, 18));
    m_service.OnUserStopSpeaking(nullptr);
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{
                                 {1, "[TarselService] 用户开始说话，forward帧索引: 15"},
                                 {1, "[TarselService] 用户结束说话，将收集 5 帧后续图片"}}));
    m_log.Clear();

    Keep(Frame(19, 0));
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{{1, "[TarselService] 复制图片队列，共 15 张"}}));
    const auto afterSnapshot = m_service.GetVoiceFramesSnapshot();
    ASSERT_EQ(afterSnapshot.size(), 16u);
    EXPECT_EQ(afterSnapshot.back().base64, "f19");  // in the ring and appended again
    m_log.Clear();
    KeepMany(20, 23, 0);
    EXPECT_EQ(m_service.GetVoiceFramesSnapshot().size(), 20u);
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{{1, "[TarselService] 语音帧收集完成"}}));
    KeepMany(24, 25, 0);  // collection over: nothing more
    EXPECT_EQ(m_service.GetVoiceFramesSnapshot().size(), 20u);

    m_log.Clear();
    const std::string pending = m_service.GetPendingFrames();
    EXPECT_EQ(Names(tarsel_test::ParseFrames(pending)), Range(19, 23));
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{Returned(5)}));
    // Not consumed: the same again.
    EXPECT_EQ(std::string(m_service.GetPendingFrames()), pending);
}

TEST_F(VoiceWindows, PendingFramesByPhaseAndSetting) {
    Start(15, 5, 5);
    m_log.Clear();
    EXPECT_STREQ(m_service.GetPendingFrames(), "[]\n");
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{Returned(0)}));

    m_service.OnUserStartSpeaking();
    KeepMany(1, 3, 0);
    EXPECT_EQ(Names(tarsel_test::ParseFrames(m_service.GetPendingFrames())), Range(1, 3));
    KeepMany(4, 8, 0);
    EXPECT_EQ(Names(tarsel_test::ParseFrames(m_service.GetPendingFrames())), Range(4, 8));
    m_service.SetForwardWindows(0);
    EXPECT_STREQ(m_service.GetPendingFrames(), "[]\n");
    m_service.SetForwardWindows(-1);
    EXPECT_EQ(Names(tarsel_test::ParseFrames(m_service.GetPendingFrames())), Range(1, 8));
    // Frames without text never enter the buffer.
    Keep(stPicData{"", 0, 99});
    EXPECT_EQ(m_service.GetVoiceFramesSnapshot().size(), 8u);
}

TEST_F(VoiceWindows, BackwardZeroAtTheStopKeepsTheSpeech) {
    Start(15, 5, 0);
    KeepMany(1, 4, 0);
    m_service.OnUserStartSpeaking();
    KeepMany(5, 6, 0);
    m_log.Clear();
    m_service.OnUserStopSpeaking("hello");
    KeepMany(7, 9, 0);
    EXPECT_EQ(m_log.Lines(),
              (std::vector<LogLine>{{1, "[TarselService] 用户结束说话，将收集 0 帧后续图片"}}));
    EXPECT_EQ(Names(m_service.GetVoiceFramesSnapshot()), Range(5, 6));
}

TEST_F(VoiceWindows, ASpeechStartDuringTheCollectionStartsAfresh) {
    Start(15, 5, 5);
    KeepMany(1, 3, 0);
    m_service.OnUserStartSpeaking();
    Keep(Frame(4, 0));
    m_service.OnUserStopSpeaking("");
    KeepMany(5, 6, 0);
    m_service.OnUserStartSpeaking();
    EXPECT_TRUE(m_service.GetVoiceFramesSnapshot().empty());
    Keep(Frame(7, 0));
    m_service.OnUserStopSpeaking("");
    m_log.Clear();
    Keep(Frame(8, 0));
    EXPECT_EQ(m_log.Lines(), (std::vector<LogLine>{{1, "[TarselService] 复制图片队列，共 8 张"}}));
}

TEST(FramesToJson, ByteForByte) {
    EXPECT_EQ(tarsel::FramesToJson({}), "[]\n");
    EXPECT_EQ(tarsel::FramesToJson({{"QUJD", 1, 1765360000123ull}}),
              "[{\"base64\":\"QUJD\",\"classId\":1,\"timestamp\":1765360000123}]\n");
    EXPECT_EQ(tarsel::FramesToJson({{"QQ==", 0, 0}, {"", 4294967295u, 18446744073709551615ull},
                                    {"+/9=", 2, 42}}),
              "[{\"base64\":\"QQ==\",\"classId\":0,\"timestamp\":0},"
              "{\"base64\":\"\",\"classId\":4294967295,\"timestamp\":18446744073709551615},"
              "{\"base64\":\"+/9=\",\"classId\":2,\"timestamp\":42}]\n");
}

TEST_F(VoiceWindows, HostFrameCallbackGetsClassTextAndUserData) {
    struct Seen {
        int classId = -1;
        std::string json;
        void* userData = nullptr;
        static void On(int classId, const char* json, void* self) {
            auto* seen = static_cast<Seen*>(self);
            seen->classId = classId;
            seen->json = json;
            seen->userData = self;
        }
    } seen;
    m_service.SetFrameCallback(&Seen::On, &seen);
    Start(15, 5, 1);
    Keep(Frame(1, 1));
    EXPECT_EQ(seen.classId, 1);
    EXPECT_EQ(seen.json, tarsel::FramesToJson({Frame(1, 1)}));
    EXPECT_EQ(seen.userData, &seen);
}

}  // namespace

// The service object without a display: creation, binding, shutdown, the
// getters and setters, and every log line they write.
#include <gtest/gtest.h>

#include "log/handle_text.h"
#include "service/tarsel_service.h"
#include "support/log_capture.h"
#include "tarsel/tarsel.h"

namespace {

using tarsel_test::LogCapture;
using tarsel_test::LogLine;

HWND Handle(uintptr_t value) {
    return reinterpret_cast<HWND>(value);
}

TEST(HandleText, SixteenUpperCaseHexDigits) {
    EXPECT_EQ(tarsel::HandleText(nullptr), "0000000000000000");
    EXPECT_EQ(tarsel::HandleText(Handle(0x1a2b)), "0000000000001A2B");
    EXPECT_EQ(tarsel::HandleText(Handle(~uintptr_t{0})), "FFFFFFFFFFFFFFFF");
}

TEST(Exports, CreateAndDestroyLogTheirLines) {
    LogCapture capture;
    ITarselService* service = CreateTarselService();
    ASSERT_NE(service, nullptr);
    DestroyTarselService(service);
    DestroyTarselService(nullptr);
    const std::vector<LogLine> expected = {
        {1, "[tarsel_api] CreateTarselService called"},
        {1, "[tarsel_api] TarselService instance created successfully"},
        {1, "[tarsel_api] DestroyTarselService called"},
        {1, "[TarselService] 已关闭"},
        {1, "[tarsel_api] TarselService instance destroyed"},
        {1, "[tarsel_api] DestroyTarselService called"},
    };
    EXPECT_EQ(capture.Lines(), expected);
}

TEST(ServiceDefaults, GettersOfANewObject) {
    tarsel::TarselService service;
    EXPECT_EQ(service.GetCurrentClassId(), -1);
    EXPECT_EQ(service.GetBossState(), 0);
    EXPECT_EQ(service.GetFrameCount(), 0u);
    EXPECT_FALSE(service.IsSceneMonitorRunning());
    EXPECT_FALSE(service.IsWindowValid());
    EXPECT_FALSE(service.IsWindowForeground());
    EXPECT_EQ(service.GetCaptureInterval(), 5);
    EXPECT_EQ(service.GetForwardWindows(), 5);
    EXPECT_EQ(service.GetBackwardWindows(), 5);
    EXPECT_EQ(service.GetHistorySize(), 15);
    EXPECT_EQ(service.GetModelPath(), "");
    EXPECT_EQ(service.GetResolution(), "");
}

TEST(ServiceSetters, StoreAnyValueUnchanged) {
    tarsel::TarselService service;
    for (int value : {0, -7, 1, 3600}) {
        service.SetCaptureInterval(value);
        service.SetForwardWindows(value);
        service.SetBackwardWindows(value);
        EXPECT_EQ(service.GetCaptureInterval(), value);
        EXPECT_EQ(service.GetForwardWindows(), value);
        EXPECT_EQ(service.GetBackwardWindows(), value);
    }
}

TEST(ServiceInit, NullHandleIsRefused) {
    tarsel::TarselService service;
    LogCapture capture;
    EXPECT_FALSE(service.Init(nullptr));
    const std::vector<LogLine> expected = {{3, "[TarselService] Init: 传入的窗口句柄为空"}};
    EXPECT_EQ(capture.Lines(), expected);
}

TEST(ServiceInit, BindsOnceAndKeepsTheFirstWindow) {
    tarsel::TarselService service;
    LogCapture capture;
    // No display here: the handle is bound all the same and reads as no window.
    EXPECT_TRUE(service.Init(Handle(0x400001)));
    EXPECT_TRUE(service.Init(Handle(0x500001)));
    const std::vector<LogLine> expected = {
        {1, "[TarselService] Init: hWnd=0000000000400001"},
        {1, "[ScreenCapturer] SetWindowHandle: hWnd=0000000000400001, IsWindow=0"},
        {1, "[TarselService] 基础初始化成功，已绑定窗口句柄: 0000000000400001"},
        {2, "[TarselService] 已经初始化过"},
    };
    EXPECT_EQ(capture.Lines(), expected);
    EXPECT_FALSE(service.IsWindowValid());
    EXPECT_FALSE(service.IsWindowForeground());
}

TEST(ServiceShutdown, WorksInEveryStateAndAllowsANewInit) {
    tarsel::TarselService service;
    LogCapture capture;
    service.Shutdown();
    EXPECT_EQ(capture.Messages(), std::vector<std::string>{"[TarselService] 已关闭"});
    capture.Clear();
    EXPECT_TRUE(service.Init(Handle(0x400001)));
    service.Shutdown();
    service.Shutdown();
    EXPECT_TRUE(service.Init(Handle(0x600001)));
    const auto bound = capture.Matching("[TarselService] Init: hWnd=");
    ASSERT_EQ(bound.size(), 2u);
    EXPECT_EQ(bound[1].message, "[TarselService] Init: hWnd=0000000000600001");
    EXPECT_EQ(capture.Matching("[TarselService] 已关闭").size(), 2u);
    EXPECT_FALSE(capture.Contains("[TarselService] 已经初始化过"));
}

TEST(ServiceShutdown, KeepsTuningValuesAndCallbacksState) {
    tarsel::TarselService service;
    service.SetCaptureInterval(9);
    service.SetForwardWindows(2);
    service.Init(Handle(0x400001));
    service.Shutdown();
    EXPECT_EQ(service.GetCaptureInterval(), 9);
    EXPECT_EQ(service.GetForwardWindows(), 2);
    EXPECT_EQ(service.GetCurrentClassId(), -1);
}

TEST(ServiceLogCallback, RoutesEveryServiceLineAndNullStopsIt) {
    tarsel::TarselService service;
    struct Sink {
        std::vector<std::string> lines;
        static void On(int, const char* message, void* self) {
            static_cast<Sink*>(self)->lines.push_back(message);
        }
    } sink;
    service.SetLogCallback(&Sink::On, &sink);
    service.Shutdown();
    service.SetLogCallback(nullptr, &sink);
    service.Shutdown();
    EXPECT_EQ(sink.lines, std::vector<std::string>{"[TarselService] 已关闭"});
}

}  // namespace

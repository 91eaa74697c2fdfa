// The library as a host sees it: loaded with dlopen, reached only through the
// two exports and the interface.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "support/test_window.h"
#include "tarsel/tarsel.h"

#ifndef TARSEL_LIBRARY_PATH
#error "TARSEL_LIBRARY_PATH must name libtarsel.so"
#endif

namespace {

using tarsel_test::TestDisplay;
using tarsel_test::TestWindow;

struct Library {
    Library() {
        handle = dlopen(TARSEL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return;
        create = reinterpret_cast<decltype(create)>(dlsym(handle, "CreateTarselService"));
        destroy = reinterpret_cast<decltype(destroy)>(dlsym(handle, "DestroyTarselService"));
    }
    // Never closed: the library is linked nodelete, as a host may not unload it
    // under a thread of its own.
    void* handle = nullptr;
    ITarselService* (*create)() = nullptr;
    void (*destroy)(ITarselService*) = nullptr;
};

Library& Lib() {
    static Library library;
    return library;
}

struct LogSink {
    std::mutex mutex;
    std::vector<std::pair<int, std::string>> lines;
    static void On(int level, const char* message, void* self) {
        auto* sink = static_cast<LogSink*>(self);
        std::lock_guard<std::mutex> lock(sink->mutex);
        sink->lines.emplace_back(level, message);
    }
};

void IgnoreFrames(int, const char*, void*) {}

TEST(HostAbi, LoadsAndResolvesTheTwoExports) {
    ASSERT_NE(Lib().handle, nullptr) << dlerror();
    ASSERT_NE(Lib().create, nullptr);
    ASSERT_NE(Lib().destroy, nullptr);
}

TEST(HostAbi, CreateBindSetCallbacksDestroy) {
    ASSERT_NE(Lib().create, nullptr);
    TestDisplay display;
    ASSERT_TRUE(display.Ok());
    TestWindow game(display, 10, 10, 120, 90, 0x0000FF);
    TestWindow other(display, 200, 10, 50, 50, 0xFF0000);
    char id[32];
    std::snprintf(id, sizeof id, "%016X", game.Id());

    ITarselService* service = Lib().create();
    ASSERT_NE(service, nullptr);
    // The log callback is process-wide and outlives this service: the sink must too.
    static LogSink sink;
    service->SetLogCallback(&LogSink::On, &sink);
    service->SetFrameCallback(&IgnoreFrames, &sink);
    EXPECT_FALSE(service->IsWindowValid());
    ASSERT_TRUE(service->Init(game.Handle()));
    EXPECT_TRUE(service->IsWindowValid());
    game.Focus();
    EXPECT_TRUE(service->IsWindowForeground());
    other.Focus();
    EXPECT_FALSE(service->IsWindowForeground());
    service->SetCaptureInterval(7);
    EXPECT_EQ(service->GetCurrentClassId(), -1);
    EXPECT_EQ(service->GetBossState(), 0);
    EXPECT_EQ(service->GetFrameCount(), 0u);
    Lib().destroy(service);

    const std::vector<std::pair<int, std::string>> expected = {
        {1, std::string("[TarselService] Init: hWnd=") + id},
        {1, std::string("[ScreenCapturer] SetWindowHandle: hWnd=") + id + ", IsWindow=1"},
        {1, std::string("[TarselService] 基础初始化成功，已绑定窗口句柄: ") + id},
        {1, "[tarsel_api] DestroyTarselService called"},
        {1, "[TarselService] 已关闭"},
        {1, "[tarsel_api] TarselService instance destroyed"},
    };
    EXPECT_EQ(sink.lines, expected);
    ITarselService* quiet = Lib().create();
    ASSERT_NE(quiet, nullptr);
    quiet->SetLogCallback(nullptr, nullptr);
    Lib().destroy(quiet);
}

struct Screenshot {
    int code = 1;
    int width = 0;
    int height = 0;
    size_t length = 0;
    std::string message;
    static void On(const char* base64, int width, int height, int code, const char* message,
                   void* self) {
        auto* shot = static_cast<Screenshot*>(self);
        shot->code = code;
        shot->width = width;
        shot->height = height;
        shot->length = base64 != nullptr ? std::string(base64).size() : 0;
        shot->message = message != nullptr ? message : "";
    }
};

TEST(HostAbi, ScreenshotOfARealWindow) {
    ASSERT_NE(Lib().create, nullptr);
    TestDisplay display;
    ASSERT_TRUE(display.Ok());
    TestWindow game(display, 10, 10, 640, 360, 0x00FF00);
    ITarselService* service = Lib().create();
    ASSERT_NE(service, nullptr);
    Screenshot before;
    service->CaptureScreenAsync(320, &Screenshot::On, &before);
    EXPECT_EQ(before.code, -1);
    EXPECT_EQ(before.message, "Service not initialized");
    ASSERT_TRUE(service->Init(game.Handle()));
    game.Focus();
    Screenshot shot;
    service->CaptureScreenAsync(320, &Screenshot::On, &shot);
    EXPECT_EQ(shot.code, 0);
    EXPECT_EQ(shot.width, 640);
    EXPECT_EQ(shot.height, 360);
    EXPECT_GT(shot.length, 100u);
    EXPECT_EQ(shot.length % 4, 0u);
    Lib().destroy(service);
}

}  // namespace

// tarsel.dll capturing real Win32 windows under Wine: the screenshot with its
// codes and bound, a monitor run with the colour model and the official ONNX
// Runtime DLL delivering the boss sequence, and model paths outside ASCII.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "decoded_frames.h"
#include "windows_support.h"

namespace {

using tarsel_windows_test::DecodeBase64Jpeg;
using tarsel_windows_test::LogSink;
using tarsel_windows_test::ParseFrames;
using tarsel_windows_test::PumpMessages;
using tarsel_windows_test::TarselDll;
using tarsel_windows_test::TestWindow;

constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kRed = 0xFF0000;

std::string Utf8(const std::wstring& text) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length,
                          nullptr, nullptr);
    return out;
}

// The text in the ANSI code page, or empty when it has no exact spelling there.
std::string Ansi(const std::wstring& text) {
    BOOL lossy = FALSE;
    const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                             static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy) return std::string();
    std::string out(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                          &out[0], length, nullptr, &lossy);
    return lossy ? std::string() : out;
}

std::wstring ColourModel() {
    return tarsel_windows_test::ProgramFolder() + L"..\\models\\colour.onnx";
}

// Waits up to ten seconds for the condition, handling this thread's window
// messages meanwhile (Wine paints through them).
bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        PumpMessages();
        ::Sleep(20);
    }
    return condition();
}

struct Shot {
    int calls = 0;
    bool hasText = false;
    std::string base64;
    int width = -1;
    int height = -1;
    int code = 1;
    std::string message;
};

void OnShot(const char* base64, int width, int height, int code, const char* message, void* user) {
    auto* shot = static_cast<Shot*>(user);
    ++shot->calls;
    shot->hasText = base64 != nullptr;
    shot->base64 = base64 != nullptr ? base64 : "";
    shot->width = width;
    shot->height = height;
    shot->code = code;
    shot->message = message != nullptr ? message : "";
}

class Deliveries {
public:
    static void On(int, const char* json, void* user) {
        auto* self = static_cast<Deliveries*>(user);
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_texts.emplace_back(json);
    }
    std::vector<std::string> Texts() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dll.Load());
        m_service = m_dll.create();
        ASSERT_NE(m_service, nullptr);
        m_service->SetLogCallback(&LogSink::Callback, &m_sink);
        m_sink.Clear();
    }
    void TearDown() override {
        if (m_service != nullptr) m_dll.destroy(m_service);
    }
    Shot Screenshot(int maxSize) {
        Shot shot;
        m_service->CaptureScreenAsync(maxSize, &OnShot, &shot);
        EXPECT_EQ(shot.calls, 1);
        return shot;
    }

    TarselDll m_dll;
    ITarselService* m_service = nullptr;
    LogSink& m_sink = LogSink::Sink();
};

TEST_F(CaptureTest, ScreenshotOfTheWindowInFrontWithAndWithoutABound) {
    TestWindow window(320, 200, RGB(255, 0, 0));
    ASSERT_TRUE(m_service->Init(window.Handle()));
    ASSERT_TRUE(m_service->IsWindowForeground());

    const Shot full = Screenshot(0);
    ASSERT_EQ(full.code, 0) << full.message;
    EXPECT_TRUE(full.message.empty());
    EXPECT_EQ(full.width, 320);
    EXPECT_EQ(full.height, 200);
    const auto picture = DecodeBase64Jpeg(full.base64);
    ASSERT_TRUE(picture.ok);
    EXPECT_EQ(picture.width, 320);
    EXPECT_EQ(picture.height, 200);
    for (const auto& point : {std::pair<int, int>{0, 0}, {160, 100}, {319, 199}}) {
        EXPECT_EQ(picture.SnappedAt(point.first, point.second), kRed);
    }

    window.Fill(RGB(0, 0, 255));
    const Shot bounded = Screenshot(100);
    ASSERT_EQ(bounded.code, 0) << bounded.message;
    // The captured size is reported; the JPEG is the bounded one.
    EXPECT_EQ(bounded.width, 320);
    EXPECT_EQ(bounded.height, 200);
    const auto small = DecodeBase64Jpeg(bounded.base64);
    ASSERT_TRUE(small.ok);
    EXPECT_EQ(small.width, 100);
    EXPECT_EQ(small.height, 62);
    EXPECT_EQ(small.SnappedAt(50, 31), kBlue);
}

TEST_F(CaptureTest, ScreenshotFailuresCarryTheirCodes) {
    const Shot early = Screenshot(0);
    EXPECT_EQ(early.code, -1);
    EXPECT_EQ(early.message, "Service not initialized");
    EXPECT_FALSE(early.hasText);
    EXPECT_EQ(early.width, 0);

    TestWindow game(200, 150, RGB(0, 255, 0));
    ASSERT_TRUE(m_service->Init(game.Handle()));
    {
        TestWindow other(120, 90, RGB(255, 0, 0));
        ASSERT_FALSE(m_service->IsWindowForeground());
        const Shot behind = Screenshot(0);
        EXPECT_EQ(behind.code, -4);
        EXPECT_EQ(behind.message, "Window not foreground");
        EXPECT_TRUE(m_sink.Contains(2, "[TarselService] CaptureScreenAsync: window not foreground, skip"));
    }
    game.Destroy();
    const Shot gone = Screenshot(0);
    EXPECT_EQ(gone.code, -2);
    EXPECT_EQ(gone.message, "Window not valid");
    EXPECT_FALSE(gone.hasText);
}

TEST_F(CaptureTest, PaintingTheWindowRedDeliversTheBossSequence) {
    TestWindow game(320, 240, RGB(0, 0, 255));
    ASSERT_TRUE(m_service->Init(game.Handle()));
    Deliveries deliveries;
    m_service->SetFrameCallback(&Deliveries::On, &deliveries);
    ASSERT_TRUE(m_service->StartSceneMonitor(Utf8(ColourModel()).c_str(), 1, 15, 3, 2));
    ASSERT_TRUE(m_sink.Contains(1, "[TarselService] ONNX模型加载成功: " + Utf8(ColourModel())));
    ASSERT_TRUE(WaitUntil([&] { return m_service->GetCurrentClassId() == 0; }));
    ::Sleep(1100);  // most likely a second blue frame in the ring
    game.Fill(RGB(255, 0, 0));
    ASSERT_TRUE(WaitUntil([&] { return m_service->GetBossState() == 2; }));
    m_service->StopSceneMonitor();
    EXPECT_EQ(m_service->GetCurrentClassId(), 1);

    const auto texts = deliveries.Texts();
    ASSERT_EQ(texts.size(), 3u);
    const auto forward = ParseFrames(texts[0]);
    ASSERT_GE(forward.size(), 2u);
    ASSERT_LE(forward.size(), 3u);
    for (size_t i = 0; i + 1 < forward.size(); ++i) {
        EXPECT_EQ(forward[i].classId, 0u);
        EXPECT_EQ(DecodeBase64Jpeg(forward[i].base64).SnappedAt(160, 120), kBlue);
        EXPECT_LT(forward[i].timestamp, forward[i + 1].timestamp);
    }
    EXPECT_EQ(forward.back().classId, 1u);
    const auto switching = DecodeBase64Jpeg(forward.back().base64);
    ASSERT_TRUE(switching.ok);
    EXPECT_EQ(switching.width, 320);
    EXPECT_EQ(switching.SnappedAt(160, 120), kRed);
    for (size_t i = 1; i < texts.size(); ++i) {
        const auto single = ParseFrames(texts[i]);
        ASSERT_EQ(single.size(), 1u);
        EXPECT_EQ(single[0].classId, 1u);
        EXPECT_EQ(DecodeBase64Jpeg(single[0].base64).SnappedAt(10, 10), kRed);
    }
}

// The model copied into a folder whose name is outside ASCII, passed as the
// bytes a host would pass.
class ModelPathTest : public CaptureTest {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        m_window = std::make_unique<TestWindow>(64, 64, RGB(0, 0, 255));
        ASSERT_TRUE(m_service->Init(m_window->Handle()));
    }
    void TearDown() override {
        CaptureTest::TearDown();
        for (const std::wstring& folder : m_folders) {
            ::DeleteFileW((folder + L"\\colour.onnx").c_str());
            ::RemoveDirectoryW(folder.c_str());
        }
    }
    // The model's full path inside a new folder of that name under %TEMP%.
    std::wstring PlaceModel(const std::wstring& folderName) {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        const std::wstring folder = std::wstring(temp) + folderName;
        ::CreateDirectoryW(folder.c_str(), nullptr);
        m_folders.push_back(folder);
        const std::wstring model = folder + L"\\colour.onnx";
        EXPECT_TRUE(::CopyFileW(ColourModel().c_str(), model.c_str(), FALSE)) << ::GetLastError();
        return model;
    }
    bool Starts(const std::string& bytes) {
        const bool started = m_service->StartSceneMonitor(bytes.c_str(), 5, 15, 5, 5);
        m_service->StopSceneMonitor();
        return started && m_sink.Contains(1, "[TarselService] ONNX模型加载成功: " + bytes);
    }

    std::unique_ptr<TestWindow> m_window;
    std::vector<std::wstring> m_folders;
};

TEST_F(ModelPathTest, Utf8BytesLoad) {
    EXPECT_TRUE(Starts(Utf8(PlaceModel(L"tarsel-\u6a21\u578b"))));  // 模型
}

TEST_F(ModelPathTest, AnsiBytesLoad) {
    const std::wstring model = PlaceModel(L"tarsel-caf\u00e9");
    const std::string bytes = Ansi(model);
    if (bytes.empty() || bytes == Utf8(model)) GTEST_SKIP() << "no ANSI spelling apart from UTF-8";
    EXPECT_TRUE(Starts(bytes));
}

TEST_F(ModelPathTest, BytesValidInBothReadAsTheFileThatExists) {
    // In code page 1252 "Ã©" is spelt C3 A9, which is also UTF-8 for "é".
    const std::wstring model = PlaceModel(L"tarsel-\u00c3\u00a9");
    const std::string bytes = Ansi(model);
    if (bytes.empty() || bytes == Utf8(model)) GTEST_SKIP() << "no ANSI spelling apart from UTF-8";
    EXPECT_TRUE(Starts(bytes));
}

}  // namespace

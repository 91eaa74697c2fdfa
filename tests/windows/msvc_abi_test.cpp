// The interface as a host built with MSVC sees it: the caller in
// msvc_caller.cpp is compiled for the MSVC ABI and linked in as a COFF object;
// these tests give it tarsel.dll's export and a real window, and check what
// the library logged meanwhile.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "msvc_caller.h"
#include "windows_support.h"

namespace {

using tarsel_windows_test::LogSink;
using tarsel_windows_test::TarselDll;
using tarsel_windows_test::TestWindow;

void RecordFailure(int check, void* user) {
    static_cast<std::vector<int>*>(user)->push_back(check);
}

class MsvcAbiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dll.Load());
        m_sink.Clear();
    }
    TarselDll m_dll;
    LogSink& m_sink = LogSink::Sink();
};

TEST_F(MsvcAbiTest, EveryOperationThroughTheVtableAndDeleteThroughTheInterface) {
    TestWindow window(200, 100, RGB(255, 0, 0));
    std::vector<int> failed;
    MsvcHost host{m_dll.create, window.Handle(), &LogSink::Callback, &m_sink, &RecordFailure, &failed};
    EXPECT_EQ(DriveServiceThroughMsvcVtable(&host), 0);
    EXPECT_EQ(failed, std::vector<int>{});

    const std::string handle = tarsel_windows_test::HandleText(window.Handle());
    EXPECT_TRUE(m_sink.Contains(1, "[TarselService] Init: hWnd=" + handle));
    EXPECT_TRUE(m_sink.Contains(1, "[TarselService] 用户结束说话，将收集 4 帧后续图片"));
    EXPECT_TRUE(m_sink.Contains(3, "[TarselService] CaptureScreenAsync: callback is null"));
    // The delete through slot 0 ran the destructor: its shutdown line is the last.
    const auto lines = m_sink.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), (std::pair<int, std::string>{1, "[TarselService] 已关闭"}));
    EXPECT_EQ(m_sink.CountStartingWith("[tarsel_api] DestroyTarselService"), 0u);
}

}  // namespace

namespace {

// MSVC's throw is RaiseException with the C++ exception code; GCC's catch (...)
// does not see it, so without the library's SEH guard the process would end.
TEST_F(MsvcAbiTest, ExceptionsThrownTheMsvcWayFromCallbacksStayInTheLibrary) {
    TestWindow window(120, 80, RGB(0, 255, 0));
    ITarselService* service = m_dll.create();
    ASSERT_NE(service, nullptr);
    service->SetLogCallback(&LogSink::Callback, &m_sink);
    ASSERT_TRUE(service->Init(window.Handle()));
    m_sink.Clear();
    CaptureWithThrowingCallback(service);
    EXPECT_TRUE(m_sink.Contains(3, "[TarselService] CaptureScreenAsync: callback exception"));

    SetThrowingLogCallback(service);
    service->Shutdown();  // its line goes to the throwing callback
    service->SetLogCallback(&LogSink::Callback, &m_sink);
    m_sink.Clear();
    EXPECT_TRUE(service->Init(window.Handle()));
    EXPECT_TRUE(m_sink.Contains(1, "[TarselService] 基础初始化成功，已绑定窗口句柄: " +
                                       tarsel_windows_test::HandleText(window.Handle())));
    m_dll.destroy(service);
}

}  // namespace

// tarsel.dll as a Windows host sees it: loaded with LoadLibraryW, both exports
// by name and by ordinal, its export and import tables, and the lifecycle
// through the interface with the log lines it delivers.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <stdexcept>
#include <string>

#include "windows_support.h"

namespace {

using tarsel_windows_test::LogSink;
using tarsel_windows_test::TarselDll;
using tarsel_windows_test::TestWindow;

class DllTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dll.Load()) << "tarsel.dll, error " << ::GetLastError(); }

    // The DLL's image as mapped, and one of its data directories.
    template <typename T>
    const T* Directory(int index, DWORD* size = nullptr) const {
        const auto* base = reinterpret_cast<const uint8_t*>(m_dll.module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[index];
        if (size != nullptr) *size = entry.Size;
        return entry.VirtualAddress == 0 ? nullptr
                                         : reinterpret_cast<const T*>(base + entry.VirtualAddress);
    }
    const char* Text(DWORD rva) const {
        return reinterpret_cast<const char*>(m_dll.module) + rva;
    }

    TarselDll m_dll;
};

TEST_F(DllTest, ExportsExactlyTheTwoEntryPointsAtOrdinalsOneAndTwo) {
    EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(m_dll.module, MAKEINTRESOURCEA(1))),
              reinterpret_cast<void*>(m_dll.create));
    EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(m_dll.module, MAKEINTRESOURCEA(2))),
              reinterpret_cast<void*>(m_dll.destroy));

    const auto* exports = Directory<IMAGE_EXPORT_DIRECTORY>(IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(exports, nullptr);
    EXPECT_STREQ(Text(exports->Name), "tarsel.dll");
    EXPECT_EQ(exports->Base, 1u);
    EXPECT_EQ(exports->NumberOfFunctions, 2u);
    ASSERT_EQ(exports->NumberOfNames, 2u);
    const auto* names = reinterpret_cast<const DWORD*>(Text(exports->AddressOfNames));
    const auto* ordinals = reinterpret_cast<const WORD*>(Text(exports->AddressOfNameOrdinals));
    // Plain, undecorated names, each at its ordinal (stored relative to the base).
    EXPECT_STREQ(Text(names[0]), "CreateTarselService");
    EXPECT_EQ(ordinals[0] + exports->Base, 1u);
    EXPECT_STREQ(Text(names[1]), "DestroyTarselService");
    EXPECT_EQ(ordinals[1] + exports->Base, 2u);
}

TEST_F(DllTest, ImportsOnlySystemLibraries) {
    // The C++ runtime is linked in and ONNX Runtime is loaded at the first
    // model load, so a host needs nothing beside tarsel.dll at load time.
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                          "msvcrt.dll",   "winhttp.dll", "advapi32.dll"};
    const auto* import = Directory<IMAGE_IMPORT_DESCRIPTOR>(IMAGE_DIRECTORY_ENTRY_IMPORT);
    ASSERT_NE(import, nullptr);
    std::set<std::string> seen;
    for (; import->Name != 0; ++import) {
        std::string name = Text(import->Name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        seen.insert(name);
        const bool allowed = system.count(name) > 0 || name.rfind("api-ms-win-", 0) == 0;
        EXPECT_TRUE(allowed) << name;
    }
    EXPECT_EQ(seen.count("kernel32.dll"), 1u);
}

TEST_F(DllTest, LifecycleThroughTheInterfaceWithItsLogLines) {
    LogSink& sink = LogSink::Sink();
    ITarselService* first = m_dll.create();
    ASSERT_NE(first, nullptr);
    first->SetLogCallback(&LogSink::Callback, &sink);  // process-wide: every later line
    m_dll.destroy(first);
    sink.Clear();

    ITarselService* service = m_dll.create();
    ASSERT_NE(service, nullptr);
    EXPECT_FALSE(service->StartSceneMonitor("model.onnx", 5, 15, 5, 5));
    EXPECT_FALSE(service->Init(nullptr));
    TestWindow window(160, 120, RGB(0, 0, 255));
    ASSERT_TRUE(service->Init(window.Handle()));
    EXPECT_TRUE(service->IsWindowValid());
    EXPECT_FALSE(service->IsSceneMonitorRunning());
    EXPECT_EQ(service->GetCurrentClassId(), -1);
    EXPECT_EQ(service->GetBossState(), 0);
    EXPECT_EQ(service->GetFrameCount(), 0u);
    EXPECT_STREQ(service->GetPendingFrames(), "[]\n");
    service->Shutdown();
    EXPECT_FALSE(service->IsWindowValid());
    m_dll.destroy(service);
    m_dll.destroy(nullptr);

    const std::string handle = tarsel_windows_test::HandleText(window.Handle());
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "[tarsel_api] CreateTarselService called"},
        {1, "[tarsel_api] TarselService instance created successfully"},
        {3, "[TarselService] 未初始化，请先调用 Init()"},
        {3, "[TarselService] Init: 传入的窗口句柄为空"},
        {1, "[TarselService] Init: hWnd=" + handle},
        {1, "[ScreenCapturer] SetWindowHandle: hWnd=" + handle + ", IsWindow=1"},
        {1, "[TarselService] 基础初始化成功，已绑定窗口句柄: " + handle},
        {1, "[TarselService] 返回待发送帧: 0 张"},
        {1, "[TarselService] 已关闭"},
        {1, "[tarsel_api] DestroyTarselService called"},
        {1, "[TarselService] 已关闭"},
        {1, "[tarsel_api] TarselService instance destroyed"},
        {1, "[tarsel_api] DestroyTarselService called"},
    };
    EXPECT_EQ(sink.Lines(), expected);
}

// A second copy of tarsel.dll in a folder of its own, without onnxruntime.dll
// beside it: the copy is a module of its own, and looks for the runtime only
// there, never by name.
TEST(RuntimeBesideTheDll, MissingFailsTheStartWithAClearLine) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"tarsel-without-runtime";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\tarsel.dll";
    ASSERT_TRUE(::CopyFileW((tarsel_windows_test::ProgramFolder() + L"tarsel.dll").c_str(),
                            copy.c_str(), FALSE));
    HMODULE module = ::LoadLibraryW(copy.c_str());
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<tarsel_windows_test::CreateFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module, "CreateTarselService")));
    auto destroy = reinterpret_cast<tarsel_windows_test::DestroyFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DestroyTarselService")));
    ASSERT_TRUE(create != nullptr && destroy != nullptr);

    LogSink& sink = LogSink::Sink();
    ITarselService* service = create();
    ASSERT_NE(service, nullptr);
    service->SetLogCallback(&LogSink::Callback, &sink);  // this copy's own logger
    TestWindow window(64, 64, RGB(0, 0, 255));
    ASSERT_TRUE(service->Init(window.Handle()));
    sink.Clear();
    const std::string model = "C:\\any\\model.onnx";
    EXPECT_FALSE(service->StartSceneMonitor(model.c_str(), 5, 15, 5, 5));
    EXPECT_EQ(sink.CountStartingWith(
                  "[TarselService] 模型加载失败: onnxruntime.dll not found beside tarsel.dll"),
              1u);
    EXPECT_FALSE(service->IsSceneMonitorRunning());
    service->SetLogCallback(nullptr, nullptr);
    destroy(service);
    // Pinned once a service was made: the copy stays loaded and its file in use.
    ::FreeLibrary(module);
}

// A host built with GCC throws GCC's exceptions, which pass through the
// library's SEH frame around the call to its own catch.
void ThrowingShot(const char*, int, int, int, const char*, void*) {
    throw std::runtime_error("host failure");
}

void ThrowingLog(int, const char*, void*) {
    throw 7;
}

TEST_F(DllTest, ExceptionsOfThisCompilerFromCallbacksStayInTheLibrary) {
    LogSink& sink = LogSink::Sink();
    ITarselService* service = m_dll.create();
    ASSERT_NE(service, nullptr);
    service->SetLogCallback(&LogSink::Callback, &sink);
    TestWindow window(80, 60, RGB(0, 0, 255));
    ASSERT_TRUE(service->Init(window.Handle()));
    sink.Clear();
    service->CaptureScreenAsync(0, &ThrowingShot, nullptr);
    EXPECT_TRUE(sink.Contains(3, "[TarselService] CaptureScreenAsync: callback exception"));
    service->SetLogCallback(&ThrowingLog, nullptr);
    service->Shutdown();
    service->SetLogCallback(&LogSink::Callback, &sink);
    m_dll.destroy(service);
    EXPECT_TRUE(sink.Contains(1, "[tarsel_api] TarselService instance destroyed"));
}

}  // namespace

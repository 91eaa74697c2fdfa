// The installed prefix as another project consumes it: find_package and
// pkg-config builds of examples/minimal-host, run against a real window.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "support/jpeg_decode.h"
#include "support/test_window.h"
#include "support/xvfb_server.h"

#ifndef TARSEL_BUILD_DIR
#error "TARSEL_BUILD_DIR and TARSEL_SOURCE_DIR must be set"
#endif

namespace {

std::string Capture(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        const int status = pclose(pipe);
        if (status != 0) out += "\n[exit status " + std::to_string(status) + "]";
    }
    return out;
}

bool Ok(const std::string& output) {
    return output.find("[exit status") == std::string::npos;
}

class Package : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string dir = ::testing::TempDir() + "tarsel-prefix-XXXXXX";
        ASSERT_NE(mkdtemp(&dir[0]), nullptr);
        s_prefix = dir;
        const std::string out = Capture("cmake --install '" TARSEL_BUILD_DIR "' --prefix '" + s_prefix + "'");
        ASSERT_TRUE(Ok(out)) << out;
    }
    static std::string s_prefix;
};
std::string Package::s_prefix;

TEST_F(Package, ThePrefixRunsFromItselfAlone) {
    for (const char* file : {"lib/libtarsel.so.1.0.0", "lib/libtarsel.so.1", "lib/libtarsel.so",
                             "lib/libonnxruntime.so.1", "include/tarsel/tarsel.h", "bin/tarsel-host",
                             "share/tarsel/colour.onnx", "lib/cmake/tarsel/tarselConfig.cmake",
                             "lib/cmake/tarsel/tarselConfigVersion.cmake", "lib/pkgconfig/tarsel.pc"}) {
        EXPECT_TRUE(std::ifstream(s_prefix + "/" + file).good()) << file;
    }
    const std::string dynamic = Capture("readelf -d '" + s_prefix + "/lib/libtarsel.so.1'");
    EXPECT_NE(dynamic.find("Library soname: [libtarsel.so.1]"), std::string::npos) << dynamic;
    EXPECT_NE(dynamic.find("Library runpath: [$ORIGIN]"), std::string::npos) << dynamic;
    EXPECT_EQ(dynamic.find(TARSEL_BUILD_DIR), std::string::npos);
    EXPECT_EQ(dynamic.find(".cache"), std::string::npos);
    const std::string libs = Capture("ldd '" + s_prefix + "/lib/libtarsel.so.1'");
    EXPECT_NE(libs.find(s_prefix + "/lib/libonnxruntime.so.1"), std::string::npos) << libs;
}

TEST_F(Package, MinimalHostBuildsBothWaysAndTakesAScreenshot) {
    tarsel_test::XvfbServer server;
    ASSERT_TRUE(server.Start()) << server.Error();
    setenv("DISPLAY", server.Display().c_str(), 1);
    tarsel_test::TestDisplay display;
    ASSERT_TRUE(display.Ok());
    tarsel_test::TestWindow window(display, 20, 20, 200, 120, 0x00FF00);
    window.Focus();

    struct Way {
        const char* name;
        std::string configure;
        std::string run;
    } ways[] = {
        {"find_package", "-DCMAKE_PREFIX_PATH='" + s_prefix + "'", ""},
        {"pkg-config", "-DMINIMAL_HOST_USE_PKG_CONFIG=ON",
         "LD_LIBRARY_PATH='" + s_prefix + "/lib' "},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const std::string build = s_prefix + "/build-" + way.name;
        const std::string env = "PKG_CONFIG_PATH='" + s_prefix + "/lib/pkgconfig' ";
        std::string out = Capture(env + "cmake -S '" TARSEL_SOURCE_DIR "/examples/minimal-host' -B '" + build +
                                  "' " + way.configure);
        ASSERT_TRUE(Ok(out)) << out;
        out = Capture("cmake --build '" + build + "'");
        ASSERT_TRUE(Ok(out)) << out;
        const std::string shot = build + "/shot.jpg";
        char id[32];
        std::snprintf(id, sizeof id, "0x%x", window.Id());
        out = Capture(way.run + "'" + build + "/minimal-host' " + id + " '" + shot + "'");
        ASSERT_TRUE(Ok(out)) << out;
        std::ifstream in(shot, std::ios::binary);
        const std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto image = tarsel_test::DecodeJpeg(jpeg);
        ASSERT_TRUE(image.ok) << out;
        EXPECT_EQ(image.width, 200);
        const uint32_t centre = image.At(100, 60);
        EXPECT_LT(centre >> 16, 0x20u);
        EXPECT_GT((centre >> 8) & 0xFF, 0xE0u);
        EXPECT_LT(centre & 0xFF, 0x20u);
    }
}

}  // namespace

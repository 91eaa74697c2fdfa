// Frame operations: bounding, resizing, channel swap, JPEG and base64.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "capture/frame_ops.h"
#include "capture/jpeg_encoders.h"
#include "support/jpeg_decode.h"

namespace {

using tarsel::CapturedFrame;
using tarsel::PixelOrder;

CapturedFrame Solid(int width, int height, int channels, std::vector<uint8_t> pixel) {
    CapturedFrame frame;
    frame.width = width;
    frame.height = height;
    frame.channels = channels;
    for (int i = 0; i < width * height; ++i) {
        frame.pixels.insert(frame.pixels.end(), pixel.begin(), pixel.end());
    }
    return frame;
}

TEST(ResizeToFit, SizesTruncateTowardZero) {
    struct Case {
        int width, height, bound, outWidth, outHeight;
    } cases[] = {
        {2560, 1440, 1920, 1920, 1080}, {3840, 2160, 1920, 1920, 1080},
        {1080, 2400, 1920, 864, 1920},  {3440, 1440, 1920, 1920, 803},
        {1921, 1080, 1920, 1920, 1079}, {2148, 1208, 1920, 1919, 1079},
        {1920, 1080, 1920, 1920, 1080}, {1366, 768, 1920, 1366, 768},
        {5000, 2, 100, 100, 1},         {640, 480, 0, 1, 1},
        {640, 480, -5, 1, 1},
    };
    for (const Case& c : cases) {
        const CapturedFrame out = tarsel::ResizeToFit(Solid(c.width, c.height, 1, {7}), c.bound);
        EXPECT_EQ(out.width, c.outWidth) << c.width << "x" << c.height << " bound " << c.bound;
        EXPECT_EQ(out.height, c.outHeight) << c.width << "x" << c.height << " bound " << c.bound;
        EXPECT_EQ(out.pixels.size(), static_cast<size_t>(c.outWidth) * c.outHeight);
    }
}

TEST(ResizeToFit, AFrameThatFitsIsCopiedAsItIs) {
    CapturedFrame frame = Solid(3, 2, 3, {1, 2, 3});
    frame.pixels[4] = 99;
    const CapturedFrame out = tarsel::ResizeToFit(frame, 3);
    EXPECT_EQ(out.pixels, frame.pixels);
    EXPECT_EQ(out.channels, 3);
    EXPECT_TRUE(tarsel::ResizeToFit(CapturedFrame(), 100).pixels.empty());
}

TEST(ResizeFrame, KeepsChannelsAndRefusesOthers) {
    for (int channels : {1, 3, 4}) {
        std::vector<uint8_t> pixel(static_cast<size_t>(channels), 200);
        const CapturedFrame out = tarsel::ResizeFrame(Solid(40, 30, channels, pixel), 10, 7);
        EXPECT_EQ(out.width, 10);
        EXPECT_EQ(out.height, 7);
        EXPECT_EQ(out.channels, channels);
        ASSERT_EQ(out.pixels.size(), 70u * channels);
        EXPECT_EQ(out.pixels[0], 200) << channels;
        EXPECT_EQ(out.pixels.back(), 200) << channels;
    }
    const CapturedFrame invalid[] = {
        Solid(4, 4, 2, {1, 2}), CapturedFrame(), Solid(0, 4, 3, {1, 2, 3}),
    };
    for (const CapturedFrame& frame : invalid) {
        const CapturedFrame out = tarsel::ResizeFrame(frame, 2, 2);
        EXPECT_TRUE(out.pixels.empty());
        EXPECT_EQ(out.width, 0);
        EXPECT_EQ(out.channels, 0);
    }
    EXPECT_TRUE(tarsel::ResizeFrame(Solid(4, 4, 3, {1, 2, 3}), 0, 2).pixels.empty());
    EXPECT_TRUE(tarsel::ResizeFrame(Solid(4, 4, 3, {1, 2, 3}), 2, -1).pixels.empty());
}

TEST(ConvertBgrToRgb, SwapsOnlyThreeChannelFrames) {
    CapturedFrame bgr = Solid(2, 1, 3, {1, 2, 3});
    tarsel::ConvertBgrToRgb(bgr);
    EXPECT_EQ(bgr.pixels, (std::vector<uint8_t>{3, 2, 1, 3, 2, 1}));
    CapturedFrame bgra = Solid(1, 1, 4, {1, 2, 3, 4});
    tarsel::ConvertBgrToRgb(bgra);
    EXPECT_EQ(bgra.pixels, (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(Base64Encode, PaddingOfShortInputs) {
    const uint8_t bytes[] = {'M', 'a', 'n'};
    EXPECT_EQ(tarsel::Base64Encode(bytes, 0), "");
    EXPECT_EQ(tarsel::Base64Encode(bytes, 1), "TQ==");
    EXPECT_EQ(tarsel::Base64Encode(bytes, 2), "TWE=");
    EXPECT_EQ(tarsel::Base64Encode(bytes, 3), "TWFu");
    const uint8_t high[] = {0xFB, 0xFF, 0xBF};
    EXPECT_EQ(tarsel::Base64Encode(high, 3), "+/+/");
}

TEST(Base64Encode, LongRandomBufferRoundTrips) {
    std::mt19937 random(1234);
    for (size_t size : {size_t{500000}, size_t{500001}, size_t{500002}}) {
        std::vector<uint8_t> bytes(size);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        const std::string text = tarsel::Base64Encode(bytes.data(), bytes.size());
        EXPECT_EQ(text.size(), 4 * ((size + 2) / 3));
        EXPECT_EQ(text.find_first_not_of(
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos);
        EXPECT_EQ(tarsel_test::Base64Decode(text), bytes);
    }
}

// A picture with four coloured quadrants in blue, green, red byte order.
CapturedFrame Quadrants(int width, int height) {
    CapturedFrame frame;
    frame.width = width;
    frame.height = height;
    frame.channels = 3;
    frame.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            const uint32_t rgb = !bottom ? (right ? 0xFF0000 : 0x00FF00)
                                         : (right ? 0x0000FF : 0xFFFFFF);
            uint8_t* p = &frame.pixels[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = rgb & 0xFF;
            p[1] = (rgb >> 8) & 0xFF;
            p[2] = rgb >> 16;
        }
    }
    return frame;
}

bool Near(uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16}) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(d) > 12) return false;
    }
    return true;
}

void ExpectQuadrants(const tarsel_test::DecodedJpeg& image, int width, int height) {
    ASSERT_TRUE(image.ok);
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    EXPECT_TRUE(Near(image.At(width / 4, height / 4), 0x00FF00)) << std::hex << image.At(width / 4, height / 4);
    EXPECT_TRUE(Near(image.At(3 * width / 4, height / 4), 0xFF0000));
    EXPECT_TRUE(Near(image.At(3 * width / 4, 3 * height / 4), 0x0000FF));
    EXPECT_TRUE(Near(image.At(width / 4, 3 * height / 4), 0xFFFFFF));
}

struct Encoder {
    const char* name;
    std::vector<uint8_t> (*encode)(const uint8_t*, int32_t, int32_t, PixelOrder, int32_t);
};

const Encoder kEncoders[] = {
    {"stb", &tarsel::EncodeJpegStb},
#if defined(TARSEL_HAVE_LIBJPEG)
    {"libjpeg-turbo", &tarsel::EncodeJpegTurbo},
#endif
};

class JpegEnvironment : public ::testing::Test {
protected:
    // TurboJPEG's environment switches must not change what we write.
    void SetUp() override {
        for (const char* name : {"TJ_ARITHMETIC", "TJ_PROGRESSIVE", "TJ_OPTIMIZE", "TJ_RESTART"}) {
            setenv(name, "1", 1);
        }
    }
    void TearDown() override {
        for (const char* name : {"TJ_ARITHMETIC", "TJ_PROGRESSIVE", "TJ_OPTIMIZE", "TJ_RESTART"}) {
            unsetenv(name);
        }
    }
};

TEST_F(JpegEnvironment, EveryEncoderWritesTheSameKindOfJpeg) {
    const CapturedFrame bgr = Quadrants(64, 48);
    CapturedFrame rgb = bgr;
    tarsel::ConvertBgrToRgb(rgb);
    for (const Encoder& encoder : kEncoders) {
        SCOPED_TRACE(encoder.name);
        const auto fromRgb = encoder.encode(rgb.pixels.data(), 64, 48, PixelOrder::RGB, 90);
        const auto fromBgr = encoder.encode(bgr.pixels.data(), 64, 48, PixelOrder::BGR, 90);
        EXPECT_EQ(fromRgb, fromBgr);
        ExpectQuadrants(tarsel_test::DecodeJpeg(fromRgb), 64, 48);
        const tarsel_test::JpegLayout at90 = tarsel_test::ReadJpegLayout(fromRgb);
        EXPECT_TRUE(at90.baseline);
        EXPECT_FALSE(at90.progressive);
        EXPECT_FALSE(at90.arithmetic);
        EXPECT_EQ(at90.lumaSampling, 0x22);
        EXPECT_EQ(at90.firstLumaQuant, 3);  // 16 scaled for quality 90
        const auto at91 = encoder.encode(rgb.pixels.data(), 64, 48, PixelOrder::RGB, 91);
        EXPECT_EQ(tarsel_test::ReadJpegLayout(at91).lumaSampling, 0x11);
    }
}

TEST_F(JpegEnvironment, EncodeJpegBase64LeavesTheFrameAndDecodesToItsColours) {
    const CapturedFrame bgr = Quadrants(33, 17);
    const CapturedFrame before = bgr;
    const std::string text = tarsel::EncodeJpegBase64(bgr);
    EXPECT_EQ(bgr.pixels, before.pixels);
    ExpectQuadrants(tarsel_test::DecodeJpeg(tarsel_test::Base64Decode(text)), 33, 17);

    CapturedFrame rgb = bgr;
    tarsel::ConvertBgrToRgb(rgb);
    EXPECT_EQ(tarsel_test::Base64Decode(text), tarsel::EncodeJpeg(rgb, 90));
}

TEST(EncodeJpeg, InvalidFramesGiveEmptyResults) {
    EXPECT_EQ(tarsel::EncodeJpegBase64(CapturedFrame()), "");
    EXPECT_EQ(tarsel::EncodeJpegBase64(Solid(4, 4, 4, {1, 2, 3, 4})), "");
    EXPECT_TRUE(tarsel::EncodeJpeg(Solid(4, 4, 1, {1}), 90).empty());
    CapturedFrame noHeight = Solid(4, 4, 3, {1, 2, 3});
    noHeight.height = 0;
    EXPECT_TRUE(tarsel::EncodeJpeg(noHeight, 90).empty());
    CapturedFrame truncated = Solid(4, 4, 3, {1, 2, 3});
    truncated.pixels.resize(10);
    EXPECT_TRUE(tarsel::EncodeJpeg(truncated, 90).empty());
}

}  // namespace

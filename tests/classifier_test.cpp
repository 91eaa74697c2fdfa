// The scene classifier on the real ONNX Runtime with the generated models.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <random>

#include "capture/frame_ops.h"
#include "classifier/scene_classifier.h"

#ifndef TARSEL_MODEL_DIR
#error "TARSEL_MODEL_DIR must name the generated models"
#endif

namespace {

using tarsel::CapturedFrame;
using tarsel::SceneClassifier;

std::string ModelFile(const char* name) {
    return std::string(TARSEL_MODEL_DIR) + "/" + name;
}

CapturedFrame Filled(int width, int height, uint8_t b, uint8_t g, uint8_t r) {
    CapturedFrame frame;
    frame.width = width;
    frame.height = height;
    frame.channels = 3;
    frame.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < frame.pixels.size(); i += 3) {
        frame.pixels[i] = b;
        frame.pixels[i + 1] = g;
        frame.pixels[i + 2] = r;
    }
    return frame;
}

CapturedFrame Noise(int width, int height, unsigned seed) {
    CapturedFrame frame = Filled(width, height, 0, 0, 0);
    std::mt19937 random(seed);
    for (uint8_t& byte : frame.pixels) byte = static_cast<uint8_t>(random());
    return frame;
}

// The preprocessing in its literal order: swap the whole frame, copy the
// centre square, resize it, normalise every byte in double.
std::vector<float> LiteralPreprocess(const CapturedFrame& frame) {
    CapturedFrame rgb = frame;
    tarsel::ConvertBgrToRgb(rgb);
    const int side = std::min(rgb.width, rgb.height);
    const int x0 = (rgb.width - side) / 2;
    const int y0 = (rgb.height - side) / 2;
    CapturedFrame crop;
    crop.width = side;
    crop.height = side;
    crop.channels = 3;
    for (int y = 0; y < side; ++y) {
        const uint8_t* row = &rgb.pixels[(static_cast<size_t>(y0 + y) * rgb.width + x0) * 3];
        crop.pixels.insert(crop.pixels.end(), row, row + side * 3);
    }
    const CapturedFrame resized = tarsel::ResizeFrame(crop, 256, 256);
    std::vector<float> out(3 * 256 * 256);
    for (int i = 0; i < 256 * 256; ++i) {
        for (int c = 0; c < 3; ++c) {
            const uint8_t b = resized.pixels[static_cast<size_t>(i) * 3 + c];
            out[static_cast<size_t>(c) * 65536 + i] = static_cast<float>((b / 255.0 - 0.5) * 2);
        }
    }
    return out;
}

class ClassifierTest : public ::testing::Test {
protected:
    // One load for the suite: each load builds a new environment and session.
    static void SetUpTestSuite() {
        s_classifier = std::make_unique<SceneClassifier>(ModelFile("colour.onnx"));
        s_colour = s_classifier.get();
    }
    static void TearDownTestSuite() { s_classifier.reset(); }
    static std::unique_ptr<SceneClassifier> s_classifier;
    static SceneClassifier* s_colour;
};
std::unique_ptr<SceneClassifier> ClassifierTest::s_classifier;
SceneClassifier* ClassifierTest::s_colour = nullptr;

TEST_F(ClassifierTest, PreprocessMatchesTheLiteralOrderBitForBit) {
    const std::pair<int, int> sizes[] = {{1920, 1080}, {801, 600}, {600, 801}, {256, 256}, {3, 2}};
    unsigned seed = 1;
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const CapturedFrame frame = Noise(width, height, seed++);
        const CapturedFrame before = frame;
        const std::vector<float> got = s_colour->Preprocess(frame);
        const std::vector<float> want = LiteralPreprocess(frame);
        ASSERT_EQ(got.size(), 196608u);
        EXPECT_EQ(std::memcmp(got.data(), want.data(), got.size() * sizeof(float)), 0);
        EXPECT_EQ(frame.pixels, before.pixels);
    }
}

TEST_F(ClassifierTest, CropStartsAtTheCentreSquaresEdge) {
    struct Case {
        int width, height, firstInside;
        bool horizontal;
    } cases[] = {{1920, 1080, 420, true}, {801, 600, 100, true}, {600, 801, 100, false}};
    for (const Case& c : cases) {
        // Blue outside the square, red from its first row or column on.
        CapturedFrame frame = Filled(c.width, c.height, 255, 0, 0);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const int along = c.horizontal ? x : y;
                const int side = std::min(c.width, c.height);
                if (along >= c.firstInside && along < c.firstInside + side) {
                    uint8_t* p = &frame.pixels[(static_cast<size_t>(y) * c.width + x) * 3];
                    p[0] = 0;
                    p[2] = 255;
                }
            }
        }
        const std::vector<float> input = s_colour->Preprocess(frame);
        ASSERT_EQ(input.size(), 196608u);
        for (size_t i = 0; i < 65536; ++i) {
            ASSERT_EQ(input[i], 1.0f) << c.width << "x" << c.height << " at " << i;
            ASSERT_EQ(input[131072 + i], -1.0f);
        }
    }
}

TEST_F(ClassifierTest, NormalisesAKnownPixel) {
    const std::vector<float> input = s_colour->Preprocess(Filled(256, 256, 0, 128, 255));
    ASSERT_EQ(input.size(), 196608u);
    const float half = static_cast<float>((128 / 255.0 - 0.5) * 2);
    for (size_t i : {size_t{0}, size_t{12345}, size_t{65535}}) {
        EXPECT_EQ(input[i], 1.0f);
        EXPECT_EQ(input[65536 + i], half);
        EXPECT_EQ(input[131072 + i], -1.0f);
    }
    const float* table = tarsel::NormalisationTable();
    for (int b = 0; b < 256; ++b) {
        ASSERT_EQ(table[b], static_cast<float>((b / 255.0 - 0.5) * 2)) << b;
    }
}

TEST_F(ClassifierTest, ColourModelSeesRedAsTheBossScene) {
    struct Case {
        const char* name;
        uint8_t b, g, r;
        int classId;
    } cases[] = {{"blue", 230, 20, 10, 0}, {"red", 10, 30, 240, 1}, {"green", 20, 220, 30, 2}};
    for (const Case& c : cases) {
        const auto result = s_colour->Classify(s_colour->Preprocess(Filled(1920, 1080, c.b, c.g, c.r)));
        EXPECT_EQ(result.classId, c.classId) << c.name;
        EXPECT_GT(result.confidence, 0.5f) << c.name;
    }
}

TEST_F(ClassifierTest, UnusableFramesGiveAnEmptyInputThatClassifyRefuses) {
    CapturedFrame fourChannels = Filled(4, 4, 1, 2, 3);
    fourChannels.channels = 4;
    CapturedFrame truncated = Filled(10, 10, 1, 2, 3);
    truncated.pixels.resize(20);
    for (const CapturedFrame& frame : {CapturedFrame(), Filled(0, 5, 1, 2, 3), fourChannels, truncated}) {
        EXPECT_TRUE(s_colour->Preprocess(frame).empty());
    }
    EXPECT_THROW(s_colour->Classify(std::vector<float>()), Ort::Exception);
    EXPECT_THROW(s_colour->Classify(std::vector<float>(1000, 0.0f)), Ort::Exception);
}

TEST(ArgMax, FirstStrictMaximumAboveTheFloor) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::vector<float> scores;
        int classId;
        float confidence;
    } cases[] = {
        {{0.2f, 0.7f, 0.7f}, 1, 0.7f},
        {{-20000.0f, -10001.0f}, 0, -10000.0f},
        {{-10000.0f, -10000.0f}, 0, -10000.0f},
        {{}, 0, -10000.0f},
        {{nan, 3.0f}, 1, 3.0f},
        {{nan}, 0, -10000.0f},
        {{1.0f, nan, 2.0f}, 2, 2.0f},
    };
    for (const Case& c : cases) {
        const auto result = tarsel::ArgMax(c.scores.data(), c.scores.size());
        EXPECT_EQ(result.classId, c.classId);
        EXPECT_EQ(result.confidence, c.confidence);
    }
}

class BadModels : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = ::testing::TempDir() + "tarsel-bad-models";
        mkdir(m_dir.c_str(), 0700);
    }
    std::string Write(const char* name, const std::string& bytes) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string m_dir;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(BadModels, EveryBadFileIsACleanException) {
    std::string noise(4096, '\0');
    std::mt19937 random(5);
    for (char& c : noise) c = static_cast<char>(random());
    const std::string reference = ReadFile(ModelFile("reference.onnx"));
    ASSERT_GT(reference.size(), 1000u);
    const std::string paths[] = {
        m_dir + "/missing.onnx",
        Write("empty.onnx", ""),
        Write("noise.onnx", noise),
        Write("truncated.onnx", reference.substr(0, reference.size() / 2)),
        m_dir,
    };
    for (const std::string& path : paths) {
        try {
            SceneClassifier classifier(path);
            ADD_FAILURE() << "loaded " << path;
        } catch (const Ort::Exception& e) {
            EXPECT_GT(std::strlen(e.what()), 0u) << path;
        }
    }
}

TEST_F(BadModels, AModelWithAnotherInputShapeFailsAtClassify) {
    SceneClassifier classifier(ModelFile("wrong_input.onnx"));
    const std::vector<float> input = classifier.Preprocess(Filled(300, 300, 1, 2, 3));
    try {
        classifier.Classify(input);
        ADD_FAILURE() << "classified with the wrong input shape";
    } catch (const Ort::Exception& e) {
        EXPECT_NE(std::string(e.what()).find("dimensions"), std::string::npos) << e.what();
    }
}

}  // namespace

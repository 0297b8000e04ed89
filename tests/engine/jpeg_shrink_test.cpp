#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_decoder.h"
#include "codecs/picture_encoder.h"
#include "picture_maker.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace kalvimo {
namespace {

using test::Psnr;

namespace fs = std::filesystem;

// Smooth colour fields with fine noise and hard edges, as photographs have.
Canvas PhotoLike(int width, int height) {
    Canvas c(width, height);
    std::minstd_rand noise(42);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(noise() % 24) - 12;
            const bool edge = ((x / 37) + (y / 53)) % 2 == 0;
            const auto c8 = [&](int v) {
                return static_cast<std::uint8_t>(std::clamp(v + n, 0, 255));
            };
            c.SetPixel(x, y,
                       {c8(edge ? 200 : 40 + x % 90), c8(60 + (x * y) % 120),
                        c8(edge ? 30 : 220 - y % 150)});
        }
    }
    return c;
}

class JpegShrink : public ::testing::Test {
protected:
    void SetUp() override {
        path_ =
            (fs::temp_directory_path() / ("kalvimo-shrink-" + std::to_string(::getpid()) + ".jpg"))
                .string();
    }
    void TearDown() override { fs::remove(path_); }

    void Write(const Canvas& picture) {
        std::FILE* out = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::string error;
        ASSERT_TRUE(WriteJpeg(picture, out, 92, error)) << error;
        std::fclose(out);
    }

    // The shrunk picture against the exact area average of the full decode.
    double Compare(int targetWidth, int targetHeight) {
        Canvas full;
        std::string error;
        EXPECT_TRUE(DecodePictureFile(path_, full, 0, error)) << error;
        Canvas exact(targetWidth, targetHeight);
        ScaledCopy(full, {0, 0, full.Width(), full.Height()}, exact,
                   {0, 0, targetWidth, targetHeight});
        JpegShrinkReader reader;
        EXPECT_TRUE(reader.Open(path_));
        EXPECT_EQ(reader.Width(), full.Width());
        EXPECT_EQ(reader.Height(), full.Height());
        Canvas fast;
        EXPECT_TRUE(reader.ReadInto(fast, targetWidth, targetHeight, error)) << error;
        return Psnr(exact, fast);
    }

    std::string path_;
};

TEST_F(JpegShrink, MatchesTheExactAverageOfTheFullPicture) {
    const struct {
        int width, height, targetWidth, targetHeight;
    } cases[] = {
        {1600, 1200, 400, 300},
        {1600, 1200, 320, 200}, // not the picture's proportions
        {1001, 751, 333, 250},  // odd sizes leave part-covered chroma at the edges
    };
    for (const auto& c : cases) {
        Write(PhotoLike(c.width, c.height));
        const double p = Compare(c.targetWidth, c.targetHeight);
        std::printf("psnr %.2f\n", p);
        EXPECT_GE(p, 45.0) << c.width << " to " << c.targetWidth << " x " << c.targetHeight;
    }
}

TEST_F(JpegShrink, ConstantPictureStaysConstant) {
    Write(Canvas(640, 480, PackColour({30, 140, 220})));
    JpegShrinkReader reader;
    ASSERT_TRUE(reader.Open(path_));
    Canvas out;
    std::string error;
    ASSERT_TRUE(reader.ReadInto(out, 97, 61, error));
    Canvas full;
    ASSERT_TRUE(DecodePictureFile(path_, full, 0, error));
    for (int y = 0; y < out.Height(); y += 10) {
        for (int x = 0; x < out.Width(); x += 10) {
            const Rgb a = out.Pixel(x, y);
            const Rgb b = full.Pixel(x * 640 / 97, y * 480 / 61);
            ASSERT_LE(std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b), 2);
        }
    }
}

TEST_F(JpegShrink, RefusesWhatItCannotShrink) {
    JpegShrinkReader reader;
    EXPECT_FALSE(reader.Open(path_)); // missing
    std::FILE* out = std::fopen(path_.c_str(), "wb");
    std::fputs("not a picture", out);
    std::fclose(out);
    EXPECT_FALSE(reader.Open(path_));

    // A picture cut short fails while decoding, with a reason.
    Write(PhotoLike(320, 240));
    fs::resize_file(path_, fs::file_size(path_) / 2);
    ASSERT_TRUE(reader.Open(path_));
    Canvas shrunk;
    std::string error;
    EXPECT_FALSE(reader.ReadInto(shrunk, 32, 24, error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace kalvimo

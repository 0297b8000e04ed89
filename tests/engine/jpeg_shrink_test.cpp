#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_decoder.h"
#include "codecs/picture_encoder.h"
#include "exif_maker.h"
#include "picture_maker.h"
#include "temp_folder.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <random>
#include <vector>

namespace kalvimo {
namespace {

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

class JpegShrink : public test::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        path_ = Path("p.jpg");
    }
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
        return test::Psnr(exact, fast);
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
        EXPECT_GE(Compare(c.targetWidth, c.targetHeight), 45.0)
            << c.width << " to " << c.targetWidth << " x " << c.targetHeight;
    }
}

// Sampling factors (h, v) of each component; one component is a grey picture.
using Layout = std::vector<std::array<int, 2>>;

// Writes picture as a JPEG of the given layout from planes made here, so that layouts the
// encoder itself would refuse (factors that do not divide each other) can be made too.
void WriteRawJpeg(const std::string& path, const Canvas& picture, const Layout& layout) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(picture.Width());
    info.image_height = static_cast<JDIMENSION>(picture.Height());
    info.input_components = static_cast<int>(layout.size());
    info.in_color_space = layout.size() == 1 ? JCS_GRAYSCALE : JCS_YCbCr;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    info.raw_data_in = TRUE;
    for (std::size_t c = 0; c < layout.size(); ++c) {
        info.comp_info[c].h_samp_factor = layout[c][0];
        info.comp_info[c].v_samp_factor = layout[c][1];
    }
    jpeg_start_compress(&info, TRUE);
    const int maxH = info.max_h_samp_factor;
    const int maxV = info.max_v_samp_factor;
    // Each stored sample is the picture's value at its top left corner.
    const auto sample = [&](std::size_t c, int x, int y) {
        const Rgb p =
            picture.Pixel(std::min(x, picture.Width() - 1), std::min(y, picture.Height() - 1));
        const double yy = 0.299 * p.r + 0.587 * p.g + 0.114 * p.b;
        const double v[] = {yy, 128 + (p.b - yy) / 1.772, 128 + (p.r - yy) / 1.402};
        return static_cast<JSAMPLE>(std::clamp(std::lround(v[c]), 0L, 255L));
    };
    const int rowsPerCall = maxV * DCTSIZE;
    std::vector<std::vector<JSAMPLE>> planes(layout.size());
    std::vector<std::vector<JSAMPROW>> rows(layout.size());
    std::vector<JSAMPARRAY> image(layout.size());
    for (int top = 0; top < picture.Height(); top += rowsPerCall) {
        for (std::size_t c = 0; c < layout.size(); ++c) {
            const auto [h, v] = layout[c];
            const int width = static_cast<int>(info.comp_info[c].width_in_blocks) * DCTSIZE;
            const int count = v * DCTSIZE;
            planes[c].resize(static_cast<std::size_t>(width * count));
            rows[c].resize(static_cast<std::size_t>(count));
            for (int r = 0; r < count; ++r) {
                JSAMPLE* row = planes[c].data() + static_cast<std::ptrdiff_t>(r) * width;
                rows[c][static_cast<std::size_t>(r)] = row;
                const int y = (top / rowsPerCall * count + r) * maxV / v;
                for (int x = 0; x < width; ++x) {
                    row[x] = sample(c, x * maxH / h, y);
                }
            }
            image[c] = rows[c].data();
        }
        jpeg_write_raw_data(&info, image.data(), static_cast<JDIMENSION>(rowsPerCall));
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(out);
}

// Pure primaries and their mixtures, where converting colours clamps.
Canvas Saturated(int width, int height, bool random) {
    static constexpr Rgb kColours[] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
                                       {0, 255, 255}, {255, 0, 255}, {255, 255, 255}, {0, 0, 0}};
    Canvas c(width, height);
    std::minstd_rand noise(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            c.SetPixel(x, y, kColours[random ? noise() % 8 : static_cast<unsigned>(x % 3)]);
        }
    }
    return c;
}

TEST_F(JpegShrink, EveryLayoutMatchesTheFullDecoderOrFailsAsItDoes) {
    const Layout layouts[] = {
        {{1, 1}},
        {{1, 1}, {1, 1}, {1, 1}},
        {{2, 1}, {1, 1}, {1, 1}},
        {{2, 2}, {1, 1}, {1, 1}},
        {{1, 2}, {1, 1}, {1, 1}},
        {{4, 1}, {1, 1}, {1, 1}},
        {{4, 1}, {2, 1}, {2, 1}}, // a factor of 2 under a factor of 4
        {{1, 4}, {1, 2}, {1, 2}},
        {{4, 2}, {1, 1}, {1, 1}},
        {{3, 1}, {1, 1}, {1, 1}},
        {{3, 2}, {3, 1}, {1, 1}},
        {{3, 1}, {2, 1}, {1, 1}}, // fractional: libjpeg refuses to decode it
        {{2, 2}, {2, 1}, {1, 2}},
    };
    const struct {
        int width, height, targetWidth, targetHeight;
    } sizes[] = {{61, 37, 17, 11}, {200, 150, 50, 40}};
    for (const Layout& layout : layouts) {
        for (const auto& size : sizes) {
            for (const int pattern : {0, 1, 2}) {
                const Canvas picture = pattern == 2 ? PhotoLike(size.width, size.height)
                                                    : Saturated(size.width, size.height, pattern);
                WriteRawJpeg(path_, picture, layout);
                ::testing::Message trace;
                for (const auto& [h, v] : layout) {
                    trace << h << "x" << v << " ";
                }
                SCOPED_TRACE(trace << size.width << " x " << size.height << ", pattern "
                                   << pattern);
                Canvas full;
                std::string error;
                const bool decodable = DecodePictureFile(path_, full, 0, error);
                JpegShrinkReader reader;
                Canvas fast;
                const bool shrunk = reader.Open(path_) && reader.ReadInto(fast, size.targetWidth,
                                                                          size.targetHeight, error);
                // What libjpeg refuses fails here too, rather than being saved in wrong colours.
                ASSERT_EQ(shrunk, decodable) << error;
                if (!decodable) {
                    continue;
                }
                Canvas exact(size.targetWidth, size.targetHeight);
                ScaledCopy(full, {0, 0, full.Width(), full.Height()}, exact,
                           {0, 0, size.targetWidth, size.targetHeight});
                int worst = 0;
                for (std::size_t i = 0; i < exact.Stride() * exact.Height(); ++i) {
                    worst = std::max(worst, std::abs(exact.Data()[i] - fast.Data()[i]));
                }
                EXPECT_LE(worst, 1);
            }
        }
    }
}

TEST_F(JpegShrink, ConstantPictureStaysConstant) {
    Write(Canvas(640, 480, PackColour({30, 140, 220})));
    JpegShrinkReader reader;
    Canvas out;
    Canvas full;
    std::string error;
    ASSERT_TRUE(reader.Open(path_) && reader.ReadInto(out, 97, 61, error)) << error;
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
    test::WriteBytes(path_, "not a picture");
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

#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_decoder.h"
#include "picture_maker.h"
#include "temp_folder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <random>
#include <vector>

namespace kalvimo {
namespace {

class JpegShrink : public test::TempFolderTest {};

// Sampling factors (h, v) of each component; one component is a grey picture.
using Layout = std::vector<std::array<int, 2>>;

// Writes picture as a JPEG of the given layout. libjpeg writes only factors that divide the
// largest; a layout with others, which libjpeg cannot decode either, is written with 1 in their
// place and its frame header then given the real ones.
void WriteLayout(const std::string& path, Canvas picture, const Layout& layout) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(picture.Width());
    info.image_height = static_cast<JDIMENSION>(picture.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_set_colorspace(&info, layout.size() == 1 ? JCS_GRAYSCALE : JCS_YCbCr);
    const int maxH = std::max_element(layout.begin(), layout.end())->at(0);
    for (std::size_t c = 0; c < layout.size(); ++c) {
        info.comp_info[c].h_samp_factor = maxH % layout[c][0] == 0 ? layout[c][0] : 1;
        info.comp_info[c].v_samp_factor = layout[c][1];
    }
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < picture.Height(); ++y) {
        JSAMPROW row = picture.Row(y);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(out);
    std::string bytes = test::ReadBytes(path);
    const std::size_t frame = bytes.find("\xFF\xC0");
    for (std::size_t c = 0; c < layout.size(); ++c) {
        bytes[frame + 11 + 3 * c] = static_cast<char>(layout[c][0] << 4 | layout[c][1]);
    }
    test::WriteBytes(path, bytes);
}

// Pure primaries and their mixtures, where converting colours clamps, in columns (pattern 0) or
// at random (1); or smooth colour fields with fine noise and hard edges, as photographs have (2).
Canvas Pattern(int pattern, int width, int height) {
    static constexpr Rgb kPrimaries[] = {{255, 0, 0},     {0, 255, 0},   {0, 0, 255},
                                         {255, 255, 0},   {0, 255, 255}, {255, 0, 255},
                                         {255, 255, 255}, {0, 0, 0}};
    std::minstd_rand noise(pattern == 2 ? 42 : 7);
    return test::Painted(width, height, [&](int x, int y) {
        if (pattern < 2) {
            return kPrimaries[pattern == 1 ? noise() % 8 : static_cast<unsigned>(x % 3)];
        }
        const int n = static_cast<int>(noise() % 24) - 12;
        const bool edge = ((x / 37) + (y / 53)) % 2 == 0;
        const auto c8 = [n](int v) { return static_cast<std::uint8_t>(std::clamp(v + n, 0, 255)); };
        return Rgb{c8(edge ? 200 : 40 + x % 90), c8(60 + (x * y) % 120),
                   c8(edge ? 30 : 220 - y % 150)};
    });
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
    const std::string path = Path("p.jpg");
    for (const Layout& layout : layouts) {
        for (const auto& size : sizes) {
            for (const int pattern : {0, 1, 2}) {
                WriteLayout(path, Pattern(pattern, size.width, size.height), layout);
                ::testing::Message trace;
                for (const auto& [h, v] : layout) {
                    trace << h << "x" << v << " ";
                }
                SCOPED_TRACE(trace << size.width << " x " << size.height << ", pattern "
                                   << pattern);
                Canvas full;
                std::string error;
                const bool decodable = DecodePictureFile(path, full, 0, error);
                JpegShrinkReader reader;
                Canvas fast;
                const bool shrunk = reader.Open(path) && reader.ReadInto(fast, size.targetWidth,
                                                                         size.targetHeight, error);
                // What libjpeg refuses fails here too, rather than being saved in wrong colours.
                ASSERT_EQ(shrunk, decodable) << error;
                if (!decodable) {
                    continue;
                }
                Canvas exact(size.targetWidth, size.targetHeight);
                ScaledCopy(full, {0, 0, full.Width(), full.Height()}, exact,
                           {0, 0, size.targetWidth, size.targetHeight});
                EXPECT_LE(test::LargestDifference(exact, fast), 1);
            }
        }
    }
}

// Damaged JPEGs are refused as the full decoder refuses them in the tests of both readers.
TEST_F(JpegShrink, RefusesWhatIsNoJpeg) {
    JpegShrinkReader reader;
    EXPECT_FALSE(reader.Open(Path("missing.jpg")));
    test::WriteBytes(Path("text.jpg"), "not a picture");
    EXPECT_FALSE(reader.Open(Path("text.jpg")));
}

} // namespace
} // namespace kalvimo

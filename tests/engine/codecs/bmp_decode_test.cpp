#include "codecs/picture_decoder.h"
#include "codecs_test_support.h"

#include <functional>
#include <optional>

namespace kalvimo::test {
namespace {

// The fields of a BMP file; Build lays them out as the format does.
struct BmpFile {
    std::uint32_t headerSize = 40;
    std::int32_t width = 5;
    std::int32_t height = 3; // negative: rows stored top-down
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> masks;
    std::vector<Rgb> palette;
    std::uint32_t coloursUsed = 0;
    Bytes pixels;
    std::optional<std::uint32_t> dataOffset;

    [[nodiscard]] Bytes Build() const {
        Bytes info;
        Put32(info, headerSize);
        if (headerSize == 12) {
            Put16(info, static_cast<std::uint32_t>(width));
            Put16(info, static_cast<std::uint32_t>(height));
            Put16(info, 1);
            Put16(info, bits);
        } else {
            Put32(info, static_cast<std::uint32_t>(width));
            Put32(info, static_cast<std::uint32_t>(height));
            Put16(info, 1);
            Put16(info, bits);
            Put32(info, compression);
            Put32(info, static_cast<std::uint32_t>(pixels.size()));
            Put32(info, 2835);
            Put32(info, 2835);
            Put32(info, coloursUsed);
            Put32(info, 0);
            if (headerSize >= 52) {
                for (const std::uint32_t mask : masks) {
                    Put32(info, mask);
                }
            }
            info.resize(headerSize);
            if (headerSize == 40) {
                for (const std::uint32_t mask : masks) {
                    Put32(info, mask);
                }
            }
        }
        for (const Rgb& c : palette) {
            info.insert(info.end(), {c.b, c.g, c.r});
            if (headerSize != 12) {
                info.push_back(0);
            }
        }
        Bytes file{'B', 'M'};
        const auto offset = dataOffset.value_or(static_cast<std::uint32_t>(14 + info.size()));
        Put32(file, static_cast<std::uint32_t>(offset + pixels.size()));
        Put32(file, 0);
        Put32(file, offset);
        file.insert(file.end(), info.begin(), info.end());
        file.resize(offset, 0);
        file.insert(file.end(), pixels.begin(), pixels.end());
        return file;
    }
};

const std::vector<Rgb> kColours = {{0, 0, 0},     {255, 255, 255}, {200, 10, 20},   {30, 180, 40},
                                   {50, 60, 220}, {1, 2, 3},       {250, 240, 10},  {9, 200, 210},
                                   {128, 0, 128}, {64, 64, 64},    {190, 190, 190}, {255, 0, 0},
                                   {0, 255, 0},   {0, 0, 255},     {77, 88, 99},    {254, 128, 1}};

int IndexAt(int x, int y, int colourCount) {
    return (x + 3 * y) % colourCount;
}

Canvas Expected(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            canvas.SetPixel(x, y, pixel(x, y));
        }
    }
    return canvas;
}

// Lays out picture rows 0..height-1, each padded to 4 bytes, bottom row first unless topDown.
Bytes Rows(int height, bool topDown, const std::function<Bytes(int y)>& rowOf) {
    Bytes out;
    for (int i = 0; i < height; ++i) {
        Bytes row = rowOf(topDown ? i : height - 1 - i);
        row.resize((row.size() + 3) / 4 * 4, 0);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes PackIndices(int width, int y, int bits) {
    Bytes row((width * bits + 7) / 8, 0);
    for (int x = 0; x < width; ++x) {
        const int index = IndexAt(x, y, 1 << std::min(bits, 4));
        const int bit = x * bits;
        row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bits - bit % 8));
    }
    return row;
}

class BmpDecodeTest : public CodecTest {
protected:
    Canvas Decode(const BmpFile& bmp) { return CodecTest::Decode(WriteFile("b.bmp", bmp.Build())); }
};

TEST_F(BmpDecodeTest, IndexedPicturesOfOneFourAndEightBits) {
    for (const int bits : {1, 4, 8}) {
        for (const bool topDown : {false, true}) {
            BmpFile bmp;
            bmp.bits = static_cast<std::uint16_t>(bits);
            bmp.height = topDown ? -3 : 3;
            const int colourCount = 1 << std::min(bits, 4);
            bmp.palette.assign(kColours.begin(), kColours.begin() + colourCount);
            bmp.coloursUsed = bits == 8 ? 16 : 0; // a short table for 8 bits
            bmp.pixels = Rows(3, topDown, [&](int y) { return PackIndices(5, y, bits); });
            const Canvas expected = Expected(5, 3, [&](int x, int y) {
                return kColours[static_cast<std::size_t>(IndexAt(x, y, colourCount))];
            });
            EXPECT_TRUE(SamePixels(Decode(bmp), expected)) << bits << " bits, top-down " << topDown;
        }
    }
}

TEST_F(BmpDecodeTest, TrueColourPicturesBottomUpAndTopDown) {
    const Canvas picture = Pattern(5, 3);
    for (const std::uint16_t bits : {24, 32}) {
        for (const bool topDown : {false, true}) {
            BmpFile bmp;
            bmp.bits = bits;
            bmp.height = topDown ? -3 : 3;
            bmp.pixels = Rows(3, topDown, [&](int y) {
                Bytes row;
                for (int x = 0; x < 5; ++x) {
                    const Rgb c = picture.Pixel(x, y);
                    row.insert(row.end(), {c.b, c.g, c.r});
                    if (bits == 32) {
                        row.push_back(0xEE);
                    }
                }
                return row;
            });
            EXPECT_TRUE(SamePixels(Decode(bmp), picture)) << bits << " bits, top-down " << topDown;
        }
    }
}

// Channel values of n bits widen to 8 bits as round(v * 255 / (2^n - 1)).
std::uint8_t Widen(std::uint32_t value, int bits) {
    const std::uint32_t max = (1U << bits) - 1;
    return static_cast<std::uint8_t>((value * 255 + max / 2) / max);
}

TEST_F(BmpDecodeTest, SixteenBitPicturesWith555And565Layouts) {
    const auto channel = [](int x, int y, int c, int bits) {
        return static_cast<std::uint32_t>((x * 7 + y * 5 + c * 11) % (1 << bits));
    };
    struct Case {
        std::uint32_t compression;
        std::vector<std::uint32_t> masks;
        int greenBits;
    };
    // Without masks the layout is 5-5-5.
    for (const Case& c : {Case{0, {}, 5}, Case{3, {0xF800, 0x07E0, 0x001F}, 6}}) {
        BmpFile bmp;
        bmp.bits = 16;
        bmp.compression = c.compression;
        bmp.masks = c.masks;
        bmp.pixels = Rows(3, false, [&](int y) {
            Bytes row;
            for (int x = 0; x < 5; ++x) {
                Put16(row, (channel(x, y, 0, 5) << (5 + c.greenBits)) |
                               (channel(x, y, 1, c.greenBits) << 5) | channel(x, y, 2, 5));
            }
            return row;
        });
        EXPECT_TRUE(SamePixels(
            Decode(bmp), Expected(5, 3,
                                  [&](int x, int y) {
                                      return Rgb{Widen(channel(x, y, 0, 5), 5),
                                                 Widen(channel(x, y, 1, c.greenBits), c.greenBits),
                                                 Widen(channel(x, y, 2, 5), 5)};
                                  })))
            << "compression " << c.compression;
    }
}

TEST_F(BmpDecodeTest, BitFieldMasksInsideALargerHeaderAreHonoured) {
    const Canvas picture = Pattern(5, 3);
    for (const std::uint32_t headerSize : {52U, 56U, 108U, 124U}) {
        BmpFile bmp;
        bmp.headerSize = headerSize;
        bmp.bits = 32;
        bmp.compression = 3;
        bmp.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}; // red in the low byte
        bmp.pixels = Rows(3, false, [&](int y) {
            Bytes row;
            for (int x = 0; x < 5; ++x) {
                const Rgb c = picture.Pixel(x, y);
                row.insert(row.end(), {c.r, c.g, c.b, 0xFF});
            }
            return row;
        });
        EXPECT_TRUE(SamePixels(Decode(bmp), picture)) << "header of " << headerSize;
    }
}

TEST_F(BmpDecodeTest, AlphaMasksAreCompositedOnTheBackgroundUnlessAllAlphaIsZero) {
    const Rgb back = ToRgb(kBack);
    const Rgb colour{200, 100, 50};
    const auto blend = [&](std::uint8_t alpha) {
        const auto mix = [&](int c, int b) {
            return static_cast<std::uint8_t>((c * alpha + b * (255 - alpha) + 127) / 255);
        };
        return Rgb{mix(colour.r, back.r), mix(colour.g, back.g), mix(colour.b, back.b)};
    };
    struct Case {
        std::uint32_t headerSize;
        std::uint32_t compression;
        Bytes alphas;
        std::vector<Rgb> expected;
    };
    const std::vector<Rgb> opaque(3, colour);
    const Case cases[] = {
        {40, 6, {255, 0, 128}, {colour, back, blend(128)}}, // masks after the header
        {56, 3, {255, 0, 128}, {colour, back, blend(128)}},
        {108, 3, {255, 0, 128}, {colour, back, blend(128)}},
        {124, 3, {255, 0, 128}, {colour, back, blend(128)}},
        {52, 3, {255, 0, 128}, opaque}, // a header without an alpha mask
        {124, 3, {0, 0, 0}, opaque},    // no alpha anywhere: written without it
    };
    for (const Case& c : cases) {
        BmpFile bmp;
        bmp.headerSize = c.headerSize;
        bmp.compression = c.compression;
        bmp.bits = 32;
        bmp.width = 3;
        bmp.height = 1;
        bmp.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        for (const std::uint8_t alpha : c.alphas) {
            bmp.pixels.insert(bmp.pixels.end(), {colour.b, colour.g, colour.r, alpha});
        }
        EXPECT_TRUE(SamePixels(
            Decode(bmp),
            Expected(3, 1, [&](int x, int) { return c.expected[static_cast<std::size_t>(x)]; })))
            << "header of " << c.headerSize;
    }
}

TEST_F(BmpDecodeTest, PixelOffsetInsideThePaletteReadsThePixelsFromThere) {
    BmpFile bmp;
    bmp.bits = 8;
    bmp.width = 8;
    bmp.height = 6;
    bmp.palette = kColours; // sixteen stated, eight before the pixels begin
    bmp.coloursUsed = 16;
    bmp.dataOffset = 14 + 40 + 8 * 4;
    bmp.pixels = Rows(6, false, [](int y) {
        Bytes row;
        for (int x = 0; x < 8; ++x) {
            row.push_back(static_cast<std::uint8_t>(IndexAt(x, y, 8)));
        }
        return row;
    });
    EXPECT_TRUE(SamePixels(Decode(bmp), Expected(8, 6, [&](int x, int y) {
                               return kColours[static_cast<std::size_t>(IndexAt(x, y, 8))];
                           })));
}

TEST_F(BmpDecodeTest, RunLengthRunsPastTheRowEndAreClipped) {
    for (const std::uint32_t compression : {1U, 2U}) {
        BmpFile bmp;
        bmp.bits = compression == 1 ? 8 : 4;
        bmp.compression = compression;
        bmp.width = 2;
        bmp.height = 2;
        bmp.palette = kColours;
        bmp.coloursUsed = 16;
        const std::uint8_t one = compression == 2 ? 0x11 : 1;
        const std::uint8_t two = compression == 2 ? 0x22 : 2;
        // A run of three, then a literal of three, on rows two pixels wide.
        bmp.pixels = {3, one, 0, 0, 0, 3, two, 2, 2, 0, 0, 1};
        EXPECT_TRUE(SamePixels(
            Decode(bmp), Expected(2, 2, [&](int, int y) { return kColours[y == 1 ? 1 : 2]; })))
            << "compression " << compression;
    }
}

TEST_F(BmpDecodeTest, OldCoreHeaderWithThreeBytePalette) {
    BmpFile bmp;
    bmp.headerSize = 12;
    bmp.bits = 8;
    bmp.palette = kColours;
    bmp.palette.resize(256);
    bmp.pixels = Rows(3, false, [&](int y) { return PackIndices(5, y, 8); });
    EXPECT_TRUE(SamePixels(Decode(bmp), Expected(5, 3, [&](int x, int y) {
                               return kColours[static_cast<std::size_t>(IndexAt(x, y, 16))];
                           })));
}

TEST_F(BmpDecodeTest, PixelDataAfterAGapIsFoundByItsOffset) {
    BmpFile bmp;
    bmp.bits = 8;
    bmp.palette = {kColours[2], kColours[3], kColours[4]};
    bmp.coloursUsed = 3;
    bmp.dataOffset = 14 + 40 + 12 + 100;
    bmp.pixels = Rows(3, false, [](int y) { return Bytes(5, static_cast<std::uint8_t>(y)); });
    EXPECT_TRUE(SamePixels(Decode(bmp), Expected(5, 3, [&](int, int y) {
                               return kColours[static_cast<std::size_t>(2 + y)];
                           })));
}

TEST_F(BmpDecodeTest, RunLengthEightBitsWithRunsLiteralsJumpsAndLineEnds) {
    BmpFile bmp;
    bmp.bits = 8;
    bmp.compression = 1;
    bmp.width = 6;
    bmp.height = 3;
    bmp.palette.assign(kColours.begin(), kColours.begin() + 8);
    bmp.coloursUsed = 8;
    bmp.pixels = {
        6, 2,             // bottom row: six of colour 2
        0, 0,             // end of line
        0, 3, 4, 5, 6, 0, // literal run of three, padded to even
        0, 2, 1, 0,       // jump one to the right: one pixel left untouched
        2, 7,             // two of colour 7
        0, 0,             // end of line
        1, 1,             // top row: one of colour 1, the rest untouched
        0, 1,             // end of picture
    };
    const Rgb back = ToRgb(kBack);
    const Canvas expected = Expected(6, 3, [&](int x, int y) {
        if (y == 2) {
            return kColours[2];
        }
        if (y == 1) {
            const Rgb middle[] = {kColours[4], kColours[5], kColours[6],
                                  back,        kColours[7], kColours[7]};
            return middle[x];
        }
        return x == 0 ? kColours[1] : back;
    });
    EXPECT_TRUE(SamePixels(Decode(bmp), expected));
}

TEST_F(BmpDecodeTest, RunLengthFourBitsAlternatesNibbles) {
    BmpFile bmp;
    bmp.bits = 4;
    bmp.compression = 2;
    bmp.width = 7;
    bmp.height = 2;
    bmp.palette = kColours;
    bmp.pixels = {
        7, 0x12,                      // bottom row: 1 2 1 2 1 2 1
        0, 0,                         // end of line
        0, 5,    0x34, 0x56, 0x70, 0, // literal 3 4 5 6 7, padded to even
        2, 0xAB,                      // then A B
        0, 1,                         // end of picture
    };
    const Canvas expected = Expected(7, 2, [&](int x, int y) {
        if (y == 1) {
            return kColours[(x % 2 == 0) ? 1 : 2];
        }
        const int top[] = {3, 4, 5, 6, 7, 10, 11};
        return kColours[static_cast<std::size_t>(top[x])];
    });
    EXPECT_TRUE(SamePixels(Decode(bmp), expected));
}

} // namespace
} // namespace kalvimo::test

#include "codecs_test_support.h"

#include <tuple>

namespace kalvimo::test {
namespace {

const std::vector<Rgb> kColours = {{0, 0, 0},     {255, 255, 255}, {200, 10, 20},   {30, 180, 40},
                                   {50, 60, 220}, {1, 2, 3},       {250, 240, 10},  {9, 200, 210},
                                   {128, 0, 128}, {64, 64, 64},    {190, 190, 190}, {255, 0, 0},
                                   {0, 255, 0},   {0, 0, 255},     {77, 88, 99},    {254, 128, 1}};

// The colour at (x, y) of a picture that uses the first count colours.
Rgb ColourAt(int x, int y, int count) {
    return kColours[static_cast<std::size_t>((x + 3 * y) % count)];
}

// Row y of the picture ColourAt paints with count colours, as indices of bits each.
Bytes PackIndices(int width, int y, int bits, int count) {
    Bytes row((width * bits + 7) / 8, 0);
    for (int x = 0; x < width; ++x) {
        const int bit = x * bits;
        row[bit / 8] |= static_cast<std::uint8_t>((x + 3 * y) % count << (8 - bits - bit % 8));
    }
    return row;
}

struct Case {
    std::string name;
    BmpFile bmp;
    Canvas expected;
};

using BmpDecodeTest = CodecTest;

TEST_F(BmpDecodeTest, EachLayoutGivesItsPixels) {
    const Canvas pattern = Pattern(5, 3);
    std::vector<Case> cases;
    // Every bit depth, rows bottom-up and top-down; 8 bits with a short table of 16 colours.
    for (const bool topDown : {false, true}) {
        const std::string order = topDown ? " bits, top-down" : " bits, bottom-up";
        const int height = topDown ? -3 : 3;
        for (const std::uint16_t bits : {1, 4, 8}) {
            const int count = 1 << std::min(bits, std::uint16_t{4});
            const auto row = [&](int y) { return PackIndices(5, y, bits, count); };
            cases.push_back({std::to_string(bits) + order,
                             {.height = height,
                              .bits = bits,
                              .palette = {kColours.begin(), kColours.begin() + count},
                              .coloursUsed = bits == 8 ? 16U : 0U,
                              .pixels = BmpRows(3, topDown, row)},
                             Painted(5, 3, [&](int x, int y) { return ColourAt(x, y, count); })});
        }
        for (const std::uint16_t bits : {24, 32}) {
            const auto row = [&](int y) { return RowOf(pattern, y, bits == 24 ? "bgr" : "bgrx"); };
            cases.push_back({std::to_string(bits) + order,
                             {.height = height, .bits = bits, .pixels = BmpRows(3, topDown, row)},
                             pattern});
        }
    }
    // Sixteen bits are 5-5-5 without masks; masks can make them 5-6-5. Channels widen to 8 bits
    // rounded: 1 of 31 is 8, 16 of 31 is 132, 15 of 31 is 123, 32 of 63 is 130.
    for (const bool six : {false, true}) {
        cases.push_back(
            {six ? "16 bits, 5-6-5" : "16 bits, 5-5-5",
             {.width = 3,
              .height = 1,
              .bits = 16,
              .compression = six ? 3U : 0U,
              .masks = six ? std::vector{0xF800U, 0x07E0U, 0x001FU} : std::vector<std::uint32_t>{},
              // Red, green, and 1, 16 or 32, 15: three pixels and two bytes of padding.
              .pixels = six ? Le(0xF800, 2) + Le(0x07E0, 2) + Le(0x0C0F, 4)
                            : Le(0x7C00, 2) + Le(0x03E0, 2) + Le(0x060F, 4)},
             Painted(3, 1, [&](int x, int) {
                 const Rgb mid = six ? Rgb{8, 130, 123} : Rgb{8, 132, 123};
                 return std::vector<Rgb>{{255, 0, 0}, {0, 255, 0}, mid}[x];
             })});
    }
    // Masks inside a larger header are honoured, here with red in the low byte.
    for (const std::uint32_t headerSize : {52U, 56U, 108U, 124U}) {
        const auto row = [&](int y) { return RowOf(pattern, y, "rgba"); };
        cases.push_back({"masks in a header of " + std::to_string(headerSize),
                         {.headerSize = headerSize,
                          .bits = 32,
                          .compression = 3,
                          .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
                          .pixels = BmpRows(3, false, row)},
                         pattern});
    }
    // An alpha mask blends over the background, unless the header is too short to hold it or
    // every alpha is 0, as programs that leave alpha out write it.
    const Rgb colour{200, 100, 50};
    const std::vector<Rgb> blended = {colour, ToRgb(kBack), {177, 101, 50}};
    // The header's size, whether every alpha is 0, whether the alphas blend.
    const std::tuple<std::uint32_t, bool, bool> alphaCases[] = {
        {40, false, true}, // masks after the header
        {56, false, true},  {108, false, true}, {124, false, true},
        {52, false, false}, {124, true, false}};
    for (const auto& [headerSize, zero, blends] : alphaCases) {
        Bytes pixels;
        for (const std::uint8_t alpha : zero ? Bytes(3, 0) : Bytes{255, 0, 128}) {
            pixels = pixels + Bytes{colour.b, colour.g, colour.r, alpha};
        }
        cases.push_back({"alpha in a header of " + std::to_string(headerSize),
                         {.headerSize = headerSize,
                          .width = 3,
                          .height = 1,
                          .bits = 32,
                          .compression = headerSize == 40 ? 6U : 3U,
                          .masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
                          .pixels = pixels},
                         Painted(3, 1, [&, blend = blends](int x, int) {
                             return blend ? blended[x] : colour;
                         })});
    }
    // Run-length pictures: runs past a row's end are clipped; a jump or an early end of line
    // leaves pixels at the background.
    const Rgb none = ToRgb(kBack);
    for (const std::uint32_t compression : {1U, 2U}) {
        const std::uint8_t one = compression == 2 ? 0x11 : 1;
        const std::uint8_t two = compression == 2 ? 0x22 : 2;
        cases.push_back({"run past the row end, compression " + std::to_string(compression),
                         {.width = 2,
                          .height = 2,
                          .bits = static_cast<std::uint16_t>(compression == 1 ? 8 : 4),
                          .compression = compression,
                          .palette = kColours,
                          .coloursUsed = 16,
                          // A run of three, then a literal of three.
                          .pixels = {3, one, 0, 0, 0, 3, two, 2, 2, 0, 0, 1}},
                         Painted(2, 2, [](int, int y) { return kColours[y == 1 ? 1 : 2]; })});
    }
    const Rgb middle[] = {kColours[4], kColours[5], kColours[6], none, kColours[7], kColours[7]};
    const int top[] = {3, 4, 5, 6, 7, 10, 11};
    std::vector<Rgb> longPalette = kColours;
    longPalette.resize(256);
    cases.push_back(
        {"8-bit runs, literals, jumps and line ends",
         {.width = 6,
          .bits = 8,
          .compression = 1,
          .palette = {kColours.begin(), kColours.begin() + 8},
          .coloursUsed = 8,
          .pixels = {6, 2,             // bottom row: six of colour 2
                     0, 0,             // end of line
                     0, 3, 4, 5, 6, 0, // literal run of three, padded to even
                     0, 2, 1, 0,       // jump one to the right: one pixel left untouched
                     2, 7,             // two of colour 7
                     0, 0,             // end of line
                     1, 1,             // top row: one of colour 1, the rest untouched
                     0, 1}},           // end of picture
         Painted(6, 3, [&](int x, int y) {
             return y == 2 ? kColours[2] : y == 1 ? middle[x] : x == 0 ? kColours[1] : none;
         })});
    cases.push_back({"4-bit runs alternate nibbles",
                     {.width = 7,
                      .height = 2,
                      .bits = 4,
                      .compression = 2,
                      .palette = kColours,
                      .pixels = {7, 0x12,                   // bottom row: 1 2 1 2 1 2 1
                                 0, 0,                      // end of line
                                 0, 5, 0x34, 0x56, 0x70, 0, // literal 3 4 5 6 7, padded to even
                                 2, 0xAB,                   // then A B
                                 0, 1}},                    // end of picture
                     Painted(7, 2, [&](int x, int y) {
                         return y == 1 ? kColours[x % 2 == 0 ? 1 : 2]
                                       : kColours[static_cast<std::size_t>(top[x])];
                     })});
    cases.push_back({"old core header with a three-byte palette",
                     {.headerSize = 12,
                      .bits = 8,
                      .palette = longPalette,
                      .pixels = BmpRows(3, false, [](int y) { return PackIndices(5, y, 8, 16); })},
                     Painted(5, 3, [](int x, int y) { return ColourAt(x, y, 16); })});
    // The offset says where the pixels are: after a gap, or inside a table longer than needed.
    cases.push_back({"pixels after a gap",
                     {.bits = 8,
                      .palette = {kColours[2], kColours[3], kColours[4]},
                      .coloursUsed = 3,
                      .pixels = BmpRows(3, false, [](int y) { return Bytes(5, y); }),
                      .dataOffset = 14 + 40 + 12 + 100},
                     Painted(5, 3, [](int, int y) { return kColours[2 + y]; })});
    cases.push_back({"pixels inside the palette",
                     {.width = 8,
                      .height = 6,
                      .bits = 8,
                      .palette = kColours,
                      .coloursUsed = 16,
                      .pixels = BmpRows(6, false, [](int y) { return PackIndices(8, y, 8, 8); }),
                      .dataOffset = 14 + 40 + 8 * 4},
                     Painted(8, 6, [](int x, int y) { return ColourAt(x, y, 8); })});
    for (const Case& c : cases) {
        EXPECT_TRUE(SamePixels(Decode(WriteFile("b.bmp", c.bmp.Build())), c.expected)) << c.name;
    }
}

} // namespace
} // namespace kalvimo::test

#pragma once

#include "canvas.h"
#include "colour.h"
#include "picture_maker.h"
#include "temp_folder.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kalvimo::test {

using Bytes = std::vector<std::uint8_t>;
using Writer = std::function<bool(const Canvas&, std::FILE*, std::string&)>;

// The background that shows through transparent pixels in the decode tests.
constexpr Colour kBack = 0x336699;

// Writes, reads and decodes files in a fresh folder for each test.
class CodecTest : public TempFolderTest {
protected:
    std::string WriteFile(const std::string& name, const Bytes& bytes) const;
    // Writes picture into name with write; fails the test on false or on a message.
    std::string Write(const std::string& name, const Writer& write, const Canvas& picture) const;
    // Fails the test when path cannot be read.
    [[nodiscard]] Canvas Decode(const std::string& path, Colour back = kBack) const;
    [[nodiscard]] Bytes ReadFile(const std::string& path) const;
};

// A picture whose every pixel differs from its neighbours, to catch swapped or shifted data.
Canvas Pattern(int width, int height);
// Smooth colour ramps of many colours, like a photograph's sky.
Canvas Gradient(int width, int height);
Bytes SamplesOf(const Canvas& canvas);
double MeanAbsError(const Canvas& a, const Canvas& b);
// Whether each channel of actual is within tolerance of expected's.
bool Near(Rgb actual, Rgb expected, int tolerance);
::testing::AssertionResult SamePixels(const Canvas& actual, const Canvas& expected);

// Where marker first occurs from from on; fails the test when it does not.
std::size_t Find(const Bytes& bytes, std::initializer_list<std::uint8_t> marker,
                 std::size_t from = 0);
void Put16(Bytes& bytes, std::uint32_t value);
void Put32(Bytes& bytes, std::uint32_t value);
Bytes Cut(Bytes bytes, std::size_t keep);
Bytes operator+(Bytes head, const Bytes& tail);

// The fields of a BMP file; Build lays them out as the format does.
struct BmpFile {
    std::uint32_t headerSize = 40;
    std::int32_t width = 5;
    std::int32_t height = 3; // negative: rows stored top-down
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> masks{}; // in the header from 52 bytes on, after it otherwise
    std::vector<Rgb> palette{};
    std::uint32_t coloursUsed = 0;
    Bytes pixels{};
    // Where the pixels begin: the headers are cut or padded to reach it.
    std::optional<std::uint32_t> dataOffset{};

    [[nodiscard]] Bytes Build() const;
};

// Writers driven by the libraries directly, for variants our own encoders never produce.
struct JpegOptions {
    int components = 3; // 1 grey, 3 RGB, 4 CMYK
    bool progressive = false;
    int quality = 95;
    int restartInterval = 0; // in MCUs
    // Over 1,300 scans, each refining one coefficient of one component by one bit.
    bool thousandsOfScans = false;
};
// samples holds width * height * components bytes, rows top to bottom.
void WriteJpegSamples(const std::string& path, int width, int height, const Bytes& samples,
                      const JpegOptions& options);

struct GifOptions {
    bool interlaced = false;
    int transparentIndex = -1;
    std::vector<Rgb> colours{};
    // The frame's place on the logical screen; a screen size of 0 takes the frame's.
    int left = 0;
    int top = 0;
    int screenWidth = 0;
    int screenHeight = 0;
};
// indices holds width * height palette indices of the frame, rows top to bottom.
void WriteGifIndices(const std::string& path, int width, int height, const Bytes& indices,
                     const GifOptions& options);

struct PngOptions {
    int colourType = 2; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<Rgb> palette{};
    Bytes paletteAlpha{}; // tRNS of a palette picture
};
// rows holds packed rows exactly as the file stores them, top to bottom.
void WritePngRows(const std::string& path, int width, int height, const std::vector<Bytes>& rows,
                  const PngOptions& options);

} // namespace kalvimo::test

#pragma once

#include "canvas.h"
#include "codecs/picture_decoder.h"
#include "codecs/picture_encoder.h"
#include "colour.h"
#include "picture_maker.h"
#include "temp_folder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace kalvimo::test {

using Bytes = std::vector<std::uint8_t>;
using Writer = std::function<bool(const Canvas&, std::FILE*, std::string&)>;

// The background that shows through transparent pixels in the decode tests.
constexpr Colour kBack = 0x336699;

// Writes, reads and decodes files in a fresh folder for each test.
class CodecTest : public TempFolderTest {
protected:
    std::string WriteFile(const std::string& name, const Bytes& bytes) const {
        const std::string path = Path(name);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good()) << path;
        return path;
    }

    // Writes picture into name with write; fails the test on false or on a message.
    std::string Write(const std::string& name, const Writer& write, const Canvas& picture) const {
        const std::string path = Path(name);
        std::FILE* out = std::fopen(path.c_str(), "wb");
        EXPECT_NE(out, nullptr) << path;
        if (out != nullptr) {
            std::string error;
            EXPECT_TRUE(write(picture, out, error)) << error;
            EXPECT_TRUE(error.empty()) << error;
            std::fclose(out);
        }
        return path;
    }

    // Fails the test when path cannot be read.
    [[nodiscard]] Canvas Decode(const std::string& path, Colour back = kBack) const {
        Canvas canvas;
        std::string error;
        EXPECT_TRUE(DecodePictureFile(path, canvas, back, error)) << error;
        return canvas;
    }

    [[nodiscard]] Bytes ReadFile(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

// A bad file gives false, an empty canvas and a message that starts with the quoted path and
// holds says; the canvas starts filled so that "left empty" is seen to happen.
inline void ExpectRefused(const std::string& path, const std::string& says) {
    Canvas canvas(7, 7, 0x123456);
    std::string error;
    EXPECT_FALSE(DecodePictureFile(path, canvas, 0, error)) << path;
    EXPECT_TRUE(canvas.Empty()) << path;
    EXPECT_EQ(error.rfind("\"" + path + "\" ", 0), 0U) << error;
    EXPECT_NE(error.find(says), std::string::npos) << error;
}

// The peak memory, in kB, of this process since the last reset.
inline long PeakKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// Decodes path in a child process, so that the peak memory is this file's alone: the growth of
// the peak in MB, or -1 when the picture was read.
inline int RefusalPeakMb(const std::string& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = PeakKb();
        Canvas canvas;
        std::string error;
        const bool read = DecodePictureFile(path, canvas, 0, error);
        ::_exit(read ? 255 : static_cast<int>(std::min((PeakKb() - before) / 1024, 254L)));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

inline Writer JpegAt(int quality) {
    return [quality](const Canvas& c, std::FILE* out, std::string& error) {
        return WriteJpeg(c, out, quality, error);
    };
}

// A picture whose every pixel differs from its neighbours, to catch swapped or shifted data.
inline Canvas Pattern(int width, int height) {
    return Painted(width, height, [](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x * 40 + y * 7),
                   static_cast<std::uint8_t>(255 - y * 30 - x),
                   static_cast<std::uint8_t>((x * y * 13) ^ 0x5A)};
    });
}

// Smooth colour ramps of many colours, like a photograph's sky.
inline Canvas Gradient(int width, int height) {
    return Painted(width, height, [&](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x * 255 / (width - 1)),
                   static_cast<std::uint8_t>(y * 255 / (height - 1)),
                   static_cast<std::uint8_t>((x + y) * 255 / (width + height - 2))};
    });
}

// Row y of picture, each pixel as order says: 'r', 'g', 'b' its channels, 'a' an opaque alpha,
// 'x' an unused byte.
inline Bytes RowOf(const Canvas& picture, int y, std::string_view order) {
    Bytes row;
    for (int x = 0; x < picture.Width(); ++x) {
        const Rgb c = picture.Pixel(x, y);
        for (const char k : order) {
            row.push_back(k == 'r'   ? c.r
                          : k == 'g' ? c.g
                          : k == 'b' ? c.b
                          : k == 'a' ? 0xFF
                                     : 0xEE);
        }
    }

    return row;
}

inline double MeanAbsError(const Canvas& a, const Canvas& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Empty()) {
        return 1e9;
    }

    double sum = 0;
    const std::size_t count = a.Stride() * static_cast<std::size_t>(a.Height());
    for (std::size_t i = 0; i < count; ++i) {
        sum += std::abs(a.Data()[i] - b.Data()[i]);
    }

    return sum / static_cast<double>(count);
}

// Whether each channel of actual is within tolerance of expected's.
inline bool Near(Rgb actual, Rgb expected, int tolerance) {
    return std::abs(actual.r - expected.r) <= tolerance &&
           std::abs(actual.g - expected.g) <= tolerance &&
           std::abs(actual.b - expected.b) <= tolerance;
}

inline ::testing::AssertionResult SamePixels(const Canvas& actual, const Canvas& expected) {
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height()) {
        return ::testing::AssertionFailure()
               << "size " << actual.Width() << "x" << actual.Height() << ", expected "
               << expected.Width() << "x" << expected.Height();
    }

    for (int y = 0; y < actual.Height(); ++y) {
        for (int x = 0; x < actual.Width(); ++x) {
            const Rgb a = actual.Pixel(x, y);
            const Rgb e = expected.Pixel(x, y);
            if (!(a == e)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << int{a.r} << "," << int{a.g}
                       << "," << int{a.b} << ", expected " << int{e.r} << "," << int{e.g} << ","
                       << int{e.b};
            }
        }
    }

    return ::testing::AssertionSuccess();
}

// Where marker first occurs from from on; fails the test when it does not.
inline std::size_t Find(const Bytes& bytes, std::initializer_list<std::uint8_t> marker,
                        std::size_t from = 0) {
    const auto at = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                                marker.begin(), marker.end());
    EXPECT_NE(at, bytes.end());
    return static_cast<std::size_t>(at - bytes.begin());
}

// value as size bytes, least significant first (Le) or last (Be).
inline Bytes Le(std::uint32_t value, int size) {
    Bytes out;
    for (int i = 0; i < size; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    return out;
}

inline Bytes Be(std::uint32_t value, int size) {
    Bytes out = Le(value, size);
    std::reverse(out.begin(), out.end());
    return out;
}

inline Bytes Cut(Bytes bytes, std::size_t keep) {
    bytes.resize(keep);
    return bytes;
}

inline Bytes operator+(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// A PNG chunk that states length but holds only data; the checksum is written when they agree.
inline Bytes PngChunk(const char* type, const Bytes& data,
                      std::optional<std::uint32_t> length = {}) {
    const auto size = static_cast<std::uint32_t>(data.size());
    Bytes chunk = Be(length.value_or(size), 4) + Bytes(type, type + 4) + data;
    if (length.value_or(size) != size) {
        return chunk;
    }

    return chunk + Be(static_cast<std::uint32_t>(crc32(0, &chunk[4], chunk.size() - 4)), 4);
}

// The signature and header chunk of a PNG.
inline Bytes PngHead(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth = 8,
                     std::uint8_t colourType = 2, bool interlaced = false) {
    const Bytes header =
        Be(width, 4) + Be(height, 4) + Bytes{bitDepth, colourType, 0, 0, interlaced};
    return Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'} + PngChunk("IHDR", header);
}

// Lays out picture rows 0..height-1, each padded to 4 bytes, bottom row first unless topDown.
inline Bytes BmpRows(int height, bool topDown, const std::function<Bytes(int y)>& rowOf) {
    Bytes out;
    for (int i = 0; i < height; ++i) {
        Bytes row = rowOf(topDown ? i : height - 1 - i);
        row.resize((row.size() + 3) / 4 * 4, 0);
        out = out + row;
    }

    return out;
}

// A 24-bit BMP as the writer lays it out, around rows laid out by BmpRows.
inline Bytes Bmp24(std::uint32_t width, std::uint32_t height, const Bytes& rows) {
    const auto size = static_cast<std::uint32_t>(rows.size());
    Bytes info = Le(40, 4);
    // 3780 pixels a metre: 96 dots an inch, as the writer states.
    for (const std::uint32_t v : {width, height, 1U | 24U << 16U, 0U, size, 3780U, 3780U, 0U, 0U}) {
        info = info + Le(v, 4);
    }
    return Bytes{'B', 'M'} + Le(54 + size, 4) + Le(0, 4) + Le(54, 4) + info + rows;
}

} // namespace kalvimo::test

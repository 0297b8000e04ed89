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

// Runs work in a child process, so that the peak memory is its alone: the growth of the peak in
// MB, or -1 when work gives false.
inline int ChildPeakMb(const std::function<bool()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = PeakKb();
        const bool done = work();
        ::_exit(done ? static_cast<int>(std::min((PeakKb() - before) / 1024, 254L)) : 255);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

// The growth of the peak in MB while path is decoded, or -1 when the picture was read.
inline int RefusalPeakMb(const std::string& path) {
    return ChildPeakMb([&path] {
        Canvas canvas;
        std::string error;
        return !DecodePictureFile(path, canvas, 0, error);
    });
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

} // namespace kalvimo::test

#include "canvas.h"
#include "codecs/codec_internal.h"
#include "codecs/codec_table.h"
#include "codecs/heif_coded_size.h"
#include "codecs/hevc_decoder_plugin.h"
#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_decoder.h"
#include "codecs/picture_encoder.h"
#include "codecs/webp_input.h"
#include "codecs/webp_lossless.h"
#include "colour.h"
#include "exif_date.h"
#include "frame_drawer.h"
#include "frame_prefetcher.h"
#include "job_options.h"
#include "picture_maker.h"
#include "temp_folder.h"
#include "upright_loader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kalvimo::test {
namespace {

using Writer = std::function<bool(const Canvas&, std::FILE*, std::string&)>;

// The background that shows through transparent pixels in the decode tests.
constexpr Colour kBack = 0x336699;

namespace fs = std::filesystem;

// Writes, reads and decodes files in a fresh folder for each test.
class CodecTest : public TempFolderTest {
protected:
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
};

// A bad file gives false, an empty canvas and a message that starts with the quoted path and
// holds says; the canvas starts filled so that "left empty" is seen to happen.
void ExpectRefused(const std::string& path, const std::string& says) {
    Canvas canvas(7, 7, 0x123456);
    std::string error;
    EXPECT_FALSE(DecodePictureFile(path, canvas, 0, error)) << path;
    EXPECT_TRUE(canvas.Empty()) << path;
    EXPECT_EQ(error.rfind("\"" + path + "\" ", 0), 0U) << error;
    EXPECT_NE(error.find(says), std::string::npos) << error;
}

// The peak memory, in kB, of this process since the last reset.
long PeakKb() {
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
int ChildPeakMb(const std::function<bool()>& work) {
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

// Under AddressSanitizer freed memory waits in quarantine before it is given back, so a peak
// there tells nothing of the program's own.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KALVIMO_ADDRESS_SANITIZER
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KALVIMO_ADDRESS_SANITIZER)
constexpr bool kPeaksTell = false;
#else
constexpr bool kPeaksTell = true;
#endif

// How the memory cases fit a picture: as the batch does, into 320 x 240 by letterbox.
const FrameOrder kPeakOrder{320, 240, Fitting::Letterbox, 4, false, 0, {}, 15};

// The growth of the peak in MB while path is decoded, or -1 when the picture was read.
int RefusalPeakMb(const std::string& path) {
    return ChildPeakMb([&path] {
        Canvas canvas;
        std::string error;
        return !DecodePictureFile(path, canvas, 0, error);
    });
}

Writer JpegAt(int quality) {
    return [quality](const Canvas& c, std::FILE* out, std::string& error) {
        return WriteJpeg(c, out, quality, error);
    };
}

// A picture whose every pixel differs from its neighbours, to catch swapped or shifted data.
Canvas Pattern(int width, int height) {
    return Painted(width, height, [](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x * 40 + y * 7),
                   static_cast<std::uint8_t>(255 - y * 30 - x),
                   static_cast<std::uint8_t>((x * y * 13) ^ 0x5A)};
    });
}

// Smooth colour ramps of many colours, like a photograph's sky.
Canvas Gradient(int width, int height) {
    return Painted(width, height, [&](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x * 255 / (width - 1)),
                   static_cast<std::uint8_t>(y * 255 / (height - 1)),
                   static_cast<std::uint8_t>((x + y) * 255 / (width + height - 2))};
    });
}

double MeanAbsError(const Canvas& a, const Canvas& b) {
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

// One line of tests/data/manifest.tsv: a file, then what reading it must give.
struct Entry {
    std::string file;
    std::string outcome;
    std::vector<std::string> words; // after the outcome
    std::string rest;               // the same, as one text
};

void PrintTo(const Entry& entry, std::ostream* out) {
    *out << entry.file;
}

// text as RRGGBB.
Rgb FromHex(const std::string& text) {
    const auto rgb = std::stoul(text, nullptr, 16);
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}

std::vector<Entry> Manifest() {
    std::vector<Entry> entries;
    std::ifstream in(KALVIMO_TEST_DATA "/manifest.tsv");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t tab = line.find('\t');
        std::istringstream fields(line.substr(tab + 1));
        Entry entry;
        entry.file = line.substr(0, tab);
        fields >> entry.outcome;
        std::getline(fields >> std::ws, entry.rest);
        std::istringstream words(entry.rest);
        for (std::string word; words >> word;) {
            entry.words.push_back(word);
        }
        entries.push_back(entry);
    }
    return entries;
}

std::string DataPath(const std::string& name) {
    return KALVIMO_TEST_DATA "/" + name;
}

// Whether actual is expected within tolerance: "exact", "max:N" levels in any channel of any
// pixel, or "mean:N" levels over all samples.
::testing::AssertionResult Matches(const Canvas& actual, const Canvas& expected,
                                   const std::string& tolerance) {
    const bool mean = tolerance.rfind("mean:", 0) == 0;
    const double limit =
        tolerance == "exact" ? 0 : std::stod(tolerance.substr(tolerance.find(':') + 1));
    const double error =
        mean ? MeanAbsError(actual, expected) : LargestDifference(actual, expected);
    return error <= limit ? ::testing::AssertionSuccess()
                          : ::testing::AssertionFailure() << "difference " << error;
}

// words: "WxH", a tolerance in levels, then pixels as "x,y=RRGGBB".
void ExpectPixels(const Canvas& picture, const std::vector<std::string>& words) {
    int width = 0;
    int height = 0;
    ASSERT_EQ(std::sscanf(words.at(0).c_str(), "%dx%d", &width, &height), 2);
    ASSERT_EQ(picture.Width(), width);
    ASSERT_EQ(picture.Height(), height);
    const int tolerance = words.at(1) == "exact" ? 0 : std::stoi(words[1].substr(4));
    for (std::size_t i = 2; i < words.size(); ++i) {
        int x = 0;
        int y = 0;
        unsigned rgb = 0;
        ASSERT_EQ(std::sscanf(words[i].c_str(), "%d,%d=%x", &x, &y, &rgb), 3) << words[i];
        const Rgb expected{static_cast<std::uint8_t>(rgb >> 16),
                           static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)};
        EXPECT_LE(Distance(picture.Pixel(x, y), expected), tolerance) << words[i];
    }
}

// A lossless WebP picture read by libwebp and by the row-by-row decoder.
struct LosslessReadings {
    bool lossless = false; // the first frame is lossless
    bool libwebpRead = false;
    bool ownRead = false;
    std::string ownReason;
    long differing = 0; // pixels
};

LosslessReadings ReadLosslessWebp(const std::string& path) {
    LosslessReadings readings;
    std::int64_t size = 0;
    std::string reason;
    const codecs::FilePtr file = codecs::OpenRegularFile(path, size, reason);
    codecs::WebpFile webp;
    if (!file || !webp.Read(file.get(), size, reason)) {
        return readings;
    }
    // libwebp takes the frame's chunk, the decoder what follows the chunk's name and size.
    const WebPData& fragment = webp.FirstFrame().fragment;
    constexpr std::size_t kChunkHeader = 8;
    readings.lossless =
        fragment.size > kChunkHeader &&
        std::string_view(reinterpret_cast<const char*>(fragment.bytes), 4) == "VP8L";
    if (!readings.lossless) {
        return readings;
    }
    int width = 0;
    int height = 0;
    std::uint8_t* rgba = WebPDecodeRGBA(fragment.bytes, fragment.size, &width, &height);
    readings.libwebpRead = rgba != nullptr;
    codecs::WebpLosslessDecoder decoder;
    readings.ownRead = decoder.Begin({fragment.bytes + kChunkHeader, fragment.size - kChunkHeader},
                                     readings.ownReason);
    for (int y = 0; readings.ownRead && y < decoder.Height(); ++y) {
        const std::uint32_t* row = decoder.ReadRow(readings.ownReason);
        readings.ownRead = row != nullptr;
        for (int x = 0; row != nullptr && rgba != nullptr && x < width; ++x) {
            const std::uint8_t* p = rgba + (static_cast<std::size_t>(y) * width + x) * 4;
            const std::uint32_t argb = std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 |
                                       std::uint32_t{p[1]} << 8 | p[2];
            readings.differing += argb != row[x] ? 1 : 0;
        }
    }
    WebPFree(rgba);
    return readings;
}

class PictureFilesTest : public ::testing::TestWithParam<Entry> {};

TEST_P(PictureFilesTest, ReadAsTheManifestSays) {
    const Entry& e = GetParam();
    const std::string path = DataPath(e.file);
    ASSERT_TRUE(std::filesystem::is_regular_file(path)) << path;
    Canvas picture;
    std::string error;
    if (e.outcome == "refused") {
        // Never the memory the size it states would need, nor what a size it cannot hold would.
        ExpectRefused(path, e.rest);
        EXPECT_LT(RefusalPeakMb(path), 64);
    } else if (e.outcome == "decodes") {
        // The reference, then the tolerance, then the background if not kBack.
        const Colour back = e.words.size() > 2 ? PackColour(FromHex(e.words[2].substr(5))) : kBack;
        ASSERT_TRUE(DecodePictureFile(path, picture, back, error)) << error;
        Canvas expected;
        ASSERT_TRUE(DecodePictureFile(DataPath(e.words.at(0)), expected, kBack, error)) << error;
        EXPECT_TRUE(Matches(picture, expected, e.words.at(1)));
    } else if (e.outcome == "pixels") {
        ASSERT_TRUE(DecodePictureFile(path, picture, kBack, error)) << error;
        ExpectPixels(picture, e.words);
    } else if (e.outcome == "upright") {
        Canvas scratch;
        ASSERT_TRUE(LoadUprightPicture(path, picture, scratch, 0, error)) << error;
        ExpectPixels(picture, e.words);
    } else if (e.outcome == "both-readers") {
        // The full and the shrinking JPEG reader read the same files, to the same pixels.
        const bool readable = e.words.at(0) != "refused";
        EXPECT_EQ(DecodePictureFile(path, picture, kBack, error), readable) << error;
        if (readable) {
            Canvas expected;
            ASSERT_TRUE(DecodePictureFile(DataPath(e.words[0]), expected, kBack, error));
            EXPECT_TRUE(Matches(picture, expected, e.words.at(1)));
        }
        JpegShrinkReader shrink;
        Canvas small;
        EXPECT_EQ(shrink.Open(path) && shrink.ReadInto(small, 32, 16, error), readable) << error;
    } else if (e.outcome == "frame-peak") {
        // Fitted as the batch fits it, never held whole.
        const int peak = ChildPeakMb([&path] {
            FrameScratch scratch;
            Canvas frame;
            return DrawFrame(path, kPeakOrder, frame, scratch).kind == FrameResult::Kind::Drawn;
        });
        EXPECT_GE(peak, 0);
        EXPECT_TRUE(!kPeaksTell || peak <= std::stoi(e.words.at(0))) << peak << " MB";
    } else if (e.outcome == "run-peak") {
        // Three copies drawn by two threads that share 16 MB, as a run of two jobs draws them.
        const int peak = ChildPeakMb([&path] {
            const fs::path folder =
                fs::temp_directory_path() / ("kalvimo-run-peak-" + std::to_string(::getpid()));
            fs::create_directories(folder);
            std::vector<std::string> copies;
            for (const char* name : {"a", "b", "c"}) {
                copies.push_back((folder / name).string());
                fs::copy_file(path, copies.back(), fs::copy_options::overwrite_existing);
            }
            FramePrefetcher prefetcher(2, std::int64_t{16} << 20);
            prefetcher.Schedule(copies, kPeakOrder);
            bool drawn = true;
            for (const std::string& copy : copies) {
                Canvas frame;
                drawn = prefetcher.Take(copy, kPeakOrder, frame, [] {}).kind ==
                            FrameResult::Kind::Drawn &&
                        drawn;
            }
            fs::remove_all(folder);
            return drawn;
        });
        EXPECT_GE(peak, 0);
        EXPECT_TRUE(!kPeaksTell || peak <= std::stoi(e.words.at(0))) << peak << " MB";
    } else if (e.outcome == "lossless-webp") {
        const LosslessReadings read = ReadLosslessWebp(path);
        ASSERT_TRUE(read.lossless);
        if (e.words.at(0) == "same") {
            EXPECT_TRUE(read.libwebpRead);
            EXPECT_TRUE(read.ownRead) << read.ownReason;
            EXPECT_EQ(read.differing, 0);
        } else {
            EXPECT_FALSE(read.libwebpRead);
            EXPECT_FALSE(read.ownRead);
            EXPECT_NE(read.ownReason.find(e.rest.substr(e.rest.find(' ') + 1)), std::string::npos)
                << read.ownReason;
            ExpectRefused(path, "");
        }
    } else if (e.outcome == "coded-size") {
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>()};
        EXPECT_EQ(codecs::LargestConfiguredPicture(bytes), std::stoll(e.words.at(0)));
    } else if (e.outcome == "exif-date") {
        EXPECT_EQ(ReadExifDate(path), e.words.at(0) == "none" ? "" : e.words[0]);
        const int orientation = ReadExifOrientation(path);
        if (e.words.size() > 2) {
            EXPECT_EQ(orientation, std::stoi(e.words[2]));
        } else {
            EXPECT_TRUE(orientation >= 1 && orientation <= 8) << orientation;
        }
    } else {
        FAIL() << "no such outcome: " << e.outcome;
    }
}

INSTANTIATE_TEST_SUITE_P(Data, PictureFilesTest, ::testing::ValuesIn(Manifest()),
                         [](const ::testing::TestParamInfo<Entry>& info) {
                             std::string name = info.param.file;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

std::vector<std::string> SortedPatterns(std::string_view list) {
    std::istringstream in{std::string(list)};
    std::vector<std::string> patterns;
    for (std::string pattern; std::getline(in, pattern, ';');) {
        patterns.push_back(pattern);
    }
    std::sort(patterns.begin(), patterns.end());
    return patterns;
}

// The widest file filter offers the names of every format read, and only those.
TEST(PictureReaders, TheWidestFilterOffersWhatTheyRead) {
    std::string read;
    for (const codecs::PictureReader* reader : codecs::kPictureReaders) {
        read += std::string(read.empty() ? "" : ";") + reader->extensions;
    }
    EXPECT_EQ(SortedPatterns(kFilterPatterns.back()), SortedPatterns(read));
}

// Damaged and hostile pictures are files under tests/data; these are things on the disk that
// are no pictures at all.
using MalformedInputTest = CodecTest;

TEST_F(MalformedInputTest, ThingsThatAreNotReadablePictureFiles) {
    ExpectRefused(Path("missing.jpg"), "could not be opened");

    std::filesystem::create_directory(Path("folder.jpg"));
    ExpectRefused(Path("folder.jpg"), "is not a file");

    // A named pipe without a writer must not stall the reader.
    ASSERT_EQ(::mkfifo(Path("pipe.gif").c_str(), 0600), 0);
    ExpectRefused(Path("pipe.gif"), "is not a file");

    // Sparse, so it costs no disk space.
    WriteBytes(Path("big.bmp"), "BM");
    std::filesystem::resize_file(Path("big.bmp"), (std::uintmax_t{1} << 30) + 1);
    ExpectRefused(Path("big.bmp"), "is too large to read");

    const std::string locked = Write("locked.bmp", WriteBmp, Pattern(2, 2));
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) { // the superuser reads it regardless
        ExpectRefused(locked, "Permission denied");
    }
}

// Within the pixel limit and padded to a size that could hold it, but a progressive CMYK picture
// of 12000 x 12000 would need 1.2 GB of coefficients: refused by the memory ceiling, before the
// canvas is allocated. The padding is made here, to keep the stored file small.
TEST_F(MalformedInputTest, ProgressiveCmykBeyondTheMemoryCeiling) {
    std::string padded = ReadBytes(KALVIMO_TEST_DATA "/jpeg-cmyk-progressive-12000.jpg");
    ASSERT_FALSE(padded.empty());
    padded.resize(padded.size() + 300'000);
    const std::string wide = Path("wide.jpg");
    WriteBytes(wide, padded);
    ExpectRefused(wide, "not enough memory");
    EXPECT_LT(RefusalPeakMb(wide), 64);
}

TEST_F(MalformedInputTest, ShrinkingReaderDoesNotWaitForANamedPipe) {
    const std::string pipe = Path("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Should the reader wait for a writer after all, one comes, so that the test ends.
    std::atomic<bool> opened{false};
    std::atomic<bool> rescued{false};
    std::thread writer([&] {
        for (int i = 0; i < 200 && !opened; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!opened) {
            rescued = true;
            ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
        }
    });
    JpegShrinkReader reader;
    EXPECT_FALSE(reader.Open(pipe));
    opened = true;
    writer.join();
    EXPECT_FALSE(rescued);
}

using RoundTripTest = CodecTest;

// The files' names say another format or none, so that reading them tells the format by its
// content. BMP rows are stored bottom-up in blue-green-red order, each padded to 4 bytes; GIF
// keeps pictures of up to 256 colours exactly.
TEST_F(RoundTripTest, LosslessWritersKeepEveryPixelInTheirLayout) {
    const Canvas many = Painted(16, 16, [](int x, int y) {
        const int i = y * 16 + x;
        return Rgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7),
                   static_cast<std::uint8_t>(255 - i)};
    });
    Canvas two(9, 4, 0x102030);
    two.FillRect(3, 1, 8, 3, 0xFEFDFC);
    struct Case {
        const char* name;
        Writer write;
        Canvas picture;
        std::string start; // of the file, or the whole file when whole
        bool whole = false;
    };
    // The signature, then the header chunk: length, type, 7 x 5, depth 8, colour type 2.
    const std::string pngHead("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x07\0\0\0\x05\x08\x02", 26);
    std::vector<Case> cases = {{"really-png.jpg", WritePng, Pattern(7, 5), pngHead},
                               {"no-extension", WriteGif, many, "GIF89a"},
                               {"no-extension", WriteGif, two, "GIF89a"},
                               {"no-extension", WriteGif, Canvas(3, 2, 0x00C0FF), "GIF89a"}};
    // The files of the pattern laid out by hand.
    for (int width = 1; width <= 5; ++width) {
        const std::string file = "/ref/written-" + std::to_string(width) + "x3.bmp";
        cases.push_back({"really-bmp.gif", WriteBmp, Pattern(width, 3),
                         ReadBytes(KALVIMO_TEST_DATA + file), true});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name << " " << c.picture.Width());
        const std::string path = Write(c.name, c.write, c.picture);
        EXPECT_EQ(LargestDifference(Decode(path), c.picture), 0);
        const std::string file = ReadBytes(path);
        EXPECT_EQ(c.whole ? file : file.substr(0, c.start.size()), c.start);
    }
}

// Quality itself is told by the sizes of the files that the saving tests write.
TEST_F(RoundTripTest, JpegIsCloseToTheSourceIn420) {
    const Canvas picture = Gradient(64, 48);
    const std::string path = Write("q85.jpg", JpegAt(85), picture);
    EXPECT_LT(MeanAbsError(Decode(path), picture), 2.0);
    // Three components, luma sampled 2x2 against chroma: 4:2:0.
    const std::string file = ReadBytes(path);
    const std::size_t frame = file.find("\xFF\xC0");
    ASSERT_LT(frame, file.size() - 11);
    EXPECT_EQ(file[frame + 9], 3);
    EXPECT_EQ(file[frame + 11], 0x22);
}

TEST_F(RoundTripTest, GifOfManyColoursGetsAPaletteFittedToThePicture) {
    const Canvas gradient = Gradient(128, 96);
    const std::string path = Write("g.gif", WriteGif, gradient);
    // 256 entries over this smooth surface of colours leave about 4 levels each way: a fixed
    // palette of 216 web colours would be off by about 13.
    EXPECT_LT(MeanAbsError(Decode(path), gradient), 4.0);

    // A picture in shades of one hue gets all its entries spent on that hue.
    const Canvas reds = Painted(256, 4, [](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 0};
    });
    const Canvas redDecoded = Decode(Write("r.gif", WriteGif, reds));
    std::set<int> reddish;
    for (int x = 0; x < 256; ++x) {
        reddish.insert(redDecoded.Pixel(x, 0).r);
    }
    EXPECT_GT(reddish.size(), 24U);
    EXPECT_LT(MeanAbsError(redDecoded, reds), 3.0);
}

TEST_F(RoundTripTest, WritersRefuseAnEmptyCanvasAndReportAFullDisk) {
    const Canvas empty;
    const Canvas picture = Gradient(300, 200);
    for (const Writer& write : {JpegAt(85), Writer(WriteBmp), Writer(WriteGif), Writer(WritePng)}) {
        std::FILE* full = std::fopen("/dev/full", "wb");
        ASSERT_NE(full, nullptr);
        std::string error;
        EXPECT_FALSE(write(empty, full, error));
        EXPECT_FALSE(error.empty());
        error.clear();
        EXPECT_FALSE(write(picture, full, error));
        EXPECT_FALSE(error.empty());
        std::fclose(full);
    }
}

// The row-by-row decoder reads every other lossless WebP picture as libwebp does, to the pixel;
// those too large to be held whole twice are left to the peak cases.
TEST(WebpLosslessDecoder, ReadsEveryLosslessPictureAsLibwebpDoes) {
    int compared = 0;
    for (const Entry& entry : Manifest()) {
        if (!entry.file.ends_with(".webp") || entry.outcome == "lossless-webp" ||
            entry.outcome.ends_with("-peak")) {
            continue;
        }
        SCOPED_TRACE(entry.file);
        const LosslessReadings read = ReadLosslessWebp(DataPath(entry.file));
        if (read.lossless) {
            EXPECT_EQ(read.ownRead, read.libwebpRead) << read.ownReason;
            EXPECT_EQ(read.differing, 0);
            ++compared;
        }
    }
    EXPECT_GE(compared, 10);
}

// libavcodec decodes every HEIC picture as libheif's own decoder does, to the last bit, and
// refuses what it refuses.
TEST(HevcDecoders, AgreeOnEveryPicture) {
    // The first HEIF picture read registers the decoder.
    Canvas first;
    std::string error;
    DecodePictureFile(DataPath("phone.heic"), first, 0, error);
    EXPECT_TRUE(codecs::HevcDecoderInUse());
    for (const Entry& entry : Manifest()) {
        if (!entry.file.ends_with(".heic")) {
            continue;
        }
        SCOPED_TRACE(entry.file);
        Canvas fast;
        Canvas own;
        std::string fastError;
        std::string ownError;
        const bool fastRead = DecodePictureFile(DataPath(entry.file), fast, 0x123456, fastError);
        {
            const codecs::HevcFallback fallback;
            EXPECT_FALSE(codecs::HevcDecoderInUse());
            EXPECT_EQ(DecodePictureFile(DataPath(entry.file), own, 0x123456, ownError), fastRead);
        }
        EXPECT_EQ(fastError, ownError);
        EXPECT_EQ(LargestDifference(fast, own), 0);
    }
}

} // namespace
} // namespace kalvimo::test

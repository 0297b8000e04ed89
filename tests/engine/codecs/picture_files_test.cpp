#include "codecs/codec_table.h"
#include "codecs/heif_coded_size.h"
#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_encoder.h"
#include "codecs_test_support.h"
#include "exif_date.h"
#include "job_options.h"
#include "upright_loader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kalvimo::test {
namespace {

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

} // namespace
} // namespace kalvimo::test

#include "codecs/codec_table.h"
#include "codecs/heif_coded_size.h"
#include "codecs/jpeg_shrink_reader.h"
#include "codecs_test_support.h"
#include "exif_date.h"
#include "frame_drawer.h"
#include "job_options.h"
#include "upright_loader.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

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
    if (tolerance == "exact") {
        return SamePixels(actual, expected);
    }
    const double limit = std::stod(tolerance.substr(tolerance.find(':') + 1));
    if (tolerance.rfind("mean:", 0) == 0) {
        const double error = MeanAbsError(actual, expected);
        return error <= limit ? ::testing::AssertionSuccess()
                              : ::testing::AssertionFailure() << "mean difference " << error;
    }
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height()) {
        return SamePixels(actual, expected);
    }
    for (int y = 0; y < actual.Height(); ++y) {
        for (int x = 0; x < actual.Width(); ++x) {
            if (!Near(actual.Pixel(x, y), expected.Pixel(x, y), static_cast<int>(limit))) {
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ")";
            }
        }
    }
    return ::testing::AssertionSuccess();
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
        EXPECT_TRUE(Near(picture.Pixel(x, y), expected, tolerance)) << words[i];
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
    } else if (e.outcome == "frame-peak") {
        // Fitted as the batch fits it, never held whole.
        const int peak = ChildPeakMb([&path] {
            FrameScratch scratch;
            Canvas frame;
            const FrameOrder order{320, 240, Fitting::Letterbox, 4, false, 0, {}, 15};
            return DrawFrame(path, order, frame, scratch).kind == FrameResult::Kind::Drawn;
        });
        EXPECT_GE(peak, 0);
        EXPECT_LE(peak, std::stoi(e.words.at(0)));
    } else if (e.outcome == "coded-size") {
        std::ifstream in(path, std::ios::binary);
        const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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

} // namespace
} // namespace kalvimo::test

#include "codecs/heif_coded_size.h"
#include "codecs/picture_decoder.h"
#include "codecs/picture_encoder.h"
#include "codecs_test_support.h"
#include "phone_pictures.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace kalvimo::test {
namespace {

// Every bad file must give false, an empty canvas and a message that starts with the quoted
// path; the canvas starts filled so that "left empty" is seen to happen.
class MalformedInputTest : public CodecTest {
protected:
    void Refused(const std::string& path, const std::string& says = "") {
        Canvas canvas(7, 7, 0x123456);
        std::string error;
        EXPECT_FALSE(DecodePictureFile(path, canvas, 0, error)) << path;
        EXPECT_TRUE(canvas.Empty()) << path;
        EXPECT_EQ(error.rfind("\"" + path + "\" ", 0), 0U) << error;
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
    Bytes Encoded(const Writer& write, const Canvas& picture) {
        return ReadFile(Write("made", write, picture));
    }
};

// The peak memory, in kB, of this process since the last ResetPeak.
long PeakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// Decodes path in a child process, so that the peak memory is this file's alone: the growth of
// the peak in MB, or -1 when the picture was read.
int RefusalPeakMb(const std::string& path) {
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

// The frame header (SOFn marker) of a JPEG made to state another size.
Bytes WithJpegSize(const Bytes& jpeg, std::uint8_t frameMarker, int width, int height) {
    return Patched(jpeg, Find(jpeg, {0xFF, frameMarker}) + 5, Be(height, 2) + Be(width, 2));
}

// A BMP of an info header of the given fields and rest, stating dataOffset as the pixels' start.
Bytes BmpHeader(std::int32_t width, std::int32_t height, std::uint16_t bits,
                std::uint32_t compression, std::uint32_t dataOffset, std::uint32_t coloursUsed,
                const Bytes& rest) {
    const BmpFile bmp{.width = width,
                      .height = height,
                      .bits = bits,
                      .compression = compression,
                      .coloursUsed = coloursUsed,
                      .pixels = rest};
    return Patched(bmp.Build(), 10, Le(dataOffset, 4));
}

// A grey 8-bit TIFF of one strip, holding data whatever size it states.
Bytes TiffOfSize(std::uint32_t width, std::uint32_t height, std::size_t data) {
    Bytes file = Bytes{'I', 'I', 42, 0, 8, 0, 0, 0} + Le(8, 2); // the directory at 8, of 8 entries
    const std::pair<std::uint16_t, std::uint32_t> entries[] = {
        {256, width}, {257, height}, {258, 8},      {259, 1},
        {262, 1},     {273, 122},    {278, height}, {279, width * height}};
    for (const auto& [tag, value] : entries) {
        file = file + Le(tag, 2) + Le(4, 2) + Le(1, 4) + Le(value, 4); // one LONG
    }
    return file + Le(0, 4) + Bytes(data, 0x80);
}

// A lossless WebP that states its size and stops.
Bytes WebpOfSize(std::uint32_t width, std::uint32_t height) {
    return Bytes{'R', 'I', 'F', 'F'} + Le(4 + 8 + 6, 4) +
           Bytes{'W', 'E', 'B', 'P', 'V', 'P', '8', 'L'} + Le(6, 4) + Bytes{0x2F} +
           Le((width - 1) | (height - 1) << 14, 4) + Bytes{0};
}

// The HEIF with the stated size of every picture in it changed.
Bytes WithHeifSize(Bytes heif, std::uint32_t width, std::uint32_t height) {
    const std::string_view ispe = "ispe";
    for (std::size_t at = 0; at + 16 <= heif.size(); ++at) {
        if (std::equal(ispe.begin(), ispe.end(), heif.begin() + static_cast<std::ptrdiff_t>(at))) {
            heif = Patched(heif, at + 8, Be(width, 4) + Be(height, 4));
        }
    }
    return heif;
}

TEST_F(MalformedInputTest, ThingsThatAreNotReadablePictureFiles) {
    Refused(Path("missing.jpg"), "could not be opened");

    std::filesystem::create_directory(Path("folder.jpg"));
    Refused(Path("folder.jpg"), "is not a file");

    // A named pipe without a writer must not stall the reader.
    ASSERT_EQ(::mkfifo(Path("pipe.gif").c_str(), 0600), 0);
    Refused(Path("pipe.gif"), "is not a file");

    // Sparse, so it costs no disk space.
    const std::string big = WriteFile("big.bmp", {'B', 'M'});
    std::filesystem::resize_file(big, (std::uintmax_t{1} << 30) + 1);
    Refused(big, "is too large to read");

    const std::string locked = WriteFile("locked.bmp", Encoded(WriteBmp, Pattern(2, 2)));
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) { // the superuser reads it regardless
        Refused(locked, "Permission denied");
    }
}

// HEVC and AV1 decoders size their pictures by the stream's own header, whatever the file states
// around it, so a file coding more than it states is refused before anything is decoded.
TEST_F(MalformedInputTest, HeifCodingMoreThanItStatesIsRefusedUndecoded) {
    for (const bool av1 : {false, true}) {
        SCOPED_TRACE(av1 ? "AV1" : "HEVC");
        const Bytes made =
            Made([&](const std::string& p) { WriteHeif(p, Gradient(256, 192), {.av1 = av1}); });
        EXPECT_EQ(codecs::LargestConfiguredPicture(made), 256 * 192);
        Refused(WriteFile("lying.heic", WithHeifSize(made, 8, 8)), "codes a larger picture");
    }
}

Bytes Box(const char* type, const Bytes& payload) {
    return Be(static_cast<std::uint32_t>(payload.size() + 8), 4) + Bytes(type, type + 4) + payload;
}

// A grid or overlay is assembled into the size its description gives, before any tile is
// decoded, whatever size the file states for it. The decoder reads a description in 'idat' on
// past that box's end when its extent says so, and reads no extent index of a size it does not
// know.
TEST(HeifCodedSize, GridsAndOverlaysCountTheSizeTheyAreAssembledInto) {
    for (const auto& [type, description, inIdat, indexSize] : {
             std::tuple{"grid", Bytes{0, 0, 1, 1, 0x10, 0x00, 0x0C, 0x00}, 8, 0},
             std::tuple{"grid", Bytes{0, 1, 1, 1, 0, 0, 0x10, 0x00, 0, 0, 0x0C, 0x00}, 12, 0},
             std::tuple{"iovl", Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0x00, 0x0C, 0x00}, 14, 0},
             std::tuple{"grid", Bytes{0, 0, 1, 1, 0x10, 0x00, 0x0C, 0x00}, 4, 0},
             std::tuple{"grid", Bytes{0, 0, 1, 1, 0x10, 0x00, 0x0C, 0x00}, 8, 10},
             // Version 1 stating an index size, its extents laid out without one.
             std::tuple{"grid", Bytes{0, 0, 1, 1, 0x10, 0x00, 0x0C, 0x00}, 8, 4},
         }) {
        SCOPED_TRACE(std::string(type) + " " + std::to_string(inIdat) + " " +
                     std::to_string(indexSize));
        // One item whose description lies in 'idat' (construction method 1) after four other
        // bytes, 'idat' being the last box.
        const Bytes iloc = {1, 0, 0, 0, 0x44, static_cast<std::uint8_t>(indexSize),
                            0, 1, 0, 1, 0,    1,
                            0, 0, 0, 1, 0,    0,
                            0, 4, 0, 0, 0,    static_cast<std::uint8_t>(description.size())};
        const Bytes infe =
            Box("infe", Bytes{2, 0, 0, 0, 0, 1, 0, 0} + Bytes(type, type + 4) + Bytes{0});
        const Bytes meta = Box(
            "meta", Bytes{0, 0, 0, 0} + Box("iinf", Bytes{0, 0, 0, 0, 0, 1} + infe) +
                        Box("iloc", iloc) + Box("idat", Bytes(4, 0xFF) + Cut(description, inIdat)));
        const Bytes file = meta + Bytes(description.begin() + inIdat, description.end());
        EXPECT_EQ(codecs::LargestConfiguredPicture(file), 4096 * 3072);
    }
}

// The picture data is read no further than the file's size, however often its extents repeat.
TEST(HeifCodedSize, PictureDataIsReadOnlyUpToTheFileSize) {
    // An AV1 sequence header of a reduced still picture allowing 4096 x 4096 pixels.
    const Bytes header = {0x0A, 7, 0x18, 0x3F, 0xC3, 0xFF, 0xC3, 0xFF, 0xC0};
    for (const bool wholeFileFirst : {false, true}) {
        SCOPED_TRACE(wholeFileFirst ? "after the whole file" : "alone");
        const std::uint8_t items = wholeFileFirst ? 2 : 1;
        Bytes infe;
        for (std::uint8_t id = 1; id <= items; ++id) {
            infe = infe + Box("infe", {2, 0, 0, 0, 0, id, 0, 0, 'a', 'v', '0', '1', 0});
        }
        // Each item has one extent; the first item, when there are two, is the whole file.
        const auto meta = [&](std::uint32_t at) {
            Bytes iloc = {0, 0, 0, 0, 0x44, 0, 0, items};
            for (std::uint8_t id = 1; id <= items; ++id) {
                const bool whole = wholeFileFirst && id == 1;
                iloc = iloc + Bytes{0, id, 0, 0, 0, 1} + Be(whole ? 0 : at, 4) +
                       Be(whole ? 0 : static_cast<std::uint32_t>(header.size()), 4);
            }
            return Box("meta", Bytes{0, 0, 0, 0} + Box("iinf", Bytes{0, 0, 0, 0, 0, items} + infe) +
                                   Box("iloc", iloc));
        };
        const auto at = static_cast<std::uint32_t>(meta(0).size());
        EXPECT_EQ(codecs::LargestConfiguredPicture(meta(at) + header),
                  wholeFileFirst ? 0 : 4096 * 4096);
    }
}

// A GIF whose screen, and frame too when frame is set, states 65535 x 65535 pixels.
Bytes WithGifSize(const Bytes& gif, bool frame) {
    const Bytes screen = Patched(gif, 6, Bytes(4, 0xFF));
    return frame ? Patched(screen, Find(gif, {',', 0, 0, 0, 0, 40, 0, 30, 0}) + 5, Bytes(4, 0xFF))
                 : screen;
}

// A GIF screen larger than the frame could fill is only margin, left out; JPEGs lacking their end
// marker are read by both JPEG readers' test.
TEST_F(MalformedInputTest, DamageAfterEveryPixelIsForgiven) {
    const Canvas framed =
        Decode(WriteFile("screen.gif", WithGifSize(Encoded(WriteGif, Gradient(40, 30)), false)));
    EXPECT_EQ(framed.Width(), 40);
    EXPECT_EQ(framed.Height(), 30);
}

// Every damaged or hostile file is refused, and never takes the memory that the size it states
// would need, nor what a size the file cannot hold would.
TEST_F(MalformedInputTest, DamagedAndHostileFiles) {
    const Bytes samples = SamplesOf(Gradient(64, 64));
    const Bytes jpeg = Made([&](auto& p) { WriteJpegSamples(p, 64, 64, samples, {}); });
    const Bytes progressive =
        Made([&](auto& p) { WriteJpegSamples(p, 64, 64, samples, {.progressive = true}); });
    // Runs of 255 pixels, then the end of a line and of the picture.
    Bytes rle(1000, 0);
    for (std::size_t i = 0; i + 2 < rle.size(); i += 2) {
        rle[i] = 255;
    }
    rle.insert(rle.end(), {0, 1});
    // Cut cleanly before its second scan, the picture would come out blurred.
    const std::size_t secondScan =
        Find(progressive, {0xFF, 0xDA}, Find(progressive, {0xFF, 0xDA}) + 2);
    // Within the pixel limit and padded to a size that could hold it, but a progressive CMYK
    // picture of that size would need 1.2 GB of coefficients: refused by the memory ceiling,
    // before the canvas is allocated.
    WriteJpegSamples(Path("cmyk.jpg"), 8, 8, Bytes(8 * 8 * 4, 100),
                     {.components = 4, .progressive = true});
    const Bytes gif = Encoded(WriteGif, Gradient(40, 30));
    // Image data whose first code after the clear code names an entry not yet defined.
    const Bytes lzw = {'G', 'I', 'F',  '8',  '9',  'a', 4,  0, 4, 0, 0x80, 0, 0, //
                       0,   0,   0,    255,  255,  255,                          // two colours
                       ',', 0,   0,    0,    0,    4,   0,  4, 0, 0,             // the image
                       2,   3,   0x3C, 0xFF, 0xFF, 0,   ';'};
    const Bytes png = Encoded(WritePng, Pattern(30, 30));
    Bytes badCrc = png;
    badCrc[29] ^= 0xFF; // the header chunk's checksum
    const Canvas picture = Gradient(64, 48);
    const Bytes heic = Made([&](auto& p) { WriteHeif(p, picture, {}); });
    const Bytes webp = Made([&](auto& p) { WriteWebp(p, picture, {.lossless = false}); });
    const Bytes tiff = Made([&](auto& p) { WriteTiff(p, picture, {.deflate = true}); });
    const Bytes pixels(64, 0x80);
    struct Case {
        const char* name;
        Bytes bytes;
        const char* says = "";
    };
    const Case cases[] = {
        {"empty.jpg", {}, "is not a picture file this program can read"},
        {"notes.jpg",
         {'J', 'P', 'E', 'G', ' ', 'n', 'o', 't', 'e', 's', '\n'},
         "is not a picture file this program can read"},
        {"PNG text chunk of 1 GiB",
         PngHead(1, 1) + PngChunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'}, 1U << 30)},
        {"PNG of 13000 x 13000 cut short",
         PngHead(13000, 13000) + PngChunk("IDAT", {0x78, 0x9C, 0x62, 0x60}, 4000)},
        {"GIF of 16000 x 16000 in 35 bytes",
         {'G', 'I', 'F', '8', '9', 'a', 0x80, 0x3E, 0x80, 0x3E, 0x80, 0, 0, 0,    0,    0, 255, 255,
          255, ',', 0,   0,   0,   0,   0x80, 0x3E, 0x80, 0x3E, 0,    2, 2, 0x4C, 0x01, 0, ';'}},
        {"RLE BMP of 12000 x 12000 in 1 KB",
         BmpHeader(12000, 12000, 8, 1, 62, 2, Bytes(8, 0) + rle)},
        {"JPEG of 12000 x 12000 in 3 KB", WithJpegSize(jpeg, 0xC0, 12000, 12000)},
        {"TIFF of 12000 x 12000 in 1 KB", TiffOfSize(12000, 12000, 1000)},
        {"WebP of 12000 x 12000 in 30 bytes", WebpOfSize(12000, 12000)},
        {"HEIC stating 12000 x 12000", WithHeifSize(heic, 12000, 12000)},
        {"half.jpg", Cut(jpeg, jpeg.size() / 2), "ends too early"},
        {"header-only.jpg", Cut(jpeg, Find(jpeg, {0xFF, 0xDA}))},
        {"signature-only.jpg", {0xFF, 0xD8, 0xFF}},
        {"junk.jpg", {0xFF, 0xD8, 0xFF, 0x00, 0x13, 0x57, 0x9B, 0xDF, 0x01, 0x02}},
        {"half-progressive.jpg", Cut(progressive, progressive.size() / 2)},
        {"scans.jpg", Cut(progressive, secondScan), "ends too early"},
        // A frame header claiming that many pixels is refused before anything is allocated.
        {"huge.jpg", WithJpegSize(jpeg, 0xC0, 65000, 65000), "too large (65000 x 65000 pixels)"},
        {"wide.jpg",
         WithJpegSize(ReadFile(Path("cmyk.jpg")), 0xC2, 12000, 12000) + Bytes(300'000, 0),
         "not enough memory"},
        {"zero.jpg", WithJpegSize(jpeg, 0xC0, 0, 0)},
        {"half.gif", Cut(gif, gif.size() / 2), "ends too early"},
        {"signature-only.gif", Cut(gif, 6)},
        {"screen-only.gif", Cut(gif, 13)},
        {"lzw.gif", lzw, "GIF"},
        {"huge.gif", WithGifSize(gif, true), "too large"},
        {"half.png", Cut(png, png.size() / 2), "ends too early"},
        {"signature-only.png", Cut(png, 8)},
        {"crc.png", badCrc},
        {"huge.png", PngHead(65000, 65000) + Bytes(png.begin() + 33, png.end()), "too large"},
        {"half.heic", Cut(heic, heic.size() / 2), "could not be read as HEIF: "},
        {"ftyp-only.heic", Cut(heic, 24), "could not be read as HEIF: "},
        {"junk.heic", Patched(heic, 40, Bytes(40, 0xEE)), "could not be read as HEIF: "},
        {"huge.heic", WithHeifSize(heic, 65000, 65000), "too large"},
        {"large.heic", WithHeifSize(heic, 20000, 9000), "too large (20000 x 9000 pixels)"},
        {"small.heic", WithHeifSize(heic, 32, 24), "could not be read as HEIF: "},
        {"half.webp", Cut(webp, webp.size() / 2), "could not be read as WebP: "},
        {"riff-only.webp", Cut(webp, 12), "could not be read as WebP: "},
        {"huge.webp", WebpOfSize(16384, 16384), "too large (16384 x 16384 pixels)"},
        {"half.tif", Cut(tiff, tiff.size() / 2), "could not be read as TIFF: "},
        {"header-only.tif", Cut(tiff, 8), "could not be read as TIFF: "},
        {"huge.tif", TiffOfSize(65000, 65000, 100), "too large (65000 x 65000 pixels)"},
        {"no-strips.tif", TiffOfSize(64, 64, 100), "could not be read as TIFF: "},
        {"zero width", BmpHeader(0, 2, 24, 0, 54, 0, pixels)},
        {"negative width", BmpHeader(-2, 2, 24, 0, 54, 0, pixels)},
        {"zero height", BmpHeader(2, 0, 24, 0, 54, 0, pixels)},
        {"most negative height", BmpHeader(2, INT32_MIN, 24, 0, 54, 0, pixels)},
        {"beyond the canvas", BmpHeader(100000, 100000, 24, 0, 54, 0, pixels)},
        {"large with no data", BmpHeader(20000, 12000, 24, 0, 54, 0, pixels)},
        {"seven bits", BmpHeader(2, 2, 7, 0, 54, 0, pixels)},
        {"sixty-four bits", BmpHeader(2, 2, 64, 0, 54, 0, pixels)},
        {"zero bits", BmpHeader(2, 2, 0, 0, 54, 0, pixels)},
        {"embedded JPEG", BmpHeader(2, 2, 24, 4, 54, 0, pixels)},
        {"RLE8 of 24 bits", BmpHeader(2, 2, 24, 1, 54, 0, pixels)},
        {"unknown compression", BmpHeader(2, 2, 24, 99, 54, 0, pixels)},
        {"offset beyond file", BmpHeader(2, 2, 24, 0, 5000, 0, pixels)},
        {"offset into header", BmpHeader(2, 2, 24, 0, 20, 0, pixels)},
        {"palette past the end", BmpHeader(2, 2, 8, 0, 0, 256, Bytes(16 * 4, 0x40))},
        {"masks past the end", Cut(BmpHeader(2, 2, 16, 3, 66, 0, {}), 58)},
        {"scattered mask",
         BmpHeader(2, 2, 16, 3, 66, 0,
                   Bytes{0x0F, 0xF0, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0} + pixels)},
        {"truncated pixels", BmpHeader(4, 4, 24, 0, 54, 0, Bytes(20, 1))},
        {"RLE past the last row",
         BmpHeader(2, 1, 8, 1, 62, 2, Bytes(8, 0) + Bytes{0, 0, 2, 1, 0, 1})},
        {"RLE jump out", BmpHeader(2, 2, 8, 1, 62, 2, Bytes(8, 0) + Bytes{0, 2, 0, 9, 0, 1})},
        {"RLE cut short", BmpHeader(2, 2, 8, 1, 62, 2, Bytes(8, 0) + Bytes{2, 1, 0})},
        {"just the magic", {'B', 'M'}},
        {"header size 0", Cut(BmpHeader(2, 2, 24, 0, 54, 0, pixels), 14) + Bytes(40, 0)},
        {"header size 1000", Patched(BmpHeader(2, 2, 24, 0, 54, 0, pixels), 14, Le(1000, 4))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteFile(c.name, c.bytes);
        Refused(path, c.says);
        EXPECT_LT(RefusalPeakMb(path), 64);
    }
}

} // namespace
} // namespace kalvimo::test

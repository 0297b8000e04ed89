#include "codecs_test_support.h"
#include "phone_pictures.h"
#include "upright_loader.h"

#include <functional>
#include <map>

namespace kalvimo::test {
namespace {

// picture with its left half at opacity alpha painted over kBack; other = what the format
// stores in place of each colour.
Canvas Expected(const Canvas& picture, int alpha, const std::function<Rgb(Rgb)>& other = {}) {
    const Rgb back = ToRgb(kBack);
    return Painted(picture.Width(), picture.Height(), [&](int x, int y) {
        const Rgb c = other ? other(picture.Pixel(x, y)) : picture.Pixel(x, y);
        const int a = x < picture.Width() / 2 ? alpha : 255;
        const auto mix = [a](int front, int behind) {
            return static_cast<std::uint8_t>((front * a + behind * (255 - a) + 127) / 255);
        };
        return Rgb{mix(c.r, back.r), mix(c.g, back.g), mix(c.b, back.b)};
    });
}

using PhoneDecodeTest = CodecTest;

TEST_F(PhoneDecodeTest, EachFormatAtItsDepthsAndLayouts) {
    const Canvas smooth = Gradient(64, 48);
    const Canvas sharp = Pattern(37, 23);
    const auto grey = [](Rgb c) { return Rgb{c.r, c.r, c.r}; };
    const auto palette = [](Rgb c) { return Rgb{c.r, static_cast<std::uint8_t>(255 - c.r), 128}; };
    struct Case {
        const char* name;
        std::function<void(const std::string&)> write;
        Canvas expected;
        // Mean difference per sample allowed: lossy formats lose a little; premultiplied alpha
        // rounds.
        double tolerance;
    };
    // Writers of each format, of the picture given and with the options given.
    const auto heif = [&](HeifOptions o) { return [&, o](auto& p) { WriteHeif(p, smooth, o); }; };
    const auto webp = [](const Canvas& c, WebpOptions o) {
        return [&c, o](auto& p) { WriteWebp(p, c, o); };
    };
    const auto tiff = [&](TiffOptions o) { return [&, o](auto& p) { WriteTiff(p, sharp, o); }; };
    const Case cases[] = {
        {"a.heic", heif({}), smooth, 2.5},
        {"alpha.heic", heif({.leftAlpha = 96}), Expected(smooth, 96), 2.5},
        {"a.avif", heif({.av1 = true}), smooth, 2.5},
        {"lossless.webp", webp(sharp, {}), sharp, 0},
        {"alpha.webp", webp(sharp, {.leftAlpha = 96}), Expected(sharp, 96), 0},
        {"lossy.webp", webp(smooth, {.lossless = false}), smooth, 2.5},
        {"animated.webp", webp(sharp, {.animated = true}), sharp, 0},
        {"rgb8.tif", tiff({}), sharp, 0},
        {"rgb16.tif", tiff({.bitsPerSample = 16}), sharp, 0},
        {"grey8.tif", tiff({.layout = TiffLayout::Grey}), Expected(sharp, 255, grey), 0},
        {"grey16.tif", tiff({.layout = TiffLayout::Grey, .bitsPerSample = 16}),
         Expected(sharp, 255, grey), 0},
        {"palette.tif", tiff({.layout = TiffLayout::Palette}), Expected(sharp, 255, palette), 0},
        {"cmyk.tif", tiff({.layout = TiffLayout::Cmyk}), sharp, 0},
        {"alpha8.tif", tiff({.layout = TiffLayout::RgbAlpha, .leftAlpha = 96}), Expected(sharp, 96),
         0.5},
        {"alpha16.tif",
         tiff({.layout = TiffLayout::RgbAlpha, .bitsPerSample = 16, .leftAlpha = 96}),
         Expected(sharp, 96), 0.5},
        {"tiled-deflate.tif", tiff({.tiled = true, .deflate = true}), sharp, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.write(Path(c.name));
        // Of pictures of another size the error is huge.
        EXPECT_LE(MeanAbsError(Decode(Path(c.name)), c.expected), c.tolerance);
    }
}

// Stored with red, green, blue and white quarters, a picture that says how it is to be shown
// comes out that way: HEIC by its own boxes with an EXIF orientation besides, turned once, not
// twice; WebP by its EXIF; TIFF by its Orientation tag.
TEST_F(PhoneDecodeTest, TurnedAndMirroredPicturesAreReadUprightOnce) {
    Canvas stored(64, 32, 0xFFFFFF);
    stored.FillRect(0, 0, 32, 16, 0x0000FF);
    stored.FillRect(32, 0, 64, 16, 0x00FF00);
    stored.FillRect(0, 16, 32, 32, 0xFF0000);
    // For each orientation, 1 to 8, its corners as shown: top left, top right, bottom left,
    // bottom right.
    const char* const corners[] = {"RGBW", "GRWB", "WBGR", "BWRG", "RBGW", "BRWG", "WGBR", "GWRB"};
    const std::map<char, Rgb> colour = {
        {'R', {255, 0, 0}}, {'G', {0, 255, 0}}, {'B', {0, 0, 255}}, {'W', {255, 255, 255}}};
    const auto exif = [](int orientation) {
        return ExifBlock({{"Exif.Image.Orientation", std::to_string(orientation)}});
    };
    using Writer = std::function<void(const std::string&, int)>;
    const std::pair<const char*, Writer> writers[] = {
        {"HEIC", [&](const std::string& p,
                     int o) { WriteHeif(p, stored, {.orientation = o, .exif = exif(o)}); }},
        {"WebP", [&](const std::string& p, int o) { WriteWebp(p, stored, {.exif = exif(o)}); }},
        {"TIFF", [&](const std::string& p, int o) { WriteTiff(p, stored, {.orientation = o}); }},
    };
    for (const auto& [format, write] : writers) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const std::string path = Path("turned");
            write(path, orientation);
            SCOPED_TRACE(std::string(format) + " " + std::to_string(orientation));
            Canvas picture;
            Canvas scratch;
            std::string error;
            ASSERT_TRUE(LoadUprightPicture(path, picture, scratch, 0, error)) << error;
            ASSERT_EQ(picture.Width(), orientation >= 5 ? 32 : 64); // sideways
            for (int i = 0; i < 4; ++i) {
                const Rgb shown = picture.Pixel(i % 2 == 0 ? 3 : picture.Width() - 4,
                                                i < 2 ? 3 : picture.Height() - 4);
                EXPECT_TRUE(Near(shown, colour.at(corners[orientation - 1][i]), 23))
                    << "corner " << i;
            }
        }
    }
}

} // namespace
} // namespace kalvimo::test

#include "codecs/picture_decoder.h"
#include "colour_profile.h"
#include "picture_maker.h"
#include "run_fixture.h"

#include <algorithm>
#include <cmath>
#include <exiv2/exiv2.hpp>

namespace kalvimo {
namespace {

class KeptExifTest : public test::RunFixture {
protected:
    // The EXIF of a written picture.
    static Exiv2::ExifData Written(const std::string& path) {
        const std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
        image->readMetadata();
        return image->exifData();
    }
    static std::string Value(const Exiv2::ExifData& exif, const char* key) {
        const auto found = exif.findKey(Exiv2::ExifKey(key));
        return found == exif.end() ? std::string("(none)") : found->toString();
    }
};

// A JPEG output keeps the date and camera but not the position, thumbnail or turn; nothing is
// carried when not asked, into another format (a JPEG named ".png" is written as PNG), or from
// a picture without any.
TEST_F(KeptExifTest, JpegOutputKeepsDateAndCameraButNotPositionThumbnailOrTurn) {
    const struct {
        const char* name;
        bool keep, exif;
    } cases[] = {{"phone.jpg", true, true},
                 {"off.jpg", false, true},
                 {"png-out.png", true, true},
                 {"bare.jpg", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A photograph as a phone stores it: lying on its side, made by "Kamera" on
        // 2024:05:06 07:08:09, 48 x 64, with a position and a thumbnail.
        host_.files.clear();
        c.exif ? AddData("exif-phone.jpg", c.name) : AddPicture(c.name, 48, 64);
        host_.options.keepInformation = c.keep;
        run_.PressProcess();
        const Exiv2::ExifData exif = Written(Dst(c.name));
        if (std::string(c.name) != "phone.jpg") {
            EXPECT_TRUE(exif.empty());
            continue;
        }
        const auto value = [&exif](const char* key) { return Value(exif, key); };
        EXPECT_EQ(value("Exif.Photo.DateTimeOriginal"), "2024:05:06 07:08:09");
        EXPECT_EQ(value("Exif.Image.Make"), "Kamera");
        EXPECT_EQ(value("Exif.Image.Orientation"), "1");
        EXPECT_EQ(value("Exif.Photo.PixelXDimension"), "40");
        EXPECT_EQ(value("Exif.Photo.PixelYDimension"), "30");
        EXPECT_EQ(value("Exif.Image.GPSTag"), "(none)");
        for (const Exiv2::Exifdatum& datum : exif) {
            EXPECT_NE(datum.groupName(), "GPSInfo") << datum.key();
            EXPECT_NE(datum.groupName(), "Thumbnail") << datum.key();
        }
    }
}

// From other formats the photo's description is kept, but nothing that describes the source file
// (TIFF's layout tags, a size of other pixels) or colours the written pixels no longer have.
TEST_F(KeptExifTest, OtherFormatsKeepThePhotoButNotTheirLayoutOrColours) {
    host_.options.keepInformation = true;
    host_.options.newWidth = 40;
    host_.options.newHeight = 20;
    for (const char* source : {"exif-camera-p3.tif", "exif-camera.webp", "exif-dated.heic"}) {
        SCOPED_TRACE(source);
        host_.files.clear();
        AddData(source, source);
        run_.PressProcess();
        const std::string name = source;
        const std::string written = Dst(name.substr(0, name.rfind('.')) + ".jpg");
        const Exiv2::ExifData exif = Written(written);
        const auto value = [&exif](const char* key) { return Value(exif, key); };
        EXPECT_EQ(value("Exif.Image.DateTime"),
                  name == "exif-camera-p3.tif" ? "(none)" : "2008:02:20 16:07:33");
        if (name != "exif-dated.heic") {
            EXPECT_EQ(value("Exif.Image.Make"), "Kamera");
            EXPECT_EQ(value("Exif.Photo.DateTimeOriginal"), "2024:05:06 07:08:09");
            EXPECT_EQ(value("Exif.Photo.ExposureTime"), "1/125");
            EXPECT_EQ(value("Exif.Photo.ColorSpace"), "1");
        }
        EXPECT_EQ(value("Exif.Photo.PixelXDimension"), "40");
        EXPECT_EQ(value("Exif.Photo.PixelYDimension"), "20");
        for (const char* gone :
             {"Exif.Image.ImageWidth", "Exif.Image.ImageLength", "Exif.Image.BitsPerSample",
              "Exif.Image.Compression", "Exif.Image.StripOffsets", "Exif.Image.StripByteCounts",
              "Exif.Image.RowsPerStrip", "Exif.Image.InterColorProfile"}) {
            EXPECT_TRUE(exif.findKey(Exiv2::ExifKey(gone)) == exif.end()) << gone;
        }
    }
}

// The sRGB colour of a Display P3 colour, worked out with the published matrix between the two.
Rgb P3ToSrgb(Rgb p3) {
    const auto linear = [](std::uint8_t v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const auto coded = [](double c) {
        c = std::clamp(c, 0.0, 1.0);
        c = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
        return static_cast<std::uint8_t>(std::lround(c * 255));
    };
    const double r = linear(p3.r), g = linear(p3.g), b = linear(p3.b);
    return {coded(1.2249401 * r - 0.2249404 * g), coded(-0.0420569 * r + 1.0420571 * g),
            coded(-0.0196376 * r - 0.0786361 * g + 1.0982735 * b)};
}

class ColourProfileTest : public test::RunFixture {};

TEST_F(ColourProfileTest, EmbeddedProfilesBecomeSrgbOnEveryPathAndOthersAreLeftAlone) {
    // The files hold four flat quarters of a 64 x 32 picture, on the blocks of both the source's
    // and the output's JPEG coding, with a Display P3 profile, none or 600 bytes of garbage.
    const struct {
        const char* name;
        const char* file;
        Fitting fit;
        int jobs;
    } cases[] = {
        {"shrunk.jpg", "profile-display-p3.jpg", Fitting::Stretch, 1},
        {"prefetched.jpg", "profile-display-p3.jpg", Fitting::Stretch, 2},
        {"decoded.jpg", "profile-display-p3.jpg", Fitting::AutoCrop, 1},
        {"letterboxed.png", "profile-display-p3.png", Fitting::Letterbox, 1},
        {"plain.jpg", "profile-none.jpg", Fitting::Stretch, 1},
        {"plain.png", "profile-none.png", Fitting::AutoCrop, 1},
        {"garbage-shrunk.jpg", "profile-garbage.jpg", Fitting::Stretch, 1},
        {"phone.heic", "profile-display-p3.heic", Fitting::Stretch, 1},
        {"web.webp", "profile-display-p3.webp", Fitting::AutoCrop, 2},
        {"scan.tif", "profile-display-p3.tif", Fitting::Stretch, 1},
    };
    const Colour back = PackColour({60, 160, 100});
    host_.options.newWidth = 48;
    host_.options.newHeight = 32;
    host_.options.backColour = back;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        const bool p3 = std::string(c.file).find("p3") != std::string::npos;
        host_.files.clear();
        AddData(c.file, name);
        // Formats the program does not write come out as JPEG.
        const std::string extension = name.substr(name.rfind('.'));
        const bool png = extension == ".png";
        const bool written = png || extension == ".jpg";
        Canvas stored;
        Canvas out;
        std::string error;
        ASSERT_TRUE(DecodePictureFile(Src(name), stored, 0, error));
        host_.options.fitting = c.fit;
        run_.SetJobs(c.jobs);
        run_.PressProcess();
        const std::string output = written ? name : name.substr(0, name.rfind('.')) + ".jpg";
        ASSERT_TRUE(DecodePictureFile(Dst(output), out, 0, error)) << error;
        EXPECT_TRUE(out.IccProfile().empty());
        // Writing a JPEG at quality 85 moves flat colours by up to 4 levels; a PNG keeps them.
        // Converted or not differs by 10 levels or more in every quarter. One point inside each
        // quarter is compared, whichever way the picture was fitted.
        for (int i = 0; i < 4; ++i) {
            const Rgb source = stored.Pixel(i % 2 * 32 + 8, i / 2 * 16 + 8);
            const Rgb want = p3 ? P3ToSrgb(source) : source;
            const Rgb got = out.Pixel(i % 2 == 0 ? 8 : 36, i / 2 == 0 ? 8 : 20);
            EXPECT_LE(test::Distance(got, want), png ? 1 : 4) << "quarter " << i;
        }
        if (png && c.fit == Fitting::Letterbox) {
            // The bars are the chosen colour, not a converted one.
            EXPECT_EQ(out.Pixel(0, 0), ToRgb(back));
            EXPECT_EQ(out.Pixel(47, 31), ToRgb(back));
        }
    }
}

// A profile that is sRGB but for rounding (this one, 600 bytes, lcms wrote) leaves every pixel as
// decoded: taken through it, about one sample in a hundred of these random colours moves a level.
TEST(ColourProfile, SrgbProfilesLeaveThePixelsAsTheyAre) {
    Canvas picture;
    std::string error;
    ASSERT_TRUE(DecodePictureFile(KALVIMO_TEST_DATA "/profile-srgb.jpg", picture, 0, error));
    ASSERT_FALSE(picture.IccProfile().empty());
    const Canvas decoded = picture;
    ConvertToSrgb(picture, {0, 0, picture.Width(), picture.Height()});
    EXPECT_TRUE(picture.IccProfile().empty());
    EXPECT_EQ(test::LargestDifference(picture, decoded), 0);
}

} // namespace
} // namespace kalvimo

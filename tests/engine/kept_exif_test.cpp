#include "run_fixture.h"

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

} // namespace
} // namespace kalvimo

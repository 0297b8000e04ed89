#include "run_fixture.h"

namespace kalvimo {
namespace {

class KeptExifTest : public test::RunFixture {};

// A JPEG output keeps the date and camera but not the position, thumbnail or turn; nothing is
// carried when not asked, into another format (a JPEG named ".png" is written as PNG), or from
// a picture without any.
TEST_F(KeptExifTest, JpegOutputKeepsDateAndCameraButNotPositionThumbnailOrTurn) {
    // A photograph as a phone stores it: lying on its side, with a position and a thumbnail.
    const test::ExifProperties phone = {{"Exif.Image.Make", "Kamera"},
                                        {"Exif.Image.Orientation", "6"},
                                        {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"},
                                        {"Exif.Photo.PixelXDimension", "48"},
                                        {"Exif.Photo.PixelYDimension", "64"},
                                        {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                                        {"Exif.GPSInfo.GPSLatitude", "60/1 10/1 0/1"}};
    const struct {
        const char* name;
        bool keep, exif;
    } cases[] = {{"phone.jpg", true, true},
                 {"off.jpg", false, true},
                 {"png-out.png", true, true},
                 {"bare.jpg", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteJpegWithExif(Src(c.name), test::CoordinatePicture(48, 64),
                                c.exif ? phone : test::ExifProperties{});
        if (c.exif) {
            const std::unique_ptr<Exiv2::Image> image = test::OpenWithMetadata(Src(c.name));
            const std::string thumbnail = test::ReadBytes(Src(c.name));
            Exiv2::ExifThumb(image->exifData())
                .setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnail.data()),
                                  static_cast<long>(thumbnail.size()));
            image->writeMetadata();
        }
        host_.files = {{c.name}};
        host_.options.keepInformation = c.keep;
        run_.PressProcess();
        const std::unique_ptr<Exiv2::Image> image = test::OpenWithMetadata(Dst(c.name));
        const Exiv2::ExifData& exif = image->exifData();
        if (std::string(c.name) != "phone.jpg") {
            EXPECT_TRUE(exif.empty());
            continue;
        }
        const auto value = [&](const char* key) {
            const auto found = exif.findKey(Exiv2::ExifKey(key));
            return found == exif.end() ? std::string("(none)") : found->toString();
        };
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

} // namespace
} // namespace kalvimo

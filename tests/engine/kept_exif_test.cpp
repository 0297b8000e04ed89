#include "exif_maker.h"
#include "run_fixture.h"

namespace kalvimo {
namespace {

class KeptExifTest : public test::RunFixture {
protected:
    // A photograph as a phone stores it: lying on its side, with a position and a thumbnail.
    void AddPhoneJpeg(const std::string& name) {
        const std::string path = Src(name);
        test::WriteJpegWithExif(path, test::CoordinatePicture(48, 64),
                                {{"Exif.Image.Make", "Kamera"},
                                 {"Exif.Image.Model", "K-7"},
                                 {"Exif.Image.Orientation", "6"},
                                 {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"},
                                 {"Exif.Photo.PixelXDimension", "48"},
                                 {"Exif.Photo.PixelYDimension", "64"},
                                 {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                                 {"Exif.GPSInfo.GPSLatitude", "60/1 10/1 0/1"}});
        const std::unique_ptr<Exiv2::Image> image = test::OpenWithMetadata(path);
        ASSERT_TRUE(image);
        const std::string thumbnail = test::ReadBytes(path);
        Exiv2::ExifThumb(image->exifData())
            .setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnail.data()),
                              static_cast<long>(thumbnail.size()));
        image->writeMetadata();
        host_.files.push_back({name});
    }
    Exiv2::ExifData OutputExif(const std::string& name) const {
        const std::unique_ptr<Exiv2::Image> image = test::OpenWithMetadata(Dst(name));
        EXPECT_TRUE(image) << name;
        return image ? image->exifData() : Exiv2::ExifData();
    }
    static std::string Value(const Exiv2::ExifData& exif, const std::string& key) {
        const auto found = exif.findKey(Exiv2::ExifKey(key));
        return found == exif.end() ? "(none)" : found->toString();
    }
};

TEST_F(KeptExifTest, JpegOutputKeepsDateAndCameraButNotPositionThumbnailOrTurn) {
    AddPhoneJpeg("phone.jpg");
    host_.options.keepInformation = true;
    run_.PressProcess();

    const Exiv2::ExifData exif = OutputExif("phone.jpg");
    EXPECT_EQ(Value(exif, "Exif.Photo.DateTimeOriginal"), "2024:05:06 07:08:09");
    EXPECT_EQ(Value(exif, "Exif.Image.Make"), "Kamera");
    EXPECT_EQ(Value(exif, "Exif.Image.Model"), "K-7");
    EXPECT_EQ(Value(exif, "Exif.Image.Orientation"), "1");
    EXPECT_EQ(Value(exif, "Exif.Photo.PixelXDimension"), "40");
    EXPECT_EQ(Value(exif, "Exif.Photo.PixelYDimension"), "30");
    EXPECT_EQ(Value(exif, "Exif.Image.GPSTag"), "(none)");
    for (const Exiv2::Exifdatum& datum : exif) {
        EXPECT_NE(datum.groupName(), "GPSInfo") << datum.key();
        EXPECT_NE(datum.groupName(), "Thumbnail") << datum.key();
    }
    EXPECT_EQ(Exiv2::ExifThumbC(exif).copy().size_, 0);
}

TEST_F(KeptExifTest, NothingIsCarriedWhenNotAskedNotJpegOrNothingToCarry) {
    struct Case {
        const char* name;
        bool keep;
        bool exif;
    };
    // A JPEG named ".png" is written as PNG.
    const Case cases[] = {
        {"off.jpg", false, true}, {"png-out.png", true, true}, {"bare.jpg", true, false}};
    for (const Case& c : cases) {
        if (c.exif) {
            AddPhoneJpeg(c.name);
        } else {
            AddPicture(c.name);
        }
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.files = {{c.name}};
        host_.options.keepInformation = c.keep;
        run_.PressProcess();
        EXPECT_TRUE(OutputExif(c.name).empty());
    }
}

} // namespace
} // namespace kalvimo

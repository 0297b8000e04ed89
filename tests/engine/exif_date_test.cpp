#include "exif_date.h"
#include "exif_maker.h"
#include "gdiplus.h"
#include "picture_maker.h"
#include "temp_folder.h"
#include "upright_loader.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;

class ExifDateTest : public test::TempFolderTest {
protected:
    std::string Photo(const std::string& name, const test::ExifProperties& properties) {
        const std::string path = Path(name);
        test::WriteJpegWithExif(path, test::CoordinatePicture(16, 8), properties);
        return path;
    }
    // A JPEG whose EXIF block is the hand-made tiff.
    std::string Crafted(const std::string& name, const test::TiffBlock& tiff) {
        const std::string plain = Photo(name, {});
        test::WriteBytes(plain, test::WithExifSegment(test::ReadBytes(plain), tiff.Bytes()));
        return plain;
    }
};

TEST_F(ExifDateTest, DateTimeValuesOfEachKind) {
    const struct {
        const char* value;
        const char* stamp;
    } cases[] = {
        {"2008:02:20 16:07:33", "20080220_160733"},
        {"0000:00:00 00:00:00", ""},
        // An unset camera clock: 15 underscores stand in for the date.
        {"    :  :     :  :  ", "_______________"},
        {"2008:02:20", "20080220"},
        {"2008-02-20 16.07", "2008-02-20_16.07"},
        {"", ""},
        // Read from the file and used in a file name: no way out of the destination folder.
        {"../../etc/x", ".._.._etc_x"},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string path =
            Photo("p" + std::to_string(i++) + ".jpg", {{"Exif.Image.DateTime", c.value}});
        EXPECT_EQ(ReadExifDate(path), c.stamp) << "value \"" << c.value << "\"";
    }
}

TEST_F(ExifDateTest, FirstPropertyNamedDateTimeInFileOrderIsUsed) {
    EXPECT_EQ(
        ReadExifDate(Photo("main.jpg", {{"Exif.Photo.DateTimeOriginal", "2001:01:01 01:01:01"},
                                        {"Exif.Image.DateTime", "2008:02:20 16:07:33"},
                                        {"Exif.Thumbnail.DateTime", "2002:02:02 02:02:02"}})),
        "20080220_160733");
    // The date the picture was taken has another name and does not count.
    EXPECT_EQ(ReadExifDate(
                  Photo("original.jpg", {{"Exif.Photo.DateTimeOriginal", "2001:01:01 01:01:01"}})),
              "");
    // The thumbnail's directory comes later in the file, but its property bears the name too.
    EXPECT_EQ(
        ReadExifDate(Photo("thumb.jpg", {{"Exif.Thumbnail.DateTime", "2002:02:02 02:02:02"}})),
        "20020202_020202");
}

TEST_F(ExifDateTest, FilesWithoutUsableMetadataGiveNoDate) {
    cGdiPlus gdip;
    const Canvas picture = test::CoordinatePicture(8, 8);
    for (const char* name : {"a.bmp", "a.gif", "a.png"}) {
        ASSERT_TRUE(gdip.PictureBoxToFile(picture, Path(name)));
        EXPECT_EQ(ReadExifDate(Path(name)), "") << name;
        EXPECT_EQ(ReadExifOrientation(Path(name)), 1) << name;
    }
    const std::string noExif = Photo("plain.jpg", {});
    test::WriteBytes(Path("text.jpg"), "not a picture");
    test::WriteBytes(Path("empty.jpg"), "");
    fs::create_directory(Path("folder.jpg"));
    ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    for (const std::string& path : {noExif, Path("text.jpg"), Path("empty.jpg"), Path("folder.jpg"),
                                    Path("pipe.jpg"), Path("missing.jpg")}) {
        EXPECT_EQ(ReadExifDate(path), "") << path;
        EXPECT_EQ(ReadExifOrientation(path), 1) << path;
    }
}

TEST_F(ExifDateTest, HandMadeBlocksAreReadAsTheyStand) {
    // A value that is not text, or holds bytes that are not printable ASCII, is passed over
    // for the next one of the main directory.
    const std::string date("2008:02:20 16:07:33\0", 20);
    const struct {
        const char* name;
        std::uint16_t type;
        std::uint32_t count;
        std::uint32_t value;
        const char* stamp;
    } unusable[] = {
        {"shorts", 3, 2, 0x00020001, "20080220_160733"},
        {"float", 11, 1, 0x3F800000, "20080220_160733"},
        {"garbage", 2, 3, 0x0000FEFF, "20080220_160733"},
        {"escape", 2, 4, 0x00411B41, "20080220_160733"},
    };
    for (const auto& c : unusable) {
        test::TiffBlock tiff;
        tiff.U16(2);
        tiff.Entry(0x0132, c.type, c.count, c.value);
        tiff.Entry(0x0132, 2, 20, 38);
        tiff.U32(0);
        tiff.Raw(date);
        EXPECT_EQ(ReadExifDate(Crafted(std::string(c.name) + ".jpg", tiff)), c.stamp) << c.name;

        test::TiffBlock alone;
        alone.U16(1);
        alone.Entry(0x0132, c.type, c.count, c.value);
        alone.U32(0);
        EXPECT_EQ(ReadExifDate(Crafted(std::string(c.name) + "-alone.jpg", alone)), "") << c.name;
    }

    // Text stops at its NUL and what follows cannot reach the file name; a value without the
    // closing NUL loses none of its characters.
    for (const std::string& value :
         {std::string("2008:02:20 16:07:33\0/../x", 26), std::string("2008:02:20 16:07:33")}) {
        test::TiffBlock tiff;
        tiff.U16(1);
        tiff.Entry(0x0132, 2, static_cast<std::uint32_t>(value.size()), 26);
        tiff.U32(0);
        tiff.Raw(value);
        EXPECT_EQ(ReadExifDate(Crafted("text.jpg", tiff)), "20080220_160733") << value.size();
    }
}

TEST_F(ExifDateTest, MalformedBlocksGiveNoDateAndNeverCrash) {
    test::TiffBlock outside;
    outside.U16(2);
    outside.Entry(0x0132, 2, 20, 0x7FFFFFF0);
    outside.Entry(0x0112, 3, 1, 6);
    outside.U32(0);

    test::TiffBlock hugeCount;
    hugeCount.U16(0xFFFF);
    hugeCount.Entry(0x0132, 2, 0xFFFFFFFF, 8);

    test::TiffBlock loop;
    loop.U16(1);
    loop.Entry(0x8769, 4, 1, 8); // the Exif directory is the main one again
    loop.U32(8);

    test::TiffBlock badOrientation;
    badOrientation.U16(1);
    badOrientation.Entry(0x0112, 3, 1, 9);
    badOrientation.U32(0);

    test::TiffBlock truncated;
    truncated.U16(3);

    int i = 0;
    for (const test::TiffBlock* tiff : {&outside, &hugeCount, &loop, &badOrientation, &truncated}) {
        const std::string path = Crafted("bad" + std::to_string(i++) + ".jpg", *tiff);
        EXPECT_EQ(ReadExifDate(path), "") << path;
        const int orientation = ReadExifOrientation(path);
        EXPECT_TRUE(orientation >= 1 && orientation <= 8) << path;
    }
    EXPECT_EQ(ReadExifOrientation(Crafted("nine.jpg", badOrientation)), 1);
}

TEST_F(ExifDateTest, DamagedMetadataNeverCrashesAReader) {
    const std::string good =
        test::ReadBytes(Photo("good.jpg", {{"Exif.Image.DateTime", "2008:02:20 16:07:33"},
                                           {"Exif.Image.Orientation", "6"},
                                           {"Exif.Photo.DateTimeOriginal", "2008:02:20 16:07:33"},
                                           {"Exif.Thumbnail.DateTime", "2008:02:20 16:07:33"}}));
    const std::size_t app1 = good.find("Exif");
    ASSERT_NE(app1, std::string::npos);
    const std::size_t app1End = app1 + 200;
    ASSERT_LT(app1End, good.size());

    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525U + 1013904223U; };
    const std::string path = Path("damaged.jpg");
    for (int round = 0; round < 400; ++round) {
        std::string damaged = good;
        const int flips = 1 + static_cast<int>(next() % 6);
        for (int f = 0; f < flips; ++f) {
            damaged[app1 + next() % (app1End - app1)] = static_cast<char>(next() >> 24);
        }
        if (round % 10 == 0) {
            damaged.resize(app1 + next() % (app1End - app1));
        }
        test::WriteBytes(path, damaged);
        const std::string stamp = ReadExifDate(path);
        EXPECT_EQ(stamp.find('/'), std::string::npos);
        const int orientation = ReadExifOrientation(path);
        EXPECT_TRUE(orientation >= 1 && orientation <= 8);
        Canvas picture;
        Canvas scratch;
        std::string error;
        (void)LoadUprightPicture(path, picture, scratch, 0, error);
    }
}

} // namespace
} // namespace kalvimo

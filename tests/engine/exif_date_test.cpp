#include "exif_date.h"
#include "exif_maker.h"
#include "picture_maker.h"
#include "temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;

// One directory entry: tag, type (2 ASCII, 3 SHORT, 4 LONG, 11 FLOAT), count, value or offset.
struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
};
// No next directory.
const std::string kEnd(4, '\0');

class ExifDateTest : public test::TempFolderTest {
protected:
    std::string Photo(const std::string& name, const test::ExifProperties& properties) {
        const std::string path = Path(name);
        test::WriteJpegWithExif(path, test::CoordinatePicture(16, 8), properties);
        return path;
    }
    // A JPEG whose EXIF block is made by hand, little-endian, so that it can be as malformed as
    // a test needs: a main directory that claims count entries, holds entries and ends in tail.
    std::string Crafted(const std::string& name, std::uint16_t count,
                        const std::vector<Entry>& entries, const std::string& tail) {
        std::string tiff("II*\0\x08\0\0\0", 8);
        const auto put = [&tiff](std::uint32_t value, int bytes) {
            for (int i = 0; i < bytes; ++i) {
                tiff += static_cast<char>(value >> (8 * i));
            }
        };
        put(count, 2);
        for (const Entry& e : entries) {
            put(e.tag, 2);
            put(e.type, 2);
            put(e.count, 4);
            put(e.value, 4);
        }
        // An APP1 segment, its length counting itself, right after the SOI marker.
        const std::size_t length = tiff.size() + tail.size() + 8;
        const std::string jpeg = test::ReadBytes(Photo(name, {}));
        test::WriteBytes(Path(name), jpeg.substr(0, 2) + "\xFF\xE1" +
                                         static_cast<char>(length >> 8) +
                                         static_cast<char>(length) + std::string("Exif\0\0", 6) +
                                         tiff + tail + jpeg.substr(2));
        return Path(name);
    }
};

// Values of each kind, and which property counts: the first named DateTime in file order.
TEST_F(ExifDateTest, FirstPropertyNamedDateTimeGivesTheStamp) {
    const std::string date = "Exif.Image.DateTime";
    const struct {
        test::ExifProperties properties;
        const char* stamp;
    } cases[] = {
        {{{date, "2008:02:20 16:07:33"}}, "20080220_160733"},
        {{{date, "0000:00:00 00:00:00"}}, ""},
        // An unset camera clock: 15 underscores stand in for the date.
        {{{date, "    :  :     :  :  "}}, "_______________"},
        // Read from the file and used in a file name: no way out of the destination folder.
        {{{date, "../../etc/x"}}, ".._.._etc_x"},
        // The date the picture was taken has another name and does not count.
        {{{"Exif.Photo.DateTimeOriginal", "2001:01:01 01:01:01"}}, ""},
        // The thumbnail's directory comes later in the file, but its property bears the name too.
        {{{"Exif.Thumbnail.DateTime", "2002:02:02 02:02:02"}}, "20020202_020202"},
        {{{"Exif.Photo.DateTimeOriginal", "2001:01:01 01:01:01"},
          {date, "2008:02:20 16:07:33"},
          {"Exif.Thumbnail.DateTime", "2002:02:02 02:02:02"}},
         "20080220_160733"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.properties.back().first + " \"" + c.properties.back().second + "\"");
        EXPECT_EQ(ReadExifDate(Photo("p.jpg", c.properties)), c.stamp);
    }
}

TEST_F(ExifDateTest, FilesWithoutUsableMetadataGiveNoDate) {
    Photo("plain.jpg", {});
    test::WriteBytes(Path("text.jpg"), "not a picture");
    test::WriteBytes(Path("empty.jpg"), "");
    fs::create_directory(Path("folder.jpg"));
    ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    for (const char* name :
         {"plain.jpg", "text.jpg", "empty.jpg", "folder.jpg", "pipe.jpg", "missing.jpg"}) {
        EXPECT_EQ(ReadExifDate(Path(name)), "") << name;
        EXPECT_EQ(ReadExifOrientation(Path(name)), 1) << name;
    }
}

// A value that is not text, or holds bytes that are not printable ASCII, is passed over for the
// next one of the main directory; text stops at its NUL and what follows cannot reach the file
// name; a value without the closing NUL loses none of its characters. Malformed blocks give no
// date and never crash.
TEST_F(ExifDateTest, HandMadeBlocksAreReadAsTheyStand) {
    const std::string date = "2008:02:20 16:07:33";
    const std::string stamp = "20080220_160733";
    struct Case {
        std::string name;
        std::uint16_t count;
        std::vector<Entry> entries;
        std::string tail, stamp;
    };
    std::vector<Case> cases = {
        {"text", 1, {{0x0132, 2, 26, 26}}, kEnd + date + std::string("\0/../x\0", 7), stamp},
        {"text without NUL", 1, {{0x0132, 2, 19, 26}}, kEnd + date, stamp},
        {"outside", 2, {{0x0132, 2, 20, 0x7FFFFFF0}, {0x0112, 3, 1, 6}}, kEnd, ""},
        {"huge count", 0xFFFF, {{0x0132, 2, 0xFFFFFFFF, 8}}, "", ""},
        // The Exif directory is the main one again.
        {"loop", 1, {{0x8769, 4, 1, 8}}, std::string("\x08\0\0\0", 4), ""},
        {"orientation 9", 1, {{0x0112, 3, 1, 9}}, kEnd, ""},
        {"truncated", 3, {}, "", ""},
    };
    for (const auto& [name, entry] : {std::pair{"shorts", Entry{0x0132, 3, 2, 0x00020001}},
                                      std::pair{"float", Entry{0x0132, 11, 1, 0x3F800000}},
                                      std::pair{"garbage", Entry{0x0132, 2, 3, 0x0000FEFF}},
                                      std::pair{"escape", Entry{0x0132, 2, 4, 0x00411B41}}}) {
        cases.push_back({name, 2, {entry, {0x0132, 2, 20, 38}}, kEnd + date + '\0', stamp});
        cases.push_back({name + std::string(" alone"), 1, {entry}, kEnd, ""});
    }
    for (const Case& c : cases) {
        const std::string path = Crafted(c.name + ".jpg", c.count, c.entries, c.tail);
        EXPECT_EQ(ReadExifDate(path), c.stamp) << c.name;
        const int orientation = ReadExifOrientation(path);
        EXPECT_TRUE(orientation >= 1 && orientation <= 8) << c.name;
    }
    EXPECT_EQ(ReadExifOrientation(Path("orientation 9.jpg")), 1);
}

} // namespace
} // namespace kalvimo

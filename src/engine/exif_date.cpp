#include "exif_date.h"

#include <algorithm>
#include <exiv2/exiv2.hpp>
#include <memory>
#include <mutex>
#include <optional>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

namespace kalvimo {

namespace {

// The XMP toolkit under the library is not safe on several threads unless given a lock.
void LockXmp(void* mutex, bool lock) {
    if (lock) {
        static_cast<std::mutex*>(mutex)->lock();
    } else {
        static_cast<std::mutex*>(mutex)->unlock();
    }
}

} // namespace

void PrepareMetadataReader() {
    static std::mutex xmpMutex;
    static const bool prepared = [] {
        // A malformed file is an ordinary event of a run, not something to write to the terminal.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmp, &xmpMutex);
        // HEIF and AVIF photos keep their EXIF in the ISO media boxes the library reads only
        // when asked to.
        Exiv2::enableBMFF(true);
        return true;
    }();
    (void)prepared;
}

namespace {

// The library's interface is written in std::auto_ptr, which some compilers flag at every use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
// Null when the file is not a picture with readable metadata. Only regular files are opened,
// so that a named pipe cannot stall the run; a FileIo of our own keeps the library from
// taking a name such as "http:..." for an address.
std::unique_ptr<Exiv2::Image> OpenMetadata(const std::string& path) {
    PrepareMetadataReader();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return nullptr;
    }
    Exiv2::BasicIo::AutoPtr io(new Exiv2::FileIo(path));
    // This build of the library hands out std::auto_ptr; own the result the modern way at once.
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(io).release());
    if (image) {
        image->readMetadata();
    }
    return image;
}
#pragma GCC diagnostic pop

// The text of a DateTime property, up to its NUL; nothing when the value cannot be a date that
// is safe in a file name: not of the text type, or holding bytes that are not printable ASCII.
std::optional<std::string> UsableText(const Exiv2::Exifdatum& datum) {
    if (datum.typeId() != Exiv2::asciiString) {
        return std::nullopt;
    }
    std::vector<Exiv2::byte> bytes(datum.size());
    datum.copy(bytes.data(), Exiv2::littleEndian);
    std::string text(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        return std::nullopt;
    }
    return text;
}

// A path separator cannot lead out of the destination folder.
std::string StampFromText(std::string value) {
    value.erase(std::remove(value.begin(), value.end(), ':'), value.end());
    if (value == "00000000 000000") {
        return {};
    }
    std::replace(value.begin(), value.end(), ' ', '_');
    std::replace(value.begin(), value.end(), '/', '_');
    return value;
}

} // namespace

std::string ReadExifDate(const std::string& path) {
    try {
        const std::unique_ptr<Exiv2::Image> image = OpenMetadata(path);
        if (!image) {
            return {};
        }
        // After an unusable value only the main directory's next DateTime is worth a try.
        bool passedOver = false;
        for (const Exiv2::Exifdatum& datum : image->exifData()) {
            if (::strcasecmp(datum.tagName().c_str(), "DateTime") != 0 ||
                (passedOver && datum.groupName() != "Image")) {
                continue;
            }
            if (const std::optional<std::string> text = UsableText(datum)) {
                return StampFromText(*text);
            }
            passedOver = true;
        }
    } catch (...) {
        // Any failure of the reader means the picture has no usable date.
    }
    return {};
}

int ReadExifOrientation(const std::string& path) {
    try {
        const std::unique_ptr<Exiv2::Image> image = OpenMetadata(path);
        // HEIF and AVIF pictures come out of their reader already turned by the file's own
        // transformations; the EXIF value there only repeats them.
        if (!image || image->imageType() == Exiv2::ImageType::bmff) {
            return 1;
        }
        const Exiv2::ExifData& exif = image->exifData();
        const auto found = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (found == exif.end() || found->count() < 1) {
            return 1;
        }
        const long value = found->toLong(0);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    } catch (...) {
        return 1;
    }
}

} // namespace kalvimo

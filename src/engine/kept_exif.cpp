#include "kept_exif.h"

#include "metadata_file.h"

namespace kalvimo {

namespace {

// A JPEG marker holds 65533 bytes after its length, "Exif\0\0" among them.
constexpr std::size_t kMaxExifBytes = 65533 - 6;

} // namespace

std::vector<std::uint8_t> KeptExif(const std::string& path, int width, int height) {
    try {
        std::optional<ExifBlock> source = ReadExif(path);
        if (!source || source->data.empty()) {
            return {};
        }
        Exiv2::ExifData& exif = source->data;
        for (auto datum = exif.begin(); datum != exif.end();) {
            const std::string group = datum->groupName();
            const bool drop =
                group == "GPSInfo" || group == "Thumbnail" || datum->key() == "Exif.Image.GPSTag";
            datum = drop ? exif.erase(datum) : std::next(datum);
        }
        exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
        exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(width);
        exif["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(height);
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, source->order, exif);
        if (blob.size() > kMaxExifBytes) {
            return {};
        }
        return {blob.begin(), blob.end()};
    } catch (...) {
        // EXIF the reader cannot make sense of is not worth carrying.
        return {};
    }
}

} // namespace kalvimo

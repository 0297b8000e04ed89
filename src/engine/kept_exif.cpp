#include "kept_exif.h"

#include "metadata_file.h"

#include <algorithm>
#include <string_view>

namespace kalvimo {

namespace {

// A JPEG marker holds 65533 bytes after its length, "Exif\0\0" among them.
constexpr std::size_t kMaxExifBytes = 65533 - 6;

// Tags of the first directory that describe how the source file lays out and colours its pixels
// (a TIFF keeps its EXIF there), not the photo: the written picture has its own layout, and its
// pixels are sRGB whatever profile the source had.
constexpr std::string_view kLayoutTags[] = {"NewSubfileType",
                                            "SubfileType",
                                            "ImageWidth",
                                            "ImageLength",
                                            "BitsPerSample",
                                            "Compression",
                                            "PhotometricInterpretation",
                                            "Thresholding",
                                            "CellWidth",
                                            "CellLength",
                                            "FillOrder",
                                            "StripOffsets",
                                            "SamplesPerPixel",
                                            "RowsPerStrip",
                                            "StripByteCounts",
                                            "MinSampleValue",
                                            "MaxSampleValue",
                                            "PlanarConfiguration",
                                            "GrayResponseUnit",
                                            "GrayResponseCurve",
                                            "T4Options",
                                            "T6Options",
                                            "PageNumber",
                                            "TransferFunction",
                                            "Predictor",
                                            "WhitePoint",
                                            "PrimaryChromaticities",
                                            "ColorMap",
                                            "HalftoneHints",
                                            "TileWidth",
                                            "TileLength",
                                            "TileOffsets",
                                            "TileByteCounts",
                                            "SubIFDs",
                                            "InkSet",
                                            "InkNames",
                                            "NumberOfInks",
                                            "DotRange",
                                            "ExtraSamples",
                                            "SampleFormat",
                                            "SMinSampleValue",
                                            "SMaxSampleValue",
                                            "TransferRange",
                                            "JPEGTables",
                                            "JPEGProc",
                                            "JPEGInterchangeFormat",
                                            "JPEGInterchangeFormatLength",
                                            "JPEGRestartInterval",
                                            "JPEGLosslessPredictors",
                                            "JPEGPointTransforms",
                                            "JPEGQTables",
                                            "JPEGDCTables",
                                            "JPEGACTables",
                                            "YCbCrCoefficients",
                                            "YCbCrSubSampling",
                                            "ReferenceBlackWhite",
                                            "ImageResources",
                                            "InterColorProfile"};

bool Dropped(const Exiv2::Exifdatum& datum) {
    const std::string group = datum.groupName();
    if (group == "GPSInfo" || group == "Thumbnail" || datum.key() == "Exif.Image.GPSTag") {
        return true;
    }
    // Further directories of a TIFF hold its other pages and their layouts.
    if (group.starts_with("SubImage") || (group.starts_with("Image") && group != "Image")) {
        return true;
    }
    return group == "Image" && std::ranges::find(kLayoutTags, std::string_view(datum.tagName())) !=
                                   std::end(kLayoutTags);
}

} // namespace

std::vector<std::uint8_t> KeptExif(const std::string& path, int width, int height) {
    try {
        std::optional<ExifBlock> source = ReadExif(path);
        if (!source || source->data.empty()) {
            return {};
        }
        Exiv2::ExifData& exif = source->data;
        for (auto datum = exif.begin(); datum != exif.end();) {
            datum = Dropped(*datum) ? exif.erase(datum) : std::next(datum);
        }
        exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
        // The pixels written are sRGB; "uncalibrated" told of the source's.
        if (exif.findKey(Exiv2::ExifKey("Exif.Photo.ColorSpace")) != exif.end()) {
            exif["Exif.Photo.ColorSpace"] = static_cast<std::uint16_t>(1);
        }
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

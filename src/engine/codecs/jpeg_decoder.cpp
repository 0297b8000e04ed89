#include "codec_internal.h"
#include "codec_table.h"
#include "jpeg_errors.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace kalvimo::codecs {

namespace {

constexpr int kRowsPerRead = 16;

// Owns everything with a destructor, so that the function holding setjmp has none.
struct JpegReader {
    jpeg_decompress_struct info{};
    JpegErrors errors;
    jpeg_progress_mgr progress{};
    JpegFileSource source;
    std::unique_ptr<JOCTET[]> readBuffer = std::make_unique_for_overwrite<JOCTET[]>(kJpegReadSize);
    std::vector<JSAMPLE> inkRow;
    JpegIccProfile icc;
    std::string reason;

    JpegReader() { info.err = UseJpegErrors(errors); }
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;
    ~JpegReader() { jpeg_destroy_decompress(&info); }
};

// Adobe applications store CMYK inverted (0 = full ink) and say so with their marker.
void InkRowToRgb(const JSAMPLE* ink, std::uint8_t* rgb, int width, bool inverted) {
    for (int x = 0; x < width; ++x, ink += 4, rgb += 3) {
        const int k = inverted ? ink[3] : 255 - ink[3];
        for (int c = 0; c < 3; ++c) {
            const int paper = inverted ? ink[c] : 255 - ink[c];
            rgb[c] = static_cast<std::uint8_t>((paper * k + 127) / 255);
        }
    }
}

void ReadRows(JpegReader& reader, Canvas& canvas) {
    jpeg_decompress_struct& info = reader.info;
    const bool ink = info.out_color_space == JCS_CMYK;
    if (ink) {
        reader.inkRow.resize(static_cast<std::size_t>(info.output_width) * 4);
    }
    JSAMPROW rows[kRowsPerRead];
    while (info.output_scanline < info.output_height) {
        const int first = static_cast<int>(info.output_scanline);
        if (ink) {
            rows[0] = reader.inkRow.data();
            jpeg_read_scanlines(&info, rows, 1);
            InkRowToRgb(reader.inkRow.data(), canvas.Row(first), canvas.Width(),
                        info.saw_Adobe_marker != 0);
            continue;
        }
        const int count = std::min(kRowsPerRead, canvas.Height() - first);
        for (int i = 0; i < count; ++i) {
            rows[i] = canvas.Row(first + i);
        }
        jpeg_read_scanlines(&info, rows, static_cast<JDIMENSION>(count));
    }
}

// Holds only trivially destructible locals: libjpeg leaves it by longjmp.
bool Decode(JpegReader& reader, std::FILE* file, std::int64_t fileSize, Canvas& canvas) {
    jpeg_decompress_struct& info = reader.info;
    if (setjmp(reader.errors.jump) != 0) {
        reader.reason = reader.errors.sawEnd ? kEndsEarly : reader.errors.message;
        return false;
    }
    jpeg_create_decompress(&info);
    UseJpegReadingRules(info, reader.errors, reader.progress);
    UseJpegFileSource(info, reader.source, file, reader.readBuffer.get());
    jpeg_read_header(&info, TRUE);
    if (!JpegSizeIsPlausible(info, fileSize, kMaxDecodedPixels, reader.reason)) {
        return false;
    }
    // A file of several scans is held whole as coefficients, 2 bytes a sample.
    ReserveWholePicture(info.image_width, info.image_height,
                        jpeg_has_multiple_scans(&info) ? 2 * info.num_components : 0);
    reader.icc.Read(info);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        info.out_color_space = JCS_CMYK;
    } else {
        info.out_color_space = JCS_RGB;
    }
    jpeg_calc_output_dimensions(&info);
    const std::int64_t width = info.output_width;
    const std::int64_t height = info.output_height;
    // A file of several scans is read whole here, so damage shows before the canvas is allocated.
    jpeg_start_decompress(&info);
    if (!HasAllJpegData(info, reader.errors.sawEnd)) {
        reader.reason = kEndsEarly;
        return false;
    }
    if (!canvas.Resize(static_cast<int>(width), static_cast<int>(height))) {
        reader.reason = TooLargeReason(width, height);
        return false;
    }
    ReadRows(reader, canvas);
    // Not finishing: what follows the last row (often a missing end marker) cannot spoil it.
    return true;
}

bool IsJpeg(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kSignature[] = {0xFF, 0xD8, 0xFF};
    return StartsWith(head, kSignature);
}

bool DecodeJpeg(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour,
                std::string& reason) {
    JpegReader reader;
    const bool ok = Decode(reader, file, fileSize, canvas);
    if (!ok) {
        reason = reader.reason;
        return false;
    }
    canvas.SetIccProfile(reader.icc.Bytes());
    return true;
}

} // namespace

constinit const PictureReader kJpegReader{.format = PictureFormat::Jpeg,
                                          .name = "JPEG",
                                          .matches = IsJpeg,
                                          .extensions = "*.jpg;*.jpeg",
                                          .decode = DecodeJpeg};

} // namespace kalvimo::codecs

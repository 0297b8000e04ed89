#include "codec_internal.h"
#include "codec_table.h"
#include "jpeg_errors.h"
#include "picture_encoder.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace kalvimo {

namespace {

constexpr int kRowsPerWrite = 16;

struct JpegWriter {
    jpeg_compress_struct info{};
    codecs::JpegErrors errors;
    // The whole APP1 marker after its length: "Exif\0\0" and the TIFF structure.
    std::vector<JOCTET> exifMarker;

    JpegWriter() { info.err = codecs::UseJpegErrors(errors); }
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;
    ~JpegWriter() { jpeg_destroy_compress(&info); }
};

// Holds only trivially destructible locals: libjpeg leaves it by longjmp.
bool Encode(JpegWriter& writer, const Canvas& canvas, std::FILE* out, int quality) {
    jpeg_compress_struct& info = writer.info;
    if (setjmp(writer.errors.jump) != 0) {
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(canvas.Width());
    info.image_height = static_cast<JDIMENSION>(canvas.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(quality, 0, 100), TRUE);
    info.optimize_coding = TRUE;
    // EXIF wants its marker straight after the start of the file, where JFIF's would go.
    const bool exif = !writer.exifMarker.empty();
    if (exif) {
        info.write_JFIF_header = FALSE;
    }
    jpeg_start_compress(&info, TRUE);
    if (exif) {
        jpeg_write_marker(&info, JPEG_APP0 + 1, writer.exifMarker.data(),
                          static_cast<unsigned int>(writer.exifMarker.size()));
    }
    // libjpeg takes rows as mutable but only reads them.
    JSAMPROW rows[kRowsPerWrite];
    while (info.next_scanline < info.image_height) {
        const int first = static_cast<int>(info.next_scanline);
        const int count = std::min(kRowsPerWrite, canvas.Height() - first);
        for (int i = 0; i < count; ++i) {
            rows[i] = const_cast<JSAMPROW>(canvas.Row(first + i));
        }
        jpeg_write_scanlines(&info, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

bool WriteJpeg(const Canvas& canvas, std::FILE* out, int quality, std::string& error,
               std::span<const std::uint8_t> exif) {
    if (canvas.Empty()) {
        error = "there is no picture to write";
        return false;
    }
    JpegWriter writer;
    if (!exif.empty()) {
        static constexpr JOCTET kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
        writer.exifMarker.assign(std::begin(kExifHeader), std::end(kExifHeader));
        writer.exifMarker.insert(writer.exifMarker.end(), exif.begin(), exif.end());
    }
    if (!Encode(writer, canvas, out, quality)) {
        error = std::string("the JPEG encoder failed: ") + writer.errors.message;
        return false;
    }
    return codecs::FlushOutput(out, error);
}

constinit const codecs::PictureWriter codecs::kJpegWriter{
    .extensions = "*.JPG;*.JPEG;*.JPE;*.JFIF",
    .encode = [](const Canvas& canvas, std::FILE* out, const codecs::WriteSettings& settings,
                 std::string& error) {
        return WriteJpeg(canvas, out, settings.quality, error, settings.exif);
    }};

} // namespace kalvimo

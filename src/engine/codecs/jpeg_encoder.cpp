#include "codec_internal.h"
#include "jpeg_errors.h"
#include "picture_encoder.h"

#include <algorithm>

namespace kalvimo {

namespace {

constexpr int kRowsPerWrite = 16;

struct JpegWriter {
    jpeg_compress_struct info{};
    codecs::JpegErrors errors;

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
    jpeg_start_compress(&info, TRUE);
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

bool WriteJpeg(const Canvas& canvas, std::FILE* out, int quality, std::string& error) {
    if (canvas.Empty()) {
        error = "there is no picture to write";
        return false;
    }
    JpegWriter writer;
    if (!Encode(writer, canvas, out, quality)) {
        error = std::string("the JPEG encoder failed: ") + writer.errors.message;
        return false;
    }
    return codecs::FlushOutput(out, error);
}

} // namespace kalvimo

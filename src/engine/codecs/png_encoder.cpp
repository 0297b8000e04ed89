#include "codec_internal.h"
#include "codec_table.h"
#include "picture_encoder.h"

#include <png.h>

namespace kalvimo {

namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[200] = {};

    PngWriter() = default;
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
    ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    auto* writer = static_cast<PngWriter*>(png_get_error_ptr(png));
    std::snprintf(writer->message, sizeof writer->message, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Holds only trivially destructible locals: libpng leaves it by longjmp.
bool Encode(PngWriter& writer, const Canvas& canvas, std::FILE* out) {
    if (setjmp(png_jmpbuf(writer.png)) != 0) {
        return false;
    }
    png_init_io(writer.png, out);
    png_set_IHDR(writer.png, writer.info, static_cast<png_uint_32>(canvas.Width()),
                 static_cast<png_uint_32>(canvas.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Measured on a photograph-like 800 x 600 frame: the default (level 6, every filter tried on
    // each row) takes 6 times as long as level 1 with the Up filter, for a file 15 % smaller.
    png_set_compression_level(writer.png, 1);
    png_set_filter(writer.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(writer.png, writer.info);
    for (int y = 0; y < canvas.Height(); ++y) {
        png_write_row(writer.png, canvas.Row(y));
    }
    png_write_end(writer.png, nullptr);
    return true;
}

} // namespace

bool WritePng(const Canvas& canvas, std::FILE* out, std::string& error) {
    if (canvas.Empty()) {
        error = "there is no picture to write";
        return false;
    }
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &writer, OnError, OnWarning);
    if (writer.png != nullptr) {
        writer.info = png_create_info_struct(writer.png);
    }
    if (writer.info == nullptr) {
        error = "not enough memory";
        return false;
    }
    if (!Encode(writer, canvas, out)) {
        error = std::string("the PNG encoder failed: ") + writer.message;
        return false;
    }
    return codecs::FlushOutput(out, error);
}

constinit const codecs::PictureWriter codecs::kPngWriter{
    .extensions = "*.PNG",
    .encode = [](const Canvas& canvas, std::FILE* out, const codecs::WriteSettings&,
                 std::string& error) { return WritePng(canvas, out, error); }};

} // namespace kalvimo

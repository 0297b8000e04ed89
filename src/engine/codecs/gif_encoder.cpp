#include "codec_internal.h"
#include "codec_table.h"
#include "gif_palette.h"
#include "picture_encoder.h"

#include <bit>
#include <gif_lib.h>
#include <memory>
#include <vector>

namespace kalvimo {

namespace {

constexpr int kMaxGifSide = 65535;

struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Writing through the caller's stream keeps its descriptor in the caller's hands.
int WriteToFile(GifFileType* gif, const GifByteType* data, int size) {
    return static_cast<int>(std::fwrite(data, 1, static_cast<std::size_t>(size),
                                        static_cast<std::FILE*>(gif->UserData)));
}

bool Refuse(std::string& error, int gifError) {
    const char* text = GifErrorString(gifError);
    error = std::string("the GIF encoder failed: ") + (text != nullptr ? text : "unknown error");
    return false;
}

} // namespace

bool WriteGif(const Canvas& canvas, std::FILE* out, std::string& error) {
    if (canvas.Empty()) {
        error = "there is no picture to write";
        return false;
    }
    if (canvas.Width() > kMaxGifSide || canvas.Height() > kMaxGifSide) {
        error = "the picture is too large for a GIF file";
        return false;
    }
    const codecs::GifPalette palette(canvas);
    const std::vector<Rgb>& colours = palette.Colours();
    // A GIF colour table holds a power of two entries, two at least.
    const auto tableSize =
        static_cast<int>(std::max<std::size_t>(2, std::bit_ceil(colours.size())));
    std::vector<GifColorType> table(static_cast<std::size_t>(tableSize));
    for (std::size_t i = 0; i < colours.size(); ++i) {
        table[i] = {colours[i].r, colours[i].g, colours[i].b};
    }
    const std::unique_ptr<ColorMapObject, MapFreer> map(GifMakeMapObject(tableSize, table.data()));
    if (!map) {
        error = "not enough memory";
        return false;
    }

    int gifError = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(out, WriteToFile, &gifError));
    if (!gif) {
        return Refuse(error, gifError);
    }
    EGifSetGifVersion(gif.get(), true);
    if (EGifPutScreenDesc(gif.get(), canvas.Width(), canvas.Height(), 8, 0, map.get()) ==
            GIF_ERROR ||
        EGifPutImageDesc(gif.get(), 0, 0, canvas.Width(), canvas.Height(), false, nullptr) ==
            GIF_ERROR) {
        return Refuse(error, gif->Error);
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(canvas.Width()));
    for (int y = 0; y < canvas.Height(); ++y) {
        palette.MapRow(canvas.Row(y), canvas.Width(), line.data());
        if (EGifPutLine(gif.get(), line.data(), canvas.Width()) == GIF_ERROR) {
            return Refuse(error, gif->Error);
        }
    }
    if (EGifCloseFile(gif.release(), &gifError) == GIF_ERROR) {
        return Refuse(error, gifError);
    }
    return codecs::FlushOutput(out, error);
}

constinit const codecs::PictureWriter codecs::kGifWriter{
    .extensions = "*.GIF",
    .encode = [](const Canvas& canvas, std::FILE* out, const codecs::WriteSettings&,
                 std::string& error) { return WriteGif(canvas, out, error); }};

} // namespace kalvimo

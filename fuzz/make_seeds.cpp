// Writes a small seed corpus for each fuzz target: <folder>/<target>/<seed>.
#include "codecs/picture_encoder.h"
#include "settings_keys.h"

#include <cstdio>
#include <exiv2/exiv2.hpp>
#include <filesystem>
#include <functional>
#include <libheif/heif.h>
#include <memory>
#include <png.h>
#include <string>
#include <string_view>
#include <tiffio.h>
#include <utility>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace fs = std::filesystem;
using kalvimo::Canvas;

namespace {

Canvas Picture(int width, int height) {
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            canvas.SetPixel(x, y,
                            {static_cast<std::uint8_t>(x * 16), static_cast<std::uint8_t>(y * 16),
                             static_cast<std::uint8_t>((x ^ y) * 9)});
        }
    }
    return canvas;
}

bool Write(const fs::path& path, const std::function<bool(std::FILE*)>& write) {
    fs::create_directories(path.parent_path());
    std::FILE* out = std::fopen(path.c_str(), "wb");
    const bool ok = out != nullptr && write(out);
    if (out != nullptr) {
        std::fclose(out);
    }
    if (!ok) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
    }
    return ok;
}

bool WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    return Write(path, [&](std::FILE* out) {
        return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    });
}

// Variants the program's own writer never makes: grey, progressive, with restart markers.
bool WriteJpegVariant(const fs::path& path, const Canvas& picture, bool grey, bool progressive,
                      unsigned restartInterval) {
    return Write(path, [&](std::FILE* out) {
        jpeg_compress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, out);
        info.image_width = static_cast<JDIMENSION>(picture.Width());
        info.image_height = static_cast<JDIMENSION>(picture.Height());
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        if (grey) {
            jpeg_set_colorspace(&info, JCS_GRAYSCALE);
        }
        if (progressive) {
            jpeg_simple_progression(&info);
        }
        info.restart_interval = restartInterval;
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(picture.Row(static_cast<int>(info.next_scanline)));
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        return true;
    });
}

bool WritePngVariant(const fs::path& path, int colourType, int bitDepth, bool interlaced) {
    return Write(path, [&](std::FILE* out) {
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            return false;
        }
        const int width = 9;
        const int height = 7;
        png_init_io(png, out);
        png_set_IHDR(png, info, width, height, bitDepth, colourType,
                     interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_color palette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
        png_byte alpha[4] = {0, 255, 128, 64};
        if (colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_PLTE(png, info, palette, 4);
            png_set_tRNS(png, info, alpha, 4, nullptr);
        }
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_zTXt;
        text.key = const_cast<char*>("Comment");
        text.text = const_cast<char*>("seed");
        png_set_text(png, info, &text, 1);
        png_write_info(png, info);
        const int channels = colourType == PNG_COLOR_TYPE_RGB_ALPHA    ? 4
                             : colourType == PNG_COLOR_TYPE_RGB        ? 3
                             : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                       : 1;
        std::vector<png_byte> row(static_cast<std::size_t>(width * channels * bitDepth / 8 + 1));
        std::vector<png_bytep> rows(height, nullptr);
        std::vector<std::vector<png_byte>> storage(height, row);
        for (int y = 0; y < height; ++y) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                storage[static_cast<std::size_t>(y)][i] = static_cast<png_byte>(i * 37 + y * 11);
            }
            rows[static_cast<std::size_t>(y)] = storage[static_cast<std::size_t>(y)].data();
        }
        png_write_image(png, rows.data());
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        return true;
    });
}

void PutLe(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A BMP of the given header fields; palette and pixels follow as given.
std::vector<std::uint8_t> Bmp(std::uint32_t headerSize, int width, int height, int bits,
                              std::uint32_t compression, const std::vector<std::uint32_t>& masks,
                              const std::vector<std::uint8_t>& palette,
                              const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> info;
    PutLe(info, headerSize, 4);
    PutLe(info, static_cast<std::uint32_t>(width), 4);
    PutLe(info, static_cast<std::uint32_t>(height), 4);
    PutLe(info, 1, 2);
    PutLe(info, static_cast<std::uint32_t>(bits), 2);
    PutLe(info, compression, 4);
    PutLe(info, static_cast<std::uint32_t>(pixels.size()), 4);
    PutLe(info, 2835, 4);
    PutLe(info, 2835, 4);
    PutLe(info, static_cast<std::uint32_t>(palette.size() / 4), 4);
    PutLe(info, 0, 4);
    for (const std::uint32_t mask : masks) {
        PutLe(info, mask, 4);
    }
    info.resize(std::max<std::size_t>(info.size(), headerSize), 0);
    info.insert(info.end(), palette.begin(), palette.end());
    std::vector<std::uint8_t> file{'B', 'M'};
    PutLe(file, static_cast<std::uint32_t>(14 + info.size() + pixels.size()), 4);
    PutLe(file, 0, 4);
    PutLe(file, static_cast<std::uint32_t>(14 + info.size()), 4);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

bool WriteExifJpeg(const fs::path& path) {
    std::string error;
    if (!Write(path,
               [&](std::FILE* out) { return kalvimo::WriteJpeg(Picture(8, 8), out, 80, error); })) {
        return false;
    }
    try {
        std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path.string()).release());
        image->readMetadata();
        image->exifData()["Exif.Image.DateTime"] = "2021:06:05 14:03:09";
        image->exifData()["Exif.Image.Orientation"] = std::uint16_t{6};
        image->exifData()["Exif.Photo.DateTimeOriginal"] = "2021:06:05 14:03:09";
        image->xmpData()["Xmp.dc.title"] = "seed";
        image->writeMetadata();
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.what());
        return false;
    }
}

// The seeds' EXIF, as HEIF and WebP carry it: a TIFF block with a date and an orientation.
std::string ExifBlock() {
    Exiv2::ExifData exif;
    exif["Exif.Image.DateTime"] = "2021:06:05 14:03:09";
    exif["Exif.Image.Orientation"] = std::uint16_t{6};
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    return {blob.begin(), blob.end()};
}

// picture as RGBA, its left half half transparent when alpha is asked for.
std::vector<std::uint8_t> Rgba(const Canvas& picture, bool alpha) {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const kalvimo::Rgb c = picture.Pixel(x, y);
            rgba.insert(rgba.end(),
                        {c.r, c.g, c.b, static_cast<std::uint8_t>(alpha && x < 8 ? 128 : 255)});
        }
    }
    return rgba;
}

bool WriteHeifSeed(const fs::path& path, heif_compression_format format, bool alpha,
                   heif_orientation orientation) {
    fs::create_directories(path.parent_path());
    const Canvas picture = Picture(16, 16);
    const std::vector<std::uint8_t> rgba = Rgba(picture, alpha);
    heif_init(nullptr);
    std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                   heif_context_free);
    heif_image* image = nullptr;
    heif_image_create(16, 16, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &image);
    heif_image_add_plane(image, heif_channel_interleaved, 16, 16, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < 16; ++y) {
        std::copy_n(&rgba[static_cast<std::size_t>(y) * 64], 64, plane + y * stride);
    }
    heif_encoder* encoder = nullptr;
    bool ok =
        heif_context_get_encoder_for_format(context.get(), format, &encoder).code == heif_error_Ok;
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = orientation;
    options->save_alpha_channel = alpha ? 1 : 0;
    heif_image_handle* handle = nullptr;
    if (ok) {
        heif_encoder_set_logging_level(encoder, 0);
        heif_encoder_set_lossy_quality(encoder, 50);
        ok = heif_context_encode_image(context.get(), image, encoder, options, &handle).code ==
             heif_error_Ok;
    }
    if (ok) {
        const std::string exif = ExifBlock();
        ok = heif_context_add_exif_metadata(context.get(), handle, exif.data(),
                                            static_cast<int>(exif.size()))
                     .code == heif_error_Ok &&
             heif_context_write_to_file(context.get(), path.c_str()).code == heif_error_Ok;
    }
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    if (encoder != nullptr) {
        heif_encoder_release(encoder);
    }
    heif_image_release(image);
    if (!ok) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
    }
    return ok;
}

// A still or two-frame WebP with an EXIF chunk.
bool WriteWebpSeed(const fs::path& path, bool lossless, bool alpha, bool animated) {
    const Canvas picture = Picture(16, 16);
    std::vector<std::uint8_t> rgba = Rgba(picture, alpha);
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = lossless ? 1 : 0;
    WebPAnimEncoderOptions animation;
    WebPAnimEncoderOptionsInit(&animation);
    std::unique_ptr<WebPAnimEncoder, void (*)(WebPAnimEncoder*)> encoder(
        WebPAnimEncoderNew(16, 16, &animation), WebPAnimEncoderDelete);
    bool ok = true;
    for (int frame = 0; frame < (animated ? 2 : 1); ++frame) {
        WebPPicture input;
        WebPPictureInit(&input);
        input.use_argb = 1;
        input.width = 16;
        input.height = 16;
        ok = ok && WebPPictureImportRGBA(&input, rgba.data(), 64) &&
             WebPAnimEncoderAdd(encoder.get(), &input, frame * 100, &config);
        WebPPictureFree(&input);
        std::fill(rgba.begin(), rgba.begin() + 256, 0);
    }
    WebPData data;
    WebPDataInit(&data);
    ok = ok && WebPAnimEncoderAdd(encoder.get(), nullptr, 200, nullptr) &&
         WebPAnimEncoderAssemble(encoder.get(), &data);
    WebPMux* mux = ok ? WebPMuxCreate(&data, 1) : nullptr;
    WebPDataClear(&data);
    const std::string exif = ExifBlock();
    const WebPData exifData{reinterpret_cast<const std::uint8_t*>(exif.data()), exif.size()};
    ok = mux != nullptr && WebPMuxSetChunk(mux, "EXIF", &exifData, 1) == WEBP_MUX_OK &&
         WebPMuxAssemble(mux, &data) == WEBP_MUX_OK;
    WebPMuxDelete(mux);
    ok = ok && WriteBytes(path, std::vector<std::uint8_t>(data.bytes, data.bytes + data.size));
    WebPDataClear(&data);
    return ok;
}

// A TIFF of 8 x 8 pixels in the given layout, with the date in its own DateTime tag.
bool WriteTiffSeed(const fs::path& path, int photometric, int samples, int bits, bool tiled,
                   int compression) {
    fs::create_directories(path.parent_path());
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr) {
        return false;
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 8);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 8);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP);
    TIFFSetField(tiff, TIFFTAG_DATETIME, "2021:06:05 14:03:09");
    if (compression == COMPRESSION_JPEG) {
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (photometric == PHOTOMETRIC_RGB && samples == 4) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    std::vector<std::uint16_t> map(std::size_t{1} << bits);
    for (std::size_t i = 0; i < map.size(); ++i) {
        map[i] = static_cast<std::uint16_t>(i * 65535 / (map.size() - 1));
    }
    if (photometric == PHOTOMETRIC_PALETTE) {
        TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    }
    const std::size_t rowBytes = static_cast<std::size_t>(8 * samples * bits / 8);
    std::vector<std::uint8_t> row(tiled ? rowBytes * 16 * 2 : rowBytes);
    for (std::size_t i = 0; i < row.size(); ++i) {
        row[i] = static_cast<std::uint8_t>(i * 29);
    }
    bool ok = true;
    if (tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
        ok = TIFFWriteTile(tiff, row.data(), 0, 0, 0, 0) >= 0;
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, compression == COMPRESSION_JPEG ? 8 : 3);
        for (std::uint32_t y = 0; y < 8 && ok; ++y) {
            ok = TIFFWriteScanline(tiff, row.data(), y) == 1;
        }
    }
    TIFFClose(tiff);
    return ok;
}

// A settings file as the window writes it, every key set to something a user might choose.
bool WriteSettingsFile(const fs::path& path) {
    using namespace kalvimo;
    StoredSettings settings = DefaultSettings(
        {"/home/ann/Pictures/Holiday 2021", "/media/ann/FRAME", "XGA : 1024x768", 800, 600, 15});
    settings.renameWithDate = true;
    settings.prefix = "Hol_";
    settings.fitting = Fitting::Letterbox;
    settings.backColour = 16744448;
    fs::create_directories(path.parent_path());
    fs::remove(path);
    if (!WriteSettings(settings, path)) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteText(const fs::path& path, std::string_view text) {
    return WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

} // namespace

// x265, behind libheif's HEIC encoder, keeps an allocation until the process ends and offers no
// call that frees it; the leak checker of the sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libx265.so\n";
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    const Canvas picture = Picture(16, 16);
    std::string error;
    bool ok = true;
    const auto ours = [&](const fs::path& path,
                          bool (*write)(const Canvas&, std::FILE*, std::string&)) {
        ok = Write(path, [&](std::FILE* out) { return write(picture, out, error); }) && ok;
    };
    ok = Write(root / "jpeg" / "plain.jpg",
               [&](std::FILE* out) { return kalvimo::WriteJpeg(picture, out, 85, error); }) &&
         ok;
    ok = WriteJpegVariant(root / "jpeg" / "grey.jpg", picture, true, false, 0) && ok;
    ok = WriteJpegVariant(root / "jpeg" / "progressive.jpg", picture, false, true, 0) && ok;
    ok = WriteJpegVariant(root / "jpeg" / "restarts.jpg", picture, false, false, 1) && ok;
    ours(root / "bmp" / "plain.bmp", kalvimo::WriteBmp);
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < 4; ++i) {
        palette.insert(palette.end(), {static_cast<std::uint8_t>(i * 60), 20, 200, 0});
    }
    ok = WriteBytes(root / "bmp" / "rle8.bmp",
                    Bmp(40, 6, 3, 8, 1, {}, palette,
                        {6, 2, 0, 0, 0, 3, 1, 2, 3, 0, 0, 2, 1, 0, 2, 3, 0, 0, 1, 1, 0, 1})) &&
         ok;
    ok = WriteBytes(root / "bmp" / "rle4.bmp",
                    Bmp(40, 7, 2, 4, 2, {}, palette,
                        {7, 0x12, 0, 0, 0, 5, 0x01, 0x23, 0x10, 0, 2, 0x32, 0, 1})) &&
         ok;
    std::vector<std::uint8_t> bgra;
    for (int i = 0; i < 6; ++i) {
        bgra.insert(bgra.end(), {static_cast<std::uint8_t>(i * 40), 90, 200,
                                 static_cast<std::uint8_t>(i * 50)});
    }
    ok = WriteBytes(root / "bmp" / "alpha-v5.bmp",
                    Bmp(124, 3, 2, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {}, bgra)) &&
         ok;
    ok = WriteBytes(root / "bmp" / "565.bmp",
                    Bmp(40, 2, 2, 16, 3, {0xF800, 0x07E0, 0x001F}, {}, {1, 2, 3, 4, 5, 6, 7, 8})) &&
         ok;
    ours(root / "gif" / "plain.gif", kalvimo::WriteGif);
    ours(root / "png" / "plain.png", kalvimo::WritePng);
    ok = WritePngVariant(root / "png" / "palette.png", PNG_COLOR_TYPE_PALETTE, 2, false) && ok;
    ok = WritePngVariant(root / "png" / "rgba16-interlaced.png", PNG_COLOR_TYPE_RGB_ALPHA, 16,
                         true) &&
         ok;
    ok = WritePngVariant(root / "png" / "grey1.png", PNG_COLOR_TYPE_GRAY, 1, false) && ok;
    ok = WriteExifJpeg(root / "exif_date" / "dated.jpg") && ok;
    for (const char* folder : {"heif", "exif_date"}) {
        ok = WriteHeifSeed(root / folder / "turned.heic", heif_compression_HEVC, false,
                           heif_orientation_rotate_90_cw) &&
             ok;
    }
    ok = WriteHeifSeed(root / "heif" / "alpha.heic", heif_compression_HEVC, true,
                       heif_orientation_normal) &&
         ok;
    ok = WriteHeifSeed(root / "heif" / "alpha.avif", heif_compression_AV1, true,
                       heif_orientation_flip_horizontally) &&
         ok;
    ok = WriteWebpSeed(root / "webp" / "lossy.webp", false, false, false) && ok;
    ok = WriteWebpSeed(root / "webp" / "lossless-alpha.webp", true, true, false) && ok;
    ok = WriteWebpSeed(root / "webp" / "animated.webp", true, true, true) && ok;
    ok = WriteWebpSeed(root / "exif_date" / "dated.webp", false, false, false) && ok;
    ok = WriteTiffSeed(root / "tiff" / "rgb8.tif", PHOTOMETRIC_RGB, 3, 8, false, 1) && ok;
    ok = WriteTiffSeed(root / "tiff" / "rgba16-deflate.tif", PHOTOMETRIC_RGB, 4, 16, false,
                       COMPRESSION_ADOBE_DEFLATE) &&
         ok;
    ok = WriteTiffSeed(root / "tiff" / "grey16-tiled.tif", PHOTOMETRIC_MINISBLACK, 1, 16, true,
                       COMPRESSION_LZW) &&
         ok;
    ok = WriteTiffSeed(root / "tiff" / "palette4.tif", PHOTOMETRIC_PALETTE, 1, 4, false,
                       COMPRESSION_PACKBITS) &&
         ok;
    ok = WriteTiffSeed(root / "tiff" / "cmyk.tif", PHOTOMETRIC_SEPARATED, 4, 8, false, 1) && ok;
    ok = WriteTiffSeed(root / "tiff" / "ycbcr-jpeg.tif", PHOTOMETRIC_YCBCR, 3, 8, false,
                       COMPRESSION_JPEG) &&
         ok;
    ok = WriteTiffSeed(root / "exif_date" / "dated.tif", PHOTOMETRIC_RGB, 3, 8, false, 1) && ok;
    ok = WriteSettingsFile(root / "settings" / "Settings.ini") && ok;
    // Written by hand on another system: byte order mark, CR LF, odd case and blanks, a
    // duplicated section, a hexadecimal colour and a number with a fraction.
    ok = WriteText(root / "settings" / "hand.ini",
                   "\xEF\xBB\xBF; edited\r\n[options]\r\n  new WIDTH = 640.5 \r\nAnchor=&H7\r\n"
                   "Back colour = &HFF00FF\r\nAutoCrop=-1\r\n\r\n[Custom Cropping]\r\nLeft=-15\r\n"
                   "Right=1E3\r\n[Options]\r\nStretch=1\r\n") &&
         ok;
    std::string presets;
    for (const std::string_view preset : kalvimo::kBuiltInPresets) {
        presets += std::string(preset) + "\n";
    }
    ok = WriteText(root / "presets" / "presets.txt", presets) && ok;
    ok = WriteText(root / "presets" / "hand.txt",
                   "\xEF\xBB\xBF"
                   "Frame : 800X480\r\n\r\nTiny : 0x0\r\nHuge : 1e12x-5\r\nTV : &H780 x &O2070\r\n"
                   "no size\r\nTwo : 1 : 2x3") &&
         ok;
    return ok ? 0 : 1;
}

#pragma once

#include "../canvas.h"
#include "../colour.h"
#include "picture_decoder.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

// Every format the program reads or writes, each described in its reader's or writer's own file.
// DecodePictureFile and cGdiPlus find codecs only through the two tables below.
namespace kalvimo::codecs {

struct PictureReader {
    PictureFormat format;
    // Completes "could not be read as ...".
    const char* name;
    // Whether a file's first bytes (at most 12) are this format's.
    bool (*matches)(std::span<const std::uint8_t> head);
    // The names its files go by, as the widest file filter lists them ("*.tif;*.tiff").
    const char* extensions;
    // Reads from the start of an open regular file of fileSize bytes; false with a short reason
    // (the caller names the file).
    bool (*decode)(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
                   std::string& reason);
};

struct WriteSettings {
    int quality;
    // The TIFF structure of an APP1 "Exif" marker; only JPEG carries it.
    std::span<const std::uint8_t> exif;
};

struct PictureWriter {
    // The file-name patterns it is chosen by, as an encoder lists them ("*.BMP;*.DIB;*.RLE").
    const char* extensions;
    bool (*encode)(const Canvas& canvas, std::FILE* out, const WriteSettings& settings,
                   std::string& error);
};

extern const PictureReader kJpegReader;
extern const PictureReader kPngReader;
extern const PictureReader kGifReader;
extern const PictureReader kBmpReader;
extern const PictureReader kWebpReader;
extern const PictureReader kTiffReader;
extern const PictureReader kHeifReader;

extern const PictureWriter kBmpWriter;
extern const PictureWriter kJpegWriter;
extern const PictureWriter kGifWriter;
extern const PictureWriter kPngWriter;

// In the order the first bytes are tried; the first that matches reads the file. A HEIF box size
// can begin with "BM" or a TIFF byte order, and such files go to those readers, so HEIF is last.
inline constexpr std::array kPictureReaders{&kJpegReader, &kPngReader,  &kGifReader, &kBmpReader,
                                            &kWebpReader, &kTiffReader, &kHeifReader};

// In encoder-index order. A source whose extension no writer lists is written as ".jpg", so a
// writer added here also stops those sources from becoming JPEGs.
inline constexpr std::array kPictureWriters{&kBmpWriter, &kJpegWriter, &kGifWriter, &kPngWriter};

} // namespace kalvimo::codecs

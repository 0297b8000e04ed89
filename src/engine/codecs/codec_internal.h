#pragma once

#include "../canvas.h"
#include "../colour.h"
#include "picture_decoder.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

// What the readers and writers share.
namespace kalvimo::codecs {

// Whether head begins with signature.
bool StartsWith(std::span<const std::uint8_t> head, std::span<const std::uint8_t> signature);

// Pictures decoded at full size are refused above this (twice 1 GiB at 12 bytes a pixel): the
// canvas alone would take over half a gigabyte. The shrinking JPEG, BMP and GIF readers, which
// hold a row at a time, keep the canvas's own limit; the other shrinking readers keep this one, as
// they share the full decoders' checks.
inline constexpr std::int64_t kMaxDecodedPixels = 178'956'970;

// The reason for a file cut short.
inline constexpr const char* kEndsEarly = "the file ends too early";

// The reason for a picture whose size the canvas refuses.
std::string TooLargeReason(std::int64_t width, std::int64_t height);

// Whether width x height pixels fit under maxPixels and in a file of fileSize bytes that holds
// at most pixelsPerByte pixels a byte; false with the reason when not. Memory is taken only for
// pictures the file can hold.
bool SizeIsPlausible(std::int64_t width, std::int64_t height, std::int64_t maxPixels,
                     std::int64_t fileSize, std::int64_t pixelsPerByte, std::string& reason);

// Reserves, from the memory budget of the run drawing this picture, what decoding a picture of
// width x height pixels whole takes: its canvas, a copy of it set upright or turned, and
// decoderBytesPerPixel of the decoder's own. Called before those allocations; it may wait.
void ReserveWholePicture(std::int64_t width, std::int64_t height, int decoderBytesPerPixel = 0);

// rgb painted with the given opacity over back.
Rgb OverBackground(Rgb rgb, int alpha, Rgb back);
// The same for a colour already multiplied by its opacity.
Rgb PremultipliedOverBackground(Rgb rgb, int alpha, Rgb back);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens path for reading if it is a regular file, never waiting on a named pipe or device;
// null with a reason otherwise.
FilePtr OpenRegularFile(const std::string& path, std::int64_t& size, std::string& reason);

// The file at path, at its start, when its first bytes tell it is a picture of format; null when
// not, or when it cannot be opened.
FilePtr OpenPictureOf(PictureFormat format, const std::string& path, std::int64_t& size);

// The system's words for an errno value; unlike strerror, safe on any thread.
std::string ErrnoText(int code);

// A writer's closing step: pushes buffered bytes out so that a full disk shows up as failure.
bool FlushOutput(std::FILE* out, std::string& error);

} // namespace kalvimo::codecs

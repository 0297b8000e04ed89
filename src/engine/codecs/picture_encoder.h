#pragma once

#include "../canvas.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace kalvimo {

// Each writer encodes the whole canvas into an open stream; false with a message on failure.
// exif, when not empty, is the TIFF structure of an APP1 "Exif" marker, written first.
bool WriteJpeg(const Canvas& canvas, std::FILE* out, int quality, std::string& error,
               std::span<const std::uint8_t> exif = {});
bool WriteBmp(const Canvas& canvas, std::FILE* out, std::string& error);
bool WriteGif(const Canvas& canvas, std::FILE* out, std::string& error);
bool WritePng(const Canvas& canvas, std::FILE* out, std::string& error);

} // namespace kalvimo

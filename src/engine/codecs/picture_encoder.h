#pragma once

#include "../canvas.h"

#include <cstdio>
#include <string>

namespace kalvimo {

// Each writer encodes the whole canvas into an open stream; false with a message on failure.
bool WriteJpeg(const Canvas& canvas, std::FILE* out, int quality, std::string& error);
bool WriteBmp(const Canvas& canvas, std::FILE* out, std::string& error);
bool WriteGif(const Canvas& canvas, std::FILE* out, std::string& error);
bool WritePng(const Canvas& canvas, std::FILE* out, std::string& error);

} // namespace kalvimo

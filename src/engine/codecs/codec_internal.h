#pragma once

#include "../canvas.h"
#include "../colour.h"

#include <cstdint>
#include <cstdio>
#include <string>

// The per-format readers behind DecodePictureFile. Each reads from the start of an open regular
// file; on failure it returns false with a short reason (the caller names the file).
namespace kalvimo::codecs {

bool DecodeJpeg(std::FILE* file, Canvas& canvas, std::string& reason);
bool DecodeBmp(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
               std::string& reason);
bool DecodeGif(std::FILE* file, Canvas& canvas, Colour backColour, std::string& reason);
bool DecodePng(std::FILE* file, Canvas& canvas, Colour backColour, std::string& reason);

// The reason for a file cut short.
inline constexpr const char* kEndsEarly = "the file ends too early";

// The reason for a picture whose size the canvas refuses.
std::string TooLargeReason(std::int64_t width, std::int64_t height);

// The system's words for an errno value; unlike strerror, safe on any thread.
std::string ErrnoText(int code);

// A writer's closing step: pushes buffered bytes out so that a full disk shows up as failure.
bool FlushOutput(std::FILE* out, std::string& error);

} // namespace kalvimo::codecs

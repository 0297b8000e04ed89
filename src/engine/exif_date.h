#pragma once

#include <string>

namespace kalvimo {

// Sets the metadata library up once, with a lock for its XMP parser. Called before threads that
// read metadata start; the readers below call it too, for programs of one thread.
void PrepareMetadataReader();

// The picture's EXIF "DateTime" as "yyyymmdd_hhnnss": the first property of that name (any letter
// case) in the file's order, colons removed and spaces turned into "_". Empty when the file has
// none, the all-zero date, or metadata the reader cannot make sense of.
std::string ReadExifDate(const std::string& path);

// The turn the main image's EXIF Orientation asks of the decoded picture, 1 to 8; 1 (stored
// upright) when absent or unusable, and for HEIF and AVIF, whose reader turns the picture itself.
int ReadExifOrientation(const std::string& path);

} // namespace kalvimo

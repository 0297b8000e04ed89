#pragma once

#include "canvas.h"
#include "colour.h"

#include <string>

namespace kalvimo {

// Decodes the picture file into picture and turns it the way its EXIF Orientation says it is
// seen, so that everything after the loading sees it upright. scratch is working memory, reused
// across pictures. On failure returns false with a message naming the file; picture is then empty.
bool LoadUprightPicture(const std::string& path, Canvas& picture, Canvas& scratch,
                        Colour backColour, std::string& error);

} // namespace kalvimo

#include "upright_loader.h"

#include "codecs/picture_decoder.h"
#include "exif_date.h"
#include "rotation.h"

namespace kalvimo {

bool LoadUprightPicture(const std::string& path, Canvas& picture, Canvas& scratch,
                        Colour backColour, std::string& error) {
    if (!DecodePictureFile(path, picture, backColour, error)) {
        return false;
    }
    if (!ApplyOrientation(picture, ReadExifOrientation(path), scratch)) {
        picture.Clear();
        error = "\"" + path + "\" could not be turned upright: not enough memory";
        return false;
    }
    return true;
}

} // namespace kalvimo

#include "shrink_frame.h"

#include "area_averager.h"
#include "exif_date.h"
#include "geometry.h"
#include "rotation.h"

#include <utility>

namespace kalvimo {

std::optional<FrameRecipe> WholePictureRecipe(const JobOptions& options, int twipsPerPixel) {
    if (!options.stretch && !options.letterbox) {
        return std::nullopt;
    }
    return FrameRecipe{options.newWidth,   options.newHeight,  !options.stretch,
                       options.autoRotate, options.backColour, twipsPerPixel};
}

std::optional<PixelRect> ShrinkJpegFrame(const std::string& path, const FrameRecipe& recipe,
                                         Canvas& frame, bool& pictureTurned,
                                         ShrinkScratch& scratch) {
    JpegShrinkReader& reader = scratch.reader;
    if (!reader.Open(path)) {
        return std::nullopt;
    }
    const int orientation = ReadExifOrientation(path);
    // Orientations 5 to 8 are stored lying on their side.
    const bool stored90 = orientation >= 5 && orientation <= 8;
    const int uprightWidth = stored90 ? reader.Height() : reader.Width();
    const int uprightHeight = stored90 ? reader.Width() : reader.Height();
    pictureTurned = recipe.autoRotate && NeedsQuarterTurn(recipe.newWidth, recipe.newHeight,
                                                          uprightWidth, uprightHeight);
    const int sourceWidth = pictureTurned ? uprightHeight : uprightWidth;
    const int sourceHeight = pictureTurned ? uprightWidth : uprightHeight;

    // Where the whole picture goes in the frame, exactly as the full path places it.
    const int t = recipe.twipsPerPixel;
    PixelRect place{0, 0, recipe.newWidth, recipe.newHeight};
    if (recipe.letterbox) {
        const std::optional<LetterboxFit> fit = FitLetterbox(
            static_cast<std::int64_t>(sourceWidth) * t, static_cast<std::int64_t>(sourceHeight) * t,
            static_cast<std::int64_t>(recipe.newWidth) * t,
            static_cast<std::int64_t>(recipe.newHeight) * t);
        if (!fit) {
            return std::nullopt;
        }
        place = LetterboxPlace(*fit, recipe.newWidth, recipe.newHeight, t);
    }
    if (place.width <= 0 || place.height <= 0 || !frame.Resize(recipe.newWidth, recipe.newHeight)) {
        return std::nullopt;
    }

    // Averaging commutes with turning and mirroring, so the picture is averaged as stored into
    // the stored-side size of its place and set upright afterwards, on a few pixels only.
    const bool storedSideways = stored90 != pictureTurned;
    const int shrunkWidth = storedSideways ? place.height : place.width;
    const int shrunkHeight = storedSideways ? place.width : place.height;
    std::string error;
    if (!reader.ReadInto(scratch.shrunk, shrunkWidth, shrunkHeight, error) ||
        !ApplyOrientation(scratch.shrunk, orientation, scratch.turned)) {
        return std::nullopt;
    }
    const Canvas* placed = &scratch.shrunk;
    if (pictureTurned) {
        if (!RotatePicture(scratch.turned, scratch.shrunk)) {
            return std::nullopt;
        }
        placed = &scratch.turned;
    }
    frame.SetIccProfile(placed->IccProfile());
    frame.FillRect(0, 0, frame.Width(), frame.Height(), recipe.backColour);
    return PlainCopy(*placed, 0, 0, frame, place.x, place.y, place.width, place.height);
}

std::optional<PixelRect> ShrinkJpegCrop(const std::string& path, const JobOptions& options,
                                        const CropBox& crop, int twipsPerPixel, Canvas& frame,
                                        bool& pictureTurned, ShrinkScratch& scratch) {
    JpegShrinkReader& reader = scratch.reader;
    if (!reader.Open(path)) {
        return std::nullopt;
    }
    const int orientation = ReadExifOrientation(path);
    const bool stored90 = orientation >= 5 && orientation <= 8;
    const int uprightWidth = stored90 ? reader.Height() : reader.Width();
    const int uprightHeight = stored90 ? reader.Width() : reader.Height();
    pictureTurned = options.autoRotate && NeedsQuarterTurn(options.newWidth, options.newHeight,
                                                           uprightWidth, uprightHeight);
    const std::optional<PixelRect> region =
        CropRegion(options, crop, pictureTurned ? uprightHeight : uprightWidth,
                   pictureTurned ? uprightWidth : uprightHeight, twipsPerPixel);
    if (!region || !frame.Resize(options.newWidth, options.newHeight)) {
        return std::nullopt;
    }
    // The kept region as stored: back through the turn, then through the orientation.
    PixelRect stored = *region;
    if (pictureTurned) {
        stored = OrientedSourceRect(stored, 8, uprightWidth, uprightHeight);
    }
    if (orientation >= 2 && orientation <= 8) {
        stored = OrientedSourceRect(stored, orientation, reader.Width(), reader.Height());
    }
    const bool storedSideways = stored90 != pictureTurned;
    if (!scratch.shrunk.Resize(storedSideways ? options.newHeight : options.newWidth,
                               storedSideways ? options.newWidth : options.newHeight)) {
        return std::nullopt;
    }
    scratch.shrunk.FillRect(0, 0, scratch.shrunk.Width(), scratch.shrunk.Height(),
                            options.backColour);
    std::string error;
    if (!reader.ReadRegion(scratch.shrunk, stored, error) ||
        !ApplyOrientation(scratch.shrunk, orientation, scratch.turned)) {
        return std::nullopt;
    }
    const Canvas* placed = &scratch.shrunk;
    if (pictureTurned) {
        if (!RotatePicture(scratch.turned, scratch.shrunk)) {
            return std::nullopt;
        }
        placed = &scratch.turned;
    }
    PlainCopy(*placed, 0, 0, frame, 0, 0, frame.Width(), frame.Height());
    frame.SetIccProfile(placed->IccProfile());
    const int fittedWidth = pictureTurned ? uprightHeight : uprightWidth;
    const int fittedHeight = pictureTurned ? uprightWidth : uprightHeight;
    return CoveredCells(*region, fittedWidth, fittedHeight, {0, 0, frame.Width(), frame.Height()},
                        frame.Width(), frame.Height());
}

} // namespace kalvimo

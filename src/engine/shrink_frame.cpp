#include "shrink_frame.h"

#include "area_averager.h"
#include "exif_date.h"
#include "geometry.h"
#include "rotation.h"

#include <utility>

namespace kalvimo {

namespace {

// A JPEG opened for shrinking: how it is stored and how the run sees it.
struct OpenedJpeg {
    int orientation = 1;
    // Orientations 5 to 8 are stored lying on their side.
    bool stored90 = false;
    int uprightWidth = 0;
    int uprightHeight = 0;
    bool turned = false;

    // The size the fitting sees: upright, and turned when the run turns it.
    [[nodiscard]] int FittedWidth() const { return turned ? uprightHeight : uprightWidth; }
    [[nodiscard]] int FittedHeight() const { return turned ? uprightWidth : uprightHeight; }
    // Whether the picture is shrunk lying on its side, so that the sides of its place swap.
    [[nodiscard]] bool ShrunkSideways() const { return stored90 != turned; }
};

std::optional<OpenedJpeg> OpenJpeg(const std::string& path, JpegShrinkReader& reader, int newWidth,
                                   int newHeight, bool autoRotate) {
    if (!reader.Open(path)) {
        return std::nullopt;
    }
    OpenedJpeg opened;
    opened.orientation = ReadExifOrientation(path);
    opened.stored90 = opened.orientation >= 5 && opened.orientation <= 8;
    opened.uprightWidth = opened.stored90 ? reader.Height() : reader.Width();
    opened.uprightHeight = opened.stored90 ? reader.Width() : reader.Height();
    opened.turned = autoRotate && NeedsQuarterTurn(newWidth, newHeight, opened.uprightWidth,
                                                   opened.uprightHeight);
    return opened;
}

// Averaging commutes with turning and mirroring, so the picture is averaged as stored into
// scratch.shrunk and set upright and turned afterwards, on a few pixels only. Null without
// memory.
const Canvas* SetUpright(const OpenedJpeg& opened, ShrinkScratch& scratch) {
    if (!ApplyOrientation(scratch.shrunk, opened.orientation, scratch.turned)) {
        return nullptr;
    }
    if (!opened.turned) {
        return &scratch.shrunk;
    }
    return RotatePicture(scratch.turned, scratch.shrunk) ? &scratch.turned : nullptr;
}

} // namespace

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
    const std::optional<OpenedJpeg> opened =
        OpenJpeg(path, scratch.reader, recipe.newWidth, recipe.newHeight, recipe.autoRotate);
    if (!opened) {
        return std::nullopt;
    }
    pictureTurned = opened->turned;
    const int sourceWidth = opened->FittedWidth();
    const int sourceHeight = opened->FittedHeight();

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

    const bool sideways = opened->ShrunkSideways();
    std::string error;
    if (!scratch.reader.ReadInto(scratch.shrunk, sideways ? place.height : place.width,
                                 sideways ? place.width : place.height, error)) {
        return std::nullopt;
    }
    const Canvas* placed = SetUpright(*opened, scratch);
    if (placed == nullptr) {
        return std::nullopt;
    }
    frame.SetIccProfile(placed->IccProfile());
    frame.FillRect(0, 0, frame.Width(), frame.Height(), recipe.backColour);
    return PlainCopy(*placed, 0, 0, frame, place.x, place.y, place.width, place.height);
}

std::optional<PixelRect> ShrinkJpegCrop(const std::string& path, const JobOptions& options,
                                        const CropBox& crop, int twipsPerPixel, Canvas& frame,
                                        bool& pictureTurned, ShrinkScratch& scratch) {
    const std::optional<OpenedJpeg> opened =
        OpenJpeg(path, scratch.reader, options.newWidth, options.newHeight, options.autoRotate);
    if (!opened) {
        return std::nullopt;
    }
    pictureTurned = opened->turned;
    const std::optional<PixelRect> region =
        CropRegion(options, crop, opened->FittedWidth(), opened->FittedHeight(), twipsPerPixel);
    if (!region || !frame.Resize(options.newWidth, options.newHeight)) {
        return std::nullopt;
    }
    // The kept region as stored: back through the turn, then through the orientation.
    const JpegShrinkReader& reader = scratch.reader;
    PixelRect stored = *region;
    if (opened->turned) {
        stored = OrientedSourceRect(stored, 8, opened->uprightWidth, opened->uprightHeight);
    }
    if (opened->orientation >= 2 && opened->orientation <= 8) {
        stored = OrientedSourceRect(stored, opened->orientation, reader.Width(), reader.Height());
    }
    const bool sideways = opened->ShrunkSideways();
    if (!scratch.shrunk.Resize(sideways ? options.newHeight : options.newWidth,
                               sideways ? options.newWidth : options.newHeight)) {
        return std::nullopt;
    }
    scratch.shrunk.FillRect(0, 0, scratch.shrunk.Width(), scratch.shrunk.Height(),
                            options.backColour);
    std::string error;
    if (!scratch.reader.ReadRegion(scratch.shrunk, stored, error)) {
        return std::nullopt;
    }
    const Canvas* placed = SetUpright(*opened, scratch);
    if (placed == nullptr) {
        return std::nullopt;
    }
    PlainCopy(*placed, 0, 0, frame, 0, 0, frame.Width(), frame.Height());
    frame.SetIccProfile(placed->IccProfile());
    return CoveredCells(*region, opened->FittedWidth(), opened->FittedHeight(),
                        {0, 0, frame.Width(), frame.Height()}, frame.Width(), frame.Height());
}

} // namespace kalvimo

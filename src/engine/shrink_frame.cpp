#include "shrink_frame.h"

#include "area_averager.h"
#include "exif_date.h"
#include "rotation.h"

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

std::optional<OpenedJpeg> OpenJpeg(const std::string& path, JpegShrinkReader& reader,
                                   const FrameOrder& order) {
    if (!reader.Open(path)) {
        return std::nullopt;
    }
    OpenedJpeg opened;
    opened.orientation = ReadExifOrientation(path);
    opened.stored90 = opened.orientation >= 5 && opened.orientation <= 8;
    opened.uprightWidth = opened.stored90 ? reader.Height() : reader.Width();
    opened.uprightHeight = opened.stored90 ? reader.Width() : reader.Height();
    opened.turned = order.Turns(opened.uprightWidth, opened.uprightHeight);
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

std::optional<Attention> JpegAttention(const std::string& path, const FrameOrder& order,
                                       ShrinkScratch& scratch) {
    const std::optional<OpenedJpeg> opened = OpenJpeg(path, scratch.reader, order);
    std::string error;
    if (!opened || !scratch.reader.ReadEighth(scratch.shrunk, error)) {
        return std::nullopt;
    }
    const Canvas* look = SetUpright(*opened, scratch);
    if (look == nullptr) {
        return std::nullopt;
    }
    return FindAttention(*look);
}

std::optional<PixelRect> ShrinkJpegFrame(const std::string& path, const FrameOrder& order,
                                         Canvas& frame, bool& pictureTurned,
                                         ShrinkScratch& scratch) {
    std::optional<OpenedJpeg> opened = OpenJpeg(path, scratch.reader, order);
    if (!opened) {
        return std::nullopt;
    }
    const int fittedWidth = opened->FittedWidth();
    const int fittedHeight = opened->FittedHeight();
    std::optional<FramePlacement> place = PlaceFrame(order, fittedWidth, fittedHeight);
    // The subject is looked for only where the frame cuts something off, on a decode of its own;
    // the reader is then opened again for the region it chooses.
    if (place && order.LooksForSubject() &&
        !(place->from == PixelRect{0, 0, fittedWidth, fittedHeight})) {
        const std::optional<Attention> attention = JpegAttention(path, order, scratch);
        opened = attention ? OpenJpeg(path, scratch.reader, order) : std::nullopt;
        if (!opened) {
            return std::nullopt;
        }
        place = PlaceFrame(order, fittedWidth, fittedHeight, &*attention);
    }
    pictureTurned = opened->turned;
    if (!place || !frame.Resize(order.newWidth, order.newHeight)) {
        return std::nullopt;
    }
    // The kept region as stored: back through the turn, then through the orientation.
    const JpegShrinkReader& reader = scratch.reader;
    PixelRect stored = place->from;
    if (opened->turned) {
        stored = OrientedSourceRect(stored, 8, opened->uprightWidth, opened->uprightHeight);
    }
    if (opened->orientation >= 2 && opened->orientation <= 8) {
        stored = OrientedSourceRect(stored, opened->orientation, reader.Width(), reader.Height());
    }
    const PixelRect& to = place->to;
    const bool sideways = opened->ShrunkSideways();
    if (!scratch.shrunk.Resize(sideways ? to.height : to.width, sideways ? to.width : to.height)) {
        return std::nullopt;
    }
    // Cells past the picture's edge keep the background.
    scratch.shrunk.FillRect(0, 0, scratch.shrunk.Width(), scratch.shrunk.Height(),
                            order.backColour);
    std::string error;
    if (!scratch.reader.ReadRegion(scratch.shrunk, stored, error)) {
        return std::nullopt;
    }
    const Canvas* placed = SetUpright(*opened, scratch);
    if (placed == nullptr) {
        return std::nullopt;
    }
    frame.SetIccProfile(placed->IccProfile());
    frame.FillRect(0, 0, frame.Width(), frame.Height(), order.backColour);
    PlainCopy(*placed, 0, 0, frame, to.x, to.y, to.width, to.height);
    return CoveredCells(place->from, fittedWidth, fittedHeight, to, frame.Width(), frame.Height());
}

} // namespace kalvimo

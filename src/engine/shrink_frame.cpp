#include "shrink_frame.h"

#include "area_averager.h"
#include "attention.h"
#include "codecs/picture_decoder.h"
#include "exif_date.h"
#include "rotation.h"

namespace kalvimo {

namespace {

// How a shrinking reader is opened: a JPEG has no transparent pixels to put on the background.
bool OpenReader(JpegShrinkReader& reader, const std::string& path, Colour) {
    return reader.Open(path);
}
bool OpenReader(TiffShrinkReader& reader, const std::string& path, Colour backColour) {
    return reader.Open(path, backColour);
}
bool OpenReader(PngShrinkReader& reader, const std::string& path, Colour backColour) {
    return reader.Open(path, backColour);
}
bool OpenReader(HeifShrinkReader& reader, const std::string& path, Colour backColour) {
    return reader.Open(path, backColour);
}
bool OpenReader(WebpShrinkReader& reader, const std::string& path, Colour backColour) {
    return reader.Open(path, backColour);
}
bool OpenReader(BmpShrinkReader& reader, const std::string& path, Colour backColour) {
    return reader.Open(path, backColour);
}
bool OpenReader(GifShrinkReader& reader, const std::string& path, Colour backColour) {
    return reader.Open(path, backColour);
}

// A picture opened for shrinking: how it is stored and how the run sees it.
struct OpenedPicture {
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

template <typename Reader>
std::optional<OpenedPicture> OpenPicture(const std::string& path, Reader& reader,
                                         const FrameOrder& order) {
    if (!OpenReader(reader, path, order.backColour)) {
        return std::nullopt;
    }
    OpenedPicture opened;
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
const Canvas* SetUpright(const OpenedPicture& opened, ShrinkScratch& scratch) {
    if (!ApplyOrientation(scratch.shrunk, opened.orientation, scratch.turned)) {
        return nullptr;
    }
    if (!opened.turned) {
        return &scratch.shrunk;
    }
    return RotatePicture(scratch.turned, scratch.shrunk) ? &scratch.turned : nullptr;
}

// The region as stored: back through the turn, then through the orientation.
PixelRect StoredRegion(const OpenedPicture& opened, PixelRect region, int storedWidth,
                       int storedHeight) {
    if (opened.turned) {
        region = OrientedSourceRect(region, 8, opened.uprightWidth, opened.uprightHeight);
    }
    if (opened.orientation >= 2 && opened.orientation <= 8) {
        region = OrientedSourceRect(region, opened.orientation, storedWidth, storedHeight);
    }
    return region;
}

// A cut by content along one axis, from one decoding rather than one for the subject and one for
// the frame: the picture is averaged into the frame's cells along the axis it keeps whole but
// left at full length along the cut, and at the same time into the eighth-size copy the subject
// is looked for on; the cut then averages its stretch of the first into scratch.shrunk. That
// copy holds whole levels, so a cell can come out one level off the exact average.
template <typename Reader>
bool ShrinkAlongTheCut(Reader& reader, const OpenedPicture& opened, const FrameOrder& order,
                       std::optional<FramePlacement>& place, ShrinkScratch& scratch) {
    const int width = reader.Width();
    const int height = reader.Height();
    const bool sideways = opened.ShrunkSideways();
    const bool cutsRows = (place->from.width == opened.FittedWidth()) != sideways;
    const int cellsAcross = sideways ? place->to.height : place->to.width;
    const int cellsDown = sideways ? place->to.width : place->to.height;
    const int lookWidth = (width + kAttentionShrink - 1) / kAttentionShrink;
    const int lookHeight = (height + kAttentionShrink - 1) / kAttentionShrink;
    Canvas& spread = scratch.spread;
    if (!spread.Resize(cutsRows ? cellsAcross : width, cutsRows ? height : cellsDown) ||
        !scratch.shrunk.Resize(lookWidth, lookHeight)) {
        return false;
    }
    const ShrinkTarget targets[] = {
        {spread, {0, 0, width, height}},
        // Whole blocks, the last ones cut short by the edge, as the other formats are shrunk.
        {scratch.shrunk, {0, 0, lookWidth * kAttentionShrink, lookHeight * kAttentionShrink}}};
    std::string error;
    if (!reader.ReadRegions(targets, error)) {
        return false;
    }
    const Canvas* look = SetUpright(opened, scratch);
    if (look == nullptr) {
        return false;
    }
    const Attention attention = FindAttention(*look);
    place = PlaceFrame(order, opened.FittedWidth(), opened.FittedHeight(), &attention);
    if (!place || !scratch.shrunk.Resize(cellsAcross, cellsDown)) {
        return false;
    }
    const PixelRect stored = StoredRegion(opened, place->from, width, height);
    scratch.shrunk.FillRect(0, 0, cellsAcross, cellsDown, order.backColour);
    ScaledCopy(spread,
               cutsRows ? PixelRect{0, stored.y, cellsAcross, stored.height}
                        : PixelRect{stored.x, 0, stored.width, cellsDown},
               scratch.shrunk, {0, 0, cellsAcross, cellsDown});
    scratch.shrunk.SetIccProfile(spread.IccProfile());
    return true;
}

// The attention of the picture at path as a cut by content is placed: found on its eighth-size
// copy, upright and turned as the order turns it.
template <typename Reader>
std::optional<Attention> PictureAttention(Reader& reader, const std::string& path,
                                          const FrameOrder& order, ShrinkScratch& scratch) {
    const std::optional<OpenedPicture> opened = OpenPicture(path, reader, order);
    std::string error;
    if (!opened || !reader.ReadEighth(scratch.shrunk, error)) {
        return std::nullopt;
    }
    const Canvas* look = SetUpright(*opened, scratch);
    if (look == nullptr) {
        return std::nullopt;
    }
    return FindAttention(*look);
}

template <typename Reader>
std::optional<PixelRect> ShrinkWith(Reader& reader, const std::string& path,
                                    const FrameOrder& order, Canvas& frame, bool& pictureTurned,
                                    ShrinkScratch& scratch) {
    std::optional<OpenedPicture> opened = OpenPicture(path, reader, order);
    if (!opened) {
        return std::nullopt;
    }
    const int fittedWidth = opened->FittedWidth();
    const int fittedHeight = opened->FittedHeight();
    std::optional<FramePlacement> place = PlaceFrame(order, fittedWidth, fittedHeight);
    // The subject is looked for only where the frame cuts something off. A cut along one axis
    // (a fill) finds it on the decoding of the frame; any other, on a decoding of its own, after
    // which the reader is opened again for the region it chooses.
    const bool bySubject = place && order.LooksForSubject() &&
                           !(place->from == PixelRect{0, 0, fittedWidth, fittedHeight});
    const bool alongOneAxis =
        bySubject && (place->from.width == fittedWidth || place->from.height == fittedHeight);
    if (bySubject && !alongOneAxis) {
        const std::optional<Attention> attention = PictureAttention(reader, path, order, scratch);
        opened = attention ? OpenPicture(path, reader, order) : std::nullopt;
        if (!opened) {
            return std::nullopt;
        }
        place = PlaceFrame(order, fittedWidth, fittedHeight, &*attention);
    }
    pictureTurned = opened->turned;
    if (!place || !frame.Resize(order.newWidth, order.newHeight)) {
        return std::nullopt;
    }
    if (alongOneAxis) {
        if (!ShrinkAlongTheCut(reader, *opened, order, place, scratch)) {
            return std::nullopt;
        }
    } else {
        const PixelRect stored =
            StoredRegion(*opened, place->from, reader.Width(), reader.Height());
        const bool sideways = opened->ShrunkSideways();
        const PixelRect& to = place->to;
        if (!scratch.shrunk.Resize(sideways ? to.height : to.width,
                                   sideways ? to.width : to.height)) {
            return std::nullopt;
        }
        // Cells past the picture's edge keep the background.
        scratch.shrunk.FillRect(0, 0, scratch.shrunk.Width(), scratch.shrunk.Height(),
                                order.backColour);
        std::string error;
        if (!reader.ReadRegion(scratch.shrunk, stored, error)) {
            return std::nullopt;
        }
    }
    const Canvas* placed = SetUpright(*opened, scratch);
    if (placed == nullptr) {
        return std::nullopt;
    }
    const PixelRect& to = place->to;
    frame.SetIccProfile(placed->IccProfile());
    frame.FillRect(0, 0, frame.Width(), frame.Height(), order.backColour);
    PlainCopy(*placed, 0, 0, frame, to.x, to.y, to.width, to.height);
    return CoveredCells(place->from, fittedWidth, fittedHeight, to, frame.Width(), frame.Height());
}

} // namespace

std::optional<PixelRect> ShrinkFrame(const std::string& path, const FrameOrder& order,
                                     Canvas& frame, bool& pictureTurned, ShrinkScratch& scratch) {
    // Whatever became of it, a decoded HEIF or WebP picture is not kept for the next one.
    switch (SniffFile(path)) {
    case PictureFormat::Jpeg:
        return ShrinkWith(scratch.jpegReader, path, order, frame, pictureTurned, scratch);
    case PictureFormat::Tiff:
        return ShrinkWith(scratch.tiffReader, path, order, frame, pictureTurned, scratch);
    case PictureFormat::Png:
        return ShrinkWith(scratch.pngReader, path, order, frame, pictureTurned, scratch);
    case PictureFormat::Heif: {
        const std::optional<PixelRect> area =
            ShrinkWith(scratch.heifReader, path, order, frame, pictureTurned, scratch);
        scratch.heifReader.Close();
        return area;
    }
    case PictureFormat::Webp: {
        const std::optional<PixelRect> area =
            ShrinkWith(scratch.webpReader, path, order, frame, pictureTurned, scratch);
        scratch.webpReader.Close();
        return area;
    }
    case PictureFormat::Bmp:
        return ShrinkWith(scratch.bmpReader, path, order, frame, pictureTurned, scratch);
    case PictureFormat::Gif:
        return ShrinkWith(scratch.gifReader, path, order, frame, pictureTurned, scratch);
    default:
        return std::nullopt;
    }
}

} // namespace kalvimo

#include "frame_drawer.h"

#include "area_averager.h"
#include "colour_profile.h"
#include "rotation.h"
#include "upright_loader.h"

namespace kalvimo {

namespace {

constexpr const char* kNothingLeft =
    "the frame size or the crop rectangle leaves nothing of the picture";
constexpr const char* kCannotTurn = "the picture cannot be turned";

// Averaging commutes with turning: the upright picture is averaged into the cells as they lie
// before the turn, so only the frame is turned, not a second whole picture.
std::optional<PixelRect> FitTurned(const Canvas& upright, const FrameOrder& order, Canvas& frame,
                                   ShrinkScratch& scratch, std::string& reason) {
    reason = kNothingLeft;
    Attention attention;
    if (order.LooksForSubject()) {
        attention = TurnedAttention(FindAttention(ShrunkForAttention(upright)));
    }
    const std::optional<FramePlacement> place =
        PlaceFrame(order, upright.Height(), upright.Width(), &attention);
    if (!place) {
        return std::nullopt;
    }
    const FramePlacement before{
        OrientedSourceRect(place->from, 8, upright.Width(), upright.Height()),
        {0, 0, place->to.height, place->to.width},
        place->plain};
    Canvas& cells = scratch.shrunk;
    Canvas& turned = scratch.turned;
    if (!frame.Resize(order.newWidth, order.newHeight) ||
        !cells.Resize(before.to.width, before.to.height)) {
        return std::nullopt;
    }
    cells.FillRect(0, 0, cells.Width(), cells.Height(), order.backColour);
    DrawPlaced(upright, before, cells, 0, 0);
    if (!RotatePicture(turned, cells)) {
        reason = kCannotTurn;
        return std::nullopt;
    }
    reason.clear();
    frame.SetIccProfile(upright.IccProfile());
    frame.FillRect(0, 0, frame.Width(), frame.Height(), order.backColour);
    PlainCopy(turned, 0, 0, frame, place->to.x, place->to.y, place->to.width, place->to.height);
    return CoveredCells(place->from, upright.Height(), upright.Width(), place->to, frame.Width(),
                        frame.Height());
}

} // namespace

FrameResult DrawFrame(const std::string& path, const FrameOrder& order, Canvas& frame,
                      FrameScratch& scratch, const CropPrompt& prompt) {
    FrameResult result;
    std::optional<PixelRect> area;
    if (!prompt) {
        area = ShrinkFrame(path, order, frame, result.pictureTurned, scratch.shrink);
    }
    if (!area) {
        result.kind = FrameResult::Kind::Failed;
        if (!LoadUprightPicture(path, scratch.picture, scratch.buffer, order.backColour,
                                result.reason)) {
            return result;
        }
        const Canvas& upright = scratch.picture;
        result.pictureTurned = order.Turns(upright.Width(), upright.Height());
        FrameOrder cut = order;
        if (prompt) {
            if (result.pictureTurned && !RotatePicture(scratch.buffer, upright)) {
                result.reason = kCannotTurn;
                return result;
            }
            const std::optional<CropBox> crop =
                prompt(result.pictureTurned ? scratch.buffer : upright);
            if (!crop) {
                result.kind = FrameResult::Kind::Skipped;
                return result;
            }
            cut.crop = *crop;
        }
        if (result.pictureTurned) {
            area = FitTurned(upright, cut, frame, scratch.shrink, result.reason);
        } else {
            area = RenderFrame(upright, frame, cut);
            if (!area) {
                result.reason = kNothingLeft;
            }
        }
        if (!area) {
            return result;
        }
    }
    // The frame holds far fewer pixels than the picture, and the bars are sRGB already.
    ConvertToSrgb(frame, *area);
    result.kind = FrameResult::Kind::Drawn;
    return result;
}

} // namespace kalvimo

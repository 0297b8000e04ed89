#include "frame_drawer.h"

#include "area_averager.h"
#include "colour_profile.h"
#include "geometry.h"
#include "rotation.h"
#include "upright_loader.h"

namespace kalvimo {

std::optional<FrameOrder> FrameOrderOf(const JobOptions& options, const CropBox& crop,
                                       int twipsPerPixel) {
    if (options.customCrop && options.promptCustomCrop) {
        return std::nullopt;
    }
    const bool customCrop = !options.stretch && !options.letterbox && !options.autoCrop;
    // The rectangle counts only where it is used, so moving it never spoils another fitting.
    return FrameOrder{options.newWidth,   options.newHeight,  options.stretch,
                      options.letterbox,  options.autoCrop,   options.anchor,
                      options.autoRotate, options.backColour, customCrop ? crop : CropBox{},
                      twipsPerPixel};
}

namespace {

JobOptions FittingOptions(const FrameOrder& order) {
    JobOptions options;
    options.newWidth = order.newWidth;
    options.newHeight = order.newHeight;
    options.stretch = order.stretch;
    options.letterbox = order.letterbox;
    options.autoCrop = order.autoCrop;
    options.customCrop = !order.stretch && !order.letterbox && !order.autoCrop;
    options.anchor = order.anchor;
    options.backColour = order.backColour;
    options.autoRotate = order.autoRotate;
    return options;
}

} // namespace

FrameResult DrawFrame(const std::string& path, const FrameOrder& order, Canvas& frame,
                      FrameScratch& scratch) {
    FrameResult result;
    if (order.stretch || order.letterbox) {
        const FrameRecipe recipe{order.newWidth,   order.newHeight,  !order.stretch,
                                 order.autoRotate, order.backColour, order.twipsPerPixel};
        if (const std::optional<PixelRect> area =
                ShrinkJpegFrame(path, recipe, frame, result.pictureTurned, scratch.shrink)) {
            ConvertToSrgb(frame, *area);
            result.kind = FrameResult::Kind::Drawn;
            return result;
        }
    }
    const JobOptions options = FittingOptions(order);
    if (!order.stretch && !order.letterbox) {
        if (const std::optional<PixelRect> area =
                ShrinkJpegCrop(path, options, order.crop, order.twipsPerPixel, frame,
                               result.pictureTurned, scratch.shrink)) {
            ConvertToSrgb(frame, *area);
            result.kind = FrameResult::Kind::Drawn;
            return result;
        }
    }
    result.kind = FrameResult::Kind::Failed;
    std::optional<PixelRect> area;
    if (!LoadUprightPicture(path, scratch.picture, scratch.buffer, order.backColour,
                            result.reason)) {
        return result;
    }
    const Canvas& upright = scratch.picture;
    result.pictureTurned = order.autoRotate && NeedsQuarterTurn(order.newWidth, order.newHeight,
                                                                upright.Width(), upright.Height());
    if (!result.pictureTurned) {
        area = RenderFrame(upright, frame, options, order.crop, order.twipsPerPixel);
    } else if (const std::optional<FramePlacement> place = PlaceFrame(
                   options, order.crop, upright.Height(), upright.Width(), order.twipsPerPixel)) {
        // Averaging commutes with turning: the upright picture is averaged into the cells as
        // they lie before the turn, so only the frame is turned, not a second whole picture.
        const FramePlacement before{
            OrientedSourceRect(place->from, 8, upright.Width(), upright.Height()),
            {0, 0, place->to.height, place->to.width},
            place->plain};
        Canvas& cells = scratch.shrink.shrunk;
        Canvas& turned = scratch.shrink.turned;
        if (!frame.Resize(order.newWidth, order.newHeight) ||
            !cells.Resize(before.to.width, before.to.height)) {
            result.reason = "the frame size or the crop rectangle leaves nothing of the picture";
            return result;
        }
        cells.FillRect(0, 0, cells.Width(), cells.Height(), order.backColour);
        DrawPlaced(upright, before, cells, 0, 0);
        if (!RotatePicture(turned, cells)) {
            result.reason = "the picture cannot be turned";
            return result;
        }
        frame.SetIccProfile(upright.IccProfile());
        frame.FillRect(0, 0, frame.Width(), frame.Height(), order.backColour);
        PlainCopy(turned, 0, 0, frame, place->to.x, place->to.y, place->to.width, place->to.height);
        area = CoveredCells(place->from, upright.Height(), upright.Width(), place->to,
                            frame.Width(), frame.Height());
    }
    if (!area) {
        result.reason = "the frame size or the crop rectangle leaves nothing of the picture";
        return result;
    }
    // The frame holds far fewer pixels than the picture, and the bars are sRGB already.
    ConvertToSrgb(frame, *area);
    result.kind = FrameResult::Kind::Drawn;
    return result;
}

} // namespace kalvimo

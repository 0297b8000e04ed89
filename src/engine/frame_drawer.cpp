#include "frame_drawer.h"

#include "colour_profile.h"
#include "geometry.h"
#include "rotation.h"
#include "upright_loader.h"

namespace kalvimo {

std::optional<FrameSpec> FrameSpecOf(const JobOptions& options, const CropBox& crop,
                                     int twipsPerPixel) {
    if (options.customCrop && options.promptCustomCrop) {
        return std::nullopt;
    }
    const bool customCrop = !options.stretch && !options.letterbox && !options.autoCrop;
    // The rectangle counts only where it is used, so moving it never spoils another fitting.
    return FrameSpec{options.newWidth,   options.newHeight,  options.stretch,
                     options.letterbox,  options.autoCrop,   options.anchor,
                     options.autoRotate, options.backColour, customCrop ? crop : CropBox{},
                     twipsPerPixel};
}

namespace {

JobOptions FittingOptions(const FrameSpec& spec) {
    JobOptions options;
    options.newWidth = spec.newWidth;
    options.newHeight = spec.newHeight;
    options.stretch = spec.stretch;
    options.letterbox = spec.letterbox;
    options.autoCrop = spec.autoCrop;
    options.customCrop = !spec.stretch && !spec.letterbox && !spec.autoCrop;
    options.anchor = spec.anchor;
    options.backColour = spec.backColour;
    options.autoRotate = spec.autoRotate;
    return options;
}

} // namespace

FrameResult DrawFrame(const std::string& path, const FrameSpec& spec, Canvas& frame,
                      FrameScratch& scratch) {
    FrameResult result;
    if (spec.stretch || spec.letterbox) {
        const FrameRecipe recipe{spec.newWidth,   spec.newHeight,  !spec.stretch,
                                 spec.autoRotate, spec.backColour, spec.twipsPerPixel};
        if (const std::optional<PixelRect> area =
                ShrinkJpegFrame(path, recipe, frame, result.pictureTurned, scratch.shrink)) {
            ConvertToSrgb(frame, *area);
            result.kind = FrameResult::Kind::Drawn;
            return result;
        }
    }
    const JobOptions options = FittingOptions(spec);
    if (!spec.stretch && !spec.letterbox) {
        if (const std::optional<PixelRect> area =
                ShrinkJpegCrop(path, options, spec.crop, spec.twipsPerPixel, frame,
                               result.pictureTurned, scratch.shrink)) {
            ConvertToSrgb(frame, *area);
            result.kind = FrameResult::Kind::Drawn;
            return result;
        }
    }
    result.kind = FrameResult::Kind::Failed;
    result.pictureTurned = false;
    if (!LoadUprightPicture(path, scratch.picture, scratch.buffer, spec.backColour,
                            result.reason)) {
        return result;
    }
    const Canvas* fitted = &scratch.picture;
    if (spec.autoRotate && NeedsQuarterTurn(spec.newWidth, spec.newHeight, scratch.picture.Width(),
                                            scratch.picture.Height())) {
        result.pictureTurned = true;
        if (!RotatePicture(scratch.buffer, scratch.picture)) {
            result.reason = "the picture cannot be turned";
            return result;
        }
        fitted = &scratch.buffer;
    }
    const std::optional<PixelRect> area =
        RenderFrame(*fitted, frame, options, spec.crop, spec.twipsPerPixel);
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

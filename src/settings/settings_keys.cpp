#include "settings_keys.h"

namespace kalvimo {

namespace {

// The size the defaults leave in the size controls: the first preset's, clamped, if any.
TargetSize DefaultSize(const DefaultInputs& inputs) {
    if (inputs.firstPreset.empty()) {
        return {inputs.currentWidth, inputs.currentHeight};
    }
    return ApplyPreset(ParsePresetSize(inputs.firstPreset), kWidthLimits, kHeightLimits).size;
}

std::string Twips(std::int32_t pixels, std::int32_t twipsPerPixel) {
    return std::to_string(static_cast<std::int64_t>(pixels) * twipsPerPixel);
}

} // namespace

std::string DefaultValue(const SettingsKey& key, const DefaultInputs& inputs) {
    switch (key.defaultKind) {
    case DefaultKind::Fixed:
        return std::string(key.fixedDefault);
    case DefaultKind::SourceFolder:
        return inputs.sourceFolder;
    case DefaultKind::DestinationFolder:
        return inputs.destinationFolder;
    case DefaultKind::FirstPreset:
        return inputs.firstPreset;
    case DefaultKind::NewWidth:
        return std::to_string(DefaultSize(inputs).width);
    case DefaultKind::NewHeight:
        return std::to_string(DefaultSize(inputs).height);
    case DefaultKind::CropRight:
        return Twips(DefaultSize(inputs).width, inputs.twipsPerPixel);
    case DefaultKind::CropBottom:
        return Twips(DefaultSize(inputs).height, inputs.twipsPerPixel);
    }
    return {};
}

} // namespace kalvimo

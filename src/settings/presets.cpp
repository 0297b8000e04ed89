#include "presets.h"

#include "number_reading.h"
#include "text_helpers.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace kalvimo {

namespace {

struct ClampResult {
    std::int32_t value = 0;
    bool aboveMaximum = false;
    bool belowMinimum = false;
};

ClampResult Clamp(std::int32_t value, DimensionLimits limits) {
    if (value > limits.maximum) {
        return {limits.maximum, true, false};
    }
    if (value < limits.minimum) {
        return {limits.minimum, false, true};
    }
    return {value, false, false};
}

} // namespace

std::vector<std::string> SplitPresetFile(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::vector<std::string> entries;
    while (!text.empty()) {
        const std::size_t newline = std::min(text.find('\n'), text.size());
        std::string_view piece = text.substr(0, newline);
        if (piece.ends_with('\r')) {
            piece.remove_suffix(1);
        }
        if (!piece.empty()) {
            entries.emplace_back(piece);
        }
        text.remove_prefix(std::min(newline + 1, text.size()));
    }
    return entries;
}

std::vector<std::string> LoadPresetList(const std::filesystem::path& presetsPath) {
    std::error_code error;
    if (std::filesystem::is_regular_file(presetsPath, error)) {
        std::ifstream stream(presetsPath, std::ios::binary);
        if (stream) {
            const std::string text{std::istreambuf_iterator<char>(stream), {}};
            if (!stream.bad()) {
                return SplitPresetFile(text);
            }
        }
    }
    return {kBuiltInPresets.begin(), kBuiltInPresets.end()};
}

TargetSize ParsePresetSize(std::string_view entry) {
    std::string sizeText = GetField(entry, " : ", 2);
    // A hand-written "800X600" means what it says.
    std::replace(sizeText.begin(), sizeText.end(), 'X', 'x');
    return {RoundToInt32(ReadLeadingNumber(GetField(sizeText, "x", 1))),
            RoundToInt32(ReadLeadingNumber(GetField(sizeText, "x", 2)))};
}

PresetOutcome ApplyPreset(TargetSize preset, DimensionLimits widthLimits,
                          DimensionLimits heightLimits) {
    PresetOutcome outcome;
    const ClampResult width = Clamp(preset.width, widthLimits);
    const ClampResult height = Clamp(preset.height, heightLimits);
    outcome.size = {width.value, height.value};
    if (width.aboveMaximum) {
        outcome.messages.push_back(kPresetWidthAboveMaximum);
    } else if (width.belowMinimum) {
        outcome.messages.push_back(kPresetWidthBelowMinimum);
    }
    if (height.aboveMaximum) {
        outcome.messages.push_back(kPresetHeightAboveMaximum);
    } else if (height.belowMinimum) {
        outcome.messages.push_back(kPresetHeightBelowMinimum);
    }
    return outcome;
}

SwapOutcome SwapDimensions(TargetSize size, DimensionLimits widthLimits,
                           DimensionLimits heightLimits) {
    const ClampResult height = Clamp(size.width, heightLimits);
    const ClampResult width = Clamp(size.height, widthLimits);
    return {{width.value, height.value},
            height.aboveMaximum || height.belowMinimum || width.aboveMaximum || width.belowMinimum};
}

float ImageScale(std::int32_t newWidth, std::int32_t newHeight) {
    return static_cast<float>(static_cast<double>(newWidth) / static_cast<double>(newHeight));
}

} // namespace kalvimo

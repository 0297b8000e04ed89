#include "batch_settings.h"
#include "fuzz_input.h"
#include "presets.h"

// presets.txt beside the program: the list, each entry as the window applies and swaps it, and
// the defaults that the first entry gives a batch without a settings file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kalvimo;
    const std::filesystem::path folder = fuzz::InputFolder();
    fuzz::WriteInput(folder / "presets.txt",
                     std::string_view(reinterpret_cast<const char*>(data), size));
    const auto within = [](TargetSize s) {
        return s.width >= kWidthLimits.minimum && s.width <= kWidthLimits.maximum &&
               s.height >= kHeightLimits.minimum && s.height <= kHeightLimits.maximum;
    };
    for (const std::string& entry : LoadPresetList(folder / "presets.txt")) {
        const PresetOutcome applied =
            ApplyPreset(ParsePresetSize(entry), kWidthLimits, kHeightLimits);
        const SwapOutcome swapped = SwapDimensions(applied.size, kWidthLimits, kHeightLimits);
        if (!within(applied.size) || !within(swapped.size)) {
            std::abort();
        }
        ImageScale(swapped.size.width, swapped.size.height);
    }
    const BatchSettings settings = LoadBatchSettings(
        folder / "no-Settings.ini", LocateFiles({.programFolder = folder.string()}));
    if (!within({settings.options.newWidth, settings.options.newHeight})) {
        std::abort();
    }
    return 0;
}

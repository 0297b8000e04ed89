#include "colour_profile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <lcms2.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace kalvimo {

namespace {

void IgnoreError(cmsContext, cmsUInt32Number, const char*) {}

// Whether transform moves no colour by more than a level: it is then sRGB to sRGB (most cameras'
// and editors' profiles), and taking every pixel through it would only cost time and move some
// samples by a level. Every level of grey and of each primary is tried, and a grid of mixtures.
bool MovesNoColour(cmsHTRANSFORM transform) {
    constexpr int kLevels = 256;
    constexpr int kGridStep = 15;
    std::vector<std::uint8_t> colours;
    for (int v = 0; v < kLevels; ++v) {
        const auto level = static_cast<std::uint8_t>(v);
        colours.insert(colours.end(), {level, level, level, level, 0, 0, 0, level, 0, 0, 0, level});
    }
    for (int r = 0; r < kLevels; r += kGridStep) {
        for (int g = 0; g < kLevels; g += kGridStep) {
            for (int b = 0; b < kLevels; b += kGridStep) {
                colours.insert(colours.end(),
                               {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                static_cast<std::uint8_t>(b)});
            }
        }
    }
    std::vector<std::uint8_t> converted(colours.size());
    cmsDoTransform(transform, colours.data(), converted.data(),
                   static_cast<cmsUInt32Number>(colours.size() / 3));
    return std::equal(colours.begin(), colours.end(), converted.begin(),
                      [](std::uint8_t a, std::uint8_t b) { return std::abs(a - b) <= 1; });
}

struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::shared_ptr<void>;

// A batch holds pictures of a few cameras and phones: one transform per distinct profile is
// built once and shared by every thread (built without lcms2's pixel cache, which is not shared
// safely). A profile that cannot be used, or need not be, is remembered as such too.
class Transforms {
public:
    Transforms() : context_(cmsCreateContext(nullptr, nullptr)) {
        if (context_ != nullptr) {
            cmsSetLogErrorHandlerTHR(context_, IgnoreError);
        }
    }
    ~Transforms() {
        known_.clear();
        if (context_ != nullptr) {
            cmsDeleteContext(context_);
        }
    }
    Transforms(const Transforms&) = delete;
    Transforms& operator=(const Transforms&) = delete;

    Transform For(const std::vector<std::uint8_t>& profile) {
        const std::lock_guard lock(mutex_);
        // Kept by text: GCC 12 warns wrongly where byte vectors are compared as keys.
        std::string key(profile.begin(), profile.end());
        if (const auto found = known_.find(key); found != known_.end()) {
            return found->second;
        }
        if (known_.size() >= kMaxKept) {
            known_.clear();
        }
        Transform made = Make(profile);
        known_.emplace(std::move(key), made);
        return made;
    }

private:
    static constexpr std::size_t kMaxKept = 16;

    Transform Make(const std::vector<std::uint8_t>& profile) {
        if (context_ == nullptr) {
            return nullptr;
        }
        cmsHPROFILE source = cmsOpenProfileFromMemTHR(context_, profile.data(),
                                                      static_cast<cmsUInt32Number>(profile.size()));
        if (source == nullptr) {
            return nullptr;
        }
        cmsHPROFILE srgb = cmsCreate_sRGBProfileTHR(context_);
        cmsHTRANSFORM transform = nullptr;
        if (srgb != nullptr && cmsGetColorSpace(source) == cmsSigRgbData) {
            transform = cmsCreateTransformTHR(context_, source, TYPE_RGB_8, srgb, TYPE_RGB_8,
                                              INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
        }
        if (srgb != nullptr) {
            cmsCloseProfile(srgb);
        }
        cmsCloseProfile(source);
        if (transform == nullptr) {
            return nullptr;
        }
        if (MovesNoColour(transform)) {
            cmsDeleteTransform(transform);
            return nullptr;
        }
        return Transform(transform, TransformDeleter{});
    }

    cmsContext context_;
    std::mutex mutex_;
    std::map<std::string, Transform> known_;
};

} // namespace

void ConvertToSrgb(Canvas& canvas, PixelRect area) {
    if (canvas.IccProfile().empty()) {
        return;
    }
    static Transforms transforms;
    const Transform transform = transforms.For(canvas.IccProfile());
    canvas.SetIccProfile({});
    const int x1 = std::max(area.x, 0);
    const int y1 = std::max(area.y, 0);
    const int x2 = std::min(area.x + area.width, canvas.Width());
    const int y2 = std::min(area.y + area.height, canvas.Height());
    if (!transform || x1 >= x2 || y1 >= y2) {
        return;
    }
    for (int y = y1; y < y2; ++y) {
        std::uint8_t* row = canvas.Row(y) + 3 * static_cast<std::size_t>(x1);
        cmsDoTransform(transform.get(), row, row, static_cast<cmsUInt32Number>(x2 - x1));
    }
}

} // namespace kalvimo

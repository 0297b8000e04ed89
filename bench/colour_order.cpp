// How far converting a Display P3 picture to sRGB after shrinking it strays from converting it
// first, and what each order costs: a photograph-like 12-megapixel picture and saturated
// patterns, each shrunk to 800 x 600.
//
//   colour_order

#include "canvas.h"
#include "colour_profile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <lcms2.h>
#include <random>
#include <string>
#include <vector>

namespace {

using kalvimo::Canvas;
using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> DisplayP3Profile() {
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {
        {0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return bytes;
}

std::uint8_t Level(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// Smooth shading with fine grain, as a photograph of a scene has.
Canvas PhotoLike(int w, int h) {
    Canvas c(w, h);
    std::mt19937 random(7);
    std::normal_distribution<double> grain(0.0, 12.0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = x / 400.0;
            const double v = y / 300.0;
            c.SetPixel(x, y,
                       {Level(140 + 100 * std::sin(u) * std::cos(v * 0.7) + grain(random)),
                        Level(120 + 90 * std::sin(v + 1) + grain(random)),
                        Level(110 + 100 * std::cos(u * 0.6 + v) + grain(random))});
        }
    }
    return c;
}

// One-pixel stripes and checks of saturated colours: averaging mixes colours that the
// conversion clips differently.
Canvas Saturated(int w, int h) {
    const kalvimo::Rgb colours[] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                                    {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
    Canvas c(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int band = (y * 3 / h) * 2 + (x * 2 / w);
            const int a = band % 6;
            const int b = (band + 1 + y / 97) % 6;
            const bool odd = band % 2 == 0 ? x % 2 == 1 : (x + y) % 2 == 1;
            c.SetPixel(x, y, odd ? colours[a] : colours[b]);
        }
    }
    return c;
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Compare(const char* name, const Canvas& picture, const std::vector<std::uint8_t>& profile) {
    const kalvimo::PixelRect whole{0, 0, picture.Width(), picture.Height()};
    const kalvimo::PixelRect frame{0, 0, 800, 600};

    Canvas first = picture;
    first.SetIccProfile(profile);
    Canvas firstFrame(800, 600);
    const Clock::time_point t0 = Clock::now();
    kalvimo::ConvertToSrgb(first, whole);
    const Clock::time_point t1 = Clock::now();
    kalvimo::ScaledCopy(first, whole, firstFrame, frame);
    const Clock::time_point t2 = Clock::now();

    Canvas afterFrame(800, 600);
    const Clock::time_point t3 = Clock::now();
    kalvimo::ScaledCopy(picture, whole, afterFrame, frame);
    afterFrame.SetIccProfile(profile);
    const Clock::time_point t4 = Clock::now();
    kalvimo::ConvertToSrgb(afterFrame, frame);
    const Clock::time_point t5 = Clock::now();

    int worst = 0;
    double total = 0;
    const std::size_t n = afterFrame.Stride() * 600;
    std::size_t overTwo = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int d = std::abs(firstFrame.Data()[i] - afterFrame.Data()[i]);
        worst = std::max(worst, d);
        total += d;
        overTwo += d > 2 ? 1 : 0;
    }
    std::printf("%-12s max %3d  mean %.3f  >2: %.3f%%  | convert first %.1f + %.1f ms, "
                "after %.1f + %.2f ms\n",
                name, worst, total / static_cast<double>(n),
                100.0 * static_cast<double>(overTwo) / static_cast<double>(n),
                Milliseconds(t1 - t0), Milliseconds(t2 - t1), Milliseconds(t4 - t3),
                Milliseconds(t5 - t4));
}

} // namespace

int main() {
    const std::vector<std::uint8_t> profile = DisplayP3Profile();
    // Builds the transform once, as the first picture of a run does.
    Canvas warm(1, 1);
    warm.SetIccProfile(profile);
    kalvimo::ConvertToSrgb(warm, {0, 0, 1, 1});
    Compare("photo-like", PhotoLike(4000, 3000), profile);
    Compare("saturated", Saturated(4000, 3000), profile);
    return 0;
}

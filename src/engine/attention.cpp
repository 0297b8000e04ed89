#include "attention.h"

#include "rounding.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kalvimo {

namespace {

constexpr int kShrink = kAttentionShrink;
// A stretch must hold this much more than the poorest one to be a subject rather than the
// picture's own texture.
constexpr double kStandsOut = 0.1;
// Sums closer than this share of the spread count as equal, so that rounding never decides.
constexpr double kEqual = 1e-3;
constexpr float kSkinWeight = 128;
// Steps of a level or two in a gradient, and JPEG noise, are no detail.
constexpr int kFaint = 8;
// Only vivid colours count: the dull tints of a sky or a wall are no subject.
constexpr int kDull = 64;

int Luma(const std::uint8_t* p) {
    return (77 * p[0] + 150 * p[1] + 29 * p[2]) >> 8;
}

// Skin in daylight, by the usual rule on red, green and blue.
bool IsSkin(int r, int g, int b) {
    return r > 95 && g > 40 && b > 20 && r > g && r > b && r - std::min(g, b) > 15 && r - g > 15;
}

} // namespace

Canvas ShrunkForAttention(const Canvas& picture) {
    Canvas eighth;
    const int w = (picture.Width() + kShrink - 1) / kShrink;
    const int h = (picture.Height() + kShrink - 1) / kShrink;
    if (!picture.Empty() && eighth.Resize(w, h)) {
        // Whole blocks of 8, the last ones cut short by the picture's edge, as in a JPEG.
        ScaledCopy(picture, {0, 0, w * kShrink, h * kShrink}, eighth, {0, 0, w, h});
    }
    return eighth;
}

// A pixel's interest is what attention-based cropping weighs: detail (the magnitude of the
// luma's 4-neighbour Laplacian beyond kFaint, which smooth gradients and blur stay under), half its
// saturation beyond the dull (max - min of red, green and blue, less kDull) and a fixed weight
// where it has the colour of skin. The column and row sums are all the cut needs: it moves along
// one axis at a time.
Attention FindAttention(const Canvas& look) {
    Attention attention;
    const int w = look.Width();
    const int h = look.Height();
    attention.columns.assign(static_cast<std::size_t>(w), 0.0F);
    attention.rows.assign(static_cast<std::size_t>(h), 0.0F);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = look.Row(y);
        const std::uint8_t* up = look.Row(std::max(y - 1, 0));
        const std::uint8_t* down = look.Row(std::min(y + 1, h - 1));
        float rowSum = 0;
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = row + 3 * x;
            const int left = 3 * std::max(x - 1, 0);
            const int right = 3 * std::min(x + 1, w - 1);
            const int laplacian = std::abs(4 * Luma(p) - Luma(row + left) - Luma(row + right) -
                                           Luma(up + 3 * x) - Luma(down + 3 * x));
            const int detail = std::max(0, laplacian - kFaint);
            const int saturation =
                std::max(0, std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) - kDull);
            const float interest = static_cast<float>(detail) + static_cast<float>(saturation) / 2 +
                                   (IsSkin(p[0], p[1], p[2]) ? kSkinWeight : 0.0F);
            attention.columns[static_cast<std::size_t>(x)] += interest;
            rowSum += interest;
        }
        attention.rows[static_cast<std::size_t>(y)] = rowSum;
    }
    return attention;
}

Attention TurnedAttention(const Attention& attention) {
    // The top edge becomes the left one, the right edge the top one.
    return {attention.rows, {attention.columns.rbegin(), attention.columns.rend()}};
}

std::optional<int> SubjectStart(const std::vector<float>& profile, int kept, int length) {
    const auto n = static_cast<std::int64_t>(profile.size());
    if (n == 0 || kept <= 0 || kept >= length) {
        return std::nullopt;
    }
    // Only whole stretches of the profile are weighed, so that a stretch chosen is kept whole.
    const std::int64_t m = std::max<std::int64_t>(1, kept * n / length);
    if (m >= n) {
        return std::nullopt;
    }
    std::vector<double> sums(static_cast<std::size_t>(n - m + 1));
    double sum = 0;
    for (std::int64_t i = 0; i < m; ++i) {
        sum += profile[static_cast<std::size_t>(i)];
    }
    for (std::int64_t k = 0;; ++k) {
        sums[static_cast<std::size_t>(k)] = sum;
        if (k + m >= n) {
            break;
        }
        sum += static_cast<double>(profile[static_cast<std::size_t>(k + m)]) -
               profile[static_cast<std::size_t>(k)];
    }
    const auto [least, most] = std::ranges::minmax(sums);
    if (most - least <= kStandsOut * most) {
        return std::nullopt;
    }
    const double middle = static_cast<double>(n - m) / 2;
    std::int64_t best = -1;
    for (std::int64_t k = 0; k <= n - m; ++k) {
        if (sums[static_cast<std::size_t>(k)] >= most - kEqual * (most - least) &&
            (best < 0 || std::abs(static_cast<double>(k) - middle) <
                             std::abs(static_cast<double>(best) - middle))) {
            best = k;
        }
    }
    // The kept pixels centred on the stretches chosen.
    const double scale = static_cast<double>(length) / static_cast<double>(n);
    const double start = (static_cast<double>(2 * best + m) * scale - kept) / 2;
    return static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(start), 0, length - kept));
}

} // namespace kalvimo

#include "plane_averager.h"

#include <algorithm>
#include <cmath>

namespace kalvimo {

namespace {

// The weights by which each target cell gathers the plane's samples, as a run of consecutive
// samples per cell. A cell is the mean of the picture under it as the full decoder shows it: with
// a factor of 2 the decoder interpolates (3/4 near sample, 1/4 far one) before the picture is
// seen, so the weights go through that same interpolation; other factors repeat each sample.
// Weights are normalised by the part of the cell the plane covers, so edge cells are true means.
} // namespace

std::vector<PlaneAverager::CellRun> PlaneAverager::CellWeights(int samples, int factor,
                                                               int pictureSize, int cells) {
    const bool interpolated = factor == 2 && samples > 2;
    const int positions = interpolated ? 2 * samples : samples;
    const double positionSize = interpolated ? 1.0 : factor;
    const double cellSize = static_cast<double>(pictureSize) / cells;
    const double planeEnd = positions * positionSize;
    std::vector<CellRun> runs(static_cast<std::size_t>(cells));
    for (int c = 0; c < cells; ++c) {
        const double lo = c * cellSize;
        const double hi = std::min((c + 1) * cellSize, planeEnd);
        if (hi <= lo) {
            continue;
        }
        const int firstPosition = static_cast<int>(std::floor(lo / positionSize));
        const int lastPosition =
            std::min(static_cast<int>(std::ceil(hi / positionSize)), positions) - 1;
        // Native samples this cell can touch, interpolation neighbours included.
        const int firstSample = std::max(interpolated ? firstPosition / 2 - 1 : firstPosition, 0);
        const int lastSample =
            std::min(interpolated ? lastPosition / 2 + 1 : lastPosition, samples - 1);
        CellRun& run = runs[static_cast<std::size_t>(c)];
        run.first = firstSample;
        run.weights.assign(static_cast<std::size_t>(lastSample - firstSample + 1), 0.0);
        const auto add = [&](int sample, double w) {
            run.weights[static_cast<std::size_t>(sample - firstSample)] += w;
        };
        for (int p = firstPosition; p <= lastPosition; ++p) {
            const double overlap =
                std::min((p + 1) * positionSize, hi) - std::max(p * positionSize, lo);
            if (overlap <= 0) {
                continue;
            }
            const double w = overlap / (hi - lo);
            if (!interpolated) {
                add(p, w);
                continue;
            }
            const int near = p / 2;
            const int far = std::clamp(p % 2 == 0 ? near - 1 : near + 1, 0, samples - 1);
            add(near, 0.75 * w);
            add(far, 0.25 * w);
        }
    }
    return runs;
}

namespace {

// ThreadSanitizer instruments the clones' resolver, which runs while the program is being
// loaded, before the sanitizer is ready.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KALVIMO_THREAD_SANITIZER
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define KALVIMO_THREAD_SANITIZER
#endif

// The two loops that touch every sample; wider vector units pay off here.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(KALVIMO_THREAD_SANITIZER)
#define KALVIMO_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KALVIMO_VECTOR_CLONES
#endif

KALVIMO_VECTOR_CLONES
void ScaleRow(const std::uint8_t* samples, float weight, float* out, std::size_t n) {
    for (std::size_t x = 0; x < n; ++x) {
        out[x] = weight * static_cast<float>(samples[x]);
    }
}

KALVIMO_VECTOR_CLONES
void AddScaledRow(const std::uint8_t* samples, float weight, float* out, std::size_t n) {
    for (std::size_t x = 0; x < n; ++x) {
        out[x] += weight * static_cast<float>(samples[x]);
    }
}

// Rounds half to even without a library call (adding 1.5 * 2^23 leaves no fraction bits, so the
// addition itself rounds in the default mode) and clamps as an integer, which keeps the loops
// around it free of branches.
inline std::uint8_t ToByte(float v) {
    constexpr float kShift = 12582912.0F;
    const int rounded = static_cast<int>((v + kShift) - kShift);
    return static_cast<std::uint8_t>(std::min(std::max(rounded, 0), 255));
}

KALVIMO_VECTOR_CLONES
void ColourRowToRgb(const float* luma, const float* blue, const float* red, std::uint8_t* rgb,
                    int count) {
    for (int x = 0; x < count; ++x) {
        const float cb = blue[x] - 128.0F;
        const float cr = red[x] - 128.0F;
        rgb[3 * x] = ToByte(luma[x] + 1.402F * cr);
        rgb[3 * x + 1] = ToByte(luma[x] - 0.344136286F * cb - 0.714136286F * cr);
        rgb[3 * x + 2] = ToByte(luma[x] + 1.772F * cb);
    }
}

// Every span padded to the same tap count, so the inner loop has a fixed length. Inlined into
// GatherSpans, whose versions for each vector unit it takes on: multi-versioning takes no
// templates.
template <int kTaps>
[[gnu::always_inline]] inline void GatherFixed(const float* sums, const std::int32_t* firsts,
                                               const float* weights, int cells, float* out) {
    for (int i = 0; i < cells; ++i, weights += kTaps) {
        const float* s = sums + firsts[i];
        float total = 0;
        for (int k = 0; k < kTaps; ++k) {
            total += weights[k] * s[k];
        }
        out[i] = total;
    }
}

KALVIMO_VECTOR_CLONES
void GatherSpans(const float* sums, const std::int32_t* firsts, const float* weights, int taps,
                 int cells, float* out) {
    switch (taps) {
    case 1:
        return GatherFixed<1>(sums, firsts, weights, cells, out);
    case 2:
        return GatherFixed<2>(sums, firsts, weights, cells, out);
    case 3:
        return GatherFixed<3>(sums, firsts, weights, cells, out);
    case 4:
        return GatherFixed<4>(sums, firsts, weights, cells, out);
    case 5:
        return GatherFixed<5>(sums, firsts, weights, cells, out);
    case 6:
        return GatherFixed<6>(sums, firsts, weights, cells, out);
    case 7:
        return GatherFixed<7>(sums, firsts, weights, cells, out);
    case 8:
        return GatherFixed<8>(sums, firsts, weights, cells, out);
    default:
        for (int i = 0; i < cells; ++i) {
            const float* s = sums + firsts[i];
            const float* w = weights + static_cast<std::size_t>(i) * taps;
            float total = 0;
            for (int k = 0; k < taps; ++k) {
                total += w[k] * s[k];
            }
            out[i] = total;
        }
    }
}

} // namespace

PlaneAverager::Axis PlaneAverager::SampleReach(const std::vector<CellRun>& runs, int samples) {
    // Cells reached by one sample are consecutive, because each cell's samples are.
    std::vector<int> firstCell(static_cast<std::size_t>(samples), -1);
    std::vector<int> lastCell(static_cast<std::size_t>(samples), -1);
    for (std::size_t c = 0; c < runs.size(); ++c) {
        for (std::size_t k = 0; k < runs[c].weights.size(); ++k) {
            const auto s = static_cast<std::size_t>(runs[c].first) + k;
            if (firstCell[s] < 0) {
                firstCell[s] = static_cast<int>(c);
            }
            lastCell[s] = static_cast<int>(c);
        }
    }
    Axis axis;
    axis.spans.resize(static_cast<std::size_t>(samples));
    for (std::size_t s = 0; s < axis.spans.size(); ++s) {
        Span& span = axis.spans[s];
        span.weightOffset = axis.weights.size();
        if (firstCell[s] < 0) {
            continue;
        }
        span.first = firstCell[s];
        span.count = lastCell[s] - firstCell[s] + 1;
        for (int c = firstCell[s]; c <= lastCell[s]; ++c) {
            const CellRun& run = runs[static_cast<std::size_t>(c)];
            const auto k = static_cast<std::ptrdiff_t>(s) - run.first;
            const bool inside = k >= 0 && k < static_cast<std::ptrdiff_t>(run.weights.size());
            axis.weights.push_back(
                inside ? static_cast<float>(run.weights[static_cast<std::size_t>(k)]) : 0.0F);
        }
    }
    return axis;
}

void PlaneAverager::Reset(int planeWidth, int planeHeight, int factorX, int factorY,
                          int pictureWidth, int pictureHeight, int targetWidth, int targetHeight) {
    planeWidth_ = planeWidth;
    targetWidth_ = targetWidth;
    targetHeight_ = targetHeight;
    nextSampleRow_ = 0;
    nextTargetRow_ = 0;
    down_ =
        SampleReach(CellWeights(planeHeight, factorY, pictureHeight, targetHeight), planeHeight);
    const std::vector<CellRun> across = CellWeights(planeWidth, factorX, pictureWidth, targetWidth);
    gatherTaps_ = 1;
    for (const CellRun& run : across) {
        gatherTaps_ = std::max(gatherTaps_, static_cast<int>(run.weights.size()));
    }
    // Padding taps read zero-weighted samples, so each run is moved left where it would
    // otherwise reach past the plane's end.
    gatherTaps_ = std::min(gatherTaps_, planeWidth);
    gatherFirst_.assign(static_cast<std::size_t>(targetWidth), 0);
    gatherWeights_.assign(static_cast<std::size_t>(targetWidth) * gatherTaps_, 0.0F);
    for (int i = 0; i < targetWidth; ++i) {
        const CellRun& run = across[static_cast<std::size_t>(i)];
        const int first = std::min(run.first, planeWidth - gatherTaps_);
        gatherFirst_[static_cast<std::size_t>(i)] = first;
        for (std::size_t k = 0; k < run.weights.size(); ++k) {
            gatherWeights_[static_cast<std::size_t>(i) * gatherTaps_ +
                           static_cast<std::size_t>(run.first - first) + k] =
                static_cast<float>(run.weights[k]);
        }
    }
    for (OpenRow& row : open_) {
        spare_.push_back(std::move(row));
    }
    open_.clear();
    for (OpenRow& row : spare_) {
        row.sums.resize(static_cast<std::size_t>(planeWidth));
        row.fresh = true;
    }
    // Every cell is written when its row completes.
    cells_.resize(static_cast<std::size_t>(targetWidth) * static_cast<std::size_t>(targetHeight));
}

void PlaneAverager::AddRow(const std::uint8_t* samples) {
    if (nextSampleRow_ >= static_cast<int>(down_.spans.size())) {
        return;
    }
    const Span& reach = down_.spans[static_cast<std::size_t>(nextSampleRow_++)];
    // Rows above the first one this sample reaches get nothing more.
    while (nextTargetRow_ < reach.first && nextTargetRow_ < targetHeight_) {
        CompleteRow();
    }
    const float* w = down_.weights.data() + reach.weightOffset;
    for (int k = 0; k < reach.count; ++k) {
        const auto index = static_cast<std::size_t>(reach.first + k - nextTargetRow_);
        while (open_.size() <= index) {
            open_.push_back(TakeSpare());
        }
        OpenRow& row = open_[index];
        if (row.fresh) {
            ScaleRow(samples, w[k], row.sums.data(), row.sums.size());
            row.fresh = false;
        } else {
            AddScaledRow(samples, w[k], row.sums.data(), row.sums.size());
        }
    }
}

PlaneAverager::OpenRow PlaneAverager::TakeSpare() {
    if (spare_.empty()) {
        return {std::vector<float>(static_cast<std::size_t>(planeWidth_)), true};
    }
    OpenRow row = std::move(spare_.back());
    spare_.pop_back();
    row.fresh = true;
    return row;
}

void PlaneAverager::CompleteRow() {
    float* cells = cells_.data() + static_cast<std::size_t>(nextTargetRow_) *
                                       static_cast<std::size_t>(targetWidth_);
    if (open_.empty() || open_.front().fresh) {
        std::fill(cells, cells + targetWidth_, 0.0F);
    } else {
        Gather(open_.front().sums.data(), cells);
    }
    if (!open_.empty()) {
        spare_.push_back(std::move(open_.front()));
        open_.pop_front();
    }
    ++nextTargetRow_;
}

void PlaneAverager::Gather(const float* sums, float* cells) const {
    GatherSpans(sums, gatherFirst_.data(), gatherWeights_.data(), gatherTaps_, targetWidth_, cells);
}

void PlaneAverager::Finish() {
    while (nextTargetRow_ < targetHeight_) {
        CompleteRow();
    }
}

void MeansToRgb(const float* luma, const float* blue, const float* red, std::uint8_t* rgb,
                int count) {
    if (blue != nullptr && red != nullptr) {
        ColourRowToRgb(luma, blue, red, rgb, count);
        return;
    }
    for (int x = 0; x < count; ++x, rgb += 3) {
        rgb[0] = rgb[1] = rgb[2] = ToByte(luma[x]);
    }
}

} // namespace kalvimo

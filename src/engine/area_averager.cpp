#include "area_averager.h"

#include "rounding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace kalvimo {

AreaAxis AreaWeights(int fromStart, int fromLength, int toLength, int sourceLimit) {
    AreaAxis axis;
    axis.spans.resize(static_cast<std::size_t>(toLength));
    const double step = static_cast<double>(fromLength) / toLength;
    for (int i = 0; i < toLength; ++i) {
        const double lo = std::max(fromStart + i * step, 0.0);
        const double hi = std::min(fromStart + (i + 1) * step, static_cast<double>(sourceLimit));
        AreaSpan& span = axis.spans[static_cast<std::size_t>(i)];
        span.weightOffset = axis.weights.size();
        if (hi <= lo) {
            continue;
        }
        const int first = static_cast<int>(std::floor(lo));
        const int last = std::min(static_cast<int>(std::ceil(hi)), sourceLimit) - 1;
        span.first = first;
        for (int s = first; s <= last; ++s) {
            const double cover = std::min(hi, s + 1.0) - std::max(lo, static_cast<double>(s));
            axis.weights.push_back(cover > 0 ? static_cast<float>(cover / (hi - lo)) : 0.0F);
            ++span.count;
        }
    }
    return axis;
}

namespace {

// The covered cells of one axis are one run, as the source is one interval.
std::pair<int, int> CoveredRun(int fromStart, int fromLength, int toStart, int toLength,
                               int sourceLimit, int targetLimit) {
    const double step = static_cast<double>(fromLength) / toLength;
    int first = 0;
    int end = 0;
    for (int i = std::max(0, -toStart); i < std::min(toLength, targetLimit - toStart); ++i) {
        const double lo = std::max(fromStart + i * step, 0.0);
        const double hi = std::min(fromStart + (i + 1) * step, static_cast<double>(sourceLimit));
        if (hi > lo) {
            first = end == 0 ? i : first;
            end = i + 1;
        }
    }
    return {first, end};
}

} // namespace

PixelRect CoveredCells(PixelRect from, int sourceWidth, int sourceHeight, PixelRect to,
                       int targetWidth, int targetHeight) {
    if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0) {
        return {};
    }
    const auto [firstColumn, endColumn] =
        CoveredRun(from.x, from.width, to.x, to.width, sourceWidth, targetWidth);
    const auto [firstRow, endRow] =
        CoveredRun(from.y, from.height, to.y, to.height, sourceHeight, targetHeight);
    if (endColumn == 0 || endRow == 0) {
        return {};
    }
    return {to.x + firstColumn, to.y + firstRow, endColumn - firstColumn, endRow - firstRow};
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

// The loops that touch every sample; wider vector units pay off here.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(KALVIMO_THREAD_SANITIZER)
#define KALVIMO_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KALVIMO_VECTOR_CLONES
#endif

// Inlined into the versions below, for each vector unit: multi-versioning takes no templates.
// out = weight * in, or out += weight * in when adding.
template <typename In>
[[gnu::always_inline]] inline void Weigh(const In* in, float weight, float* out, std::size_t n,
                                         bool adding) {
    if (adding) {
        for (std::size_t x = 0; x < n; ++x) {
            out[x] += weight * static_cast<float>(in[x]);
        }
    } else {
        for (std::size_t x = 0; x < n; ++x) {
            out[x] = weight * static_cast<float>(in[x]);
        }
    }
}

KALVIMO_VECTOR_CLONES
void WeighRow(const std::uint8_t* in, float weight, float* out, std::size_t n, bool adding) {
    Weigh(in, weight, out, n, adding);
}
KALVIMO_VECTOR_CLONES
void WeighTotals(const std::uint16_t* in, float weight, float* out, std::size_t n, bool adding) {
    Weigh(in, weight, out, n, adding);
}

// out = a (+ b), or out += a (+ b) when adding.
KALVIMO_VECTOR_CLONES
void Total(const std::uint8_t* a, std::uint16_t* out, std::size_t n, bool adding) {
    if (adding) {
        for (std::size_t x = 0; x < n; ++x) {
            out[x] = static_cast<std::uint16_t>(out[x] + a[x]);
        }
    } else {
        for (std::size_t x = 0; x < n; ++x) {
            out[x] = a[x];
        }
    }
}
KALVIMO_VECTOR_CLONES
void TotalPair(const std::uint8_t* a, const std::uint8_t* b, std::uint16_t* out, std::size_t n,
               bool adding) {
    if (adding) {
        for (std::size_t x = 0; x < n; ++x) {
            out[x] = static_cast<std::uint16_t>(out[x] + a[x] + b[x]);
        }
    } else {
        for (std::size_t x = 0; x < n; ++x) {
            out[x] = static_cast<std::uint16_t>(a[x] + b[x]);
        }
    }
}

// Inlined into GatherRow, whose versions for each vector unit it takes on: multi-versioning
// takes no templates.
template <int kChannels, int kTaps>
[[gnu::always_inline]] inline void GatherFixed(const float* row, const std::int32_t* firsts,
                                               const float* weights, int cells, float* out) {
    if constexpr (kChannels == 3) {
        // A pixel and the next one's first sample in one vector; the extra lane is dropped, as
        // the next cell overwrites it (both rows have a spare sample at the end).
        using Lanes = float __attribute__((vector_size(16)));
        for (int i = 0; i < cells; ++i, weights += kTaps, out += 3) {
            const float* p = row + static_cast<std::ptrdiff_t>(firsts[i]) * 3;
            Lanes total = {};
            for (int k = 0; k < kTaps; ++k) {
                Lanes pixel;
                std::memcpy(&pixel, p + 3 * k, sizeof pixel);
                total += weights[k] * pixel;
            }
            std::memcpy(out, &total, sizeof total);
        }
        return;
    }
    for (int i = 0; i < cells; ++i, weights += kTaps, out += kChannels) {
        const float* p = row + static_cast<std::ptrdiff_t>(firsts[i]) * kChannels;
        float total[kChannels] = {};
        for (int k = 0; k < kTaps; ++k) {
            for (int c = 0; c < kChannels; ++c) {
                total[c] += weights[k] * p[k * kChannels + c];
            }
        }
        for (int c = 0; c < kChannels; ++c) {
            out[c] = total[c];
        }
    }
}

// A shrink by up to 12 has at most 13 taps; larger ones take the loop of any length.
constexpr int kMostFixedTaps = 13;

template <int kChannels, int kTaps = 1>
[[gnu::always_inline]] inline void GatherAny(const float* row, const std::int32_t* firsts,
                                             const float* weights, int taps, int cells,
                                             float* out) {
    if constexpr (kTaps <= kMostFixedTaps) {
        if (taps == kTaps) {
            return GatherFixed<kChannels, kTaps>(row, firsts, weights, cells, out);
        }
        return GatherAny<kChannels, kTaps + 1>(row, firsts, weights, taps, cells, out);
    } else {
        for (int i = 0; i < cells; ++i, out += kChannels) {
            const float* p = row + static_cast<std::ptrdiff_t>(firsts[i]) * kChannels;
            const float* w = weights + static_cast<std::size_t>(i) * taps;
            float total[kChannels] = {};
            for (int k = 0; k < taps; ++k) {
                for (int c = 0; c < kChannels; ++c) {
                    total[c] += w[k] * p[k * kChannels + c];
                }
            }
            for (int c = 0; c < kChannels; ++c) {
                out[c] = total[c];
            }
        }
    }
}

KALVIMO_VECTOR_CLONES
void GatherRow(const float* row, int channels, const std::int32_t* firsts, const float* weights,
               int taps, int cells, float* out) {
    if (channels == 1) {
        GatherAny<1>(row, firsts, weights, taps, cells, out);
    } else {
        GatherAny<3>(row, firsts, weights, taps, cells, out);
    }
}

KALVIMO_VECTOR_CLONES
void WriteCells(const float* cells, int channels, std::uint8_t* out, std::size_t count) {
    if (channels == 1) {
        for (std::size_t i = 0; i < count; ++i) {
            out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = RoundToByte(cells[i]);
        }
    } else {
        for (std::size_t i = 0; i < 3 * count; ++i) {
            out[i] = RoundToByte(cells[i]);
        }
    }
}

} // namespace

bool TargetsUsable(std::span<const ShrinkTarget> targets) {
    return std::all_of(targets.begin(), targets.end(), [](const ShrinkTarget& t) {
        return !t.canvas.Empty() && t.from.width > 0 && t.from.height > 0;
    });
}

std::optional<PixelRect> ResizeToEighth(Canvas& target, int width, int height) {
    constexpr int kEighth = 8;
    const int cellsAcross = (width + kEighth - 1) / kEighth;
    const int cellsDown = (height + kEighth - 1) / kEighth;
    if (width <= 0 || height <= 0 || !target.Resize(cellsAcross, cellsDown)) {
        return std::nullopt;
    }
    return PixelRect{0, 0, cellsAcross * kEighth, cellsDown * kEighth};
}

PixelRect ResetAveragers(std::span<AreaAverager> averagers, std::span<const ShrinkTarget> targets,
                         int sourceWidth, int sourceHeight, int channels) {
    int firstRow = sourceHeight;
    int endRow = 0;
    int firstColumn = sourceWidth;
    int endColumn = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        Canvas& target = targets[i].canvas;
        AreaAverager& averager = averagers[i];
        averager.Reset(sourceWidth, sourceHeight, channels, targets[i].from, target,
                       {0, 0, target.Width(), target.Height()});
        if (averager.EndRow() > averager.FirstRow()) {
            firstRow = std::min(firstRow, averager.FirstRow());
            endRow = std::max(endRow, averager.EndRow());
            firstColumn = std::min(firstColumn, averager.FirstColumn());
            endColumn = std::max(endColumn, averager.EndColumn());
        }
    }
    if (endRow <= firstRow) {
        return {};
    }
    return {firstColumn, firstRow, endColumn - firstColumn, endRow - firstRow};
}

void AddRowToAveragers(std::span<AreaAverager> averagers, int y, const std::uint8_t* row) {
    AddRowsToAveragers(averagers, y, {&row, 1});
}

void AreaAverager::Reset(int sourceWidth, int sourceHeight, int channels, PixelRect from,
                         Canvas& target, PixelRect to) {
    target_ = &target;
    to_ = to;
    channels_ = channels;
    nextTargetRow_ = 0;
    const AreaAxis across = AreaWeights(from.x, from.width, to.width, sourceWidth);
    down_ = AreaWeights(from.y, from.height, to.height, sourceHeight);

    firstColumn_ = sourceWidth;
    endColumn_ = 0;
    taps_ = 1;
    for (const AreaSpan& span : across.spans) {
        if (span.count > 0) {
            firstColumn_ = std::min(firstColumn_, span.first);
            endColumn_ = std::max(endColumn_, span.first + span.count);
            taps_ = std::max(taps_, span.count);
        }
    }
    // Padding taps read zero-weighted pixels, so a span is moved left where it would otherwise
    // reach past the last column that counts.
    taps_ = std::max(1, std::min(taps_, endColumn_ - firstColumn_));
    const auto cells = static_cast<std::size_t>(std::max(to.width, 0));
    first_.assign(cells, 0);
    across_.assign(cells * static_cast<std::size_t>(taps_), 0.0F);
    firstCovered_ = static_cast<int>(cells);
    endCovered_ = 0;
    for (std::size_t i = 0; i < cells; ++i) {
        const AreaSpan& span = across.spans[i];
        if (span.count == 0) {
            continue;
        }
        firstCovered_ = std::min(firstCovered_, static_cast<int>(i));
        endCovered_ = static_cast<int>(i) + 1;
        const int first = std::max(std::min(span.first, endColumn_ - taps_), firstColumn_);
        first_[i] = first - firstColumn_;
        for (int k = 0; k < span.count; ++k) {
            across_[i * static_cast<std::size_t>(taps_) +
                    static_cast<std::size_t>(span.first - first + k)] =
                across.weights[span.weightOffset + static_cast<std::size_t>(k)];
        }
    }

    // Turned around: for each source row, the target rows that gather it.
    firstRow_ = sourceHeight;
    endRow_ = 0;
    for (const AreaSpan& span : down_.spans) {
        if (span.count > 0 && endColumn_ > firstColumn_) {
            firstRow_ = std::min(firstRow_, span.first);
            endRow_ = std::max(endRow_, span.first + span.count);
        }
    }
    endRow_ = std::max(endRow_, firstRow_);
    nextSourceRow_ = firstRow_;
    const auto sourceRows = static_cast<std::size_t>(std::max(endRow_ - firstRow_, 0));
    std::vector<int> lastTarget(sourceRows, -1);
    reach_.assign(sourceRows, {});
    for (std::size_t j = 0; j < down_.spans.size(); ++j) {
        const AreaSpan& span = down_.spans[j];
        for (int k = 0; k < span.count; ++k) {
            const auto s = static_cast<std::size_t>(span.first + k - firstRow_);
            if (lastTarget[s] < 0) {
                reach_[s].first = static_cast<int>(j);
            }
            lastTarget[s] = static_cast<int>(j);
        }
    }
    // Rows of the same weight in a target row (most of them when shrinking) are added up as whole
    // numbers and weighed once; 257 rows of 255 still fit 16 bits.
    constexpr int kMostTotalled = 257;
    common_.assign(down_.spans.size(), -1.0F);
    for (std::size_t j = 0; j < down_.spans.size(); ++j) {
        const AreaSpan& span = down_.spans[j];
        if (span.count > 0 && span.count <= kMostTotalled) {
            common_[j] =
                down_.weights[span.weightOffset + static_cast<std::size_t>(span.count / 2)];
        }
    }
    reachWeights_.clear();
    reachTotalled_.clear();
    for (std::size_t s = 0; s < sourceRows; ++s) {
        Reach& r = reach_[s];
        r.weightOffset = reachWeights_.size();
        r.count = lastTarget[s] < 0 ? 0 : lastTarget[s] - r.first + 1;
        for (int j = r.first; j < r.first + r.count; ++j) {
            const AreaSpan& span = down_.spans[static_cast<std::size_t>(j)];
            const int k = static_cast<int>(s) + firstRow_ - span.first;
            const float weight =
                k >= 0 && k < span.count
                    ? down_.weights[span.weightOffset + static_cast<std::size_t>(k)]
                    : 0.0F;
            reachWeights_.push_back(weight);
            reachTotalled_.push_back(weight == common_[static_cast<std::size_t>(j)] ? 1 : 0);
        }
    }

    cells_.resize(cells * static_cast<std::size_t>(channels_) + 1);
    for (OpenRow& row : open_) {
        spare_.push_back(std::move(row));
    }
    open_.clear();
}

void AddRowsToAveragers(std::span<AreaAverager> averagers, int y,
                        std::span<const std::uint8_t* const> rows) {
    const int end = y + static_cast<int>(rows.size());
    for (AreaAverager& averager : averagers) {
        const int from = std::max(y, averager.FirstRow());
        const int to = std::min(end, averager.EndRow());
        if (to > from) {
            averager.AddRows(rows.subspan(static_cast<std::size_t>(from - y),
                                          static_cast<std::size_t>(to - from)));
        }
    }
}

// Sized here, when opened, for the picture at hand.
AreaAverager::OpenRow& AreaAverager::OpenRowOf(int targetRow) {
    const auto index = static_cast<std::size_t>(targetRow - nextTargetRow_);
    while (open_.size() <= index) {
        OpenRow fresh;
        if (!spare_.empty()) {
            fresh = std::move(spare_.back());
            spare_.pop_back();
        }
        const auto rowSize = static_cast<std::size_t>(endColumn_ - firstColumn_) * channels_;
        fresh.sums.resize(rowSize + 1);
        fresh.totals.resize(rowSize);
        fresh.summed = false;
        fresh.totalled = false;
        open_.push_back(std::move(fresh));
    }
    return open_[index];
}

void AreaAverager::AddRows(std::span<const std::uint8_t* const> rows) {
    std::size_t i = 0;
    while (i < rows.size()) {
        // Two rows totalled into the same target row alone go in one pass.
        const auto s = static_cast<std::size_t>(nextSourceRow_ - firstRow_);
        if (i + 1 < rows.size() && nextSourceRow_ + 1 < endRow_ && reach_[s].count == 1 &&
            reach_[s + 1].count == 1 && reach_[s].first == reach_[s + 1].first &&
            reachTotalled_[reach_[s].weightOffset] != 0 &&
            reachTotalled_[reach_[s + 1].weightOffset] != 0) {
            nextSourceRow_ += 2;
            while (nextTargetRow_ < reach_[s].first) {
                CompleteRow();
            }
            OpenRow& open = OpenRowOf(reach_[s].first);
            const std::ptrdiff_t skip = static_cast<std::ptrdiff_t>(firstColumn_) * channels_;
            TotalPair(rows[i] + skip, rows[i + 1] + skip, open.totals.data(), open.totals.size(),
                      open.totalled);
            open.totalled = true;
            i += 2;
        } else {
            AddRow(rows[i]);
            ++i;
        }
    }
}

void AreaAverager::AddRow(const std::uint8_t* row) {
    if (nextSourceRow_ >= endRow_) {
        return;
    }
    const Reach& reach = reach_[static_cast<std::size_t>(nextSourceRow_++ - firstRow_)];
    while (nextTargetRow_ < reach.first) {
        CompleteRow();
    }
    if (reach.count == 0) {
        return;
    }
    const std::uint8_t* kept = row + static_cast<std::ptrdiff_t>(firstColumn_) * channels_;
    const float* w = reachWeights_.data() + reach.weightOffset;
    const std::uint8_t* totalled = reachTotalled_.data() + reach.weightOffset;
    for (int k = 0; k < reach.count; ++k) {
        OpenRow& open = OpenRowOf(reach.first + k);
        const std::size_t n = open.totals.size();
        if (totalled[k] == 0) {
            WeighRow(kept, w[k], open.sums.data(), n, open.summed);
            open.summed = true;
        } else {
            Total(kept, open.totals.data(), n, open.totalled);
            open.totalled = true;
        }
    }
}

void AreaAverager::CompleteRow() {
    const int j = nextTargetRow_++;
    const bool any = !open_.empty();
    OpenRow row;
    if (any) {
        row = std::move(open_.front());
        open_.pop_front();
    }
    const int y = to_.y + j;
    if (any && (row.summed || row.totalled) && down_.spans[static_cast<std::size_t>(j)].count > 0 &&
        y >= 0 && y < target_->Height()) {
        if (row.totalled) {
            WeighTotals(row.totals.data(), common_[static_cast<std::size_t>(j)], row.sums.data(),
                        row.totals.size(), row.summed);
        }
        GatherRow(row.sums.data(), channels_, first_.data(), across_.data(), taps_,
                  static_cast<int>(first_.size()), cells_.data());
        // The covered cells are one run, as the region is one interval.
        const int begin = std::max(firstCovered_, -to_.x);
        const int end = std::min(endCovered_, target_->Width() - to_.x);
        if (end > begin) {
            WriteCells(cells_.data() + static_cast<std::size_t>(begin) * channels_, channels_,
                       target_->Row(y) + 3 * static_cast<std::size_t>(to_.x + begin),
                       static_cast<std::size_t>(end - begin));
        }
    }
    if (any) {
        spare_.push_back(std::move(row));
    }
}

void AreaAverager::Finish() {
    while (nextTargetRow_ < to_.height) {
        CompleteRow();
    }
}

} // namespace kalvimo

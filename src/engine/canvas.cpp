#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace kalvimo {

Canvas::Canvas(int width, int height, Colour fill) {
    if (Resize(width, height)) {
        FillRect(0, 0, width, height, fill);
    }
}

bool Canvas::Resize(int width, int height) {
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxPixels) {
        Clear();
        return false;
    }
    try {
        pixels_.resize(static_cast<std::size_t>(width) * height * 3);
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

void Canvas::Clear() {
    width_ = 0;
    height_ = 0;
    pixels_.clear();
    iccProfile_.clear();
}

Rgb Canvas::Pixel(int x, int y) const {
    const std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
    return {p[0], p[1], p[2]};
}

void Canvas::SetPixel(int x, int y, Rgb rgb) {
    std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
    p[0] = rgb.r;
    p[1] = rgb.g;
    p[2] = rgb.b;
}

void Canvas::FillRect(int x1, int y1, int x2, int y2, Colour colour) {
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, width_);
    y2 = std::min(y2, height_);
    if (x1 >= x2 || y1 >= y2) {
        return;
    }
    const Rgb rgb = ToRgb(colour);
    for (int y = y1; y < y2; ++y) {
        std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x1);
        for (int x = x1; x < x2; ++x, p += 3) {
            p[0] = rgb.r;
            p[1] = rgb.g;
            p[2] = rgb.b;
        }
    }
}

void Canvas::Swap(Canvas& other) noexcept {
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    pixels_.swap(other.pixels_);
    iccProfile_.swap(other.iccProfile_);
}

PixelRect PlainCopy(const Canvas& source, int sx, int sy, Canvas& target, int tx, int ty, int width,
                    int height) {
    // Clip against the source, then against the target, moving both corners together.
    const auto clip = [&](int& s, int& t, int& len, int sLimit, int tLimit) {
        if (s < 0) {
            t -= s;
            len += s;
            s = 0;
        }
        if (t < 0) {
            s -= t;
            len += t;
            t = 0;
        }
        len = std::min({len, sLimit - s, tLimit - t});
    };
    clip(sx, tx, width, source.Width(), target.Width());
    clip(sy, ty, height, source.Height(), target.Height());
    if (width <= 0 || height <= 0) {
        return {};
    }
    for (int y = 0; y < height; ++y) {
        std::memcpy(target.Row(ty + y) + 3 * static_cast<std::size_t>(tx),
                    source.Row(sy + y) + 3 * static_cast<std::size_t>(sx),
                    3 * static_cast<std::size_t>(width));
    }
    return {tx, ty, width, height};
}

namespace {

// The source span [begin, begin + count) and weights that make up one target column or row.
struct Footprint {
    int begin = 0;
    int count = 0;
    std::size_t weightOffset = 0;
};

struct AxisWeights {
    std::vector<Footprint> spans;
    std::vector<float> weights;
};

// Target cell i of `to` covers source interval from.start + [i, i + 1) * from.length / to.length.
// The part of that interval inside [0, sourceLimit) is averaged with weights by coverage.
AxisWeights BuildAxis(int fromStart, int fromLength, int toLength, int sourceLimit) {
    AxisWeights axis;
    axis.spans.resize(static_cast<std::size_t>(toLength));
    const double step = static_cast<double>(fromLength) / toLength;
    for (int i = 0; i < toLength; ++i) {
        const double lo = std::max(fromStart + i * step, 0.0);
        const double hi = std::min(fromStart + (i + 1) * step, static_cast<double>(sourceLimit));
        Footprint& f = axis.spans[static_cast<std::size_t>(i)];
        f.weightOffset = axis.weights.size();
        if (hi <= lo) {
            continue;
        }
        const int first = static_cast<int>(std::floor(lo));
        const int last = std::min(static_cast<int>(std::ceil(hi)), sourceLimit) - 1;
        const double total = hi - lo;
        f.begin = first;
        for (int s = first; s <= last; ++s) {
            const double cover = std::min(hi, s + 1.0) - std::max(lo, static_cast<double>(s));
            if (cover > 0) {
                axis.weights.push_back(static_cast<float>(cover / total));
            } else {
                axis.weights.push_back(0.0F);
            }
            ++f.count;
        }
    }
    return axis;
}

// The cells of [start, end) with source pixels under them: one run, since the source is one
// interval.
std::pair<int, int> CoveredRun(const AxisWeights& axis, int start, int end) {
    while (start < end && axis.spans[static_cast<std::size_t>(start)].count == 0) {
        ++start;
    }
    while (end > start && axis.spans[static_cast<std::size_t>(end - 1)].count == 0) {
        --end;
    }
    return {start, end};
}

std::uint8_t ToByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(std::lrint(v), 0L, 255L));
}

} // namespace

PixelRect ScaledCopy(const Canvas& source, PixelRect from, Canvas& target, PixelRect to) {
    if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0 || source.Empty() ||
        target.Empty()) {
        return {};
    }
    // Only the target cells inside the target canvas are computed.
    const int colStart = std::max(0, -to.x);
    const int colEnd = std::min(to.width, target.Width() - to.x);
    const int rowStart = std::max(0, -to.y);
    const int rowEnd = std::min(to.height, target.Height() - to.y);
    if (colStart >= colEnd || rowStart >= rowEnd) {
        return {};
    }
    const AxisWeights cols = BuildAxis(from.x, from.width, to.width, source.Width());
    const AxisWeights rows = BuildAxis(from.y, from.height, to.height, source.Height());
    const auto colCount = static_cast<std::size_t>(colEnd - colStart);

    // A source row reduced across; the two most recent are kept because neighbouring target
    // rows share the source row on their border (and many rows share one when enlarging).
    struct ReducedRow {
        int index = -1;
        std::vector<float> values;
    };
    ReducedRow cache[2];
    for (ReducedRow& r : cache) {
        r.values.resize(colCount * 3);
    }
    int nextSlot = 0;
    const auto reduced = [&](int sourceRow) -> const std::vector<float>& {
        for (const ReducedRow& r : cache) {
            if (r.index == sourceRow) {
                return r.values;
            }
        }
        ReducedRow& r = cache[nextSlot];
        nextSlot ^= 1;
        r.index = sourceRow;
        const std::uint8_t* in = source.Row(sourceRow);
        float* out = r.values.data();
        for (int c = colStart; c < colEnd; ++c, out += 3) {
            const Footprint& f = cols.spans[static_cast<std::size_t>(c)];
            const float* w = cols.weights.data() + f.weightOffset;
            const std::uint8_t* p = in + 3 * static_cast<std::size_t>(f.begin);
            float sr = 0, sg = 0, sb = 0;
            for (int k = 0; k < f.count; ++k, p += 3) {
                sr += w[k] * p[0];
                sg += w[k] * p[1];
                sb += w[k] * p[2];
            }
            out[0] = sr;
            out[1] = sg;
            out[2] = sb;
        }
        return r.values;
    };

    std::vector<float> acc(colCount * 3);
    for (int row = rowStart; row < rowEnd; ++row) {
        const Footprint& f = rows.spans[static_cast<std::size_t>(row)];
        if (f.count == 0) {
            continue;
        }
        std::fill(acc.begin(), acc.end(), 0.0F);
        const float* w = rows.weights.data() + f.weightOffset;
        for (int k = 0; k < f.count; ++k) {
            const std::vector<float>& line = reduced(f.begin + k);
            for (std::size_t i = 0; i < acc.size(); ++i) {
                acc[i] += w[k] * line[i];
            }
        }
        std::uint8_t* out = target.Row(to.y + row) + 3 * static_cast<std::size_t>(to.x + colStart);
        for (int c = colStart; c < colEnd; ++c, out += 3) {
            const Footprint& fc = cols.spans[static_cast<std::size_t>(c)];
            if (fc.count == 0) {
                continue;
            }
            const float* a = acc.data() + 3 * static_cast<std::size_t>(c - colStart);
            out[0] = ToByte(a[0]);
            out[1] = ToByte(a[1]);
            out[2] = ToByte(a[2]);
        }
    }
    const auto [firstCol, endCol] = CoveredRun(cols, colStart, colEnd);
    const auto [firstRow, endRow] = CoveredRun(rows, rowStart, rowEnd);
    if (firstCol == endCol || firstRow == endRow) {
        return {};
    }
    return {to.x + firstCol, to.y + firstRow, endCol - firstCol, endRow - firstRow};
}

} // namespace kalvimo

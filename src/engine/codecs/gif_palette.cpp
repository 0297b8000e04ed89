#include "gif_palette.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace kalvimo::codecs {

namespace {

constexpr std::size_t kMaxColours = 256;
constexpr int kCells = 32 * 32 * 32;
constexpr int kRefineRounds = 3;

int CellOf(const std::uint8_t* rgb) {
    return ((rgb[0] >> 3) << 10) | ((rgb[1] >> 3) << 5) | (rgb[2] >> 3);
}

int FineCellOf(const std::uint8_t* rgb) {
    return ((rgb[0] >> 2) << 12) | ((rgb[1] >> 2) << 6) | (rgb[2] >> 2);
}

int CellAt(const std::array<int, 3>& c) {
    return (c[0] << 10) | (c[1] << 5) | c[2];
}

Colour PackAt(const std::uint8_t* rgb) {
    return PackColour({rgb[0], rgb[1], rgb[2]});
}

struct CellStats {
    std::uint64_t count = 0;
    std::array<std::uint64_t, 3> sum{};
};

// A box of cells, [lo, hi] on each axis, shrunk to the cells in use.
struct Box {
    std::array<int, 3> lo{};
    std::array<int, 3> hi{};
    std::uint64_t count = 0;

    [[nodiscard]] int LongestAxis() const {
        int axis = 0;
        for (int a = 1; a < 3; ++a) {
            if (hi[a] - lo[a] > hi[axis] - lo[axis]) {
                axis = a;
            }
        }
        return axis;
    }
    [[nodiscard]] std::uint64_t Score() const {
        const int axis = LongestAxis();
        return count * static_cast<std::uint64_t>(hi[axis] - lo[axis]);
    }
};

template <typename Visit> void ForEachCell(const Box& box, Visit visit) {
    std::array<int, 3> c{};
    for (c[0] = box.lo[0]; c[0] <= box.hi[0]; ++c[0]) {
        for (c[1] = box.lo[1]; c[1] <= box.hi[1]; ++c[1]) {
            for (c[2] = box.lo[2]; c[2] <= box.hi[2]; ++c[2]) {
                visit(c);
            }
        }
    }
}

Box Shrink(const Box& box, const std::vector<CellStats>& cells) {
    Box tight;
    tight.lo = {31, 31, 31};
    tight.hi = {0, 0, 0};
    ForEachCell(box, [&](const std::array<int, 3>& c) {
        const std::uint64_t count = cells[static_cast<std::size_t>(CellAt(c))].count;
        if (count == 0) {
            return;
        }
        tight.count += count;
        for (int a = 0; a < 3; ++a) {
            tight.lo[a] = std::min(tight.lo[a], c[a]);
            tight.hi[a] = std::max(tight.hi[a], c[a]);
        }
    });
    return tight;
}

// Cuts the box across its longest side where half of its pixels lie on either side.
std::pair<Box, Box> Split(const Box& box, const std::vector<CellStats>& cells) {
    const int axis = box.LongestAxis();
    std::array<std::uint64_t, 32> slices{};
    ForEachCell(box, [&](const std::array<int, 3>& c) {
        slices[static_cast<std::size_t>(c[axis])] +=
            cells[static_cast<std::size_t>(CellAt(c))].count;
    });
    int cut = box.lo[axis];
    std::uint64_t below = slices[static_cast<std::size_t>(cut)];
    while (cut + 1 < box.hi[axis] && below * 2 < box.count) {
        ++cut;
        below += slices[static_cast<std::size_t>(cut)];
    }
    Box first = box;
    Box second = box;
    first.hi[axis] = cut;
    second.lo[axis] = cut + 1;
    return {Shrink(first, cells), Shrink(second, cells)};
}

Rgb MeanColour(const CellStats& stats) {
    const auto mean = [&](int a) {
        return static_cast<std::uint8_t>((stats.sum[a] + stats.count / 2) / stats.count);
    };
    return {mean(0), mean(1), mean(2)};
}

int Distance(Rgb a, Rgb b) {
    const int dr = a.r - b.r;
    const int dg = a.g - b.g;
    const int db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

std::size_t Nearest(Rgb colour, const std::vector<Rgb>& palette) {
    std::size_t best = 0;
    int bestDistance = Distance(colour, palette[0]);
    for (std::size_t i = 1; i < palette.size() && bestDistance != 0; ++i) {
        const int distance = Distance(colour, palette[i]);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

GifPalette::GifPalette(const Canvas& canvas) {
    if (!TakeExactColours(canvas)) {
        CutColours(canvas);
    }
}

bool GifPalette::TakeExactColours(const Canvas& canvas) {
    std::unordered_set<Colour> seen;
    for (int y = 0; y < canvas.Height(); ++y) {
        const std::uint8_t* p = canvas.Row(y);
        Colour last = PackAt(p) + 1;
        for (int x = 0; x < canvas.Width(); ++x, p += 3) {
            const Colour colour = PackAt(p);
            if (colour != last) {
                last = colour;
                seen.insert(colour);
                if (seen.size() > kMaxColours) {
                    return false;
                }
            }
        }
    }
    exact_.assign(seen.begin(), seen.end());
    std::sort(exact_.begin(), exact_.end());
    for (const Colour colour : exact_) {
        colours_.push_back(ToRgb(colour));
    }
    return true;
}

void GifPalette::CutColours(const Canvas& canvas) {
    std::vector<CellStats> cells(kCells);
    std::vector<std::uint8_t> fineUsed(kFineCells, 0);
    for (int y = 0; y < canvas.Height(); ++y) {
        const std::uint8_t* p = canvas.Row(y);
        for (int x = 0; x < canvas.Width(); ++x, p += 3) {
            CellStats& cell = cells[static_cast<std::size_t>(CellOf(p))];
            ++cell.count;
            cell.sum[0] += p[0];
            cell.sum[1] += p[1];
            cell.sum[2] += p[2];
            fineUsed[static_cast<std::size_t>(FineCellOf(p))] = 1;
        }
    }

    std::vector<Box> boxes;
    Box all;
    all.hi = {31, 31, 31};
    boxes.push_back(Shrink(all, cells));
    while (boxes.size() < kMaxColours) {
        const auto widest =
            std::max_element(boxes.begin(), boxes.end(),
                             [](const Box& a, const Box& b) { return a.Score() < b.Score(); });
        if (widest->Score() == 0) {
            break;
        }
        auto [first, second] = Split(*widest, cells);
        *widest = first;
        boxes.push_back(second);
    }
    for (const Box& box : boxes) {
        CellStats total;
        ForEachCell(box, [&](const std::array<int, 3>& c) {
            const CellStats& cell = cells[static_cast<std::size_t>(CellAt(c))];
            total.count += cell.count;
            for (int a = 0; a < 3; ++a) {
                total.sum[a] += cell.sum[a];
            }
        });
        colours_.push_back(MeanColour(total));
    }

    // A few rounds of moving each entry to the mean of the cells nearest to it settle the
    // entries where the pixels are, which the cut alone only approximates.
    std::vector<int> used;
    for (int cell = 0; cell < kCells; ++cell) {
        if (cells[static_cast<std::size_t>(cell)].count != 0) {
            used.push_back(cell);
        }
    }
    for (int round = 0; round < kRefineRounds; ++round) {
        std::vector<CellStats> groups(colours_.size());
        for (const int cell : used) {
            const CellStats& stats = cells[static_cast<std::size_t>(cell)];
            CellStats& group = groups[Nearest(MeanColour(stats), colours_)];
            group.count += stats.count;
            for (int a = 0; a < 3; ++a) {
                group.sum[a] += stats.sum[a];
            }
        }
        for (std::size_t i = 0; i < colours_.size(); ++i) {
            if (groups[i].count != 0) {
                colours_[i] = MeanColour(groups[i]);
            }
        }
    }
    MapFineCells(fineUsed);
}

void GifPalette::MapFineCells(const std::vector<std::uint8_t>& fineUsed) {
    fineIndex_.assign(kFineCells, 0);
    for (int cell = 0; cell < kFineCells; ++cell) {
        if (fineUsed[static_cast<std::size_t>(cell)] == 0) {
            continue;
        }
        const auto centre = [&](int shift) {
            return static_cast<std::uint8_t>((((cell >> shift) & 63) << 2) + 2);
        };
        fineIndex_[static_cast<std::size_t>(cell)] =
            static_cast<std::uint8_t>(Nearest({centre(12), centre(6), centre(0)}, colours_));
    }
}

void GifPalette::MapRow(const std::uint8_t* rgb, int width, std::uint8_t* indices) const {
    if (exact_.empty()) {
        for (int x = 0; x < width; ++x, rgb += 3) {
            indices[x] = fineIndex_[static_cast<std::size_t>(FineCellOf(rgb))];
        }
        return;
    }
    Colour last = PackAt(rgb) + 1;
    std::uint8_t lastIndex = 0;
    for (int x = 0; x < width; ++x, rgb += 3) {
        const Colour colour = PackAt(rgb);
        if (colour != last) {
            last = colour;
            lastIndex = static_cast<std::uint8_t>(
                std::lower_bound(exact_.begin(), exact_.end(), colour) - exact_.begin());
        }
        indices[x] = lastIndex;
    }
}

} // namespace kalvimo::codecs

#pragma once

#include "canvas.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kalvimo {

// The source pixels [first, first + count) and their weights that make up one target cell on one
// axis. Cell i of a region [fromStart, fromStart + fromLength) shrunk or grown to toLength cells
// covers [fromStart + i * fromLength / toLength, fromStart + (i + 1) * fromLength / toLength);
// the part of that interval inside [0, sourceLimit) is averaged by coverage. A cell with nothing
// under it has no pixels.
struct AreaSpan {
    int first = 0;
    int count = 0;
    std::size_t weightOffset = 0;
};
struct AreaAxis {
    std::vector<AreaSpan> spans;
    std::vector<float> weights;
};
AreaAxis AreaWeights(int fromStart, int fromLength, int toLength, int sourceLimit);

// The cells of `to` (clipped to a targetWidth x targetHeight canvas) that have part of `from`
// inside the source under them: the pixels an area average paints. Empty when none.
PixelRect CoveredCells(PixelRect from, int sourceWidth, int sourceHeight, PixelRect to,
                       int targetWidth, int targetHeight);

// A canvas to average a region of a picture into, over all its cells.
struct ShrinkTarget {
    Canvas& canvas;
    PixelRect from;
};

class AreaAverager;

// What a shrinking reader says when its targets, or the picture, leave nothing to average.
inline constexpr const char* kCannotShrink = "the picture cannot be shrunk to that size";

// Whether every target has cells and a region to average into them.
bool TargetsUsable(std::span<const ShrinkTarget> targets);

// Sizes target an eighth of a width x height picture in each direction and returns the region
// averaged into it: whole blocks of 8 x 8, the last ones cut short by the picture's edge.
// Nothing when the picture is empty or the canvas cannot be had.
std::optional<PixelRect> ResizeToEighth(Canvas& target, int width, int height);

// The eighth-size copy and one region for a shrinking reader that reads any regions in one pass
// through its ReadRegions(targets, error) and tells its Width() and Height() (none when nothing is
// open): both as ReadRegions leaves its targets.
template <typename Reader> class ReadsRegions {
public:
    bool ReadEighth(Canvas& target, std::string& error) {
        Reader& reader = static_cast<Reader&>(*this);
        const std::optional<PixelRect> from =
            ResizeToEighth(target, reader.Width(), reader.Height());
        if (!from) {
            error = kCannotShrink;
            return false;
        }
        return ReadRegion(target, *from, error);
    }
    bool ReadRegion(Canvas& target, PixelRect from, std::string& error) {
        const ShrinkTarget only{target, from};
        return static_cast<Reader&>(*this).ReadRegions({&only, 1}, error);
    }
};

// Resets one averager per target over a source of sourceWidth x sourceHeight pixels of `channels`
// samples; returns the source rows and columns any of them reads (empty when none).
PixelRect ResetAveragers(std::span<AreaAverager> averagers, std::span<const ShrinkTarget> targets,
                         int sourceWidth, int sourceHeight, int channels);

// Hands source row y to the averagers that take it.
void AddRowToAveragers(std::span<AreaAverager> averagers, int y, const std::uint8_t* row);
// The same for rows y, y + 1, ..., all readable at once.
void AddRowsToAveragers(std::span<AreaAverager> averagers, int y,
                        std::span<const std::uint8_t* const> rows);

// Area averaging of a picture fed row by row from the top, so that a picture can be shrunk while
// it is decoded without ever being held whole. Each cell of `to` becomes the coverage-weighted
// mean of the part of `from` under it; cells outside the target canvas, or with no source pixel
// under them, are left as they are.
class AreaAverager {
public:
    // Source rows hold sourceWidth pixels of `channels` samples: 3 (RGB) or 1 (grey, written as
    // grey RGB).
    void Reset(int sourceWidth, int sourceHeight, int channels, PixelRect from, Canvas& target,
               PixelRect to);

    // The source rows that count, [FirstRow(), EndRow()); AddRow takes them in order.
    [[nodiscard]] int FirstRow() const { return firstRow_; }
    [[nodiscard]] int EndRow() const { return endRow_; }
    // The source columns that count, [FirstColumn(), EndColumn()): AddRow reads no others.
    [[nodiscard]] int FirstColumn() const { return firstColumn_; }
    [[nodiscard]] int EndColumn() const { return endColumn_; }

    // The next source row; `row` points at its sample of column 0.
    void AddRow(const std::uint8_t* row);
    // The next rows, in order, all readable at once: the same as adding each, but sooner.
    void AddRows(std::span<const std::uint8_t* const> rows);

    // After the last row: writes the rows still open.
    void Finish();

private:
    struct OpenRow;
    // The open row of targetRow (not yet complete), opened if need be.
    OpenRow& OpenRowOf(int targetRow);
    void CompleteRow();

    Canvas* target_ = nullptr;
    PixelRect to_;
    int channels_ = 3;
    int firstRow_ = 0;
    int endRow_ = 0;
    int firstColumn_ = 0;
    int endColumn_ = 0;
    int nextSourceRow_ = 0;
    int nextTargetRow_ = 0;
    // Across: every cell gathers taps_ consecutive pixels from first_ on (counted from
    // firstColumn_), padded with zero weights, so the inner loop has a fixed length.
    int taps_ = 1;
    std::vector<std::int32_t> first_;
    std::vector<float> across_;
    // The cells with source pixels under them: [firstCovered_, endCovered_).
    int firstCovered_ = 0;
    int endCovered_ = 0;
    AreaAxis down_;
    // Per source row: the target rows it reaches, with its weight in each.
    struct Reach {
        int first = 0;
        int count = 0;
        std::size_t weightOffset = 0;
    };
    std::vector<Reach> reach_;
    std::vector<float> reachWeights_;
    // Per reach weight: 1 when its row is totalled rather than summed (see below).
    std::vector<std::uint8_t> reachTotalled_;
    // Per target row: the weight of the source rows it totals, or -1 when none.
    std::vector<float> common_;
    std::vector<float> cells_;
    // Weighted column sums of the target rows still open, the first being nextTargetRow_: rows
    // are summed down first, at full width, where the loops run widest, and across once per
    // target row. The rows of the target row's common weight are totalled unweighted apart.
    struct OpenRow {
        std::vector<float> sums;
        std::vector<std::uint16_t> totals;
        bool summed = false;
        bool totalled = false;
    };
    std::deque<OpenRow> open_;
    std::vector<OpenRow> spare_;
};

} // namespace kalvimo

#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace kalvimo {

// Averages one plane of samples, fed row by row from the top, into a small grid of target
// cells, so that a picture can be shrunk while it is decoded without ever being held whole.
//
// A plane stored at 1 / factor of the picture's resolution (chroma is often stored at half)
// covers the picture as the full decoder would show it. Target cell (i, j) covers the picture
// area [i, i + 1) * pictureSize / targetSize and becomes the coverage-weighted mean of the
// picture under it.
class PlaneAverager {
public:
    void Reset(int planeWidth, int planeHeight, int factorX, int factorY, int pictureWidth,
               int pictureHeight, int targetWidth, int targetHeight);

    // The next row of the plane, top to bottom.
    void AddRow(const std::uint8_t* samples);

    // After the last row: completes every cell.
    void Finish();

    // The means of target row j, targetWidth values.
    [[nodiscard]] const float* CellRow(int j) const {
        return cells_.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(targetWidth_);
    }

private:
    // The cells one sample index reaches (or the samples one cell gathers), with weights.
    struct Span {
        int first = 0;
        int count = 0;
        std::size_t weightOffset = 0;
    };
    struct Axis {
        std::vector<Span> spans;
        std::vector<float> weights;
    };
    // The samples one cell gathers: consecutive ones from first on.
    struct CellRun {
        int first = 0;
        std::vector<double> weights;
    };
    static std::vector<CellRun> CellWeights(int samples, int factor, int pictureSize, int cells);
    static Axis SampleReach(const std::vector<CellRun>& runs, int samples);
    void CompleteRow();

    int planeWidth_ = 0;
    int targetWidth_ = 0;
    int targetHeight_ = 0;
    int nextSampleRow_ = 0;
    int nextTargetRow_ = 0;
    void Gather(const float* sums, float* cells) const;

    Axis down_; // per sample row: the target rows it reaches
    // Per target column: the first sample it gathers and gatherTaps_ weights.
    int gatherTaps_ = 1;
    std::vector<std::int32_t> gatherFirst_;
    std::vector<float> gatherWeights_;
    // Weighted column sums of a target row still open. A fresh row holds nothing yet, so the
    // first sample row written into it sets the sums instead of clearing them first.
    struct OpenRow {
        std::vector<float> sums;
        bool fresh = true;
    };
    OpenRow TakeSpare();

    // The rows still open, the first being nextTargetRow_.
    std::deque<OpenRow> open_;
    std::vector<OpenRow> spare_;
    std::vector<float> cells_;
};

// Turns one row of averaged luma and chroma means into 24-bit RGB. The conversion is affine, so
// converting the means equals averaging the converted pixels (but for clamping, which only
// touches saturated colours). Without chroma the row is grey.
void MeansToRgb(const float* luma, const float* blue, const float* red, std::uint8_t* rgb,
                int count);

} // namespace kalvimo

#pragma once

#include "canvas.h"

#include <optional>
#include <vector>

namespace kalvimo {

// How much of a picture's subject lies in each column and each row of a small copy of it. The
// copy's size does not matter to the users: a column stands for its share of the picture's width.
struct Attention {
    std::vector<float> columns;
    std::vector<float> rows;
};

// The copy that attention is found on is shrunk by this much in each direction, as a JPEG decodes
// cheaply at that size (its DC coefficients).
inline constexpr int kAttentionShrink = 8;

// The copy of picture that attention is found on: shrunk by 8 in each direction, as a JPEG
// decoded at an eighth of its size. Empty without memory.
Canvas ShrunkForAttention(const Canvas& picture);

// Where the subject is in look, a copy from ShrunkForAttention or a shrinking reader's eighth.
// Deterministic: the same pixels, the same answer.
Attention FindAttention(const Canvas& look);

// The attention of the picture turned as RotatePicture turns it.
Attention TurnedAttention(const Attention& attention);

// The first pixel of the kept stretch of `kept` pixels along an axis of `length` pixels whose
// interest per stretch of the picture is `profile`: the stretch that holds the most, nearest the
// middle among equals. Nothing when no stretch stands out (a plain picture, or one detailed all
// over), so that the caller centres it.
std::optional<int> SubjectStart(const std::vector<float>& profile, int kept, int length);

} // namespace kalvimo

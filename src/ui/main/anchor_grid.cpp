#include "anchor_grid.h"

#include <cstdlib>

namespace kalvimo {

std::array<XButton::Arrow, 9> AnchorArrows(int index) {
    using enum XButton::Arrow;
    // By row step (up, level, down) and column step (left, level, right).
    constexpr XButton::Arrow kArrows[3][3] = {
        {UpLeft, Up, UpRight}, {Left, None, Right}, {DownLeft, Down, DownRight}};
    std::array<XButton::Arrow, 9> arrows{};
    // Kept by content, no side is known to be cut.
    if (index < 0 || index > 8) {
        return arrows;
    }
    for (int cell = 0; cell < 9; ++cell) {
        const int rowStep = cell / 3 - index / 3;
        const int columnStep = cell % 3 - index % 3;
        if (std::abs(rowStep) <= 1 && std::abs(columnStep) <= 1) {
            arrows[static_cast<std::size_t>(cell)] = kArrows[rowStep + 1][columnStep + 1];
        }
    }
    return arrows;
}

} // namespace kalvimo

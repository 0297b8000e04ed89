#include "anchor_grid.h"

#include <cstdlib>

namespace kalvimo {

std::array<int, 9> AnchorArrows(int index) {
    // By row step (up, level, down) and column step (left, level, right).
    constexpr int kArrows[3][3] = {{5, 3, 6}, {1, 0, 2}, {7, 4, 8}};
    std::array<int, 9> arrows{};
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

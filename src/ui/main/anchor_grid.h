#pragma once

#include <array>

namespace kalvimo {

// The arrow each of the nine anchor buttons shows when index is the kept position: every
// neighbour points away from it, towards the side that is cut away. Codes: 0 none, 1 left,
// 2 right, 3 up, 4 down, 5 up-left, 6 up-right, 7 down-left, 8 down-right.
std::array<int, 9> AnchorArrows(int index);

} // namespace kalvimo

#pragma once

#include "xbutton.h"

#include <array>

namespace kalvimo {

// The arrow each of the nine anchor buttons shows when index is the kept position: every
// neighbour points away from it, towards the side that is cut away. None for
// the choice by content.
std::array<XButton::Arrow, 9> AnchorArrows(int index);

} // namespace kalvimo

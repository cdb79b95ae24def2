// The ESA figure of a noise level and the colour ramp of the level displays.
#pragma once

#include "groups/group_model.h"

#include <cstdint>

namespace pelquor {

// 0 when frequency <= 0; else Trunc of log10(frequency) * level * 2 / 3,
// limited to 1 .. 100.
int32_t calc_esa(int32_t level, int32_t frequency);

// Blue at 0, red at max / 2, yellow towards max; each channel wraps to its low
// 8 bits, so values at or beyond max wrap round in colour. Blue for max <= 0.
Tcolor get_color_log(int32_t max, int32_t val);

} // namespace pelquor

#include "analysis/esa.h"

#include <cmath>

namespace pelquor {

namespace {

// a * b / c rounded to the nearest, halves away from zero, 64-bit inside.
int64_t mul_div(int64_t a, int64_t b, int64_t c) {
    const int64_t p = a * b;
    if ((p < 0) != (c < 0))
        return (p - c / 2) / c;
    return (p + c / 2) / c;
}

Tcolor blend(Tcolor from, Tcolor to, int64_t t) {
    Tcolor out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int64_t a = (from >> shift) & 0xff;
        const int64_t b = (to >> shift) & 0xff;
        const int64_t c = a + mul_div(t, b - a, 254);
        out |= static_cast<Tcolor>(c & 0xff) << shift;
    }
    return out;
}

constexpr Tcolor ramp_blue = rgb(0, 0, 255);
constexpr Tcolor ramp_red = rgb(255, 0, 0);
constexpr Tcolor ramp_yellow = rgb(255, 255, 0);

} // namespace

int32_t calc_esa(int32_t level, int32_t frequency) {
    if (frequency <= 0)
        return 0;
    float a = std::log10(static_cast<float>(frequency)) * static_cast<float>(level) * 2.0f / 3.0f;
    if (a > 100.0f)
        a = 100.0f;
    if (a < 1.0f)
        a = 1.0f;
    return static_cast<int32_t>(std::trunc(a));
}

Tcolor get_color_log(int32_t max, int32_t val) {
    if (max <= 0)
        return ramp_blue;
    const double half = max / 2.0;
    if (val < half) {
        const auto t = static_cast<int64_t>(std::trunc(val * 2.0 / max * 255.0));
        return blend(ramp_blue, ramp_red, t);
    }
    const auto t = static_cast<int64_t>(std::trunc((val - half) / max * 2.0 * 255.0));
    return blend(ramp_red, ramp_yellow, t);
}

} // namespace pelquor

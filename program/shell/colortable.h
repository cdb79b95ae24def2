// The colours of plots, status line and pipe materials, read from
// config folder + "colortable.ini". Values are 0x00BBGGRR.
#pragma once

#include "groups/group_model.h"

#include <array>
#include <string>

namespace pelquor {

constexpr int mat_color_count = 20;

struct ColorTable {
    Tcolor number = 0;
    Tcolor time_back = 0;
    Tcolor coherence_back = 0;
    Tcolor coherence_front = 0;
    Tcolor coherence_filter = 0;
    Tcolor correlation_back = 0;
    Tcolor correlation_front = 0;
    Tcolor correlation_filter = 0;
    Tcolor panels_back = 0;
    Tcolor flange = 0;
    Tcolor flange_center = 0;
    Tcolor text = 0;
    Tcolor standard_font = 0;
    // Entry 0 is mat_center (material not in the table), n is mat_color[n].
    std::array<Tcolor, mat_color_count + 1> mat_color{};

    // Colour of a section whose material number the material lookup returned;
    // numbers outside 1..20 get mat_center.
    Tcolor material(int number) const {
        return number >= 1 && number <= mat_color_count ? mat_color[number] : mat_color[0];
    }
};

// A colour value: decimal, or hexadecimal after a leading "$". False for
// anything else (blanks around the value are allowed).
bool parse_color(const std::string& text, Tcolor& out);

// Reads the file's [color] keys in order. A missing file changes nothing and
// returns false. A missing key without default or a bad value throws
// ConversionError; the colours read before it keep their new values.
bool load_colortable_ini(ColorTable& colors, const std::string& file);

} // namespace pelquor

#include "shell/colortable.h"

#include "shell/files.h"
#include "shell/ini_file.h"

#include <optional>

namespace pelquor {

bool parse_color(const std::string& text, Tcolor& out) {
    std::string t = trim(text);
    if (t.empty())
        return false;
    if (t[0] == '$') {
        if (t.size() < 2 || t.size() > 9)
            return false;
        uint32_t v = 0;
        for (size_t i = 1; i < t.size(); ++i) {
            char c = t[i];
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return false;
            v = (v << 4) | static_cast<uint32_t>(d);
        }
        out = v;
        return true;
    }
    long long v;
    // Colours written as negative 32-bit integers still name the same bits.
    if (!parse_int(t, v) || v < INT32_MIN || v > UINT32_MAX)
        return false;
    out = static_cast<Tcolor>(static_cast<uint32_t>(v));
    return true;
}

bool load_colortable_ini(ColorTable& c, const std::string& file) {
    if (!file_exists(file))
        return false;
    IniFile ini;
    std::string error;
    ini.load(file, &error);
    if (!error.empty())
        throw ConversionError{error};
    auto read = [&](const std::string& key, std::optional<std::string> def, Tcolor& into) {
        auto v = ini.value("color", key);
        std::string t = v ? trim(*v) : def.value_or("");
        if (!v && !def)
            throw ConversionError{"key " + key + " is missing (file " + file + ", [color])"};
        Tcolor out;
        if (!parse_color(t, out))
            throw ConversionError{"'" + t + "' is not a valid number (file " + file + ", [color] " +
                                  key + ")"};
        into = out;
    };
    const auto none = std::nullopt;
    read("number", none, c.number);
    read("time_back", none, c.time_back);
    read("coherence_back", none, c.coherence_back);
    read("coherence_front", none, c.coherence_front);
    read("coherence_filter", none, c.coherence_filter);
    read("correlation_back", none, c.correlation_back);
    read("correlation_front", none, c.correlation_front);
    read("correlation_filter", none, c.correlation_filter);
    read("panels_back", none, c.panels_back);
    read("flange", none, c.flange);
    read("flange_center", none, c.flange_center);
    read("text", std::string("$FFFFFF"), c.text);
    read("mat_center", none, c.mat_color[0]);
    for (int n = 1; n <= mat_color_count; ++n)
        read("mat_color[" + std::to_string(n) + "]", none, c.mat_color[n]);
    read("standard_font", std::string("$800000"), c.standard_font);
    return true;
}

} // namespace pelquor

#include "groups/group_file.h"

#include "shell/files.h"
#include "shell/ini_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace pelquor {

std::string my_FloatToStr(float value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", static_cast<double>(value));
    std::string s = buf;
    if (s == "-0")
        s = "0";
    return s;
}

namespace {
bool parse_float(const std::string& text, float& out) {
    std::string t = trim(text);
    if (t.find(',') != std::string::npos) {
        if (t.find('.') != std::string::npos)
            return false;
        for (auto& c : t)
            if (c == ',')
                c = '.';
    }
    if (!t.empty() && t[0] == '+')
        t.erase(0, 1);
    if (t.empty())
        return false;
    double d = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), d, std::chars_format::general);
    if (ec != std::errc() || p != t.data() + t.size() || !std::isfinite(d))
        return false;
    if (std::fabs(d) > 3.4028234663852886e38)
        return false;
    out = static_cast<float>(d);
    return true;
}
} // namespace

float my_StrToFloat(const std::string& text) {
    float f = 0;
    if (!parse_float(text, f))
        throw std::invalid_argument("'" + text + "' is not a valid floating point value");
    return f;
}

bool isFloat(const std::string& text) {
    float f;
    return parse_float(text, f);
}

bool isInteger(const std::string& text) {
    long long v;
    return parse_int(text, v) && v >= INT32_MIN && v <= INT32_MAX;
}

std::string group_folder(const std::string& data_folder, const std::string& tree_path) {
    return with_separator(data_folder) + tree_path + "/";
}

namespace {

// Typed reads of one file that turn conversion failures into GroupFileError.
struct Reader {
    const IniFile& ini;
    const std::string& file;
    // The shared readers throw ConversionError; a group file reports its own error.
    template <class F> static auto converted(F&& read) {
        try {
            return read();
        } catch (const ConversionError& e) {
            throw GroupFileError(e.message);
        }
    }
    int32_t i(const std::string& sec, const std::string& key, const char* def) const {
        return converted([&] { return ini_int(ini, file, sec, key, def); });
    }
    uint32_t u(const std::string& sec, const std::string& key, const char* def) const {
        return converted([&] { return ini_cardinal(ini, file, sec, key, def); });
    }
    bool b(const std::string& sec, const std::string& key, const char* def) const {
        return converted([&] { return ini_bool(ini, file, sec, key, def); });
    }
    float f(const std::string& sec, const std::string& key, const char* def) const {
        std::string t = ini.read_string(sec, key, def);
        float v;
        if (!parse_float(t, v))
            throw GroupFileError("'" + t + "' is not a valid number (file " + file + ", [" + sec +
                                 "] " + key + ")");
        return v;
    }
    std::string s(const std::string& sec, const std::string& key, const char* def) const {
        return ini.read_string(sec, key, def);
    }
};

void check_range(const Reader& r, const std::string& sec, const std::string& key, int32_t max) {
    int32_t v = r.i(sec, key, "0");
    if (v < 0 || v > max)
        throw GroupFileError("The group file " + r.file + " holds " + key + "=" +
                             std::to_string(v) + " in [" + sec + "]; at most " +
                             std::to_string(max) + " are possible. The group was not loaded.");
}

std::string pipe_section(int i) {
    return "pipe_" + std::to_string(i);
}
std::string sec_section(int i, int k) {
    return pipe_section(i) + "_sec" + std::to_string(k);
}

// Loads the file and checks its counts, so a file beyond the records is
// refused before it touches the group.
IniFile load_checked(const std::string& path) {
    IniFile ini;
    std::string error;
    if (!ini.load(path, &error) && !error.empty())
        throw GroupFileError(error);
    Reader r{ini, path};
    check_range(r, "comm", "count", max_loggers);
    check_range(r, "comm", "pipes_count", max_pipes);
    for (int i = 1, n = r.i("comm", "pipes_count", "0"); i <= n; ++i)
        check_range(r, pipe_section(i), "sections", max_sections);
    return ini;
}

} // namespace

void parse_corr_grp_ini(GroupState& g, const std::string& path) {
    IniFile ini = load_checked(path);
    Reader r{ini, path};

    auto& s = g.corr_log_set;
    g.reading_group_file = true;
    struct Done {
        GroupState& g;
        ~Done() { g.reading_group_file = false; }
    } done{g};

    s.comment = r.s("comm", "comment", "");
    s.read_time = r.u("comm", "read_time", "0");
    s.sync_time = r.u("comm", "sync_time", "0");
    s.start = r.i("comm", "start", "2");
    s.stop = r.i("comm", "stop", "3");
    s.count = r.i("comm", "count", "0");
    s.meas_delta = r.i("comm", "meas_delta", "300");
    s.meas_mode = r.i("comm", "meas_mode", "1");
    s.radio_on = static_cast<uint8_t>(r.i("comm", "radio_on", "0"));
    s.radio_off = static_cast<uint8_t>(r.i("comm", "radio_off", "0"));
    s.radio_days = static_cast<uint8_t>(r.i("comm", "radio_days", "0"));
    s.pipes_count = r.i("comm", "pipes_count", "0");
    s.actual_pipe = r.i("comm", "actual_pipe", "0");
    s.picture_name = r.s("comm", "picture_name", "0");
    s.map_north = r.s("comm", "map_north", "");
    s.map_south = r.s("comm", "map_south", "");
    s.map_west = r.s("comm", "map_west", "");
    s.map_east = r.s("comm", "map_east", "");
    s.blocks = static_cast<uint8_t>(r.i("comm", "blocks", "10"));
    s.interval = r.i("comm", "interval", "30");
    g.filter1_li = r.i("comm", "filter1_li", "180");
    g.filter1_re = r.i("comm", "filter1_re", "3277");
    s.range_mode = r.i("comm", "range_mode", "0");
    // Selecting the range item acts like a click when it changes the selection.
    int item = s.range_mode / 2;
    if (item != g.rg_range_item && (item == 0 || item == 1)) {
        g.rg_range_item = item;
        s.range_mode = item * 2;
        s.dev_type = item == 1 ? family_vellmar : family_corr;
    }
    g.sample_rate = sample_rate_of_range(s.range_mode);
    s.c_mode = r.i("comm", "c_mode", "1");
    s.dev_type = r.i("comm", "dev_type", "104");

    for (int n = 1; n <= s.count; ++n) {
        const std::string sec = "log" + std::to_string(n);
        auto& l = s.corr_log[n];
        l.ID = r.i(sec, "ID", "0");
        l.comment = r.s(sec, "comment", "");
        l.file_name = r.s(sec, "filename", "");
        l.timer = static_cast<uint16_t>(r.i(sec, "timer", "0"));
        l.read_time = r.u(sec, "read_time", "0");
        l.level = r.i(sec, "level", "0");
        l.frequency = r.i(sec, "frequency", "0");
        l.esa = r.i(sec, "esa", "0");
        l.longitude = r.s(sec, "longitude", "");
        l.latitude = r.s(sec, "latitude", "");
        l.x_c = r.i(sec, "x_c", "0");
        l.y_c = r.i(sec, "y_c", "0");
    }
    for (int i = 1; i <= s.pipes_count; ++i) {
        const std::string sec = pipe_section(i);
        auto& p = s.pipes[i];
        p.length = r.f(sec, "length", "0");
        p.log1 = r.i(sec, "log1", "0");
        p.log2 = r.i(sec, "log2", "0");
        p.sections = r.i(sec, "sections", "0");
        p.multi_sec = r.i(sec, "multi_sec", "0");
        for (int k = 1; k <= p.sections; ++k) {
            const std::string ss = sec_section(i, k);
            auto& t = p.pipe[k];
            t.length = r.f(ss, "length", "0");
            t.diameter = r.s(ss, "diameter", "");
            t.material = r.s(ss, "material", "");
            t.vel = r.i(ss, "vel", "0");
            t.man = r.b(ss, "man", "0");
            t.li = r.i(ss, "li", "0");
            t.len = r.i(ss, "len", "0");
        }
    }
}

std::string group_file_text(GroupState& g) {
    auto& s = g.corr_log_set;
    s.radio_on = 0;
    s.radio_off = 0;
    std::string out;
    auto section = [&](const std::string& name) { out += "[" + name + "]\r\n"; };
    auto kv = [&](const char* key, const std::string& value) {
        out += std::string(key) + "=" + value + "\r\n";
    };
    auto num = [](long long v) { return std::to_string(v); };

    section("comm");
    kv("comment", s.comment);
    kv("read_time", num(s.read_time));
    kv("sync_time", num(s.sync_time));
    kv("start", num(s.start));
    kv("stop", num(s.stop));
    kv("count", num(s.count));
    kv("meas_delta", num(s.meas_delta));
    kv("meas_mode", num(s.meas_mode));
    kv("radio_on", "0");
    kv("radio_off", "0");
    kv("radio_days", num(s.radio_days));
    kv("pipes_count", num(s.pipes_count));
    kv("filter1_li", num(g.filter1_li));
    kv("filter1_re", num(g.filter1_re));
    kv("c_mode", num(s.c_mode));
    kv("dev_type", num(s.dev_type));
    kv("actual_pipe", "0");
    kv("picture_name", s.picture_name);
    kv("blocks", num(s.blocks));
    kv("interval", num(s.interval));
    kv("map_north", s.map_north);
    kv("map_south", s.map_south);
    kv("map_west", s.map_west);
    kv("map_east", s.map_east);
    kv("range_mode", num(s.range_mode));
    for (int n = 1; n <= s.count && n <= max_loggers; ++n) {
        const auto& l = s.corr_log[n];
        section("log" + std::to_string(n));
        kv("ID", num(l.ID));
        kv("comment", l.comment);
        kv("filename", file_name_of(l.file_name));
        kv("timer", num(l.timer));
        kv("read_time", num(l.read_time));
        kv("level", num(l.level));
        kv("frequency", num(l.frequency));
        kv("esa", num(l.esa));
        kv("longitude", l.longitude);
        kv("latitude", l.latitude);
        kv("x_c", num(l.x_c));
        kv("y_c", num(l.y_c));
    }
    for (int i = 1; i <= s.pipes_count && i <= max_pipes; ++i) {
        const auto& p = s.pipes[i];
        section(pipe_section(i));
        kv("length", my_FloatToStr(p.length));
        kv("log1", num(p.log1));
        kv("log2", num(p.log2));
        kv("sections", num(p.sections));
        kv("multi_sec", num(p.multi_sec));
        for (int k = 1; k <= p.sections && k <= max_sections; ++k) {
            const auto& t = p.pipe[k];
            section(sec_section(i, k));
            kv("length", my_FloatToStr(t.length));
            kv("diameter", t.diameter);
            kv("material", t.material);
            kv("vel", num(t.vel));
            kv("man", bool_text(t.man));
            kv("li", num(t.li));
            kv("len", num(t.len));
        }
    }
    return out;
}

SaveResult corr_log_set_save_ini(GroupState& g, const std::string& data_folder,
                                 std::string* error) {
    if (g.corr_log_set.tree_path.empty() || (g.group_not_loaded && !g.first_group_pending))
        return SaveResult::skipped;
    g.first_group_pending = false;
    const std::string folder = group_folder(data_folder, g.corr_log_set.tree_path);
    if (!write_file_atomic(folder + group_file_name, group_file_text(g), error))
        return SaveResult::failed;
    if (!write_notes(folder, g.notes, error))
        return SaveResult::failed;
    return SaveResult::written;
}

std::string read_notes(const std::string& folder) {
    std::string content;
    if (!read_file(folder + notes_file_name, content))
        return {};
    std::string out;
    for (char c : content)
        if (c != '\r')
            out += c;
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

bool write_notes(const std::string& folder, const std::string& notes, std::string* error) {
    std::string out;
    size_t pos = 0;
    while (pos < notes.size()) {
        size_t nl = notes.find('\n', pos);
        std::string line =
            notes.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out += line + "\r\n";
        pos = nl == std::string::npos ? notes.size() : nl + 1;
    }
    return write_file_atomic(folder + notes_file_name, out, error);
}

LoadResult load_logger_set(GroupState& g, const std::string& data_folder,
                           const std::string& tree_path, const LoadHooks& hooks) {
    const std::string folder = group_folder(data_folder, tree_path);
    const bool exists = file_exists(folder + group_file_name);
    if (exists)
        load_checked(folder + group_file_name); // refuse before the open group changes
    g.group_not_loaded = true;
    reset_logger_model(g);
    g.corr_log_set.tree_path = tree_path;
    if (!exists)
        return LoadResult::no_group_file;
    parse_corr_grp_ini(g, folder + group_file_name);
    if (hooks.symbols)
        hooks.symbols(folder);
    g.prog_state = g.corr_log_set.sync_time != 0 ? 0 : 1;
    g.notes = read_notes(folder);
    if (hooks.level_analysis)
        hooks.level_analysis(folder);
    g.group_not_loaded = false;
    return LoadResult::loaded;
}

} // namespace pelquor

// pelquor-cli levels and correlate: the level analysis and the all-pairs run
// of a group folder, with the program's own core code. Neither writes the group.
#include "analysis/all_pairs.h"
#include "analysis/levels.h"
#include "cli/cli.h"
#include "cli/json_out.h"
#include "groups/group_file.h"
#include "radio/recording.h"
#include "shell/files.h"
#include "shell/ini_file.h"
#include "shell/language.h"
#include "shell/settings.h"

#include <iostream>
#include <memory>

namespace pelquor::cli {

namespace {

// The state objects the program owns, for one command.
struct Session {
    Settings settings;
    LangTexts texts;
    UnitState units;
    GroupState g;
    std::unique_ptr<CorrelationState> cs = std::make_unique<CorrelationState>();
    PipeState p;
    AllPairsState run;
    std::string folder; // group folder with '/'
};

// Settings of the home folder and the language texts of the config folder;
// the defaults when there are none.
void load_environment(Session& s, const Args& a) {
    Folders f = make_folders(a.home, a.exe_dir + "config/");
    load_ini(s.settings, f);
    std::string language = s.settings.language;
    load_language(s.texts, a.config, language);
    apply_unit_texts(s.units, s.settings.m_unit);
    s.p.tolerance = s.settings.tolerance;
}

// Loads the group as the program does: the group file, then the level
// analysis of every logger and the display of its quietest block.
bool load_group(Session& s, const std::string& dir) {
    std::string data_folder, tree_path;
    split_group_dir(dir, data_folder, tree_path);
    LoadHooks hooks;
    hooks.level_analysis = [&](const std::string& folder) {
        audio_analysis(*s.cs, s.g, folder);
        for (int n = 1; n <= s.g.corr_log_set.count; ++n)
            display_wave(*s.cs, s.g, folder, n);
    };
    if (load_logger_set(s.g, data_folder, tree_path, hooks) != LoadResult::loaded) {
        std::cerr << "No group file " << group_folder(data_folder, tree_path) + group_file_name
                  << "\n";
        return false;
    }
    s.folder = group_folder(data_folder, tree_path);
    return true;
}

int levels(const Args& a) {
    const std::string dir = a.arg(0, "DIR");
    return guarded([&] {
        Session s;
        load_environment(s, a);
        if (!load_group(s, dir))
            return exit_failed;
        auto out = nlohmann::ordered_json::array();
        const auto& set = s.g.corr_log_set;
        for (int n = 1; n <= set.count; ++n) {
            const Tcorr_log& l = set.corr_log[n];
            nlohmann::ordered_json o;
            o["slot"] = n;
            o["ID"] = l.ID;
            auto lv = nlohmann::ordered_json::array();
            for (int b = 1; b <= max_blocks; ++b)
                lv.push_back(l.audio_block[b].level);
            o["levels"] = lv;
            o["lowest_block"] = l.lowest_block;
            o["level"] = l.level;
            o["frequency"] = l.frequency;
            o["esa"] = l.esa;
            o["color"] = l.color;
            o["file_name"] = file_name_of(l.file_name);
            out.push_back(o);
        }
        std::cout << out.dump(2) << "\n";
        return exit_ok;
    });
}

const char* pipe_name(PipeKind k) {
    switch (k) {
    case PipeKind::direct:
        return "direct";
    case PipeKind::chain:
        return "chain";
    default:
        return "none";
    }
}

// "LO:HI" in Hz, 0 <= LO < HI.
Band parse_band(const std::string& text) {
    const auto colon = text.find(':');
    long long lo = 0, hi = 0;
    if (colon == std::string::npos || !parse_int(text.substr(0, colon), lo) ||
        !parse_int(text.substr(colon + 1), hi) || lo < 0 || hi <= lo || hi > 1000000)
        throw UsageError{"--band wants LO:HI in Hz with 0 <= LO < HI, not '" + text + "'"};
    return {static_cast<int32_t>(lo), static_cast<int32_t>(hi)};
}

int correlate(const Args& a) {
    const std::string dir = a.arg(0, "DIR");
    std::optional<int> method;
    if (auto m = a.option("--method")) {
        if (*m == "MBC")
            method = c_mode_mbc;
        else if (*m == "ABC")
            method = c_mode_abc;
        else
            throw UsageError{"--method is MBC or ABC, not '" + *m + "'"};
    }
    std::optional<Band> band;
    if (auto b = a.option("--band"))
        band = parse_band(*b);
    std::optional<FilterKind> filter;
    if (auto f = a.option("--filter")) {
        if (*f == "bandpass")
            filter = FilterKind::bandpass;
        else if (*f == "notch")
            filter = FilterKind::notch;
        else
            throw UsageError{"--filter is bandpass or notch, not '" + *f + "'"};
    }
    return guarded([&] {
        Session s;
        load_environment(s, a);
        if (!load_group(s, dir))
            return exit_failed;
        if (method)
            s.g.corr_log_set.c_mode = *method;
        if (band) {
            s.g.filter1_li = band->li;
            s.g.filter1_re = band->re;
        }
        if (filter)
            s.cs->filter_kind = *filter;
        RunEnv env{s.g, *s.cs, s.p, s.run, s.units, s.texts, s.folder, s.settings.m_unit == 1};
        const std::string message = correlate_all(env);
        if (!message.empty())
            std::cerr << message << "\n";

        nlohmann::ordered_json j;
        j["sample_rate"] = s.g.sample_rate;
        j["filter1_li"] = s.g.filter1_li;
        j["filter1_re"] = s.g.filter1_re;
        j["method"] = s.g.corr_log_set.c_mode == c_mode_mbc ? "MBC" : "ABC";
        auto pairs = nlohmann::ordered_json::array();
        const auto& set = s.g.corr_log_set;
        for (int r = 1; r < s.run.corr_index; ++r) {
            const Tcorr_comb& c = s.g.corr_comb[r];
            const PairRun& pr = s.run.runs[r];
            nlohmann::ordered_json o;
            o["index"] = r;
            o["lo1_index"] = c.lo1_index;
            o["lo2_index"] = c.lo2_index;
            o["id_a"] = set.corr_log[c.lo1_index].ID;
            o["id_b"] = set.corr_log[c.lo2_index].ID;
            o["peak_index"] = pr.peak_index;
            o["dt"] = single_json(c.dt);
            o["q"] = single_json(pr.q);
            o["qf"] = c.qf;
            o["total_distance"] = single_json(c.total_distance);
            o["distance_a"] = single_json(c.distance_a);
            o["distance_a_string"] = c.distance_a_string;
            o["pos_status"] = pr.pos_status;
            o["pipe"] = pipe_name(pr.pipe);
            o["shift_clamped"] = pr.shift_clamped;
            pairs.push_back(o);
        }
        j["pairs"] = pairs;
        j["results_order"] = results_order(s.g, s.run.corr_index);
        j["shift_warning"] = s.run.shift_warning;
        std::cout << j.dump(2) << "\n";
        return exit_ok;
    });
}

CommandRegistrar levels_cmd("levels", {"DIR", {}, levels});
CommandRegistrar correlate_cmd("correlate",
                               {"DIR [--method MBC|ABC] [--band LO:HI] [--filter bandpass|notch]",
                                {"--method", "--band", "--filter"},
                                correlate});

} // namespace
} // namespace pelquor::cli

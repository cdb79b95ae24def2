#include "cli/cli.h"
#include "cli/json_out.h"
#include "shell/files.h"

#include <filesystem>
#include <iostream>

namespace pelquor::cli {

nlohmann::ordered_json group_json(const GroupState& g) {
    const auto& s = g.corr_log_set;
    nlohmann::ordered_json j;
    j["comment"] = s.comment;
    j["read_time"] = s.read_time;
    j["sync_time"] = s.sync_time;
    j["start"] = s.start;
    j["stop"] = s.stop;
    j["count"] = s.count;
    j["meas_delta"] = s.meas_delta;
    j["meas_mode"] = s.meas_mode;
    j["radio_on"] = s.radio_on;
    j["radio_off"] = s.radio_off;
    j["radio_days"] = s.radio_days;
    j["pipes_count"] = s.pipes_count;
    j["filter1_li"] = g.filter1_li;
    j["filter1_re"] = g.filter1_re;
    j["c_mode"] = s.c_mode;
    j["dev_type"] = s.dev_type;
    j["actual_pipe"] = s.actual_pipe;
    j["picture_name"] = s.picture_name;
    j["blocks"] = s.blocks;
    j["interval"] = s.interval;
    j["map_north"] = s.map_north;
    j["map_south"] = s.map_south;
    j["map_west"] = s.map_west;
    j["map_east"] = s.map_east;
    j["range_mode"] = s.range_mode;
    j["sample_rate"] = g.sample_rate;
    auto loggers = nlohmann::ordered_json::array();
    for (int n = 1; n <= s.count; ++n) {
        const auto& l = s.corr_log[n];
        nlohmann::ordered_json o;
        o["ID"] = l.ID;
        o["comment"] = l.comment;
        o["filename"] = file_name_of(l.file_name);
        o["timer"] = l.timer;
        o["read_time"] = l.read_time;
        o["level"] = l.level;
        o["frequency"] = l.frequency;
        o["esa"] = l.esa;
        o["longitude"] = l.longitude;
        o["latitude"] = l.latitude;
        o["x_c"] = l.x_c;
        o["y_c"] = l.y_c;
        loggers.push_back(o);
    }
    j["loggers"] = loggers;
    auto pipes = nlohmann::ordered_json::array();
    for (int i = 1; i <= s.pipes_count; ++i) {
        const auto& p = s.pipes[i];
        nlohmann::ordered_json o;
        o["length"] = single_json(p.length);
        o["log1"] = p.log1;
        o["log2"] = p.log2;
        o["sections"] = p.sections;
        o["multi_sec"] = p.multi_sec;
        auto secs = nlohmann::ordered_json::array();
        for (int k = 1; k <= p.sections; ++k) {
            const auto& t = p.pipe[k];
            nlohmann::ordered_json sj;
            sj["length"] = single_json(t.length);
            sj["diameter"] = t.diameter;
            sj["material"] = t.material;
            sj["vel"] = t.vel;
            sj["man"] = t.man;
            sj["li"] = t.li;
            sj["len"] = t.len;
            secs.push_back(sj);
        }
        o["pipe"] = secs;
        pipes.push_back(o);
    }
    j["pipes"] = pipes;
    return j;
}

void split_group_dir(const std::string& dir, std::string& data_folder, std::string& tree_path) {
    std::filesystem::path p = std::filesystem::absolute(dir).lexically_normal();
    if (!p.has_filename())
        p = p.parent_path();
    data_folder = p.parent_path().string() + "/";
    tree_path = p.filename().string();
}

namespace {

int group_show(const Args& a) {
    const std::string dir = with_separator(a.arg(0, "DIR"));
    if (!file_exists(dir + group_file_name)) {
        std::cerr << "No group file " << dir + group_file_name << "\n";
        return exit_failed;
    }
    GroupState g;
    try {
        parse_corr_grp_ini(g, dir + group_file_name);
    } catch (const GroupFileError& e) {
        std::cerr << e.what() << "\n";
        return exit_failed;
    }
    std::cout << group_json(g).dump(2) << "\n";
    return exit_ok;
}

int group_resave(const Args& a) {
    std::string data_folder, tree_path;
    split_group_dir(a.arg(0, "DIR"), data_folder, tree_path);
    GroupState g;
    try {
        if (load_logger_set(g, data_folder, tree_path) != LoadResult::loaded) {
            std::cerr << "No group file " << group_folder(data_folder, tree_path) + group_file_name
                      << "\n";
            return exit_failed;
        }
    } catch (const GroupFileError& e) {
        std::cerr << e.what() << "\n";
        return exit_failed;
    }
    std::string error;
    if (corr_log_set_save_ini(g, data_folder, &error) != SaveResult::written) {
        std::cerr << error << "\n";
        return exit_failed;
    }
    std::cout << group_json(g).dump(2) << "\n";
    return exit_ok;
}

CommandRegistrar show_cmd("group show", {"DIR", {}, group_show});
CommandRegistrar resave_cmd("group resave", {"DIR", {}, group_resave});

} // namespace
} // namespace pelquor::cli

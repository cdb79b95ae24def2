#include "groups/group_model.h"

namespace pelquor {

int32_t sample_rate_of_range(int32_t range_mode) {
    if (range_mode < 0 || range_mode > 30)
        return 6554;
    return 6554 >> range_mode;
}

int pair_count(int n) {
    return n < 2 ? 0 : n * (n - 1) / 2;
}

PairSlots pair_slots(int n, int k) {
    int idx = 0;
    for (int a = 1; a < n; ++a)
        for (int b = a + 1; b <= n; ++b)
            if (++idx == k)
                return {a, b};
    return {};
}

void corr_log_set_init(GroupState& g) {
    auto& s = g.corr_log_set;
    s.pipes_count = 0;
    s.actual_pipe = 0;
    s.comment.clear();
    s.sync_time = 0;
    s.read_time = 0;
    s.start = 2;
    s.stop = 4;
    s.tree_path.clear();
    s.count = 0;
    s.akt_block = 0;
    s.meas_delta = 60;
    s.meas_mode = 0;
    s.blocks = 10;
    s.interval = 30;
    s.radio_on = 0;
    s.radio_off = 0;
    s.radio_days = 0;
    s.picture_name.clear();
    s.dev_type = family_corr;
    for (int n = 1; n <= max_loggers; ++n) {
        auto& l = s.corr_log[n];
        l.ID = 0;
        l.comment.clear();
        l.file_name.clear();
        l.timer = 0;
        l.read_time = 0;
        l.min_level = 0;
        l.min_frequency = 0;
        l.min_esa = 0;
        l.min_color = color_grey;
        l.level = 0;
        l.frequency = 0;
        l.esa = 0;
        l.color = color_grey;
        l.longitude.clear();
        l.latitude.clear();
        l.x_c = 0;
        l.y_c = 0;
    }
    for (int i = 1; i <= max_pipes; ++i) {
        auto& p = s.pipes[i];
        p.length = 0;
        p.log1 = 0;
        p.log2 = 0;
        p.sections = 0;
        for (int k = 1; k <= max_sections; ++k) {
            auto& sec = p.pipe[k];
            sec.length = 0;
            sec.diameter.clear();
            sec.material.clear();
            sec.vel = 0;
            sec.man = false;
            sec.li = 0;
            sec.len = 0;
        }
    }
}

void reset_logger_model(GroupState& g) {
    auto& s = g.corr_log_set;
    s.comment.clear();
    s.count = 0;
    s.start = 0;
    s.stop = 0;
    s.sync_time = 0;
    s.read_time = 0;
    s.akt_block = 0;
    s.meas_delta = 0;
    s.meas_mode = 1;
    for (int n = 1; n <= max_loggers; ++n) {
        s.corr_log[n].ID = 0;
        s.corr_log[n].comment.clear();
        s.corr_log[n].file_name.clear();
    }
}

void reset_correlations(GroupState& g) {
    auto& s = g.corr_log_set;
    int spare = s.pipes_count + 1;
    if (spare >= 1 && spare < static_cast<int>(s.pipes.size())) {
        auto& p = s.pipes[spare];
        p.length = 0;
        p.log1 = 0;
        p.log2 = 0;
        p.sections = 0;
        p.multi_sec = 0;
    }
    for (int k = 1; k <= max_pairs; ++k)
        g.corr_comb[k] = Tcorr_comb{};
}

void init_pipes(GroupState& g) {
    g.corr_log_set.pipes_count = 0;
    g.corr_log_set.actual_pipe = 0;
}

std::string get_logger_comment(const GroupState& g, int32_t id) {
    std::string result;
    const auto& s = g.corr_log_set;
    for (int n = 1; n <= s.count && n <= max_loggers; ++n)
        if (s.corr_log[n].ID == id)
            result = s.corr_log[n].comment;
    return result;
}

} // namespace pelquor

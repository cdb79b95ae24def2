#include "analysis/all_pairs.h"

#include "radio/radio_frames.h"

#include <algorithm>

namespace pelquor {

namespace {

const Tcorr_log& logger(const GroupState& g, int32_t slot) {
    return g.corr_log_set.corr_log[static_cast<size_t>(std::clamp(slot, 0, max_loggers))];
}

float current_pipe_length(const GroupState& g) {
    const Ttotal_pipe* pipe = current_pipe(g);
    return g.corr_log_set.actual_pipe >= 1 && pipe ? pipe->length : 0.0f;
}

std::string id_and_comment(const Tcorr_log& l) {
    return std::to_string(l.ID) + ": " + l.comment;
}

std::array<std::string, 3> memo_lines(const Tcorr_log& l) {
    return {"ESA: " + std::to_string(l.esa), "L: " + std::to_string(l.level) + "db",
            "F: " + std::to_string(l.frequency) + "Hz"};
}

} // namespace

float pair_position(RunEnv& env) {
    const float pair_q = get_q(env.cs);
    // The end zones belong to the pipe being drawn, not to the pair before.
    if (env.p.pipe_valid)
        update_end_margin(env.g, env.p);
    calc_distance(env.g, env.p, env.units, env.texts, env.cs.marker_index, env.cs.peak_index,
                  pair_q, env.cs.status_text);
    return pair_q;
}

void allblock_logger_korr(RunEnv& env, int32_t log1, int32_t log2, int corr_inx) {
    const CorrelationResult r =
        correlation(env.cs, env.g, env.group_folder, log1, log2, block_n_method);
    pair_position(env);
    const double delay = delay_ms(env.cs.peak_index, env.g.sample_rate);
    float q = r.q;
    if (env.cs.q_slot >= 1 && env.cs.q_slot <= q_list_len)
        q = env.cs.q_list[static_cast<size_t>(env.cs.q_slot)].q;
    if (corr_inx < 1 || corr_inx > max_pairs)
        return;
    Tcorr_comb& c = env.g.corr_comb[static_cast<size_t>(corr_inx)];
    c.lo1_index = log1;
    c.lo2_index = log2;
    c.dt = static_cast<float>(delay);
    // No pipe: there is no length, and dist_a still holds another pair's value.
    const bool located = env.g.corr_log_set.actual_pipe >= 1 && r.correlated;
    c.total_distance = current_pipe_length(env.g);
    c.distance_a = located ? env.p.dist_a : 0.0f;
    c.distance_a_string = r.correlated ? env.p.dist_a_text : std::string("xxx");
    c.qf = r.correlated ? quality_class(q) : 0;

    PairRun& run = env.run.runs[static_cast<size_t>(corr_inx)];
    run.log1 = log1;
    run.log2 = log2;
    run.correlated = r.correlated;
    run.blocks_used = r.blocks_used;
    run.peak_index = env.cs.peak_index;
    run.q = r.correlated ? q : 0.0f;
    run.pos_status = r.correlated ? env.p.pos_status : static_cast<int32_t>(pos_none);
}

std::string corr_allblock_loggers(RunEnv& env) {
    env.cs.q_slot = 0;
    env.run.shift_warning.clear();
    env.run.corr_index = 1;
    const int n = std::clamp(env.g.corr_log_set.count, 0, max_loggers);
    for (int k = 1; k <= pair_count(n); ++k) {
        const PairSlots slots = pair_slots(n, k);
        int32_t a = slots.a;
        int32_t b = slots.b;
        env.cs.shift_clamped = false;
        env.cs.q_slot += 1;
        const PipeKind kind = find_pair_pipe(env.g, env.p, a, b);
        env.p.pair_running = true;
        const int inx = env.run.corr_index;
        allblock_logger_korr(env, a, b, inx);
        env.p.pair_running = false;
        env.run.runs[static_cast<size_t>(inx)].pipe = kind;
        env.run.runs[static_cast<size_t>(inx)].shift_clamped = env.cs.shift_clamped;
        env.run.corr_index += 1;
        if (env.cs.shift_clamped)
            env.run.shift_warning +=
                " " + logger(env.g, slots.a).comment + "/" + logger(env.g, slots.b).comment + ",";
    }
    if (env.run.shift_warning.empty())
        return {};
    return env.run.shift_warning + " " + env.texts(text_shift_clamped);
}

std::string correlate_all(RunEnv& env) {
    reset_correlations(env.g);
    env.run.runs = {};
    env.run.background_run = false;
    return corr_allblock_loggers(env);
}

std::vector<int> results_order(const GroupState& g, int corr_index) {
    std::vector<int> order;
    const int last = std::min(corr_index - 1, max_pairs);
    for (int qf = 3; qf >= 1; --qf)
        for (int r = 1; r <= last; ++r)
            if (g.corr_comb[static_cast<size_t>(r)].qf == qf)
                order.push_back(r);
    return order;
}

std::vector<ResultRow> setup_EP_corr_results(const GroupState& g, int corr_index) {
    std::vector<ResultRow> rows;
    for (int r : results_order(g, corr_index)) {
        const Tcorr_comb& c = g.corr_comb[static_cast<size_t>(r)];
        const int32_t id_a = logger(g, c.lo1_index).ID;
        const int32_t id_b = logger(g, c.lo2_index).ID;
        rows.push_back({r, c.qf,
                        std::to_string(id_a) + ": " + get_logger_comment(g, id_a) + " -> " +
                            c.distance_a_string + " -> " + std::to_string(id_b) + ": " +
                            get_logger_comment(g, id_b)});
    }
    return rows;
}

PairPanel logger_korr(RunEnv& env, int32_t log1, int32_t log2) {
    pipeseclist_refresh(env.g, env.p);
    PairPanel panel;
    const Tcorr_log& a = logger(env.g, log1);
    const Tcorr_log& b = logger(env.g, log2);
    panel.la = id_and_comment(a);
    panel.lb = id_and_comment(b);
    panel.memo_a = memo_lines(a);
    panel.memo_b = memo_lines(b);
    panel.color_a = a.color;
    panel.color_b = b.color;
    panel.result = correlation(env.cs, env.g, env.group_folder, log1, log2, block_n_method);
    panel.pair_q = pair_position(env);
    return panel;
}

PairPanel correlate2loggers(RunEnv& env, int32_t log1, int32_t log2) {
    env.run.cur_log1 = log1;
    env.run.cur_log2 = log2;
    env.p.pair_running = true;
    int32_t a = log1;
    int32_t b = log2;
    find_pair_pipe(env.g, env.p, a, b); // the pair keeps the order given
    env.cs.shift_clamped = false;
    PairPanel panel = logger_korr(env, log1, log2);
    if (env.cs.shift_clamped)
        panel.shift_message = logger(env.g, log1).comment + "/" + logger(env.g, log2).comment +
                              " " + " " + env.texts(text_shift_clamped);
    env.p.pair_running = false;
    return panel;
}

std::string single_block_label(const GroupState& g, int s) {
    const auto& set = g.corr_log_set;
    int64_t t = 0;
    if (set.meas_mode == 1) {
        int64_t t_first = get_meas(g, set.start);
        const int64_t t_last = get_meas(g, set.stop);
        if (set.stop < set.start)
            t_first -= 86400;
        t = t_first + (t_last - t_first) / 9 * (s - 1);
    } else if (set.meas_mode == 2) {
        t = int64_t{set.sync_time} + set.meas_delta + int64_t{s - 2} * set.interval;
    } else {
        return {};
    }
    if (t < 0 || t > static_cast<int64_t>(UINT32_MAX))
        return std::to_string(s) + ": ";
    return std::to_string(s) + ": " + format_local_time(static_cast<uint32_t>(t));
}

std::array<SingleBlock, max_blocks + 1> corr_all_single(RunEnv& env, int32_t log1, int32_t log2) {
    std::array<SingleBlock, max_blocks + 1> out{};
    env.cs.shift_clamped = false;
    for (int s = 1; s <= max_blocks; ++s) {
        const CorrelationResult r = correlation(env.cs, env.g, env.group_folder, log1, log2, s);
        env.g.corr_log_set.akt_block = s;
        SingleBlock& b = out[static_cast<size_t>(s)];
        b.q = pair_position(env);
        b.correlated = r.correlated;
        b.peak_index = env.cs.peak_index;
        b.delay_ms = delay_ms(env.cs.peak_index, env.g.sample_rate);
        b.qf = r.correlated ? quality_class(b.q) : 0;
        b.delay_text = decimal_correct(b.delay_ms) + "ms";
        b.label = single_block_label(env.g, s);
    }
    return out;
}

} // namespace pelquor

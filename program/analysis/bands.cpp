#include "analysis/bands.h"

namespace pelquor {

namespace {

void set_band(GroupState& g, const Band& b) {
    g.filter1_li = b.li;
    g.filter1_re = b.re;
}

std::string run_all(RunEnv& env, const BandHooks& hooks) {
    if (hooks.reload_group)
        hooks.reload_group();
    return correlate_all(env);
}

} // namespace

FilterAnalysis analysis_corr(RunEnv& env) {
    FilterAnalysis fa;
    const int32_t a = env.run.cur_log1;
    const int32_t b = env.run.cur_log2;
    if (a < 1 || b < 1)
        return fa;
    const int32_t fs = env.g.sample_rate;
    fa.edges = analysis_band_edges(fs);
    float best_q = 0;
    for (int i = 1; i <= 10; ++i) {
        env.cs.q_slot = i;
        if (is_vaf_band(i))
            vaf(env.g, env.imperial);
        else
            set_band(env.g, analysis_band(fa.edges, i));
        const CorrelationResult r =
            correlation(env.cs, env.g, env.group_folder, a, b, block_n_method);
        pair_position(env);
        QEntry& entry = env.cs.q_list[static_cast<size_t>(i)];
        entry.delay = delay_ms(env.cs.peak_index, fs);
        FilterBandResult& out = fa.bands[static_cast<size_t>(i)];
        out.band = {env.g.filter1_li, env.g.filter1_re};
        out.correlated = r.correlated;
        out.q = entry.q;
        out.delay_ms = entry.delay;
        out.label = std::to_string(out.band.li) + " - " + std::to_string(out.band.re) + "Hz, " +
                    decimal_correct(out.delay_ms) + "ms";
        if (out.q > 0 && out.q > best_q) {
            best_q = out.q;
            fa.best = i;
        }
    }
    env.cs.q_slot = 0;
    return fa;
}

CorrelationResult klein1Click(RunEnv& env, int i, const BandEdges& edges, const BandHooks& hooks) {
    if (is_vaf_band(i))
        vaf(env.g, env.imperial);
    else
        set_band(env.g, analysis_band(edges, i));
    if (hooks.save_group)
        hooks.save_group();
    if (env.run.cur_log1 < 1 || env.run.cur_log2 < 1)
        return {};
    const CorrelationResult r = correlation(env.cs, env.g, env.group_folder, env.run.cur_log1,
                                            env.run.cur_log2, block_n_method);
    pair_position(env);
    return r;
}

bool select_method(RunEnv& env, int c_mode, const BandHooks& hooks, std::string* shift_message) {
    if (env.g.corr_log_set.c_mode == c_mode)
        return false;
    env.g.corr_log_set.c_mode = c_mode;
    if (hooks.save_group)
        hooks.save_group();
    const std::string msg = run_all(env, hooks);
    if (shift_message)
        *shift_message = msg;
    return true;
}

Optimisation filter_optimisation(RunEnv& env, Progress& progress, const BandHooks& hooks) {
    Optimisation o;
    reset_correlations(env.g);
    o.best_green = 0;
    o.edges = optimisation_band_edges(env.g.sample_rate);
    auto count = [&](int band, const Band& limits, int pos) {
        const QfCounts c = qf_statistics(env.g, env.run.corr_index - 1);
        o.steps.push_back({band, env.g.corr_log_set.c_mode, limits, c});
        progress.show_easy_guide(pos, "A:" + std::to_string(c.green) + " B:" +
                                          std::to_string(c.yellow) + "C:" + std::to_string(c.red));
        progress.wait_ms(100);
        if (c.green > o.best_green) {
            o.best_green = c.green;
            o.best_li = limits.li;
            o.best_re = limits.re;
            o.best_method = env.g.corr_log_set.c_mode;
        }
    };
    for (int i = 1; i <= 10; ++i) {
        const Band limits = optimisation_band(o.edges, i);
        set_band(env.g, limits);
        select_method(env, c_mode_abc, hooks);
        select_method(env, c_mode_mbc, hooks);
        count(i, limits, i * 10 - 5);
        select_method(env, c_mode_abc, hooks);
        count(i, limits, i * 10);
    }
    if (o.best_green < 1) {
        o.message = env.texts(text_optimisation_no_green);
    } else {
        set_band(env.g, {o.best_li, o.best_re});
        if (o.best_method == env.g.corr_log_set.c_mode) {
            // Stored first, so that the reload before the run keeps the band.
            if (hooks.save_group)
                hooks.save_group();
            o.shift_message = run_all(env, hooks);
        } else
            select_method(env, o.best_method, hooks, &o.shift_message);
        o.message = env.texts(text_optimisation_done);
    }
    progress.hide_easy_guide();
    return o;
}

} // namespace pelquor

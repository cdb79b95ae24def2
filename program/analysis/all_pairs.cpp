#include "analysis/all_pairs.h"

#include "radio/radio_frames.h"
#include "radio/recording.h"

#include <algorithm>
#include <filesystem>

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

namespace {

constexpr int n_lags = fft_len;

// One window of a recording: logger slot, block s, shift of B (0 for A).
struct WindowKey {
    int32_t slot = 0;
    int s = 0;
    int shift = 0;
    bool operator==(const WindowKey&) const = default;
};

struct PairPlan {
    int32_t a = 0, b = 0; // loggers as correlated
    int32_t loop_a = 0, loop_b = 0;
    int block = 0; // MBC: the one block; ABC: 0 (all)
    int blocks_used = 0;
    int last_block = 0; // block whose spectra the plot would show
    int last_shift = 0;
    bool shift_clamped = false;
};

// The correlation of every pair of a run, block by block. Windows are read
// and transformed once (two real windows per complex transform), and the
// back transforms of two cross spectra share one complex transform through
// their Hermitian parts, whose transforms are real.
class BatchRun {
  public:
    BatchRun(RunEnv& env, std::vector<PairPlan>& pairs) : env_(env), pairs_(pairs) {
        sums_.assign(pairs.size(), std::vector<float>(n_lags, 0.0f));
        herm_.assign(2, std::vector<Tcomplex>(n_lags));
        packed_.resize(n_lags);
        out_.resize(n_lags);
        samples_.resize(wave_samples_len);
    }

    void run() {
        const auto& set = env_.g.corr_log_set;
        for (int s = max_blocks; s >= 1; --s) {
            keys_.clear();
            jobs_.clear();
            for (size_t k = 0; k < pairs_.size(); ++k) {
                PairPlan& p = pairs_[k];
                if (p.block != 0 && p.block != s)
                    continue;
                const int number = block_number_of(set.meas_mode, s);
                if (!exists(path(p.a, number)) || !exists(path(p.b, number)))
                    continue;
                int sh = set.meas_mode == 1 ? get_correction(env_.cs, env_.g, p.a, p.b, s) : 0;
                if (sh > max_shift || sh < -max_shift) {
                    sh = std::clamp(sh, -max_shift, max_shift);
                    p.shift_clamped = true;
                }
                const size_t wa = window({p.a, s, 0});
                const size_t wb = window({p.b, s, sh});
                jobs_.push_back({k, wa, wb});
                ++p.blocks_used;
                p.last_block = s;
                p.last_shift = sh;
            }
            if (jobs_.empty())
                continue;
            transform_windows(s);
            back_transforms();
        }
    }

    const std::vector<float>& sum(size_t k) const { return sums_[k]; }

    // What the pair correlation leaves in the plot arrays after the pair's
    // last block: the spectra of A and B and the cross spectrum.
    void plot_arrays(const PairPlan& p) {
        CorrelationState& cs = env_.cs;
        if (p.last_block == 0)
            return;
        read_window(p.a, p.last_block, 0, [&](int i, float v) { cs.corr_input[i].re = v; });
        read_window(p.b, p.last_block, p.last_shift,
                    [&](int i, float v) { cs.corr_input[i].im = v; });
        cs.plan.transform(cs.corr_input.data(), cs.corr_spectrum.data());
        spec_trennen(cs);
        single_betrag(cs);
        kreuzspektrum2(cs);
        kreuz_betrag(cs);
        cs.spectrum_block = p.last_block;
    }

  private:
    struct Job {
        size_t pair;
        size_t a, b; // windows
    };

    static bool exists(const std::string& path) {
        std::error_code ec;
        return std::filesystem::exists(path, ec);
    }
    std::string path(int32_t slot, int number) const {
        return env_.group_folder + recording_file_name(logger(env_.g, slot).ID, number);
    }
    size_t window(const WindowKey& key) {
        for (size_t i = 0; i < keys_.size(); ++i)
            if (keys_[i] == key)
                return i;
        keys_.push_back(key);
        return keys_.size() - 1;
    }
    // Window i = sample 2026 + i - shift of the block's recording (samples
    // past the end of a short file are 0).
    template <class F> void read_window(int32_t slot, int s, int shift, F&& put) {
        const int number = block_number_of(env_.g.corr_log_set.meas_mode, s);
        read_recording(path(slot, number), samples_.data(), samples_.size(), samples_.size());
        for (int i = 0; i < n_lags; ++i)
            put(i, static_cast<float>(samples_[static_cast<size_t>(skipped_samples + i - shift)]));
    }

    // Spectra of the block's windows, two to a transform.
    void transform_windows(int s) {
        if (spectra_.size() < keys_.size())
            spectra_.resize(keys_.size(), std::vector<Tcomplex>(n_lags));
        for (size_t w = 0; w < keys_.size(); w += 2) {
            const bool two = w + 1 < keys_.size();
            read_window(keys_[w].slot, s, keys_[w].shift, [&](int i, float v) {
                packed_[i] = {v, 0.0f};
            });
            if (two)
                read_window(keys_[w + 1].slot, s, keys_[w + 1].shift,
                            [&](int i, float v) { packed_[i].im = v; });
            env_.cs.plan.transform(packed_.data(), out_.data());
            Tcomplex* x = spectra_[w].data();
            Tcomplex* y = two ? spectra_[w + 1].data() : nullptr;
            for (int k = 0; k < n_lags; ++k) {
                const Tcomplex z = out_[k];
                const Tcomplex zz = out_[(n_lags - k) % n_lags];
                // The split of the pair correlation; x is kept unconjugated.
                x[k] = {(z.re + zz.re) / 2, -((zz.im - z.im) / 2)};
                if (y)
                    y[k] = {(z.im + zz.im) / 2, (zz.re - z.re) / 2};
            }
        }
    }

    // Cross spectrum, band filter and back transform of every job, two jobs
    // to a transform.
    void back_transforms() {
        CorrelationState& cs = env_.cs;
        const GroupState& g = env_.g;
        for (size_t j = 0; j < jobs_.size(); j += 2) {
            const size_t m = std::min<size_t>(2, jobs_.size() - j);
            for (size_t t = 0; t < m; ++t) {
                const Job& job = jobs_[j + t];
                const Tcomplex* a = spectra_[job.a].data();
                const Tcomplex* b = spectra_[job.b].data();
                for (int k = 0; k < n_lags; ++k)
                    cs.corr_input[k] = cx_mul({a[k].re, -a[k].im}, b[k]);
                spektrum_filtern(cs, g.sample_rate, g.filter1_li, g.filter1_re);
                // Hermitian part: its transform is the real part of the
                // filtered spectrum's transform.
                const Tcomplex* f = cs.corr_filtered.data();
                Tcomplex* hp = herm_[t].data();
                for (int k = 0; k < n_lags; ++k) {
                    const Tcomplex ff = f[(n_lags - k) % n_lags];
                    hp[k] = {(f[k].re + ff.re) / 2, (f[k].im - ff.im) / 2};
                }
            }
            const Tcomplex* h1 = herm_[0].data();
            const Tcomplex* h2 = herm_[1].data();
            for (int k = 0; k < n_lags; ++k)
                packed_[k] = m == 2 ? Tcomplex{h1[k].re - h2[k].im, h1[k].im + h2[k].re} : h1[k];
            cs.plan.transform(packed_.data(), out_.data());
            constexpr int half = n_lags / 2;
            for (size_t t = 0; t < m; ++t) {
                float* sum = sums_[jobs_[j + t].pair].data();
                for (int k = 0; k < n_lags; ++k) {
                    const Tcomplex& o = out_[(k + half) % n_lags];
                    const float v = (t == 0 ? o.re : o.im) / 10000;
                    sum[k] += v * v;
                }
            }
        }
    }

    RunEnv& env_;
    std::vector<PairPlan>& pairs_;
    std::vector<std::vector<float>> sums_;
    std::vector<std::vector<Tcomplex>> spectra_;
    std::vector<std::vector<Tcomplex>> herm_;
    std::vector<Tcomplex> packed_, out_;
    std::vector<int16_t> samples_;
    std::vector<WindowKey> keys_;
    std::vector<Job> jobs_;
};

// The peak search of a pair from its sum, as the pair correlation ends.
CorrelationResult finish_pair(CorrelationState& cs, const std::vector<float>& sum, int blocks,
                              int32_t sample_rate) {
    std::copy(sum.begin(), sum.end(), cs.corr_sum.begin());
    cs.blocks_used = blocks;
    cs.status_text.clear();
    CorrelationResult r;
    r.blocks_used = blocks;
    if (blocks == 0 || !normalisieren(cs)) {
        cs.correlated = false;
        std::fill(cs.corr_norm.begin(), cs.corr_norm.end(), 0.0f);
        cs.peak_index = fft_half;
        cs.marker_index = fft_half;
        cs.delay_ms = 0;
        if (cs.q_slot > 0 && cs.q_slot <= q_list_len)
            cs.q_list[static_cast<size_t>(cs.q_slot)] = QEntry{};
        return r;
    }
    cs.correlated = true;
    cs.delay_ms = delay_ms(cs.peak_index, sample_rate);
    r.correlated = true;
    r.peak_index = cs.peak_index;
    r.q = get_q(cs);
    r.qf = quality_class(r.q);
    r.delay_ms = cs.delay_ms;
    return r;
}

// The result record of a pair whose correlation is in cs.
void store_pair(RunEnv& env, const CorrelationResult& r, int32_t log1, int32_t log2, int corr_inx) {
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

} // namespace

void allblock_logger_korr(RunEnv& env, int32_t log1, int32_t log2, int corr_inx) {
    const CorrelationResult r =
        correlation(env.cs, env.g, env.group_folder, log1, log2, block_n_method);
    store_pair(env, r, log1, log2, corr_inx);
}

std::string corr_allblock_loggers(RunEnv& env) {
    env.cs.q_slot = 0;
    env.run.shift_warning.clear();
    env.run.corr_index = 1;
    const int n = std::clamp(env.g.corr_log_set.count, 0, max_loggers);
    const int count = pair_count(n);
    // The order of each pair follows its pipe.
    std::vector<PairPlan> plans(static_cast<size_t>(count));
    for (int k = 1; k <= count; ++k) {
        const PairSlots slots = pair_slots(n, k);
        PairPlan& p = plans[static_cast<size_t>(k - 1)];
        p.loop_a = p.a = slots.a;
        p.loop_b = p.b = slots.b;
        find_pair_pipe(env.g, env.p, p.a, p.b);
        if (env.g.corr_log_set.c_mode == c_mode_mbc)
            p.block = get_lowest_pair(env.g, p.a, p.b);
    }
    BatchRun batch(env, plans);
    batch.run();
    if (!plans.empty())
        batch.plot_arrays(plans.back());

    for (int k = 1; k <= count; ++k) {
        const PairPlan& plan = plans[static_cast<size_t>(k - 1)];
        int32_t a = plan.loop_a;
        int32_t b = plan.loop_b;
        env.cs.shift_clamped = plan.shift_clamped;
        env.cs.q_slot += 1;
        const PipeKind kind = find_pair_pipe(env.g, env.p, a, b);
        env.p.pair_running = true;
        const int inx = env.run.corr_index;
        const CorrelationResult r = finish_pair(env.cs, batch.sum(static_cast<size_t>(k - 1)),
                                                plan.blocks_used, env.g.sample_rate);
        store_pair(env, r, a, b, inx);
        env.p.pair_running = false;
        env.run.runs[static_cast<size_t>(inx)].pipe = kind;
        env.run.runs[static_cast<size_t>(inx)].shift_clamped = env.cs.shift_clamped;
        if (env.on_pair)
            env.on_pair(inx);
        env.run.corr_index += 1;
        if (env.cs.shift_clamped)
            env.run.shift_warning += " " + logger(env.g, plan.loop_a).comment + "/" +
                                     logger(env.g, plan.loop_b).comment + ",";
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

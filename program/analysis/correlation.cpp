#include "analysis/correlation.h"

#include "analysis/peak.h"
#include "radio/recording.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace pelquor {

namespace {

constexpr int seconds_per_day = 86400;

bool recording_exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// Reads a recording into wave_buffer; samples the file does not hold are 0.
void read_into_buffer(CorrelationState& cs, const std::string& path) {
    read_recording(path, cs.wave_buffer.data(), cs.wave_buffer.size(), wave_samples_len);
}

void mark_not_correlated(CorrelationState& cs) {
    cs.correlated = false;
    std::fill(cs.corr_norm.begin(), cs.corr_norm.end(), 0.0f);
    cs.peak_index = fft_half;
    cs.marker_index = fft_half;
    cs.delay_ms = 0;
    if (cs.q_slot > 0 && cs.q_slot <= q_list_len)
        cs.q_list[static_cast<size_t>(cs.q_slot)] = QEntry{};
}

} // namespace

CorrelationState::CorrelationState()
    : wave_buffer(wave_buffer_len), wave_samples(wave_samples_len), corr_input(fft_len),
      corr_spectrum(fft_len), spec_a(fft_len), spec_b(fft_len), spec_a_abs(fft_len),
      spec_b_abs(fft_len), cross_abs(fft_len), corr_filtered(fft_len), corr_sum(fft_len),
      corr_norm(fft_len), peak_index(fft_half), marker_index(fft_half), plan(fft_len) {}

int get_lowest_pair(const GroupState& g, int log1, int log2) {
    const auto& l1 = g.corr_log_set.corr_log[static_cast<size_t>(std::clamp(log1, 1, 8))];
    const auto& l2 = g.corr_log_set.corr_log[static_cast<size_t>(std::clamp(log2, 1, 8))];
    int best = 1;
    int64_t lowest = int64_t{l1.audio_block[1].level} + l2.audio_block[1].level;
    for (int s = 2; s <= max_blocks; ++s) {
        const int64_t sum = int64_t{l1.audio_block[s].level} + l2.audio_block[s].level;
        if (sum < lowest) {
            lowest = sum;
            best = s;
        }
    }
    return best;
}

int64_t get_meas(const GroupState& g, int hour) {
    const int64_t read = g.corr_log_set.read_time;
    return read - read % seconds_per_day + int64_t{hour} * 3600;
}

int get_correction(CorrelationState& cs, const GroupState& g, int log1, int log2, int x) {
    const auto& set = g.corr_log_set;
    int64_t t_first = get_meas(g, set.start);
    const int64_t t_last = get_meas(g, set.stop);
    // A night over midnight starts the day before the stop hour.
    if (set.stop < set.start)
        t_first -= seconds_per_day;
    const int64_t spacing = (t_last - t_first) / 9;
    const int64_t t_x = t_first + spacing * (x - 1);

    const auto& a = set.corr_log[static_cast<size_t>(std::clamp(log1, 1, 8))];
    const auto& b = set.corr_log[static_cast<size_t>(std::clamp(log2, 1, 8))];
    const int64_t ticks_a = int64_t{a.read_time} * 32768 + a.timer;
    const int64_t ticks_b = int64_t{b.read_time} * 32768 + b.timer;
    cs.clock_offset_ms = static_cast<double>(ticks_a - ticks_b) / 32.768;

    const int64_t sync = set.sync_time;
    const int64_t read = set.read_time;
    if (read <= sync || t_x < sync || t_x > read) {
        cs.shift_inconsistent = true;
        return 0;
    }
    const double f = static_cast<double>(t_x - sync) / static_cast<double>(read - sync);
    const double shift = g.sample_rate * f * cs.clock_offset_ms / 1000.0;
    // Far beyond the clamp either way; keeps the conversion defined.
    return static_cast<int>(std::clamp(shift, -1.0e9, 1.0e9));
}

void spec_trennen(CorrelationState& cs) {
    const Tcomplex* z = cs.corr_spectrum.data();
    for (int k = 0; k < fft_len; ++k) {
        const int kk = (fft_len - k) % fft_len;
        cs.spec_a[k] = {(z[k].re + z[kk].re) / 2, (z[kk].im - z[k].im) / 2};
        cs.spec_b[k] = {(z[k].im + z[kk].im) / 2, (z[kk].re - z[k].re) / 2};
    }
}

void single_betrag(CorrelationState& cs) {
    for (int k = 0; k < fft_len; ++k) {
        cs.spec_a_abs[k] = cx_abs(cs.spec_a[k]);
        cs.spec_b_abs[k] = cx_abs(cs.spec_b[k]);
    }
}

void kreuzspektrum2(CorrelationState& cs) {
    for (int k = 0; k < fft_len; ++k)
        cs.corr_input[k] = cx_mul(cs.spec_a[k], cs.spec_b[k]);
}

void kreuz_betrag(CorrelationState& cs) {
    for (int k = 0; k < fft_len; ++k)
        cs.cross_abs[k] = cx_abs(cs.corr_input[k]);
}

void spektrum_filtern(CorrelationState& cs, int32_t sample_rate, int32_t filt_li, int32_t filt_re) {
    const int n = fft_len;
    std::copy(cs.corr_input.begin(), cs.corr_input.end(), cs.corr_filtered.begin());
    // Bin k stands for k * fs / n Hz. Limits are kept inside the array so that
    // any band, however odd, clears only existing bins.
    auto bin_of = [&](int32_t hz) {
        const double fs = sample_rate > 0 ? sample_rate : 1;
        const double k = std::trunc((n / 2.0) * hz * 2.0 / fs);
        return static_cast<int>(std::clamp(k, -1.0, static_cast<double>(n)));
    };
    const int k_lo = bin_of(filt_li);
    const int k_hi = bin_of(filt_re);
    auto clear = [&](int k) {
        cs.corr_filtered[k] = {0, 0};
        cs.corr_filtered[n - 1 - k] = {0, 0};
    };
    if (cs.filter_kind == FilterKind::bandpass) {
        for (int k = 0; k <= std::min(k_lo, n - 1); ++k)
            clear(k);
        for (int k = std::max(k_hi, 0); k <= fft_half - 1; ++k)
            clear(k);
    } else {
        for (int k = std::max(k_lo, 0); k <= std::min(k_hi, n - 1); ++k)
            clear(k);
    }
}

void korrelation_sortieren(CorrelationState& cs) {
    const int h = fft_len / 2;
    for (int k = 0; k < h; ++k)
        std::swap(cs.corr_spectrum[k].re, cs.corr_spectrum[h + k].re);
}

void korrelation_quadrieren(CorrelationState& cs) {
    for (int k = 0; k < fft_len; ++k) {
        const float v = cs.corr_spectrum[k].re / 10000;
        cs.corr_spectrum[k].re = v * v;
    }
}

void correlate_block(CorrelationState& cs, int32_t sample_rate, int32_t filt_li, int32_t filt_re) {
    cs.status_text.clear();
    cs.plan.transform(cs.corr_input.data(), cs.corr_spectrum.data());
    spec_trennen(cs);
    single_betrag(cs);
    kreuzspektrum2(cs);
    kreuz_betrag(cs);
    cs.status_text.clear();
    spektrum_filtern(cs, sample_rate, filt_li, filt_re);
    // A second forward transform: index m holds n times the correlation at
    // lag -m, which the orientation of the lag axis relies on.
    cs.plan.transform(cs.corr_filtered.data(), cs.corr_spectrum.data());
    korrelation_sortieren(cs);
    korrelation_quadrieren(cs);
    for (int k = 0; k < fft_len; ++k)
        cs.corr_sum[k] += cs.corr_spectrum[k].re;
}

CorrelationResult correlation(CorrelationState& cs, const GroupState& g,
                              const std::string& group_folder, int log1, int log2, int block_n) {
    std::fill(cs.corr_sum.begin(), cs.corr_sum.end(), 0.0f);
    cs.blocks_used = 0;
    cs.spectrum_block = 0;
    const auto& set = g.corr_log_set;

    int first = 0;
    int last = 0;
    if (block_n <= 99) {
        first = last = block_n;
    } else if (set.c_mode == c_mode_mbc) {
        first = last = get_lowest_pair(g, log1, log2);
    } else {
        first = max_blocks;
        last = 1;
    }
    const auto& a = set.corr_log[static_cast<size_t>(std::clamp(log1, 1, 8))];
    const auto& b = set.corr_log[static_cast<size_t>(std::clamp(log2, 1, 8))];

    for (int s = first; s >= last && s > 0; --s) {
        const int number = block_number_of(set.meas_mode, s);
        const std::string path_a = group_folder + recording_file_name(a.ID, number);
        const std::string path_b = group_folder + recording_file_name(b.ID, number);
        if (!recording_exists(path_a) || !recording_exists(path_b))
            continue;
        int sh = set.meas_mode == 1 ? get_correction(cs, g, log1, log2, s) : 0;

        read_into_buffer(cs, path_a);
        for (int i = 0; i < fft_len; ++i)
            cs.corr_input[i].re = cs.wave_buffer[skipped_samples + i];
        if (sh > max_shift || sh < -max_shift) {
            sh = std::clamp(sh, -max_shift, max_shift);
            cs.shift_clamped = true;
        }
        read_into_buffer(cs, path_b);
        for (int i = 0; i < fft_len; ++i)
            cs.corr_input[i].im = cs.wave_buffer[skipped_samples + i - sh];

        correlate_block(cs, g.sample_rate, g.filter1_li, g.filter1_re);
        ++cs.blocks_used;
        cs.spectrum_block = s;
    }

    CorrelationResult r;
    r.blocks_used = cs.blocks_used;
    if (cs.blocks_used == 0 || !normalisieren(cs)) {
        mark_not_correlated(cs);
        return r;
    }
    cs.correlated = true;
    cs.delay_ms = delay_ms(cs.peak_index, g.sample_rate);
    r.correlated = true;
    r.peak_index = cs.peak_index;
    r.q = get_q(cs);
    r.qf = quality_class(r.q);
    r.delay_ms = cs.delay_ms;
    return r;
}

} // namespace pelquor

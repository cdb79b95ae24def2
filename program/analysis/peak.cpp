#include "analysis/peak.h"

#include "pipes/material_table.h"

#include <algorithm>
#include <cmath>

namespace pelquor {

bool normalisieren(CorrelationState& cs) {
    const int n = fft_len;
    auto masked = [&](int k) { return cs.mask_on && k >= cs.mask_lo && k <= cs.mask_hi; };
    float max = 0;
    int peak = cs.peak_index;
    for (int k = 0; k < n; ++k) {
        if (masked(k))
            continue;
        const float v = std::fabs(cs.corr_sum[k]);
        if (v > max) {
            max = v;
            peak = k;
        }
    }
    if (!(max > 0))
        return false;
    cs.peak_index = peak;
    cs.marker_index = peak;
    for (int k = 0; k < n; ++k)
        cs.corr_norm[k] = masked(k) ? 0.0f : cs.corr_sum[k] * norm_peak / max;
    if (cs.q_slot > 0 && cs.q_slot <= q_list_len)
        cs.q_list[static_cast<size_t>(cs.q_slot)].q = get_q(cs);
    return true;
}

float get_q(const CorrelationState& cs) {
    const int n = fft_len;
    float sum = 0;
    for (int k = 0; k < n - 1; ++k)
        sum += cs.corr_norm[k] / n;
    if (!(sum > 0))
        return 0;
    return std::trunc(norm_peak / sum);
}

int quality_class(float q) {
    if (q < q_yellow)
        return 1;
    if (q < q_green)
        return 2;
    return 3;
}

double delay_ms(int peak_index, int32_t sample_rate) {
    if (sample_rate <= 0)
        return 0;
    return (peak_index - fft_half) * 1000.0 / sample_rate;
}

Band vaf_band(int32_t v, bool imperial) {
    Band b;
    if (imperial) {
        const double metres = feet2meter(v);
        b.li = static_cast<int32_t>(std::trunc(metres / 8));
        b.re = static_cast<int32_t>(std::trunc(metres));
    } else {
        b.li = v / 10;
        b.re = v;
    }
    if (b.li < 0 || b.li > 2999)
        b.li = 1;
    if (b.re < 2 || b.re > 3000)
        b.re = 3000;
    return b;
}

void vaf(GroupState& g, bool imperial) {
    const auto& set = g.corr_log_set;
    int32_t v = 0;
    if (set.actual_pipe >= 1 && set.actual_pipe < static_cast<int>(set.pipes.size()))
        v = set.pipes[static_cast<size_t>(set.actual_pipe)].pipe[1].vel;
    const Band b = vaf_band(v, imperial);
    g.filter1_li = b.li;
    g.filter1_re = b.re;
}

Band wide_band_of(int32_t sample_rate) {
    return {4, sample_rate / 2};
}

void wide_band(GroupState& g) {
    const Band b = wide_band_of(g.sample_rate);
    g.filter1_li = b.li;
    g.filter1_re = b.re;
}

BandEdges analysis_band_edges(int32_t fs) {
    return {0, 5, fs / 64, fs / 32, fs / 8, fs / 2};
}

BandEdges optimisation_band_edges(int32_t fs) {
    return {0, 200, fs / 8, fs / 6, fs / 4, fs / 2};
}

namespace {
struct EdgePair {
    int lo, hi;
};
// Edge numbers of bands 1 .. 10 (band 10 of the analysis is the velocity band).
constexpr EdgePair analysis_table[11] = {{1, 5}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 3},
                                         {2, 4}, {3, 4}, {3, 5}, {4, 5}, {1, 5}};
constexpr EdgePair optimisation_table[11] = {{1, 5}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 3},
                                             {2, 4}, {2, 5}, {3, 4}, {3, 5}, {4, 5}};
} // namespace

bool is_vaf_band(int i) {
    return i == 10;
}

Band analysis_band(const BandEdges& e, int i) {
    const EdgePair p = (i >= 1 && i <= 9) ? analysis_table[i] : analysis_table[0];
    return {e[static_cast<size_t>(p.lo)], e[static_cast<size_t>(p.hi)]};
}

Band optimisation_band(const BandEdges& e, int i) {
    const EdgePair p = (i >= 1 && i <= 10) ? optimisation_table[i] : optimisation_table[0];
    return {e[static_cast<size_t>(p.lo)], e[static_cast<size_t>(p.hi)]};
}

QfCounts qf_statistics(const GroupState& g, int pairs) {
    QfCounts c;
    for (int p = 1; p <= std::min(pairs, max_pairs); ++p) {
        switch (g.corr_comb[static_cast<size_t>(p)].qf) {
        case 1:
            ++c.red;
            break;
        case 2:
            ++c.yellow;
            break;
        case 3:
            ++c.green;
            break;
        default:
            break;
        }
    }
    return c;
}

} // namespace pelquor

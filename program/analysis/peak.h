// Peak, delay and quality of a summed correlation, and the frequency bands
// the band commands choose from.
#pragma once

#include "analysis/correlation.h"
#include "groups/group_model.h"

#include <array>
#include <cstdint>

namespace pelquor {

constexpr float norm_peak = 16384.0f;
constexpr float q_yellow = 20.0f;
constexpr float q_green = 35.0f;

// Peak search over corr_sum (skipping the mask), scaling into corr_norm with
// the peak at 16384, and q into q_list[q_slot]. Ties keep the lowest index.
// Returns false and changes nothing when no value is above 0.
bool normalisieren(CorrelationState& cs);

// Trunc(16384 / mean of corr_norm[0 .. n-2]) with the mean summed in single
// precision over n; 0 when that sum is not above 0.
float get_q(const CorrelationState& cs);

// 1 red (q < 20), 2 yellow (20 <= q < 35), 3 green.
int quality_class(float q);

// (peak_index - 8192) * 1000 / sample_rate: positive when the noise reached
// logger A later than logger B. 0 for a sample rate that is not above 0.
double delay_ms(int peak_index, int32_t sample_rate);

struct Band {
    int32_t li = 0;
    int32_t re = 0;
};

// Band from the sound velocity v of a pipe (m/s, or ft/s when imperial).
Band vaf_band(int32_t v, bool imperial);
// Sets filter1_li/filter1_re from the first section of the current pipe.
void vaf(GroupState& g, bool imperial);
// 4 Hz up to half the sample rate.
Band wide_band_of(int32_t sample_rate);
void wide_band(GroupState& g);

// Edges e1 .. e5 (index 0 unused) of the filter analysis and of the filter
// optimisation.
using BandEdges = std::array<int32_t, 6>;
BandEdges analysis_band_edges(int32_t sample_rate);
BandEdges optimisation_band_edges(int32_t sample_rate);

// Band i (1 .. 10). In the filter analysis band 10 is the velocity band:
// is_vaf_band(10) is true and analysis_band gives e1 .. e5 for it, as for any
// number outside 1 .. 9.
bool is_vaf_band(int i);
Band analysis_band(const BandEdges& e, int i);
Band optimisation_band(const BandEdges& e, int i);

// Counts of the qf classes 1, 2, 3 over corr_comb[1 .. pairs].
struct QfCounts {
    int green = 0;
    int yellow = 0;
    int red = 0;
};
QfCounts qf_statistics(const GroupState& g, int pairs);

} // namespace pelquor

// Cross-correlation of the recordings of two loggers of the open group. The
// correlation computes into CorrelationState; the views draw from it later.
#pragma once

#include "analysis/fft.h"
#include "groups/group_model.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pelquor {

constexpr int fft_len = 16384;
constexpr int fft_half = 8192;
constexpr int max_shift = 2026;         // largest clock-drift shift of B, samples
constexpr int skipped_samples = 2026;   // start of the correlated part of A
constexpr int wave_buffer_len = 524288; // 1 MiB of 16-bit samples
constexpr int wave_samples_len = 20480; // samples of one recording
constexpr int block_n_method = 101;     // "use the group's method"
constexpr int q_list_len = 30;

enum class FilterKind { bandpass = 0, notch = 1 };

// Correlation methods (Tcorr_log_set.c_mode).
constexpr int c_mode_mbc = 0; // the block with the lowest combined level
constexpr int c_mode_abc = 1; // the sum of all blocks

struct QEntry {
    float q = 0;
    double delay = 0;
};

// Everything the correlation, the peak search and the level analysis work in.
// Owned by the caller; every correlation overwrites it. Arrays hold fft_len
// elements unless noted.
struct CorrelationState {
    CorrelationState();

    std::vector<int16_t> wave_buffer;    // wave_buffer_len: samples of the recording read last
    std::vector<float> wave_samples;     // wave_samples_len (level analysis)
    std::vector<Tcomplex> corr_input;    // A in re, B in im; then the cross spectrum
    std::vector<Tcomplex> corr_spectrum; // both FFT outputs; finally the squared correlation in re
    std::vector<Tcomplex> spec_a;        // conjugate spectrum of A
    std::vector<Tcomplex> spec_b;        // spectrum of B
    std::vector<float> spec_a_abs;
    std::vector<float> spec_b_abs;
    std::vector<float> cross_abs;
    std::vector<Tcomplex> corr_filtered; // cross spectrum after the band filter
    std::vector<float> corr_sum;         // sum over blocks of the squared correlation
    std::vector<float> corr_norm;        // normalised correlation, peak 16384

    FilterKind filter_kind = FilterKind::bandpass;
    bool shift_clamped = false;      // a block's shift was cut to +-2026; callers clear it
    bool shift_inconsistent = false; // a block's times gave no usable shift; callers clear it
    double clock_offset_ms = 0;
    std::string status_text;

    // Peak and quality of the last normalisation.
    int peak_index = 0;
    int marker_index = 0;
    bool mask_on = false;
    int mask_lo = 0;
    int mask_hi = 0;
    std::array<QEntry, q_list_len + 1> q_list{}; // 1-based
    int q_slot = 0;                              // entry the next normalisation fills; 0 none
    double delay_ms = 0;

    // What the last correlation used.
    bool correlated = false; // false: no block could be read, or the sum was all zero
    int blocks_used = 0;
    int spectrum_block = 0; // block s whose spectra are in spec_*_abs and cross_abs; 0 none

    FftPlan plan;
};

struct CorrelationResult {
    bool correlated = false; // false: no peak; the pair is "not correlated"
    int blocks_used = 0;
    int peak_index = -1; // -1 when not correlated
    float q = 0;
    int qf = 0; // quality class 1 .. 3; 0 when not correlated
    double delay_ms = 0;
};

// Correlates loggers log1 (A) and log2 (B) of the open group. block_n 1 .. 99
// uses that block only; 100 and above use the group's method (c_mode): "MBC"
// the block get_lowest_pair gives, "ABC" blocks 10 down to 1. group_folder is
// the data folder + tree_path + '/'. A block with a missing recording is
// skipped. When no block counts (or the sum is zero) the pair is marked not
// correlated: corr_norm is cleared, peak and marker go to fft_half, the
// q_list entry of q_slot gets q 0, and the result says correlated = false.
// Throws RecordingError when a recording exists but cannot be read.
CorrelationResult correlation(CorrelationState& cs, const GroupState& g,
                              const std::string& group_folder, int log1, int log2, int block_n);

// Block 1 .. 10 whose summed level of the two loggers is lowest; ties keep
// the lower block.
int get_lowest_pair(const GroupState& g, int log1, int log2);

// The calendar day of the group's read_time at hour (hh:00:00), seconds.
int64_t get_meas(const GroupState& g, int hour);

// Clock-drift shift of recording B for block x, samples (not yet clamped).
// Updates cs.clock_offset_ms. A night whose stop hour is before its start hour
// ends on the day of read_time and starts the day before. When the block time
// lies before sync_time or after read_time, or read_time is not after
// sync_time, the shift is 0 and cs.shift_inconsistent is set.
int get_correction(CorrelationState& cs, const GroupState& g, int log1, int log2, int x);

// The steps of one block, on the arrays of cs.
void spec_trennen(CorrelationState& cs);
void single_betrag(CorrelationState& cs);
void kreuzspektrum2(CorrelationState& cs);
void kreuz_betrag(CorrelationState& cs);
void spektrum_filtern(CorrelationState& cs, int32_t sample_rate, int32_t filt_li, int32_t filt_re);
void korrelation_sortieren(CorrelationState& cs);
void korrelation_quadrieren(CorrelationState& cs);

// Steps 7 to 17 for the block packed in corr_input: both transforms, the
// spectra, the filter, and the squared correlation added to corr_sum.
void correlate_block(CorrelationState& cs, int32_t sample_rate, int32_t filt_li, int32_t filt_re);

} // namespace pelquor

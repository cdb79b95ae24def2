// Noise level, dominant frequency, ESA and colour of the recordings of the
// open group. Computes only; the time-signal and spectrum views draw from the
// arrays of CorrelationState afterwards.
#pragma once

#include "analysis/correlation.h"
#include "groups/group_model.h"

#include <cstdint>
#include <string>

namespace pelquor {

constexpr int level_segments = 20;
constexpr int level_segment_len = 1024;
constexpr int level_missing = 60;

// Sets g.sample_rate from byte 24, clears wave_buffer[0 .. 20479], reads the
// samples from byte 44 and copies the first 20480 into wave_samples. Throws
// RecordingError naming the file and the reason.
void load_wave(CorrelationState& cs, GroupState& g, const std::string& file_name);

// Level 0 .. 60 dB of the first 20480 samples.
int32_t calc_level_data(const int16_t* wave_buffer);
int32_t calc_level_data(const CorrelationState& cs);

// Levels of all ten blocks of loggers 1 .. count, their quietest block and
// level, and file_name (the name of block 10). A missing recording counts 60;
// ties keep the earlier block. Throws RecordingError for an unreadable one.
void audio_analysis(CorrelationState& cs, GroupState& g, const std::string& group_folder);

// Bin 0 .. count-1 of the largest value, the first on ties.
int dominant_bin(const float* spectrum, int count);
// Trunc(bin / 8192 * sample_rate / 2) Hz.
int32_t frequency_of_bin(int bin, int32_t sample_rate);

struct WaveDisplay {
    bool shown = false;    // false: the quietest block's recording is missing
    std::string file_name; // name of that recording, without folder
    int bin = 0;           // bin of the largest magnitude
};

// The computing half of showing logger nummer's quietest block: loads it,
// takes its spectrum into spec_a_abs (the first 16384 samples, none skipped),
// and sets the logger's frequency, esa and color. Throws RecordingError.
WaveDisplay display_wave(CorrelationState& cs, GroupState& g, const std::string& group_folder,
                         int nummer);

} // namespace pelquor

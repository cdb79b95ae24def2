#include "analysis/levels.h"

#include "analysis/esa.h"
#include "radio/recording.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

namespace pelquor {

namespace {

bool recording_exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::string block_path(const GroupState& g, const std::string& folder, int nummer, int s) {
    const auto& l = g.corr_log_set.corr_log[static_cast<size_t>(nummer)];
    return folder + recording_file_name(l.ID, block_number_of(g.corr_log_set.meas_mode, s));
}

} // namespace

void load_wave(CorrelationState& cs, GroupState& g, const std::string& file_name) {
    int32_t rate = 0;
    read_recording(file_name, cs.wave_buffer.data(), cs.wave_buffer.size(), wave_samples_len,
                   &rate);
    g.sample_rate = rate;
    for (int i = 0; i < wave_samples_len; ++i)
        cs.wave_samples[i] = cs.wave_buffer[i];
}

int32_t calc_level_data(const int16_t* wave_buffer) {
    std::array<long double, level_segments> level{};
    for (int seg = 0; seg < level_segments; ++seg) {
        long double sum = 0;
        for (int i = 0; i < level_segment_len; ++i) {
            const long double v = wave_buffer[seg * level_segment_len + i] / 16.0L;
            sum += v * v;
        }
        long double rms = std::sqrt(sum / level_segment_len);
        if (rms == 0)
            rms = 1;
        level[seg] = 20 * std::log10(rms);
    }
    // The last segment takes no part.
    std::sort(level.begin(), level.begin() + level_segments - 1);
    long double sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += level[i];
    const long double mean = sum / 10;
    const auto result = static_cast<int32_t>(std::trunc(mean)) - 6;
    return std::clamp(result, 0, 60);
}

int32_t calc_level_data(const CorrelationState& cs) {
    return calc_level_data(cs.wave_buffer.data());
}

void audio_analysis(CorrelationState& cs, GroupState& g, const std::string& group_folder) {
    const int count = std::clamp(g.corr_log_set.count, 0, max_loggers);
    for (int k = 1; k <= count; ++k) {
        auto& l = g.corr_log_set.corr_log[static_cast<size_t>(k)];
        int32_t min = level_missing;
        int quietest = 1;
        std::string last_name;
        for (int s = 1; s <= max_blocks; ++s) {
            const std::string path = block_path(g, group_folder, k, s);
            last_name = path.substr(group_folder.size());
            int32_t level = level_missing;
            if (recording_exists(path)) {
                load_wave(cs, g, path);
                level = calc_level_data(cs);
            }
            l.audio_block[static_cast<size_t>(s)].level = level;
            if (level < min) {
                min = level;
                quietest = s;
            }
        }
        l.lowest_block = quietest;
        l.level = min;
        l.file_name = last_name;
    }
}

int dominant_bin(const float* spectrum, int count) {
    int best = 0;
    for (int k = 1; k < count; ++k)
        if (spectrum[k] > spectrum[best])
            best = k;
    return best;
}

int32_t frequency_of_bin(int bin, int32_t sample_rate) {
    return static_cast<int32_t>(std::trunc(bin / 8192.0 * sample_rate / 2.0));
}

WaveDisplay display_wave(CorrelationState& cs, GroupState& g, const std::string& group_folder,
                         int nummer) {
    WaveDisplay w;
    if (nummer < 1 || nummer > max_loggers)
        return w;
    auto& l = g.corr_log_set.corr_log[static_cast<size_t>(nummer)];
    const std::string path =
        block_path(g, group_folder, nummer, std::clamp(l.lowest_block, 1, max_blocks));
    if (!recording_exists(path))
        return w;
    load_wave(cs, g, path);
    w.shown = true;
    w.file_name = path.substr(group_folder.size());
    cs.status_text.clear();
    for (int i = 0; i < fft_len; ++i)
        cs.corr_input[i] = {cs.wave_samples[i], 0.0f};
    cs.plan.transform(cs.corr_input.data(), cs.corr_spectrum.data());
    spec_trennen(cs);
    single_betrag(cs);
    kreuzspektrum2(cs);
    w.bin = dominant_bin(cs.spec_a_abs.data(), fft_half);
    l.frequency = frequency_of_bin(w.bin, g.sample_rate);
    l.esa = calc_esa(l.level, l.frequency);
    l.color = get_color_log(1200, l.frequency);
    return w;
}

} // namespace pelquor

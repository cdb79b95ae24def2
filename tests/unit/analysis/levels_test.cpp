#include "analysis/esa.h"
#include "analysis/levels.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace pelquor {
namespace {

using test::TempFolder;
using test::write_wav;

// A square wave of amplitude a: every segment has rms a / 16 in 12-bit units.
std::vector<int16_t> square(int a, int count = samples_per_block) {
    std::vector<int16_t> v(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        v[i] = static_cast<int16_t>(i % 2 ? a : -a);
    return v;
}

// Amplitude whose level is exactly `level` (segment level level + 6.5 dB).
int amplitude_for(int level) {
    return static_cast<int>(std::lround(16 * std::pow(10.0, (level + 6.5) / 20)));
}

TEST(CalcLevelData, SilenceFullScaleAndLimits) {
    EXPECT_EQ(calc_level_data(std::vector<int16_t>(samples_per_block, 0).data()), 0);
    EXPECT_EQ(calc_level_data(square(32767).data()), 60);
    EXPECT_EQ(calc_level_data(square(amplitude_for(40)).data()), 40);
    EXPECT_EQ(calc_level_data(square(amplitude_for(1)).data()), 1);
}

TEST(CalcLevelData, MeanOfTheTenQuietestOfSegments1To19) {
    // Segments 1 .. 10 at level 30, 11 .. 19 at 50: the ten lowest are the 30s.
    std::vector<int16_t> v = square(amplitude_for(50));
    const auto quiet = square(amplitude_for(30), 10 * level_segment_len);
    std::copy(quiet.begin(), quiet.end(), v.begin());
    EXPECT_EQ(calc_level_data(v.data()), 30);
    // The last segment never counts, however quiet.
    auto w = square(amplitude_for(45));
    std::fill(w.end() - level_segment_len, w.end(), 0);
    EXPECT_EQ(calc_level_data(w.data()), 45);
}

class Levels : public ::testing::Test {
  protected:
    Levels() : cs(std::make_unique<CorrelationState>()) {
        g.corr_log_set.count = 1;
        g.corr_log_set.corr_log[1].ID = 77;
    }
    std::string block_file(int s) const {
        return dir.folder() + recording_file_name(77, block_number_of(0, s));
    }
    TempFolder dir;
    GroupState g;
    std::unique_ptr<CorrelationState> cs;
};

TEST_F(Levels, QuietestBlockWithTiesToTheEarlier) {
    const int levels[] = {40, 35, 35, 50};
    for (int s = 1; s <= 4; ++s)
        write_wav(block_file(s), square(amplitude_for(levels[s - 1])));
    audio_analysis(*cs, g, dir.folder());
    const auto& l = g.corr_log_set.corr_log[1];
    for (int s = 1; s <= 4; ++s)
        EXPECT_EQ(l.audio_block[s].level, levels[s - 1]) << s;
    for (int s = 5; s <= 10; ++s)
        EXPECT_EQ(l.audio_block[s].level, 60) << "missing block " << s;
    EXPECT_EQ(l.lowest_block, 2);
    EXPECT_EQ(l.level, 35);
    EXPECT_EQ(l.file_name, "L77_B9.wav");
}

TEST_F(Levels, LoggerWithoutRecordings) {
    g.corr_log_set.corr_log[1].lowest_block = 7;
    audio_analysis(*cs, g, dir.folder());
    EXPECT_EQ(g.corr_log_set.corr_log[1].lowest_block, 1);
    EXPECT_EQ(g.corr_log_set.corr_log[1].level, 60);
    auto& l = g.corr_log_set.corr_log[1];
    l.frequency = 123;
    EXPECT_FALSE(display_wave(*cs, g, dir.folder(), 1).shown);
    EXPECT_EQ(l.frequency, 123) << "panel keeps its old values";
}

TEST_F(Levels, LoadWaveTakesTheRateAndClearsTheBuffer) {
    write_wav(block_file(1), square(1000), 1638);
    write_wav(block_file(2), square(500, 300), 3277);
    load_wave(*cs, g, block_file(1));
    EXPECT_EQ(g.sample_rate, 1638);
    load_wave(*cs, g, block_file(2));
    EXPECT_EQ(g.sample_rate, 3277);
    EXPECT_EQ(cs->wave_buffer[299], 500);
    EXPECT_EQ(cs->wave_buffer[300], 0) << "nothing left of the longer recording";
    EXPECT_EQ(cs->wave_samples[20479], 0.0f);
    EXPECT_EQ(cs->wave_samples[0], -500.0f);
}

TEST_F(Levels, MalformedOrUnreadableRecordingIsRejected) {
    test::write_bytes(block_file(1), "RIFF"); // no header to speak of
    EXPECT_THROW(load_wave(*cs, g, block_file(1)), RecordingError);
    write_wav(block_file(1), square(10), 0); // sample rate 0
    EXPECT_THROW(load_wave(*cs, g, block_file(1)), RecordingError);
    std::filesystem::remove(block_file(1));
    std::filesystem::create_directory(block_file(1));
    EXPECT_THROW(audio_analysis(*cs, g, dir.folder()), RecordingError);
}

TEST_F(Levels, DominantFrequencyEsaAndColourOfTheQuietestBlock) {
    // A tone at bin 1229 of the first 16384 samples, 6554 Hz: 491 Hz.
    std::vector<int16_t> tone(samples_per_block);
    for (int t = 0; t < samples_per_block; ++t)
        tone[t] = static_cast<int16_t>(3000 * std::sin(2 * M_PI * 1229 * t / 16384.0));
    write_wav(block_file(3), tone);
    auto& l = g.corr_log_set.corr_log[1];
    l.lowest_block = 3;
    l.level = 30;
    const WaveDisplay w = display_wave(*cs, g, dir.folder(), 1);
    EXPECT_TRUE(w.shown);
    EXPECT_EQ(w.file_name, "L77_B2.wav");
    EXPECT_EQ(w.bin, 1229);
    EXPECT_EQ(l.frequency, 491);
    EXPECT_EQ(l.esa, calc_esa(30, 491));
    EXPECT_EQ(l.color, get_color_log(1200, 491));
}

TEST(FrequencyOfBin, Trunc) {
    EXPECT_EQ(frequency_of_bin(1229, 6554), 491);
    EXPECT_EQ(frequency_of_bin(0, 6554), 0);
    EXPECT_EQ(frequency_of_bin(8191, 6554), 3276);
    const float spec[] = {1, 5, 5, 2};
    EXPECT_EQ(dominant_bin(spec, 4), 1);
}

TEST(CalcEsa, Cases) {
    struct Case {
        int32_t level, frequency, esa;
    };
    const Case cases[] = {{30, 500, 53}, {40, 500, 71}, {40, 0, 0},
                          {40, -5, 0},   {0, 500, 1},   {200, 2000, 100}};
    for (const auto& c : cases)
        EXPECT_EQ(calc_esa(c.level, c.frequency), c.esa) << c.level << " " << c.frequency;
}

TEST(GetColorLog, RampFromBlueOverRedToYellow) {
    EXPECT_EQ(get_color_log(1200, 0), rgb(0, 0, 255));
    EXPECT_EQ(get_color_log(1200, 500), rgb(213, 0, 42)); // t = 212
    EXPECT_EQ(get_color_log(1200, 600), rgb(255, 0, 0));
    EXPECT_EQ(get_color_log(1200, 900), rgb(255, 128, 0)); // t = 127
    // At max the green channel passes 255 and wraps.
    EXPECT_EQ(get_color_log(1200, 1200), rgb(255, 0, 0));
    EXPECT_EQ(get_color_log(0, 50), rgb(0, 0, 255));
}

} // namespace
} // namespace pelquor

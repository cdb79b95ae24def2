#include "analysis/correlation.h"
#include "analysis/peak.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace pelquor {
namespace {

using test::delayed;
using test::noise;
using test::TempFolder;
using test::write_wav;

constexpr int32_t id_a = 101;
constexpr int32_t id_b = 202;

class Correlation : public ::testing::Test {
  protected:
    Correlation() : cs(std::make_unique<CorrelationState>()) {
        auto& set = g.corr_log_set;
        set.count = 2;
        set.corr_log[1].ID = id_a;
        set.corr_log[2].ID = id_b;
        set.meas_mode = 0;
        set.c_mode = c_mode_abc;
    }
    // Recordings of block s (1 .. 10) of both loggers.
    void put_block(int s, const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
        const int number = block_number_of(g.corr_log_set.meas_mode, s);
        write_wav(dir.folder() + recording_file_name(id_a, number), a);
        write_wav(dir.folder() + recording_file_name(id_b, number), b);
    }
    CorrelationResult run(int block_n) { return correlation(*cs, g, dir.folder(), 1, 2, block_n); }

    TempFolder dir;
    GroupState g;
    std::unique_ptr<CorrelationState> cs;
};

TEST_F(Correlation, DelayOfBMovesThePeakDownAndOfAUp) {
    const auto x = noise(1);
    struct Case {
        std::vector<int16_t> a, b;
        int peak;
    };
    const Case cases[] = {
        {x, x, 8192},               // identical: lag 0
        {x, delayed(x, 100), 8092}, // the noise reached B 100 samples later
        {delayed(x, 100), x, 8292}, // ... or A
    };
    for (const auto& c : cases) {
        put_block(1, c.a, c.b);
        const CorrelationResult r = run(1);
        ASSERT_TRUE(r.correlated);
        EXPECT_EQ(r.peak_index, c.peak);
        EXPECT_EQ(cs->peak_index, c.peak);
        EXPECT_EQ(cs->marker_index, c.peak);
        EXPECT_FLOAT_EQ(cs->corr_norm[c.peak], 16384.0f);
        EXPECT_EQ(r.qf, 3) << "white noise gives a lone peak";
        EXPECT_EQ(r.blocks_used, 1);
    }
    // A positive delay: A heard it later.
    EXPECT_NEAR(cs->delay_ms, 100 * 1000.0 / 6554, 1e-9);
}

TEST_F(Correlation, SpectraOfTheBlockAreSeparated) {
    // A a pure tone at bin 1000, B at bin 3000: each spectrum sees only its own.
    std::vector<int16_t> a(samples_per_block), b(samples_per_block);
    for (int t = 0; t < samples_per_block; ++t) {
        a[t] = static_cast<int16_t>(4000 * std::cos(2 * M_PI * 1000 * (t - 2026) / 16384.0));
        b[t] = static_cast<int16_t>(4000 * std::cos(2 * M_PI * 3000 * (t - 2026) / 16384.0));
    }
    put_block(1, a, b);
    run(1);
    const auto peak_of = [](const std::vector<float>& v) {
        return static_cast<int>(std::max_element(v.begin(), v.begin() + fft_half) - v.begin());
    };
    EXPECT_EQ(peak_of(cs->spec_a_abs), 1000);
    EXPECT_EQ(peak_of(cs->spec_b_abs), 3000);
    EXPECT_LT(cs->spec_a_abs[3000], 1e-3f * cs->spec_a_abs[1000]);
    EXPECT_EQ(cs->spectrum_block, 1);
}

TEST_F(Correlation, BlockNumbersInFileNamesFollowMeasMode) {
    const auto x = noise(2);
    for (int mode : {0, 1}) {
        std::filesystem::remove_all(dir.folder());
        std::filesystem::create_directories(dir.folder());
        g.corr_log_set.meas_mode = mode;
        put_block(3, x, x); // files of block number 2, or 22
        EXPECT_TRUE(
            std::filesystem::exists(dir.folder() + recording_file_name(id_a, mode == 1 ? 22 : 2)));
        const auto r = run(3);
        EXPECT_TRUE(r.correlated) << "meas_mode " << mode;
        EXPECT_EQ(r.blocks_used, 1);
        EXPECT_EQ(cs->spectrum_block, 3);
    }
}

TEST_F(Correlation, MbcUsesTheQuietestPairOfBlocksWithTiesToTheLower) {
    // Block s has B delayed by 10 s samples, so the peak tells the block.
    const auto x = noise(3);
    for (int s = 1; s <= 10; ++s) {
        put_block(s, x, delayed(x, 10 * s));
        g.corr_log_set.corr_log[1].audio_block[s].level = 55;
        g.corr_log_set.corr_log[2].audio_block[s].level = 55;
    }
    g.corr_log_set.corr_log[1].audio_block[4].level = 50;
    g.corr_log_set.corr_log[2].audio_block[4].level = 52;
    g.corr_log_set.corr_log[1].audio_block[7].level = 52;
    g.corr_log_set.corr_log[2].audio_block[7].level = 50;
    EXPECT_EQ(get_lowest_pair(g, 1, 2), 4);
    g.corr_log_set.c_mode = c_mode_mbc;
    const auto r = run(block_n_method);
    EXPECT_EQ(r.blocks_used, 1);
    EXPECT_EQ(r.peak_index, 8192 - 40);
    EXPECT_EQ(cs->spectrum_block, 4);
}

TEST_F(Correlation, AbcSumsTheBlocksThatExist) {
    const auto x = noise(4);
    for (int s = 1; s <= 10; ++s)
        if (s != 5 && s != 6)
            put_block(s, noise(50 + s), noise(50 + s));
    put_block(2, x, delayed(x, 30));
    const auto r = run(block_n_method);
    EXPECT_EQ(r.blocks_used, 8);
    EXPECT_EQ(cs->spectrum_block, 1) << "the last block done is block 1";
    EXPECT_EQ(r.peak_index, 8192) << "seven blocks at lag 0 outweigh one";
    EXPECT_GT(cs->corr_norm[8192 - 30], 0.05f * 16384);
}

TEST_F(Correlation, PairWithoutAnyRecordingIsNotCorrelated) {
    const auto x = noise(5);
    put_block(1, x, delayed(x, 100));
    cs->q_slot = 3;
    ASSERT_TRUE(run(block_n_method).correlated);
    ASSERT_GT(cs->q_list[3].q, 0);

    g.corr_log_set.corr_log[2].ID = 999; // no recordings of this logger
    const auto r = run(block_n_method);
    EXPECT_FALSE(r.correlated);
    EXPECT_FALSE(cs->correlated);
    EXPECT_EQ(r.blocks_used, 0);
    EXPECT_EQ(r.peak_index, -1);
    EXPECT_EQ(r.qf, 0);
    EXPECT_EQ(r.q, 0);
    EXPECT_EQ(cs->q_list[3].q, 0) << "not the previous pair's quality";
    EXPECT_EQ(cs->spectrum_block, 0);
    EXPECT_TRUE(
        std::all_of(cs->corr_norm.begin(), cs->corr_norm.end(), [](float v) { return v == 0; }));
}

TEST_F(Correlation, SilentRecordingsAreNotCorrelated) {
    const std::vector<int16_t> silence(samples_per_block, 0);
    put_block(1, silence, silence);
    const auto r = run(1);
    EXPECT_EQ(r.blocks_used, 1);
    EXPECT_FALSE(r.correlated);
}

TEST_F(Correlation, ShortRecordingIsPaddedWithSilenceNotThePreviousOne) {
    put_block(1, noise(6), noise(7));
    run(1);
    put_block(1, noise(6), noise(7, 5000));
    run(1);
    // wave_buffer holds B, read last.
    EXPECT_TRUE(std::all_of(cs->wave_buffer.begin() + 5000,
                            cs->wave_buffer.begin() + wave_samples_len,
                            [](int16_t v) { return v == 0; }));
}

TEST_F(Correlation, UnreadableRecordingNamesTheFileAndTheReason) {
    put_block(1, noise(8), noise(8));
    const std::string bad = dir.folder() + recording_file_name(id_b, 0);
    std::filesystem::remove(bad);
    std::filesystem::create_directory(bad); // exists, but cannot be read as a file
    try {
        run(1);
        FAIL() << "no error";
    } catch (const RecordingError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find(bad), std::string::npos) << what;
        EXPECT_NE(what.find("directory"), std::string::npos) << what;
    }
}

class ClockShift : public Correlation {
  protected:
    ClockShift() {
        auto& set = g.corr_log_set;
        set.meas_mode = 1;
        set.start = 2;
        set.stop = 4;
        // Read at 02:00 of the day: block 1 (recorded at 02:00) has the full offset.
        set.read_time = day + 2 * 3600;
        set.sync_time = day - 12 * 3600;
        set.corr_log[1].read_time = set.read_time;
        set.corr_log[2].read_time = set.read_time;
    }
    void timers(uint16_t a, uint16_t b) {
        g.corr_log_set.corr_log[1].timer = a;
        g.corr_log_set.corr_log[2].timer = b;
    }
    static constexpr uint32_t day = 20000u * 86400u;
};

TEST_F(ClockShift, ShiftIsCutTo2026AndMarked) {
    // Trunc(6554 * ticks / 32768): 15000 ticks give 3000 samples, 10130 give 2026.
    struct Case {
        uint16_t ta, tb;
        int shift;
        bool clamped;
        int peak; // A = B: the used shift moves the peak by the same amount
    };
    const Case cases[] = {
        {15000, 0, 3000, true, 8192 - 2026},
        {0, 10130, -2026, false, 8192 + 2026},
        {0, 0, 0, false, 8192},
    };
    const auto x = noise(9);
    put_block(1, x, x);
    for (const auto& c : cases) {
        timers(c.ta, c.tb);
        EXPECT_EQ(get_correction(*cs, g, 1, 2, 1), c.shift);
        cs->shift_clamped = false;
        const auto r = run(1);
        EXPECT_EQ(cs->shift_clamped, c.clamped) << c.shift;
        EXPECT_EQ(r.peak_index, c.peak) << c.shift;
    }
    EXPECT_FALSE(cs->shift_inconsistent);
}

TEST_F(ClockShift, NoShiftOutsideMeasMode1) {
    timers(15000, 0);
    g.corr_log_set.meas_mode = 0;
    const auto x = noise(10);
    put_block(1, x, x);
    cs->shift_clamped = false;
    EXPECT_EQ(run(1).peak_index, 8192);
    EXPECT_FALSE(cs->shift_clamped);
}

TEST_F(ClockShift, ClockOffsetAndFractionOfTheNight) {
    auto& set = g.corr_log_set;
    set.read_time = day + 10 * 3600;
    set.sync_time = day - 14 * 3600; // 10:00 the day before
    set.corr_log[1].read_time = set.read_time + 1;
    set.corr_log[2].read_time = set.read_time;
    timers(0, 16384); // A ahead by half a second
    // Block 10 at 04:00: 18 of 24 hours since synchronisation.
    EXPECT_EQ(get_correction(*cs, g, 1, 2, 10), static_cast<int>(6554 * 0.75 * 500.0 / 1000));
    EXPECT_DOUBLE_EQ(cs->clock_offset_ms, 500.0);
    // Block 1 at 02:00 (16 of 24 hours), spacing (04:00 - 02:00) / 9.
    EXPECT_EQ(get_correction(*cs, g, 1, 2, 1), static_cast<int>(6554 * (16.0 / 24) * 0.5));
    EXPECT_EQ(get_correction(*cs, g, 1, 2, 4),
              static_cast<int>(6554 * ((16 * 3600 + 3 * 800) / (24.0 * 3600)) * 0.5));
    EXPECT_FALSE(cs->shift_inconsistent);
}

TEST_F(ClockShift, NightOverMidnightStartsTheDayBefore) {
    auto& set = g.corr_log_set;
    set.start = 22;
    set.stop = 4;
    set.read_time = day + 8 * 3600;
    set.sync_time = day - 10 * 3600; // 14:00 the day before
    set.corr_log[1].read_time = set.read_time;
    set.corr_log[2].read_time = set.read_time;
    timers(16384, 0);
    // Block 1 at 22:00 the day before: 8 of 18 hours; block 10 at 04:00: 14 of 18.
    EXPECT_EQ(get_correction(*cs, g, 1, 2, 1), static_cast<int>(6554 * (8.0 / 18) * 0.5));
    EXPECT_EQ(get_correction(*cs, g, 1, 2, 10), static_cast<int>(6554 * (14.0 / 18) * 0.5));
    EXPECT_FALSE(cs->shift_inconsistent);
}

TEST_F(ClockShift, InconsistentTimesGiveNoShift) {
    auto& set = g.corr_log_set;
    timers(16384, 0);
    struct Case {
        uint32_t sync, read;
    };
    const Case cases[] = {
        {day + 3 * 3600, day + 10 * 3600},  // synchronised after block 1 was recorded
        {day + 11 * 3600, day + 10 * 3600}, // read before the synchronisation
        {day - 3600, day + 1 * 3600},       // read before the night was over
    };
    for (const auto& c : cases) {
        set.sync_time = c.sync;
        set.read_time = c.read;
        cs->shift_inconsistent = false;
        EXPECT_EQ(get_correction(*cs, g, 1, 2, 1), 0);
        EXPECT_TRUE(cs->shift_inconsistent);
    }
}

TEST(GetMeas, HourOfTheReadDay) {
    GroupState g;
    g.corr_log_set.read_time = 86400u * 3 + 5000;
    EXPECT_EQ(get_meas(g, 2), 86400 * 3 + 7200);
    EXPECT_EQ(get_meas(g, 0), 86400 * 3);
}

class Filter : public ::testing::Test {
  protected:
    Filter() : cs(std::make_unique<CorrelationState>()) {
        std::fill(cs->corr_input.begin(), cs->corr_input.end(), Tcomplex{1, 1});
    }
    std::vector<int> cleared() const {
        std::vector<int> out;
        for (int k = 0; k < fft_len; ++k)
            if (cs->corr_filtered[k].re == 0 && cs->corr_filtered[k].im == 0)
                out.push_back(k);
        return out;
    }
    static std::vector<int> range(int lo, int hi) {
        std::vector<int> v;
        for (int k = lo; k <= hi; ++k)
            v.push_back(k);
        return v;
    }
    static std::vector<int> join(std::vector<int> a, const std::vector<int>& b) {
        a.insert(a.end(), b.begin(), b.end());
        std::sort(a.begin(), a.end());
        return a;
    }
    std::unique_ptr<CorrelationState> cs;
};

TEST_F(Filter, BandpassClearsBelowAndAboveWithMirrorBins) {
    cs->filter_kind = FilterKind::bandpass;
    spektrum_filtern(*cs, 6554, 180, 3277); // k_lo 449, k_hi 8192
    EXPECT_EQ(cleared(), join(range(0, 449), range(15934, 16383)));
    spektrum_filtern(*cs, 6554, 0, 3277);
    EXPECT_EQ(cleared(), join(range(0, 0), range(16383, 16383)));
    spektrum_filtern(*cs, 16384, 100, 8000); // k = Hz at this rate
    EXPECT_EQ(cleared(), join(join(range(0, 100), range(16283, 16383)),
                              join(range(8000, 8191), range(8192, 8383))));
}

TEST_F(Filter, NotchClearsTheBandAndItsMirror) {
    cs->filter_kind = FilterKind::notch;
    spektrum_filtern(*cs, 16384, 100, 200);
    EXPECT_EQ(cleared(), join(range(100, 200), range(16183, 16283)));
    spektrum_filtern(*cs, 16384, 300, 200);
    EXPECT_TRUE(cleared().empty());
}

TEST_F(Filter, OddBandsStayInsideTheArray) {
    for (auto kind : {FilterKind::bandpass, FilterKind::notch}) {
        cs->filter_kind = kind;
        spektrum_filtern(*cs, 6554, -500, 99999);
        spektrum_filtern(*cs, 6554, 99999, -5);
        spektrum_filtern(*cs, 0, 100, 200);
    }
    SUCCEED();
}

} // namespace
} // namespace pelquor

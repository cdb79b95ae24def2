#include "analysis/all_pairs.h"
#include "analysis/bands.h"
#include "groups/group_file.h"
#include "radio/radio_frames.h"
#include "synthetic_group.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>

using namespace pelquor;

namespace {

namespace fs = std::filesystem;

// The program's state objects for a group folder built by the test.
class AllPairsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("pelquor_allpairs_" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        texts_.set(text_shift_clamped, "shift cut");
        texts_.set(text_optimisation_done, "optimised");
        texts_.set(text_optimisation_no_green, "no green pair");
        texts_.set(text_end_zone, "end zone");
    }
    void TearDown() override { fs::remove_all(root_); }

    void load(const synth::Group& sg, unsigned seed = 3) {
        synth::write_group(root_ / "site", sg, seed);
        ASSERT_EQ(load_logger_set(g_, root_.string() + "/", "site"), LoadResult::loaded);
    }
    RunEnv env() { return {g_, *cs_, p_, run_, units_, texts_, (root_ / "site").string() + "/"}; }

    fs::path root_;
    GroupState g_;
    std::unique_ptr<CorrelationState> cs_ = std::make_unique<CorrelationState>();
    PipeState p_;
    AllPairsState run_;
    UnitState units_;
    LangTexts texts_;
};

TEST(ResultsList, GreenThenYellowThenRedEachInResultOrder) {
    GroupState g;
    g.corr_log_set.count = 3;
    for (int n = 1; n <= 3; ++n) {
        g.corr_log_set.corr_log[n].ID = 100 + n;
        g.corr_log_set.corr_log[n].comment = "c" + std::to_string(n);
    }
    const int qf[] = {1, 3, 2, 3, 0};
    for (int r = 1; r <= 5; ++r) {
        g.corr_comb[r].qf = qf[r - 1];
        g.corr_comb[r].lo1_index = 1;
        g.corr_comb[r].lo2_index = 3;
        g.corr_comb[r].distance_a_string = "12.5m";
    }
    EXPECT_EQ(results_order(g, 5), (std::vector<int>{2, 4, 3, 1}));
    // Result 5 (qf 0) is not correlated and has no row.
    const auto rows = setup_EP_corr_results(g, 6);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].result, 2);
    EXPECT_EQ(rows[0].text, "101: c1 -> 12.5m -> 103: c3");
    EXPECT_EQ(rows[3].qf, 1);
}

TEST_F(AllPairsTest, PairsFollowTheirPipesAndRecordsHoldTheRun) {
    synth::Group sg;
    sg.blocks = 2;
    sg.loggers = {{11, "a", 100}, {12, "b", 300}, {13, "c", 0, true}};
    sg.pipes = {{2, 1, {{100, 1000}}}}; // stored against the loop order
    load(sg);
    RunEnv e = env();
    // A composite pipe of an earlier run is cleared first.
    g_.corr_log_set.pipes[2].sections = 3;
    EXPECT_EQ(correlate_all(e), "");
    ASSERT_EQ(run_.corr_index, 4);
    const Tcorr_comb& direct = g_.corr_comb[1];
    EXPECT_EQ(direct.lo1_index, 2);
    EXPECT_EQ(direct.lo2_index, 1);
    // B (logger 1) hears it 200 samples earlier than A (logger 2).
    EXPECT_EQ(run_.runs[1].peak_index, 8192 + 200);
    EXPECT_NEAR(direct.dt, 200 * 1000.0 / 6554, 1e-3);
    EXPECT_FLOAT_EQ(direct.total_distance, 100);
    EXPECT_NEAR(direct.distance_a, synth::distance_at({{100, 1000}}, 6554, 8392), 1e-3);
    EXPECT_EQ(direct.qf, 3);
    EXPECT_EQ(run_.runs[1].pipe, PipeKind::direct);
    // The pair after it has no pipe: no length and no distance of another pair.
    for (int r : {2, 3}) {
        EXPECT_EQ(g_.corr_comb[r].lo1_index, r == 2 ? 1 : 2);
        EXPECT_EQ(g_.corr_comb[r].lo2_index, 3);
        EXPECT_FLOAT_EQ(g_.corr_comb[r].total_distance, 0);
        EXPECT_FLOAT_EQ(g_.corr_comb[r].distance_a, 0);
        EXPECT_EQ(g_.corr_comb[r].distance_a_string, "xxx");
        EXPECT_EQ(run_.runs[r].pipe, PipeKind::none);
    }
    EXPECT_EQ(cs_->q_slot, 3);
    EXPECT_FLOAT_EQ(cs_->q_list[1].q, run_.runs[1].q);
    EXPECT_EQ(g_.corr_log_set.pipes[2].sections, 0);
}

// The run correlates all pairs together; each pair must come out as the
// pair-by-pair correlation gives it, for both methods, with clock-drift
// shifts, a missing recording and odd numbers of windows and jobs.
TEST_F(AllPairsTest, RunAgreesWithPairByPairCorrelation) {
    synth::Group sg;
    sg.meas_mode = 1;
    sg.blocks = 10;
    const uint32_t day = 20000 * 86400u;
    sg.sync_time = day;
    sg.read_time = day + 10 * 3600;
    sg.own_rms = 2500; // weak peaks, so that q is not trivially large
    sg.loggers = {{11, "a", 0, false, sg.read_time, 0},
                  {12, "b", 80, false, sg.read_time, 9000},
                  {13, "c", 200, false, sg.read_time - 1, 20000},
                  {14, "d", 30, true, sg.read_time, 100},
                  {15, "e", 500, false, sg.read_time, 0}};
    sg.pipes = {{2, 1, {{100, 1000}}}, {3, 2, {{80, 900}, {40, 400}}}, {5, 4, {{60, 1200}}}};
    load(sg, 21);
    fs::remove(root_ / "site" / "L13_B33.wav");
    for (int method : {c_mode_abc, c_mode_mbc}) {
        SCOPED_TRACE(method);
        g_.corr_log_set.c_mode = method;
        // Levels that differ per block, so that MBC picks various blocks.
        for (int n = 1; n <= 5; ++n)
            for (int s = 1; s <= 10; ++s)
                g_.corr_log_set.corr_log[n].audio_block[s].level = (n * 7 + s * 3) % 11;
        RunEnv e = env();
        correlate_all(e);
        const auto batch = g_.corr_comb;
        const auto runs = run_.runs;
        const auto q_list = cs_->q_list;
        for (int k = 1; k < run_.corr_index; ++k) {
            SCOPED_TRACE(k);
            int32_t a = batch[k].lo1_index, b = batch[k].lo2_index;
            find_pair_pipe(g_, p_, a, b);
            cs_->q_slot = k;
            cs_->shift_clamped = false;
            allblock_logger_korr(e, batch[k].lo1_index, batch[k].lo2_index, k);
            const Tcorr_comb& single = g_.corr_comb[k];
            EXPECT_EQ(run_.runs[k].peak_index, runs[k].peak_index);
            EXPECT_NEAR(run_.runs[k].q, runs[k].q, 1.0f);
            EXPECT_NEAR(cs_->q_list[k].q, q_list[k].q, 1.0f);
            EXPECT_EQ(single.qf, batch[k].qf);
            EXPECT_FLOAT_EQ(single.dt, batch[k].dt);
            EXPECT_FLOAT_EQ(single.distance_a, batch[k].distance_a);
            EXPECT_EQ(single.distance_a_string, batch[k].distance_a_string);
            EXPECT_FLOAT_EQ(single.total_distance, batch[k].total_distance);
            EXPECT_EQ(cs_->shift_clamped, runs[k].shift_clamped);
        }
    }
}

TEST_F(AllPairsTest, PairsWithoutRecordingsAreNotCorrelated) {
    synth::Group sg;
    sg.blocks = 1;
    sg.loggers = {{11, "a", 0}, {12, "b", 10}};
    sg.pipes = {{1, 2, {{100, 1000}}}};
    load(sg);
    fs::remove(root_ / "site" / "L12_B0.wav");
    RunEnv e = env();
    correlate_all(e);
    EXPECT_EQ(g_.corr_comb[1].qf, 0);
    EXPECT_EQ(g_.corr_comb[1].distance_a_string, "xxx");
    EXPECT_FLOAT_EQ(g_.corr_comb[1].distance_a, 0);
    EXPECT_FLOAT_EQ(g_.corr_comb[1].total_distance, 100);
    EXPECT_TRUE(results_order(g_, run_.corr_index).empty());
}

TEST_F(AllPairsTest, CutShiftsOfTwoPairsMakeOneMessage) {
    // Night mode: logger 3's clock is 10 s ahead at read-out, far beyond the
    // 2026 samples a shift may take; loggers 1 and 2 agree.
    synth::Group sg;
    sg.meas_mode = 1;
    sg.blocks = 1;
    const uint32_t day = 20000 * 86400u;
    sg.sync_time = day;
    sg.read_time = day + 10 * 3600;
    sg.loggers = {{11, "C1", 0, false, sg.read_time},
                  {12, "C2", 0, false, sg.read_time},
                  {13, "C3", 0, false, sg.read_time + 10}};
    sg.pipes = {{3, 1, {{100, 1000}}}}; // pair (1,3) runs as (3,1)
    load(sg);
    RunEnv e = env();
    const std::string message = correlate_all(e);
    EXPECT_EQ(run_.shift_warning, " C1/C3, C2/C3,");
    EXPECT_EQ(message, " C1/C3, C2/C3, shift cut");
    EXPECT_FALSE(run_.runs[1].shift_clamped);
    EXPECT_TRUE(run_.runs[2].shift_clamped);
    EXPECT_EQ(g_.corr_comb[2].lo1_index, 3);

    // One pair in the main plots reports its own cut shift.
    PairPanel panel = correlate2loggers(e, 2, 3);
    EXPECT_EQ(panel.shift_message, "C2/C3  shift cut");
    EXPECT_EQ(run_.cur_log1, 2);
    EXPECT_EQ(run_.cur_log2, 3);
    EXPECT_EQ(panel.la, "12: C2");
}

TEST_F(AllPairsTest, SingleBlocksCarryTheirOwnDelayAndTime) {
    synth::Group sg;
    sg.meas_mode = 2;
    sg.blocks = 9; // block 10 has no recordings
    sg.sync_time = 1700000000;
    sg.loggers = {{11, "a", 0}, {12, "b", 50}};
    load(sg);
    g_.corr_log_set.meas_delta = 60;
    g_.corr_log_set.interval = 30;
    RunEnv e = env();
    const auto blocks = corr_all_single(e, 1, 2);
    for (int s = 1; s <= 9; ++s) {
        EXPECT_TRUE(blocks[s].correlated) << s;
        EXPECT_EQ(blocks[s].peak_index, 8192 - 50);
        EXPECT_EQ(blocks[s].delay_text, "-7.6ms");
        EXPECT_EQ(blocks[s].qf, 3);
    }
    EXPECT_FALSE(blocks[10].correlated);
    EXPECT_EQ(blocks[10].qf, 0);
    EXPECT_EQ(g_.corr_log_set.akt_block, 10);
    // sync_time + meas_delta + (s - 2) * interval
    EXPECT_EQ(blocks[2].label, "2: " + format_local_time(1700000060));
    EXPECT_EQ(blocks[4].label, "4: " + format_local_time(1700000120));
    g_.corr_log_set.meas_mode = 0;
    EXPECT_EQ(single_block_label(g_, 3), "");
}

TEST_F(AllPairsTest, FilterAnalysisRatesTenBandsAndLeavesTheVelocityBand) {
    synth::Group sg;
    sg.blocks = 1;
    sg.loggers = {{11, "a", 0}, {12, "b", 40}};
    sg.pipes = {{1, 2, {{100, 1200}}}};
    load(sg);
    RunEnv e = env();
    EXPECT_EQ(analysis_corr(e).best, 0); // no current pair
    correlate2loggers(e, 1, 2);
    const FilterAnalysis fa = analysis_corr(e);
    EXPECT_EQ(fa.edges[2], 6554 / 64);
    float best = 0;
    int best_i = 0;
    for (int i = 1; i <= 10; ++i) {
        EXPECT_TRUE(fa.bands[i].correlated);
        EXPECT_FLOAT_EQ(fa.bands[i].q, cs_->q_list[i].q);
        EXPECT_NEAR(cs_->q_list[i].delay, -40 * 1000.0 / 6554, 1e-9) << i;
        if (fa.bands[i].q > best)
            best = fa.bands[i].q, best_i = i;
    }
    EXPECT_EQ(fa.best, best_i);
    EXPECT_EQ(fa.bands[1].label, "5 - 102Hz, -6.1ms");
    EXPECT_EQ(fa.bands[10].band.li, 120); // from 1200 m/s
    EXPECT_EQ(fa.bands[10].band.re, 1200);
    EXPECT_EQ(g_.filter1_li, 120);
    EXPECT_EQ(g_.filter1_re, 1200);
    EXPECT_EQ(cs_->q_slot, 0);

    int saved = 0;
    klein1Click(e, 4, fa.edges, {[&] { ++saved; }, {}});
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(g_.filter1_li, 5);
    EXPECT_EQ(g_.filter1_re, 6554 / 2);
}

TEST_F(AllPairsTest, OptimisationKeepsTheFirstBestCombination) {
    synth::Group sg;
    sg.blocks = 2;
    sg.c_mode = 1;
    sg.loggers = {{11, "a", 0}, {12, "b", 40}};
    load(sg);
    RunEnv e = env();
    TextProgress progress;
    progress.real_sleep = false;
    int saves = 0, reloads = 0;
    const Optimisation o = filter_optimisation(e, progress, {[&] { ++saves; }, [&] { ++reloads; }});
    ASSERT_EQ(o.steps.size(), 20u);
    EXPECT_EQ(o.steps[0].method, c_mode_mbc);
    EXPECT_EQ(o.steps[1].method, c_mode_abc);
    EXPECT_EQ(o.steps[0].counts.green, 1);
    // Every combination has the one green pair: the first one stays.
    EXPECT_EQ(o.best_green, 1);
    EXPECT_EQ(o.best_method, c_mode_mbc);
    EXPECT_EQ(o.best_li, 200);
    EXPECT_EQ(o.best_re, 6554 / 8);
    EXPECT_EQ(g_.filter1_li, 200);
    EXPECT_EQ(g_.filter1_re, 6554 / 8);
    EXPECT_EQ(g_.corr_log_set.c_mode, c_mode_mbc);
    EXPECT_EQ(g_.corr_comb[1].qf, 3);
    EXPECT_EQ(o.message, "optimised");
    // Started on "ABC": ten changes to "MBC", ten back, one to the best.
    EXPECT_EQ(saves, 21);
    EXPECT_EQ(reloads, 21);
    ASSERT_GE(progress.lines.size(), 2u);
    EXPECT_EQ(progress.lines[0], "A:1 B:0C:0");
}

TEST_F(AllPairsTest, OptimisationWithoutGreenPairKeepsTheLastCombination) {
    synth::Group sg;
    sg.blocks = 2;
    sg.c_mode = 0;
    sg.loggers = {{11, "a", 0, true}, {12, "b", 0, true}};
    load(sg);
    RunEnv e = env();
    TextProgress progress;
    progress.real_sleep = false;
    const Optimisation o = filter_optimisation(e, progress, {});
    EXPECT_EQ(o.best_green, 0);
    EXPECT_EQ(o.message, "no green pair");
    EXPECT_EQ(g_.filter1_li, 6554 / 4);
    EXPECT_EQ(g_.filter1_re, 6554 / 2);
    EXPECT_EQ(g_.corr_log_set.c_mode, c_mode_abc);
}

} // namespace

#include "analysis/peak.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace pelquor {
namespace {

class Peak : public ::testing::Test {
  protected:
    Peak() : cs(std::make_unique<CorrelationState>()) {}
    void flat(float v) { std::fill(cs->corr_sum.begin(), cs->corr_sum.end(), v); }
    std::unique_ptr<CorrelationState> cs;
};

TEST_F(Peak, EqualMaximaKeepTheLowestIndex) {
    flat(1);
    cs->corr_sum[9000] = 50;
    cs->corr_sum[7000] = 50;
    ASSERT_TRUE(normalisieren(*cs));
    EXPECT_EQ(cs->peak_index, 7000);
    EXPECT_EQ(cs->marker_index, 7000);
    EXPECT_FLOAT_EQ(cs->corr_norm[7000], 16384);
    EXPECT_FLOAT_EQ(cs->corr_norm[9000], 16384);
    EXPECT_FLOAT_EQ(cs->corr_norm[0], 16384.0f / 50);
}

TEST_F(Peak, MaskedLagsAreSkippedAndCleared) {
    flat(1);
    cs->corr_sum[8192] = 100;
    cs->corr_sum[8500] = 20;
    cs->mask_on = true;
    cs->mask_lo = 8000;
    cs->mask_hi = 8400;
    ASSERT_TRUE(normalisieren(*cs));
    EXPECT_EQ(cs->peak_index, 8500);
    EXPECT_FLOAT_EQ(cs->corr_norm[8500], 16384);
    for (int k = 8000; k <= 8400; ++k)
        ASSERT_EQ(cs->corr_norm[k], 0) << k;
    EXPECT_GT(cs->corr_norm[7999], 0);
}

TEST_F(Peak, ZeroSumChangesNothing) {
    flat(1);
    cs->corr_sum[100] = 3;
    cs->q_slot = 2;
    ASSERT_TRUE(normalisieren(*cs));
    const auto norm = cs->corr_norm;
    const float q = cs->q_list[2].q;
    flat(0);
    EXPECT_FALSE(normalisieren(*cs));
    EXPECT_EQ(cs->peak_index, 100);
    EXPECT_EQ(cs->marker_index, 100);
    EXPECT_EQ(cs->corr_norm, norm);
    EXPECT_EQ(cs->q_list[2].q, q);
}

TEST_F(Peak, QualityOfLonePeakAndFlatCurve) {
    std::fill(cs->corr_norm.begin(), cs->corr_norm.end(), 0.0f);
    cs->corr_norm[5000] = 16384;
    EXPECT_EQ(get_q(*cs), 16384);
    std::fill(cs->corr_norm.begin(), cs->corr_norm.end(), 16384.0f);
    EXPECT_EQ(get_q(*cs), 1) << "Trunc(16384 / 16383)";
    // The last lag takes no part; alone it leaves nothing to divide by.
    std::fill(cs->corr_norm.begin(), cs->corr_norm.end(), 0.0f);
    cs->corr_norm[fft_len - 1] = 16384;
    EXPECT_EQ(get_q(*cs), 0);
}

TEST_F(Peak, NormalisationFillsTheQSlot) {
    flat(0);
    cs->corr_sum[4000] = 7;
    cs->q_slot = 5;
    ASSERT_TRUE(normalisieren(*cs));
    EXPECT_EQ(cs->q_list[5].q, 16384);
    EXPECT_EQ(cs->q_list[4].q, 0);
}

TEST(QualityClass, Limits) {
    const std::pair<float, int> cases[] = {{0, 1},     {19.9f, 1}, {20, 2},
                                           {34.9f, 2}, {35, 3},    {1000, 3}};
    for (auto [q, qf] : cases)
        EXPECT_EQ(quality_class(q), qf) << q;
}

TEST(DelayMs, SignAndScale) {
    EXPECT_EQ(delay_ms(8192, 6554), 0.0);
    EXPECT_NEAR(delay_ms(8292, 6554), 15.258, 1e-3);
    EXPECT_LT(delay_ms(8092, 6554), 0);
    EXPECT_NEAR(delay_ms(8292, 1638), 61.05, 1e-2);
    EXPECT_EQ(delay_ms(9000, 0), 0.0);
}

TEST(Bands, VelocityBand) {
    struct Case {
        int32_t v;
        bool imperial;
        int32_t li, re;
    };
    const Case cases[] = {
        {1400, false, 140, 1400}, {40000, false, 1, 3000}, {0, false, 0, 3000},
        {1, false, 0, 3000},      {-50, false, 1, 3000},   {4593, true, 174, 1399},
    };
    for (const auto& c : cases) {
        const Band b = vaf_band(c.v, c.imperial);
        EXPECT_EQ(b.li, c.li) << c.v;
        EXPECT_EQ(b.re, c.re) << c.v;
    }
    GroupState g;
    g.corr_log_set.actual_pipe = 3;
    g.corr_log_set.pipes[3].pipe[1].vel = 1250;
    vaf(g, false);
    EXPECT_EQ(g.filter1_li, 125);
    EXPECT_EQ(g.filter1_re, 1250);
}

TEST(Bands, WideBand) {
    GroupState g;
    g.sample_rate = 1638;
    wide_band(g);
    EXPECT_EQ(g.filter1_li, 4);
    EXPECT_EQ(g.filter1_re, 819);
}

TEST(Bands, AnalysisAndOptimisationTables) {
    const BandEdges a = analysis_band_edges(6554);
    EXPECT_EQ(a, (BandEdges{0, 5, 102, 204, 819, 3277}));
    const std::pair<int32_t, int32_t> analysis[] = {{5, 102},   {5, 204},    {5, 819},
                                                    {5, 3277},  {102, 204},  {102, 819},
                                                    {204, 819}, {204, 3277}, {819, 3277}};
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(analysis_band(a, i).li, analysis[i - 1].first) << i;
        EXPECT_EQ(analysis_band(a, i).re, analysis[i - 1].second) << i;
    }
    EXPECT_TRUE(is_vaf_band(10));
    EXPECT_EQ(analysis_band(a, 10).re, 3277) << "other senders: e1 - e5";

    const BandEdges o = optimisation_band_edges(6554);
    EXPECT_EQ(o, (BandEdges{0, 200, 819, 1092, 1638, 3277}));
    const std::pair<int32_t, int32_t> optimisation[] = {
        {200, 819},  {200, 1092}, {200, 1638},  {200, 3277},  {819, 1092},
        {819, 1638}, {819, 3277}, {1092, 1638}, {1092, 3277}, {1638, 3277}};
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(optimisation_band(o, i).li, optimisation[i - 1].first) << i;
        EXPECT_EQ(optimisation_band(o, i).re, optimisation[i - 1].second) << i;
    }
}

TEST(QfStatistics, CountsClassesOfTheRun) {
    GroupState g;
    const int qf[] = {3, 1, 2, 3, 0, 3};
    for (int p = 1; p <= 6; ++p)
        g.corr_comb[p].qf = qf[p - 1];
    g.corr_comb[7].qf = 1; // not part of the run
    const QfCounts c = qf_statistics(g, 6);
    EXPECT_EQ(c.green, 3);
    EXPECT_EQ(c.yellow, 1);
    EXPECT_EQ(c.red, 1);
}

} // namespace
} // namespace pelquor

#include "pipes/leak_position.h"

#include "groups/group_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

using namespace pelquor;

namespace {

Tsection section(float length, int vel, const std::string& material = "Steel",
                 const std::string& diameter = "100") {
    Tsection s;
    s.length = length;
    s.vel = vel;
    s.material = material;
    s.diameter = diameter;
    return s;
}

// Adds an ordinary pipe from a to b with the given sections.
int add_pipe(GroupState& g, int a, int b, std::vector<Tsection> secs) {
    auto& set = g.corr_log_set;
    int i = ++set.pipes_count;
    Ttotal_pipe& p = set.pipes[i];
    p = Ttotal_pipe{};
    p.log1 = a;
    p.log2 = b;
    p.sections = static_cast<int>(secs.size());
    for (size_t k = 0; k < secs.size(); ++k) {
        p.pipe[k + 1] = secs[k];
        p.length += secs[k].length;
    }
    return i;
}

class LeakPositionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_.corr_log_set.count = 8;
        texts_.set(text_outside_pipe, "outside the pipe");
        texts_.set(text_end_zone, "maximum in an end zone");
        texts_.set(text_section, "Section");
        texts_.set(text_total_length, "Total");
    }
    // Current pipe from check4pipe, then the position of a marker.
    void locate(int marker, int peak, float q = 50) {
        status_.clear();
        calc_distance(g_, p_, units_, texts_, marker, peak, q, status_);
    }
    GroupState g_;
    PipeState p_;
    UnitState units_;
    LangTexts texts_;
    std::string status_;
};

TEST_F(LeakPositionTest, OneSectionMapsOntoTheLagAxisAndGivesTheMiddle) {
    add_pipe(g_, 1, 2, {section(100, 1000)});
    ASSERT_TRUE(check4pipe(g_, p_, 1, 2));
    const Tsection& s = g_.corr_log_set.pipes[1].pipe[1];
    EXPECT_EQ(s.li, 0);
    EXPECT_EQ(s.len, 1311);
    EXPECT_EQ(p_.pipe_span, 1311);
    EXPECT_EQ(p_.pipe_lo, 7536);

    locate(8192, 8192);
    EXPECT_EQ(p_.pos_status, pos_inside);
    EXPECT_NEAR(p_.dist_a, 100.0 * (8192 - 7536) / 1311, 1e-4);
    EXPECT_EQ(p_.dist_a_text, "50.0m");
    EXPECT_EQ(p_.dist_b_text, "50.0m");
    EXPECT_TRUE(p_.labels_shown);
    EXPECT_EQ(status_, "");

    // Both ends of the stretch: lo 7536 gives A, hi 8847 gives B.
    EXPECT_FLOAT_EQ(get_distance_A(g_, p_, 7536, 8192), 0.0f);
    EXPECT_EQ(p_.pos_status, pos_inside);
    EXPECT_FLOAT_EQ(get_distance_A(g_, p_, 8847, 8192), 100.0f);
    EXPECT_EQ(p_.pos_status, pos_inside);
}

TEST_F(LeakPositionTest, TwoSectionsOfDifferentVelocity) {
    add_pipe(g_, 1, 2, {section(50, 1000), section(50, 500)});
    ASSERT_TRUE(check4pipe(g_, p_, 1, 2));
    const auto& pipe = g_.corr_log_set.pipes[1];
    EXPECT_EQ(pipe.pipe[1].len, 655);
    EXPECT_EQ(pipe.pipe[2].li, 655);
    EXPECT_EQ(pipe.pipe[2].len, 1311);
    EXPECT_EQ(p_.pipe_span, 1966);
    EXPECT_EQ(p_.pipe_lo, 7209);
    locate(8192, 8192);
    EXPECT_NEAR(p_.dist_a, 50 + 50.0 * 328 / 1311, 1e-4);
    EXPECT_EQ(p_.dist_a_text, "62.5m");
    EXPECT_EQ(p_.dist_b_text, "37.5m");
}

TEST_F(LeakPositionTest, MarkerOutsideThePipeGivesNoPosition) {
    add_pipe(g_, 1, 2, {section(100, 1000)});
    ASSERT_TRUE(check4pipe(g_, p_, 1, 2));
    struct Case {
        int marker;
        float q;
        float dist;
        std::string status;
    };
    const Case cases[] = {
        {7000, 61, 0, "outside the pipe"},   // below lo, clear peak
        {7000, 60, 0, ""},                   // below lo, weak peak: no message
        {9000, 80, 100, "outside the pipe"}, // above hi: whole length
    };
    for (const auto& c : cases) {
        locate(c.marker, 8192, c.q);
        EXPECT_EQ(p_.pos_status, pos_none) << c.marker;
        EXPECT_EQ(p_.dist_a_text, "xxx");
        EXPECT_EQ(p_.dist_b_text, "xxx");
        EXPECT_FLOAT_EQ(p_.dist_a, c.dist);
        EXPECT_FALSE(p_.labels_shown);
        EXPECT_EQ(status_, c.status) << c.marker << " q " << c.q;
    }
}

TEST_F(LeakPositionTest, PeakInAnEndZoneWinsOverTheMarker) {
    add_pipe(g_, 1, 2, {section(100, 1000)});
    ASSERT_TRUE(check4pipe(g_, p_, 1, 2));
    update_end_margin(g_, p_);
    EXPECT_EQ(p_.end_margin, 131); // 10 % of 1311
    // lo 7536: the zone is 7405 < peak < 7667 (strict), same around hi 8847.
    for (int peak : {7406, 7536, 7666, 8717, 8977}) {
        locate(8192, peak);
        EXPECT_EQ(p_.pos_status, pos_end_zone) << peak;
        EXPECT_EQ(p_.dist_a_text, "50.0m");
        EXPECT_EQ(status_, "maximum in an end zone");
        EXPECT_TRUE(p_.labels_shown);
    }
    for (int peak : {7405, 7667, 8716, 8978}) {
        locate(8192, peak);
        EXPECT_EQ(p_.pos_status, pos_inside) << peak;
    }
}

TEST_F(LeakPositionTest, UnmappableSectionsGiveNoPositionAndSayWhy) {
    struct Case {
        std::vector<Tsection> secs;
        int sample_rate;
        std::string reason;
    };
    const Case cases[] = {
        {{section(100, 1000), section(20, 0)}, 6554, "Section 2 has no sound velocity"},
        {{section(100, -5)}, 6554, "Section 1 has no sound velocity"},
        // 0.5 m at 1000 m/s: 0 ms travel time, empty stretch.
        {{section(0.5f, 1000), section(100, 1000)}, 6554, "Section 1 is too short"},
        {{section(100, 1000)}, 0, "Sample rate 0 Hz"},
        {{section(100, 1000)}, 9000000, "Sample rate 9000000 Hz"},
        {{section(3e38f, 200)}, 6554, "unusable length"},
    };
    for (const auto& c : cases) {
        g_ = GroupState{};
        g_.sample_rate = c.sample_rate;
        add_pipe(g_, 1, 2, c.secs);
        ASSERT_TRUE(check4pipe(g_, p_, 2, 1));
        for (int marker : {0, 7536, 8192, 8847, 16383}) {
            locate(marker, marker, 100);
            EXPECT_EQ(p_.pos_status, pos_none);
            EXPECT_EQ(p_.dist_a_text, "xxx");
            EXPECT_FLOAT_EQ(p_.dist_a, 0.0f);
            EXPECT_NE(status_.find(c.reason), std::string::npos) << status_;
        }
    }
    // Mended in the editor: the next refresh maps the pipe again.
    g_.sample_rate = 6554;
    g_.corr_log_set.pipes[1].pipe[1].length = 100;
    g_.corr_log_set.pipes[1].pipe[1].vel = 1000;
    pipeseclist_refresh(g_, p_);
    locate(8192, 8192);
    EXPECT_EQ(p_.pos_status, pos_inside);
    EXPECT_EQ(status_, "");
}

TEST_F(LeakPositionTest, NoPipeKeepsDistanceAndShowsXxx) {
    p_.dist_a = 12;
    locate(8192, 8192, 100);
    EXPECT_EQ(p_.pos_status, pos_none);
    EXPECT_EQ(p_.dist_a_text, "xxx");
    EXPECT_FLOAT_EQ(p_.dist_a, 12.0f);
    EXPECT_EQ(status_, ""); // no pipe set up: nothing to complain about
}

TEST_F(LeakPositionTest, Check4pipeFindsEitherOrderAndKeepsThePipesOrientation) {
    add_pipe(g_, 1, 2, {section(10, 1000)});
    add_pipe(g_, 4, 3, {section(20, 1000)});
    add_pipe(g_, 3, 4, {section(30, 1000)});
    for (auto [a, b] : {std::pair{3, 4}, std::pair{4, 3}}) {
        ASSERT_TRUE(check4pipe(g_, p_, a, b));
        EXPECT_EQ(g_.corr_log_set.actual_pipe, 2); // first in pipe order
        EXPECT_EQ(p_.pair_a, 4);
        EXPECT_EQ(p_.pair_b, 3);
        EXPECT_TRUE(p_.pipe_valid);
    }
    int a = 1, b = 3;
    EXPECT_FALSE(check4pipe(g_, p_, a, b));
    EXPECT_EQ(g_.corr_log_set.actual_pipe, 0);
    EXPECT_FALSE(p_.pipe_valid);
    EXPECT_EQ(find_pair_pipe(g_, p_, a, b), PipeKind::none);
    EXPECT_EQ(g_.corr_log_set.actual_pipe, 0);
    b = 2;
    a = 2, b = 1;
    EXPECT_EQ(find_pair_pipe(g_, p_, a, b), PipeKind::direct);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
}

TEST_F(LeakPositionTest, ChainReversesSectionsOfPipesRunAgainstIt) {
    // Loggers A = 1, X = 3, B = 2; pipes stored as (X, A) and (X, B).
    const int xa = add_pipe(g_, 3, 1, {section(10, 1000, "Steel"), section(20, 500, "PVC")});
    const int xb = add_pipe(g_, 3, 2, {section(30, 1200, "Cast iron"), section(40, 400, "PE")});
    int a = 1, b = 2;
    ASSERT_EQ(find_pair_pipe(g_, p_, a, b), PipeKind::chain);
    EXPECT_EQ(a, 1); // the pair keeps the order of the run
    EXPECT_EQ(b, 2);
    EXPECT_EQ(p_.chain_count, 2);
    EXPECT_EQ(p_.chain[1], xa);
    EXPECT_EQ(p_.chain[2], xb);
    const int spare = g_.corr_log_set.pipes_count + 1;
    ASSERT_EQ(g_.corr_log_set.actual_pipe, spare);
    const Ttotal_pipe& c = g_.corr_log_set.pipes[spare];
    EXPECT_EQ(c.multi_sec, 1);
    EXPECT_EQ(c.log1, 1);
    EXPECT_EQ(c.log2, 2);
    ASSERT_EQ(c.sections, 4);
    EXPECT_FLOAT_EQ(c.length, 100);
    const std::pair<float, int> expected[] = {{20, xa}, {10, xa}, {30, xb}, {40, xb}};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_FLOAT_EQ(c.pipe[k].length, expected[k - 1].first) << k;
        EXPECT_EQ(c.pipe[k].sec_inx, expected[k - 1].second) << k;
    }
    EXPECT_EQ(c.pipe[1].material, "PVC");
    EXPECT_TRUE(p_.pipe_valid);
    // Stretches follow the composite's order: 20 m at 500 m/s first.
    EXPECT_EQ(c.pipe[1].li, 0);
    EXPECT_EQ(c.pipe[2].li, c.pipe[1].len);
    EXPECT_EQ(g_.corr_log_set.pipes_count, 2); // the composite is not counted
}

TEST_F(LeakPositionTest, LongChainIsFoundBreadthFirstOverSeveralLoggers) {
    // 1-2, 2-3, 3-4, 4-5 and a side branch 2-6.
    add_pipe(g_, 1, 2, {section(10, 1000)});
    add_pipe(g_, 2, 6, {section(10, 1000)});
    add_pipe(g_, 3, 2, {section(10, 1000)});
    add_pipe(g_, 3, 4, {section(10, 1000)});
    add_pipe(g_, 5, 4, {section(10, 1000)});
    ASSERT_EQ(look4tree(g_, p_, 1, 5), 1);
    ASSERT_EQ(p_.chain_count, 4);
    EXPECT_EQ(p_.chain[1], 1);
    EXPECT_EQ(p_.chain[2], 3);
    EXPECT_EQ(p_.chain[3], 4);
    EXPECT_EQ(p_.chain[4], 5);
    EXPECT_EQ(look4tree(g_, p_, 1, 7), 0);
}

TEST_F(LeakPositionTest, ChainsBeyondTheRecordsAreRefused) {
    // Three pipes of four sections: twelve sections in the chain 1-2-3-4.
    std::vector<Tsection> four(4, section(10, 1000));
    add_pipe(g_, 1, 2, four);
    add_pipe(g_, 2, 3, four);
    add_pipe(g_, 3, 4, four);
    int a = 1, b = 4;
    EXPECT_EQ(find_pair_pipe(g_, p_, a, b), PipeKind::none);
    EXPECT_EQ(g_.corr_log_set.actual_pipe, 0);
    EXPECT_FALSE(p_.pipe_valid);
    EXPECT_EQ(g_.corr_log_set.pipes[4].sections, 0);
    locate(8192, 8192, 100);
    EXPECT_EQ(p_.dist_a_text, "xxx");
    EXPECT_NE(status_.find("12 sections"), std::string::npos) << status_;

    // A star of seven pipes around logger 1 fills the eight paths before the
    // search reaches logger 8 behind logger 7.
    g_ = GroupState{};
    for (int x = 2; x <= 7; ++x)
        add_pipe(g_, 1, x, {section(10, 1000)});
    add_pipe(g_, 2, 3, {section(10, 1000)});
    add_pipe(g_, 7, 8, {section(10, 1000)});
    a = 1, b = 8;
    EXPECT_EQ(find_pair_pipe(g_, p_, a, b), PipeKind::none);
    locate(8192, 8192, 100);
    EXPECT_NE(status_.find("more than 8 search paths"), std::string::npos) << status_;
    // The next pair starts afresh.
    a = 1, b = 2;
    EXPECT_EQ(find_pair_pipe(g_, p_, a, b), PipeKind::direct);
    locate(8192, 8192, 100);
    EXPECT_EQ(status_, "");
}

TEST_F(LeakPositionTest, DeletePipeMovesLaterPipesDownAndClearsTheFreedSlot) {
    add_pipe(g_, 1, 2, {section(10, 1000)});
    add_pipe(g_, 2, 3, {section(20, 1000)});
    add_pipe(g_, 3, 4, {section(30, 1000)});
    // No group folder: storing is skipped, the model still changes.
    EXPECT_EQ(delete_pipe(g_, p_, 3, "/nonexistent/"), SaveResult::skipped);
    auto& set = g_.corr_log_set;
    EXPECT_EQ(set.pipes_count, 2);
    EXPECT_EQ(set.actual_pipe, 2);
    EXPECT_FLOAT_EQ(set.pipes[2].length, 20);
    EXPECT_FLOAT_EQ(set.pipes[3].length, 0);
    EXPECT_EQ(set.pipes[3].log1, 0);
    EXPECT_EQ(set.pipes[3].log2, 0);
    EXPECT_EQ(set.pipes[3].sections, 0);

    delete_pipe(g_, p_, 1, "/nonexistent/");
    EXPECT_EQ(set.pipes_count, 1);
    EXPECT_EQ(set.pipes[1].log1, 2);
    EXPECT_EQ(set.pipes[1].log2, 3);
    EXPECT_EQ(set.pipes[2].sections, 0);

    delete_pipe(g_, p_, 0, "/nonexistent/");
    delete_pipe(g_, p_, 5, "/nonexistent/");
    EXPECT_EQ(set.pipes_count, 1);
}

TEST_F(LeakPositionTest, DeletePipeStoresTheGroup) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("pelquor_delete_pipe_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "site");
    g_.corr_log_set.tree_path = "site";
    g_.group_not_loaded = false;
    add_pipe(g_, 1, 2, {section(10, 1000)});
    add_pipe(g_, 2, 3, {section(20, 1000)});
    EXPECT_EQ(delete_pipe(g_, p_, 1, dir.string() + "/"), SaveResult::written);
    GroupState back;
    parse_corr_grp_ini(back, (dir / "site" / "corr_grp.ini").string());
    EXPECT_EQ(back.corr_log_set.pipes_count, 1);
    EXPECT_EQ(back.corr_log_set.pipes[1].log1, 2);
    std::filesystem::remove_all(dir);
}

TEST_F(LeakPositionTest, SectionListShowsTheCurrentPipe) {
    Tmat_table table;
    table.num_mat = 2;
    table.mat[1].mat_name = "Cast iron";
    table.mat[2].mat_name = "Steel";
    Tsection manual = section(12.34f, 900, " ", " ");
    manual.man = true;
    add_pipe(g_, 1, 2, {section(100, 1000, "Steel", "150"), manual});
    EXPECT_FALSE(section_list(g_, p_, table, units_, texts_).visible);
    ASSERT_TRUE(check4pipe(g_, p_, 1, 2));
    SectionList list = section_list(g_, p_, table, units_, texts_);
    ASSERT_TRUE(list.visible);
    ASSERT_EQ(list.columns.size(), 2u);
    EXPECT_EQ(list.columns[0].heading, "Section 1");
    EXPECT_EQ(list.columns[0].length, "100.0m");
    EXPECT_EQ(list.columns[0].diameter, "DN150mm");
    EXPECT_EQ(list.columns[0].material, "Steel");
    EXPECT_EQ(list.columns[0].velocity, "1000m/s");
    EXPECT_EQ(list.columns[0].material_number, 2);
    EXPECT_EQ(list.columns[1].length, "12.3m");
    EXPECT_EQ(list.columns[1].diameter, " ");
    EXPECT_EQ(list.columns[1].material_number, 0);
    EXPECT_EQ(list.total, "Total: 112.3");
}

} // namespace

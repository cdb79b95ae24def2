// The band commands over the current pair or all pairs: the filter analysis
// over ten bands and the filter optimisation over ten bands and both
// correlation methods. Computes only; the panels draw from the results.
#pragma once

#include "analysis/all_pairs.h"
#include "analysis/peak.h"
#include "shell/seams.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace pelquor {

// Language texts of the optimisation's closing message.
constexpr int text_optimisation_done = 112;
constexpr int text_optimisation_no_green = 113;

struct FilterBandResult {
    Band band;
    bool correlated = false;
    float q = 0;
    double delay_ms = 0;
    std::string label; // li + " - " + re + "Hz, " + delay + "ms"
};

struct FilterAnalysis {
    BandEdges edges{};
    std::array<FilterBandResult, 11> bands{}; // 1 .. 10
    int best = 0;                             // first band with the largest q > 0; 0 none
};

// Correlates the current pair (cur_log1, cur_log2) in the ten analysis bands
// (band 10 from the pipe's velocity), q into q_list[1 .. 10]. Leaves the band
// of the last one (the velocity band) set and q_slot 0. Nothing is done
// without a current pair.
FilterAnalysis analysis_corr(RunEnv& env);

// What the window does around a run: saving the group after a method or band
// change, and reloading it before each correlate-all. Both may be empty.
struct BandHooks {
    std::function<void()> save_group;
    std::function<void()> reload_group;
};

// A click on small plot i of the filter analysis: band i of edges (10: the
// velocity band; other numbers e1 .. e5), saved, and the current pair
// correlated again.
CorrelationResult klein1Click(RunEnv& env, int i, const BandEdges& edges, const BandHooks& hooks);

// Selecting a correlation method: a change stores c_mode, saves and runs
// every pair again; selecting the method in effect does nothing. True when
// it ran. The shift message of the run goes to *shift_message.
bool select_method(RunEnv& env, int c_mode, const BandHooks& hooks,
                   std::string* shift_message = nullptr);

struct OptimisationStep {
    int band = 0;   // 1 .. 10
    int method = 0; // c_mode of the run counted
    Band limits;
    QfCounts counts;
};

struct Optimisation {
    BandEdges edges{};
    std::vector<OptimisationStep> steps; // twenty, in the order run
    int best_green = 0;
    int32_t best_li = 0;
    int32_t best_re = 0;
    int best_method = 0;
    std::string message;       // language text 112, or 113 without a green pair
    std::string shift_message; // of the final run
};

// Ten bands, each with "MBC" and "ABC"; keeps the combination with the most
// green pairs (ties keep the first). Afterwards the best band and method are
// in effect and their run's results fill corr_comb; without any green pair
// the last combination stays (band e4 - e5, "ABC").
Optimisation filter_optimisation(RunEnv& env, Progress& progress, const BandHooks& hooks);

} // namespace pelquor

// Runs over all logger pairs of the open group: the pipe of each pair, its
// correlation, delay, leak position and quality class into corr_comb, and
// the views of one pair. Computes only; the views draw from the results.
#pragma once

#include "analysis/correlation.h"
#include "analysis/peak.h"
#include "groups/group_model.h"
#include "pipes/leak_position.h"
#include "pipes/material_table.h"
#include "shell/language.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace pelquor {

// Language text appended to the pairs whose clock-drift shift was cut.
constexpr int text_shift_clamped = 232;

// What one pair of a run did besides its corr_comb record.
struct PairRun {
    int32_t log1 = 0; // logger A as correlated
    int32_t log2 = 0;
    PipeKind pipe = PipeKind::none;
    bool correlated = false;
    int blocks_used = 0;
    int32_t peak_index = 0;
    float q = 0;
    int32_t pos_status = pos_none;
    bool shift_clamped = false;
};

struct AllPairsState {
    int corr_index = 1; // next result; P + 1 after P pairs
    int32_t cur_log1 = 0;
    int32_t cur_log2 = 0;
    std::string shift_warning;
    bool background_run = false;
    bool results_shown = false;
    std::array<PairRun, max_pairs + 1> runs{}; // beside corr_comb[1 .. corr_index - 1]
};

// The state objects a run works on.
struct RunEnv {
    GroupState& g;
    CorrelationState& cs;
    PipeState& p;
    AllPairsState& run;
    const UnitState& units;
    const LangTexts& texts;
    std::string group_folder; // data folder + tree_path + '/'
    bool imperial = false;    // m_unit 1: the velocity band converts ft/s
    // Called after each pair of a run is stored, with cs holding that pair's
    // correlation (the spectra arrays hold the run's last pair only), so a
    // view can draw the pair's small picture.
    std::function<void(int corr_inx)> on_pair{};
};

// The leak position the drawing of a correlation computes: pair_q, the end
// zones of the current pipe, then calc_distance at marker_index (may set
// cs.status_text). Returns pair_q.
float pair_position(RunEnv& env);

// Correlates one pair (log1 = A) into result corr_inx.
void allblock_logger_korr(RunEnv& env, int32_t log1, int32_t log2, int corr_inx);

// All pairs (1,2), (1,3) .. (N-1,N); each pair is ordered as its pipe is
// stored. The blocks of all pairs are correlated together: each recording
// window is read and transformed once per run, and two cross spectra share
// one back transform; the sums equal the pair-by-pair correlation up to the
// rounding of single floats. Returns the message of the cut clock-drift shifts
// (shift_warning + " " + language text 232), empty when there were none.
std::string corr_allblock_loggers(RunEnv& env);

// The correlate-all command without its window parts: clears the results
// and runs all pairs. Returns the shift message as above.
std::string correlate_all(RunEnv& env);

// Result numbers as the results list shows them: qf 3, then 2, then 1, each
// in result order; qf 0 gets no row.
std::vector<int> results_order(const GroupState& g, int corr_index);

struct ResultRow {
    int result = 0; // tag of the LED and of the correlation button
    int qf = 0;     // LED image 0 green, 1 yellow, 2 red
    std::string text;
};
std::vector<ResultRow> setup_EP_corr_results(const GroupState& g, int corr_index);

// One pair shown in the main plots.
struct PairPanel {
    std::string la, lb;                        // ID + ": " + comment
    std::array<std::string, 3> memo_a, memo_b; // ESA, level, frequency lines
    Tcolor color_a = 0, color_b = 0;
    CorrelationResult result;
    float pair_q = 0;
    std::string shift_message; // non-empty: the error box after the pair
};
// correlate2loggers: the pair keeps the order given.
PairPanel correlate2loggers(RunEnv& env, int32_t log1, int32_t log2);
PairPanel logger_korr(RunEnv& env, int32_t log1, int32_t log2);

// The ten single-block correlations of a pair.
struct SingleBlock {
    bool correlated = false;
    int32_t peak_index = 0;
    double delay_ms = 0;
    float q = 0;
    int qf = 0;
    std::string delay_text; // decimal_correct(delay) + "ms"
    std::string label;      // s + ": " + block time, or empty
};
std::array<SingleBlock, max_blocks + 1> corr_all_single(RunEnv& env, int32_t log1, int32_t log2);

// Label of single block s: the block's recording time for meas_mode 1 and 2.
std::string single_block_label(const GroupState& g, int s);

} // namespace pelquor

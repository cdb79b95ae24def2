// Pipe sections on the lag axis of the correlation, the leak position on the
// current pipe, and finding or composing the pipe between two loggers.
#pragma once

#include "groups/group_file.h"
#include "groups/group_model.h"
#include "pipes/material_table.h"
#include "shell/language.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pelquor {

// Language texts: "position outside the pipe", "maximum in an end zone",
// section list heading, total length.
constexpr int text_outside_pipe = 36;
constexpr int text_end_zone = 102;
constexpr int text_section = 34;
constexpr int text_total_length = 67;

constexpr int max_paths = 8;
constexpr int max_path_loggers = 8;

enum PosStatus : int32_t { pos_inside = 0, pos_none = -1, pos_end_zone = -2 };

// Leak-location state of the current pair.
struct PipeState {
    int32_t fft_len = 16384;
    int32_t fft_half = 8192;
    int32_t pipe_span = 0; // sum of the sections' stretches
    int32_t pipe_lo = 0;   // lag of end A
    int32_t end_margin = 0;
    int32_t tolerance = 10; // percent of pipe_span on either side of each end
    float dist_a = 0;
    std::string dist_a_text;
    std::string dist_b_text;
    int32_t pos_status = pos_none;
    bool pipe_valid = false;
    // The distance and delay labels are shown (position inside or end zone).
    bool labels_shown = false;
    // Set while one pair is being correlated; the editor reads it.
    bool pair_running = false;
    // Orientation of the pair as the pipe check4pipe found stores it.
    int32_t pair_a = 0;
    int32_t pair_b = 0;
    // Chain of ordinary pipes from look4tree, chain[1..chain_count].
    std::array<int32_t, max_path_loggers> chain{};
    int32_t chain_count = 0;
    // Why the current pipe (or chain) gives no position; empty when it can.
    std::string pipe_fault;
    // The stretches of the current pipe could be computed.
    bool mappable = false;
};

// "%.1f"
std::string decimal_correct(double value);

// First half of pipeseclist_refresh: the lag stretches (li, len) of the
// current pipe's sections, pipe_span and pipe_lo. A section without velocity
// or with an empty stretch cannot be mapped: the pipe then gives no position
// and pipe_fault says why.
void pipeseclist_refresh(GroupState& g, PipeState& p);

// Distance from end A for a lag; sets pos_status (end zones are tested on
// peak_index, the correlation's maximum).
float get_distance_A(const GroupState& g, PipeState& p, int32_t pos, int32_t peak_index);

// Leak position for marker_index: dist_a and both texts ("xxx" without a
// position); may set status_text (language text 36, 102, or the reason the
// pipe cannot be mapped). pair_q is the quality of the correlation drawn.
void calc_distance(const GroupState& g, PipeState& p, const UnitState& units,
                   const LangTexts& texts, int32_t marker_index, int32_t peak_index, float pair_q,
                   std::string& status_text);

// end_margin of the current pipe: tolerance percent of its stretch sum.
void update_end_margin(const GroupState& g, PipeState& p);

// Makes the ordinary pipe joining the two loggers (either order, first in
// pipe order) the current pipe; pair_a/pair_b then follow its own order.
bool check4pipe(GroupState& g, PipeState& p, int32_t log1, int32_t log2);

// Breadth-first search for a chain of ordinary pipes from log1 to log2, each
// pipe used once; 1 when found (chain filled), 0 otherwise. A search that
// needs more than eight paths is refused (pipe_fault says so).
int look4tree(GroupState& g, PipeState& p, int32_t log1, int32_t log2);

// Composite pipe in slot actual_pipe (set up by the caller with log1, log2)
// from the chain: sections of pipes run against the chain are reversed,
// sec_inx names the source pipe. A chain of more than ten sections is refused:
// actual_pipe 0, pipe_valid false, pipe_fault says so, result false.
bool create_new_multi_pipe(GroupState& g, PipeState& p);

// The pipe lookup of a pair: direct pipe, else composite of a chain, else
// none. a/b come back as the order the pair is correlated in.
enum class PipeKind { direct, chain, none };
PipeKind find_pair_pipe(GroupState& g, PipeState& p, int32_t& a, int32_t& b);

// Removes ordinary pipe inx (inx >= 1) and stores the group.
SaveResult delete_pipe(GroupState& g, PipeState& p, int32_t inx, const std::string& data_folder,
                       std::string* error = nullptr);

// One column of the section list.
struct SectionColumn {
    std::string heading; // language text 34 + " " + number
    std::string length;
    std::string diameter;
    std::string material;
    std::string velocity;
    int32_t material_number = 0; // colour of the heading; 0 = mat_center
};
struct SectionList {
    bool visible = false;
    std::vector<SectionColumn> columns;
    std::string total; // language text 67 + ": " + length, when pipe_valid
};
SectionList section_list(const GroupState& g, const PipeState& p, const Tmat_table& table,
                         const UnitState& units, const LangTexts& texts);

// The current pipe, or nullptr when actual_pipe names no slot.
const Ttotal_pipe* current_pipe(const GroupState& g);

} // namespace pelquor

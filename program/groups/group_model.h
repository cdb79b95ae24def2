// The measurement group: up to eight loggers, the pipes between them, the
// schedule and radio settings, and the pair results. Slot numbers are 1-based
// everywhere; arrays are one larger so that index 0 is never used.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pelquor {

constexpr int max_loggers = 8;
constexpr int max_pipes = 28;
constexpr int max_sections = 10;
constexpr int max_blocks = 10;
constexpr int max_pairs = 28;

// 0x00BBGGRR
using Tcolor = uint32_t;
constexpr Tcolor rgb(int r, int g, int b) {
    return static_cast<Tcolor>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}
constexpr Tcolor color_grey = rgb(128, 128, 128);
constexpr Tcolor color_silver = rgb(192, 192, 192);

constexpr int family_corr = 104;
constexpr int family_vellmar = 112;

struct Taudio_block {
    int32_t level = 0; // dB; 60 when the block's recording is missing
};

struct Tcorr_log {
    int32_t ID = 0; // 0 marks an empty slot
    std::string comment;
    std::string file_name;
    uint16_t timer = 0;
    uint32_t read_time = 0;
    int32_t min_level = 0;
    int32_t min_frequency = 0;
    int32_t min_esa = 0;
    Tcolor min_color = color_grey;
    int32_t level = 0;
    int32_t frequency = 0;
    int32_t esa = 0;
    int32_t lowest_block = 0;
    Tcolor color = color_grey;
    std::string longitude;
    int32_t x_c = 0;
    std::string latitude;
    int32_t y_c = 0;
    std::array<Taudio_block, max_blocks + 1> audio_block{};

    bool has_position() const { return !longitude.empty() && !latitude.empty(); }
};

struct Tsection {
    float length = 0;
    std::string diameter;
    std::string material;
    int32_t vel = 0;
    bool man = false;
    int32_t li = 0;
    int32_t len = 0;
    int32_t sec_inx = 0;
};

struct Tactive_pair {
    int32_t x_c = 0;
    int32_t y_c = 0;
};

struct Ttotal_pipe {
    std::array<Tsection, max_sections + 1> pipe{};
    float length = 0;
    int32_t log1 = 0;
    int32_t log2 = 0;
    int32_t sections = 0;
    Tactive_pair active_area;
    bool used = false;
    int32_t multi_sec = 0;
};

struct Tcorr_log_set {
    std::array<Tcorr_log, max_loggers + 1> corr_log{};
    // One spare slot past 28 for the composite pipe of a chain.
    std::array<Ttotal_pipe, max_pipes + 2> pipes{};
    int32_t pipes_count = 0;
    int32_t actual_pipe = 0;
    std::string picture_name;
    std::string comment;
    uint32_t sync_time = 0;
    uint32_t read_time = 0;
    int32_t start = 2;
    int32_t stop = 4;
    std::string tree_path;
    int32_t count = 0;
    int32_t akt_block = 0;
    int32_t meas_delta = 60;
    int32_t meas_mode = 0;
    uint8_t blocks = 10;
    int32_t interval = 30;
    uint8_t radio_on = 0;
    uint8_t radio_off = 0;
    uint8_t radio_days = 0;
    std::string map_north, map_south, map_west, map_east;
    int32_t range_mode = 0;
    int32_t c_mode = 1;
    int32_t dev_type = family_corr;
};

struct Tcorr_comb {
    int32_t lo1_index = 0;
    int32_t lo2_index = 0;
    float dt = 0;
    float total_distance = 0;
    float distance_a = 0;
    std::string distance_a_string = "0";
    int32_t qf = 0;
};

struct Tcorr_std_grp {
    std::string comment;
    int32_t start = 2;
    int32_t stop = 4;
    std::array<Tcorr_log, max_loggers + 1> corr_log{};
    int32_t count = 0;
    int32_t dev_type = family_corr;
};

// The open group and the values that travel with it. Owned by the main window
// (or the command-line tool); core functions take it by reference.
struct GroupState {
    Tcorr_log_set corr_log_set;
    std::array<Tcorr_comb, max_pairs + 1> corr_comb{};
    Tcorr_std_grp corr_std_grp;
    int32_t sample_rate = 6554;
    bool group_not_loaded = true;
    bool first_group_pending = false;
    bool reading_group_file = false;
    int32_t prog_state = 1;
    // Band of the correlation filter, Hz (kept in the group file).
    int32_t filter1_li = 180;
    int32_t filter1_re = 3277;
    // Items the group page's selectors show. A load that changes the range
    // selector acts like a click on it.
    int32_t rg_range_item = 0;
    // Notes memo of the group page, one entry per line.
    std::string notes;
};

// Sample rate of a recording range: Trunc(6554 / 2^range_mode).
int32_t sample_rate_of_range(int32_t range_mode);

// Pair k (1-based) of n loggers in the order (1,2), (1,3), .. (n-1,n).
struct PairSlots {
    int a = 0;
    int b = 0;
};
PairSlots pair_slots(int n, int k);
int pair_count(int n);

void corr_log_set_init(GroupState& g);
void reset_logger_model(GroupState& g); // the model half of reset_logger_page
void reset_correlations(GroupState& g);
void init_pipes(GroupState& g);
std::string get_logger_comment(const GroupState& g, int32_t id);

} // namespace pelquor

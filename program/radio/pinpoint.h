// Pinpoint live mode: the loggers are asked in turn for the level they hear
// now; each keeps its lowest reading, and a marker points at the logger whose
// lowest reading gives the highest ESA. The panel draws PinpointState.
#pragma once

#include "analysis/esa.h"
#include "radio/radio_link.h"

#include <array>
#include <string>

namespace pelquor {

// What the panel shows for one logger after a tick.
struct PinpointView {
    std::string text;   // min_esa " ESA", min_level " dB", min_frequency " Hz"
    int bar_height = 1; // SH_n, silver
    int bar_top = 250;
    int min_height = 1; // SHmin_n, in min_color
    int min_top = 250;
    Tcolor min_color = color_grey;
    bool bar_visible = true;
};

struct PinpointState {
    int pinpoint_pos = 1;
    int pinpoint_ticks_left = 0;
    int pinpoint_gauge_step = 0;
    int gauge = 1;
    bool gauge_visible = true;
    bool marker_visible = false; // Shape1
    int marker_slot = 1;         // logger whose box the marker points at
    bool running = false;
    std::array<PinpointView, max_loggers + 1> view{};
};

void init_pinpoint_values(GroupState& g);
// One request to logger n; its last and minimum values in the group follow.
void read_pinpoint_level(RadioContext& ctx, int n);
// Starts the mode (presence check first, text 247 when missing).
bool start_pinpoint(RadioContext& ctx, PinpointState& ps, int ticks = 90);
// One timer tick; false once the mode has ended.
bool pinpoint_tick(RadioContext& ctx, PinpointState& ps);
// The panel was closed: stop and close the interface.
void stop_pinpoint(RadioContext& ctx, PinpointState& ps);

} // namespace pelquor

#include "radio/pinpoint.h"

#include <cstring>

namespace pelquor {

void init_pinpoint_values(GroupState& g) {
    auto& s = g.corr_log_set;
    for (int n = 1; n <= s.count && n <= max_loggers; ++n) {
        auto& l = s.corr_log[n];
        l.min_level = 60;
        l.min_frequency = 2500;
        l.min_esa = 100;
        l.min_color = color_grey;
        l.level = 60;
        l.frequency = 2500;
        l.esa = 100;
    }
}

void read_pinpoint_level(RadioContext& ctx, int n) {
    auto& s = ctx.group.corr_log_set;
    if (n < 1 || n > max_loggers)
        return;
    auto& l = s.corr_log[n];
    radio_open(ctx);
    std::memset(ctx.radio.rx_frame.data(), 0, 61);
    uint32_t address = logger_address(s.dev_type, l.ID);
    radio_send(ctx, pinpoint_request(address, l.frequency == 2500 ? wake_first : wake_next));
    uint32_t received = radio_read(ctx, ctx.radio.limits.reply_ms, 61);
    PinpointReply p;
    if (parse_pinpoint_reply(ctx.radio.rx_frame.data(), received, address, p)) {
        l.level = p.level;
        l.frequency = p.frequency;
        l.esa = calc_esa(l.level, l.frequency);
        l.color = get_color_log(1200, l.frequency);
        if (l.level < l.min_level) {
            l.min_level = l.level;
            l.min_frequency = l.frequency;
            l.min_esa = l.esa;
            l.min_color = l.color;
        }
    } else {
        l.color = color_silver;
    }
    radio_close(ctx);
}

bool start_pinpoint(RadioContext& ctx, PinpointState& ps, int ticks) {
    auto& s = ctx.group.corr_log_set;
    if (ctx.hooks.close_single_panel)
        ctx.hooks.close_single_panel();
    if (check_radio_interface(ctx) != 0) {
        ctx.dialogs.message(ctx.text(247));
        return false;
    }
    int count = s.count < max_loggers ? s.count : max_loggers;
    if (count < 1)
        return false;
    ps = PinpointState{};
    ps.gauge = 1;
    ps.gauge_visible = true;
    ps.marker_visible = false;
    ps.pinpoint_gauge_step = 100 / (2 * count);
    ps.pinpoint_pos = 1;
    init_pinpoint_values(ctx.group);
    ps.pinpoint_ticks_left = ticks;
    ps.running = ticks > 0;
    return ps.running;
}

bool pinpoint_tick(RadioContext& ctx, PinpointState& ps) {
    auto& s = ctx.group.corr_log_set;
    int count = s.count < max_loggers ? s.count : max_loggers;
    if (!ps.running || count < 1)
        return false;
    read_pinpoint_level(ctx, ps.pinpoint_pos);
    ps.pinpoint_pos = ps.pinpoint_pos >= count ? 1 : ps.pinpoint_pos + 1;
    if (ps.gauge >= 100) {
        ps.gauge_visible = false;
        ps.marker_visible = !ps.marker_visible;
    } else {
        ps.gauge += ps.pinpoint_gauge_step;
    }
    int n = ps.pinpoint_pos;
    const auto& l = s.corr_log[n];
    auto& v = ps.view[static_cast<size_t>(n)];
    v.text = std::to_string(l.min_esa) + " ESA\n" + std::to_string(l.min_level) + " dB\n" +
             std::to_string(l.min_frequency) + " Hz";
    v.bar_height = static_cast<int>(l.level / 60.0 * 184);
    v.bar_top = 186 - v.bar_height;
    v.min_color = l.min_color;
    v.min_height = static_cast<int>(l.min_level / 60.0 * 184);
    v.min_top = 186 - v.min_height;
    v.bar_visible = true;
    int best = 1;
    for (int k = 2; k <= count; ++k)
        if (s.corr_log[k].min_esa > s.corr_log[best].min_esa)
            best = k;
    ps.marker_slot = best;
    if (--ps.pinpoint_ticks_left <= 0) {
        ps.running = false;
        for (int k = 1; k <= count; ++k)
            ps.view[static_cast<size_t>(k)].bar_visible = false;
        ctx.progress.show_easy_guide(0, ctx.text(416));
    }
    return ps.running;
}

void stop_pinpoint(RadioContext& ctx, PinpointState& ps) {
    ps.running = false;
    radio_close(ctx);
}

} // namespace pelquor

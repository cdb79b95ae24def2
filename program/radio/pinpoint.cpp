#include "radio/pinpoint.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pelquor {

int32_t calc_esa(int32_t level, int32_t frequency) {
    if (frequency <= 0)
        return 0;
    float a = std::log10(static_cast<float>(frequency)) * static_cast<float>(level) * 2.0f / 3.0f;
    if (a > 100.0f)
        a = 100.0f;
    if (a < 1.0f)
        a = 1.0f;
    return static_cast<int32_t>(a);
}

namespace {

// a * b / c rounded to nearest, halves away from zero, 64-bit intermediate.
int64_t mul_div(int64_t a, int64_t b, int64_t c) {
    int64_t num = a * b;
    int64_t q = (std::llabs(num) + c / 2) / c;
    return num < 0 ? -q : q;
}

Tcolor blend(Tcolor from, Tcolor to, int64_t t) {
    Tcolor out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int64_t s = (from >> shift) & 0xFF;
        int64_t e = (to >> shift) & 0xFF;
        int64_t v = s + mul_div(t, e - s, 254);
        out |= static_cast<Tcolor>(v & 0xFF) << shift;
    }
    return out;
}

} // namespace

Tcolor get_color_log(int32_t max, int32_t val) {
    if (max == 0)
        return 0xFF0000;
    constexpr Tcolor blue = 0xFF0000, red = 0x0000FF, yellow = 0x00FFFF;
    double half = max / 2.0;
    if (val < half) {
        auto t = static_cast<int64_t>(val * 2.0 / max * 255.0);
        return blend(blue, red, t);
    }
    auto t = static_cast<int64_t>((val - half) / max * 2.0 * 255.0);
    return blend(red, yellow, t);
}

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

#include "radio/logger_ops.h"

#include "groups/group_file.h"
#include "radio/download.h"
#include "shell/ini_file.h"

#include <cstring>

namespace pelquor {

namespace {

std::string str(long long v) {
    return std::to_string(v);
}

void save(RadioContext& ctx) {
    if (ctx.hooks.save_group)
        ctx.hooks.save_group();
}

void close_single(RadioContext& ctx) {
    if (ctx.hooks.close_single_panel)
        ctx.hooks.close_single_panel();
}

bool interface_present(RadioContext& ctx) {
    if (check_radio_interface(ctx) == 0)
        return true;
    ctx.dialogs.message(ctx.text(247));
    return false;
}

} // namespace

std::array<int32_t, 8> group_id_slots(const GroupState& g) {
    std::array<int32_t, 8> ids{};
    const auto& s = g.corr_log_set;
    for (int k = 1; k <= 8; ++k)
        ids[static_cast<size_t>(k - 1)] = k <= s.count ? s.corr_log[k].ID : 0;
    return ids;
}

std::vector<std::string> read_logger_config(RadioContext& ctx, bool family_corr_chosen,
                                            const std::string& id_text) {
    if (check_radio_interface(ctx) != 0)
        return {};
    ctx.radio.single_dev_type = family_corr_chosen ? family_corr : family_vellmar;
    if (ctx.hooks.status_clear)
        ctx.hooks.status_clear();
    long long id = 0;
    if (!parse_int(id_text, id) || id < 0 || id > 0xFFFF)
        return {};
    return read_logger_status(ctx, static_cast<int32_t>(id));
}

std::vector<std::string> read_logger_status(RadioContext& ctx, int32_t id) {
    std::vector<std::string> lines;
    auto emit = [&](const std::string& l) {
        lines.push_back(l);
        if (ctx.hooks.status_line)
            ctx.hooks.status_line(l);
    };
    radio_open(ctx);
    uint32_t address = logger_address(ctx.radio.single_dev_type, id);
    emit("Communication in progress...");
    radio_send(ctx, status_request(address));
    uint32_t received = radio_read(ctx, ctx.radio.limits.reply_ms);
    auto status = status_lines(ctx.radio.rx_frame.data(), received, address, id, ctx.texts);
    if (status.empty())
        emit("No communication to ID " + str(id));
    for (const auto& l : status)
        emit(l);
    radio_close(ctx);
    return lines;
}

bool program_logger(RadioContext& ctx, int32_t id, const ProgramParams& params) {
    radio_open(ctx);
    Frame f = program_command(logger_address(ctx.group.corr_log_set.dev_type, id), params);
    bool ok = send_until_answered(ctx, f, ctx.radio.limits.reply_ms, 3, 61);
    radio_close(ctx);
    return ok;
}

void prog_corr_log_set(RadioContext& ctx) {
    auto& s = ctx.group.corr_log_set;
    ctx.progress.show_easy_guide(8, ctx.text(211) + "...");
    int count = s.count;
    for (int n = 1; n <= count && n <= max_loggers; ++n) {
        s.radio_days = day_mask(day_of_week(ctx.clock.local_now()));
        ProgramParams p;
        p.radio_on = s.radio_on;
        p.radio_off = s.radio_off;
        p.day_mask = s.radio_days;
        p.start = s.start;
        p.stop = s.stop;
        p.position = n;
        p.meas_mode = s.meas_mode;
        p.blocks = s.blocks;
        p.interval = s.interval;
        p.time = ctx.clock.local_now();
        p.meas_delta = s.meas_delta;
        p.range_mode = s.range_mode;
        int32_t id = s.corr_log[n].ID;
        std::string head = str(id) + ": " + str(n) + "/" + str(count) + " ";
        if (program_logger(ctx, id, p)) {
            int pos = static_cast<int>(100.0 / count * n) - 5;
            ctx.progress.show_easy_guide(pos, head + ctx.text(45));
        } else {
            ctx.progress.show_easy_guide(0, head + ctx.text(426));
            ctx.radio.prog_failed = true;
            break;
        }
    }
    // The day mask is part of the group.
    save(ctx);
}

bool sync_loggers(RadioContext& ctx, int count, const std::array<int32_t, 8>& ids, uint32_t time) {
    auto& r = ctx.radio;
    if (count > max_loggers)
        count = max_loggers;
    for (auto& rep : r.sync_replies)
        rep.fill(0);
    r.sync_ids.fill(0);
    std::memset(r.rx_frame.data(), 0, 61);
    radio_open(ctx);
    int prefix = ctx.group.corr_log_set.dev_type;
    radio_send(ctx, sync_command(prefix, ids, count, time));
    std::memset(r.rx_frame.data(), 0, 51);
    for (int k = 1; k <= count; ++k) {
        uint32_t received = radio_read(ctx, r.limits.reply_ms, 16);
        if (received > 0)
            std::memcpy(r.sync_replies[k].data(), &r.rx_frame[1], 12);
    }
    radio_send(ctx, interface_message(kind_iface_stop, iface_end));
    bool ok = true;
    for (int k = 1; k <= count; ++k) {
        // Bytes 3..5 of the reply are bytes 2..4 of the stored copy.
        uint32_t address = get_u24(&r.sync_replies[k][2]);
        if (address != logger_address(prefix, ids[static_cast<size_t>(k - 1)]))
            ok = false;
        r.sync_ids[k] = static_cast<int32_t>(address & 0x7FFFF);
    }
    radio_close(ctx);
    return ok;
}

bool sync_corr_log_set(RadioContext& ctx) {
    auto& s = ctx.group.corr_log_set;
    auto ids = group_id_slots(ctx.group);
    uint32_t time = ctx.clock.local_now();
    s.sync_time = time;
    save(ctx);
    for (int a = 1; a <= 3; ++a) {
        ctx.progress.show_easy_guide(0, ctx.text(427) + " #" + str(a));
        if (sync_loggers(ctx, s.count, ids, time)) {
            ctx.progress.show_easy_guide(100, ctx.text(424));
            return true;
        }
    }
    // Only the group's own loggers can be missing: empty slots carry no ID.
    std::string list;
    int count = s.count < max_loggers ? s.count : max_loggers;
    for (int k = 1; k <= count; ++k) {
        bool heard = false;
        for (int j = 1; j <= count; ++j)
            heard |= ctx.radio.sync_ids[j] == ids[static_cast<size_t>(k - 1)];
        if (!heard)
            list += " ID" + str(ids[static_cast<size_t>(k - 1)]);
    }
    ctx.progress.show_easy_guide(0, ctx.text(426) + ": " + list);
    return false;
}

bool read_logger_timers(RadioContext& ctx, int count, const std::array<int32_t, 8>& ids) {
    auto& r = ctx.radio;
    auto& g = ctx.group;
    auto& s = g.corr_log_set;
    if (count > max_loggers)
        count = max_loggers;
    std::memset(r.rx_frame.data(), 0, 61);
    radio_open(ctx);
    int prefix = s.dev_type;
    radio_send(ctx, timer_command(prefix, ids, count));
    bool ok = true;
    for (int k = 1; k <= count && ok; ++k) {
        uint32_t received = radio_read(ctx, r.limits.reply_ms, 51);
        TimerReply t;
        uint32_t address = logger_address(prefix, ids[static_cast<size_t>(k - 1)]);
        if (!parse_timer_reply(r.rx_frame.data(), received, address, t)) {
            ok = false;
            break;
        }
        s.corr_log[k].timer = t.timer;
        s.range_mode = t.range_mode;
        g.sample_rate = sample_rate_of_range(s.range_mode);
        int item = s.range_mode / 2;
        if (item != g.rg_range_item) {
            // The selector's click handler runs as a user's click would.
            g.rg_range_item = item;
            s.range_mode = item * 2;
            g.sample_rate = sample_rate_of_range(s.range_mode);
            s.dev_type = item == 1 ? family_vellmar : family_corr;
            if (ctx.hooks.range_selector_changed)
                ctx.hooks.range_selector_changed(item);
            save(ctx);
        }
        s.corr_log[k].read_time = t.clock;
    }
    radio_send(ctx, interface_message(kind_iface_stop, iface_end));
    radio_close(ctx);
    return ok;
}

bool read_timer_corr_log_set(RadioContext& ctx) {
    auto& s = ctx.group.corr_log_set;
    auto ids = group_id_slots(ctx.group);
    ctx.progress.show_easy_guide(0, ctx.text(221) + "...");
    s.read_time = ctx.clock.local_now();
    for (int a = 1; a <= 3; ++a) {
        ctx.progress.show_easy_guide(101, ctx.text(439) + " #" + str(a));
        if (read_logger_timers(ctx, s.count, ids)) {
            ctx.progress.show_easy_guide(101, ctx.text(439) + " ok");
            save(ctx);
            return true;
        }
    }
    ctx.progress.hide_easy_guide();
    return false;
}

bool logger_programmieren(RadioContext& ctx) {
    auto& g = ctx.group;
    auto& s = g.corr_log_set;
    close_single(ctx);
    if (!ctx.dialogs.confirm(ctx.text(423)))
        return false;
    if (!interface_present(ctx))
        return false;
    ctx.progress.hide_easy_guide();
    g.prog_state = 2;
    ctx.radio.prog_failed = false;
    prog_corr_log_set(ctx);
    if (ctx.hooks.countdown)
        ctx.hooks.countdown(0, 0);
    if (ctx.hooks.range_selector_enabled)
        ctx.hooks.range_selector_enabled(false);
    bool ok = !ctx.radio.prog_failed;
    if (s.meas_mode > 0 && !ctx.radio.prog_failed) {
        ctx.progress.show_easy_guide(105, ctx.text(427));
        ctx.progress.wait_ms(1000);
        ok = sync_corr_log_set(ctx);
        if (s.meas_delta > 0 && s.meas_mode == 2 && ctx.hooks.countdown)
            ctx.hooks.countdown(1, s.meas_delta);
    }
    return ok;
}

bool reset_loggers(RadioContext& ctx) {
    auto& g = ctx.group;
    auto& s = g.corr_log_set;
    close_single(ctx);
    int32_t mode = s.meas_mode;
    s.meas_mode = 0;
    bool ok = logger_programmieren(ctx);
    s.meas_mode = mode;
    if (ctx.hooks.countdown)
        ctx.hooks.countdown(0, 0);
    s.sync_time = 0;
    g.prog_state = 1;
    save(ctx);
    return ok;
}

bool read_group(RadioContext& ctx) {
    auto& s = ctx.group.corr_log_set;
    close_single(ctx);
    if (!interface_present(ctx))
        return false;
    init_requests(ctx);
    if (s.meas_mode == 1) {
        if (!read_timer_corr_log_set(ctx)) {
            ctx.dialogs.message(ctx.text(439) + " " + ctx.text(426) + "!");
            return false;
        }
        ctx.progress.wait_ms(1000);
    }
    read_audioblocks(ctx);
    save(ctx);
    if (ctx.hooks.reload_group)
        ctx.hooks.reload_group();
    return true;
}

} // namespace pelquor

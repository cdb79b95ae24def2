#include "radio/download.h"

#include "shell/files.h"

#include <cstring>

namespace pelquor {

namespace {

std::string str(long long v) {
    return std::to_string(v);
}

// Adds packet number to the gap list; false when the list is full.
bool list_missing(RadioState& r, int packet) {
    if (r.missing_count >= static_cast<int>(r.missing_packets.size()))
        return false;
    r.missing_packets[static_cast<size_t>(r.missing_count++)] = packet;
    return true;
}

void store_packet(RadioState& r, int k) {
    auto& slot = r.blocks.block_packets[static_cast<size_t>(k)];
    size_t n = static_cast<size_t>(r.rx_frame[0]) + 1;
    std::memcpy(slot.data(), r.rx_frame.data(), n);
}

// An audio packet that came in whole: code 0xC9, a packet number, all L bytes.
bool whole_audio_packet(const RadioState& r, uint32_t received) {
    const auto& rx = r.rx_frame;
    return received >= 4 && rx[0] >= 3 && rx[1] == reply_audio &&
           received >= static_cast<uint32_t>(rx[0]) + 1;
}

// One block, steps as the radio does them. Returns the status.
BlockStatus fetch_block(RadioContext& ctx, uint32_t address, int j, int block, int& P) {
    auto& r = ctx.radio;
    auto& rx = r.rx_frame;
    uint16_t wake = j == 1 ? wake_first : wake_next;
    Frame request =
        block_request(address, wake, ctx.clock.local_now(), static_cast<uint8_t>(block));
    uint32_t received = 0;
    if (!send_until_answered(ctx, request, r.limits.reply_ms, 3, rx.size(), nullptr, &received))
        return BlockStatus::no_info;
    BlockInfo info;
    if (!parse_block_info(rx.data(), received, address, info))
        return BlockStatus::no_info;
    P = info.packets;
    r.blocks.gain_shift = info.gain_shift;
    r.blocks.block_time = info.block_time;
    // block_packets has 200 slots: a longer block is refused before any packet.
    if (P > block_packet_slots)
        return BlockStatus::no_info;

    radio_send(ctx, interface_message(kind_iface_start, iface_stream));
    int next = 1;
    int errors = 0;
    r.missing_count = 0;
    BlockStatus status = BlockStatus::good;
    while (next <= P && errors < 10) {
        uint32_t received = radio_read(ctx, r.limits.packet_ms, 260);
        if (!whole_audio_packet(r, received) || rx[3] < next) {
            ++errors;
            continue;
        }
        int k = rx[3];
        // block_packets has 200 slots: a higher number refuses the block.
        if (k > block_packet_slots) {
            status = BlockStatus::no_info;
            break;
        }
        while (k > next && r.missing_count < 16) {
            list_missing(r, next);
            ++next;
        }
        if (r.missing_count >= 16) {
            status = BlockStatus::too_many_gaps;
            continue;
        }
        store_packet(r, k);
        next = k + 1;
    }
    std::memset(rx.data(), 0, rx.size());
    radio_send(ctx, interface_message(kind_iface_stop, iface_end));

    if (status == BlockStatus::good) {
        for (int m = next; m <= P; ++m) {
            if (!list_missing(r, m)) {
                status = BlockStatus::too_many_gaps;
                break;
            }
        }
    }
    if (status == BlockStatus::good) {
        r.block_requests[static_cast<size_t>(r.current_logger)][static_cast<size_t>(j)] =
            r.missing_count;
        while (r.missing_count > 0 && status == BlockStatus::good) {
            int packet = r.missing_packets[static_cast<size_t>(r.missing_count - 1)];
            Frame resend = resend_request(address, r.blocks.block_time, static_cast<uint8_t>(block),
                                          static_cast<uint8_t>(packet));
            bool got = false;
            for (int t = 0; t < 3 && !got; ++t) {
                radio_send(ctx, resend);
                uint32_t received = radio_read(ctx, r.limits.resend_ms, 260);
                got = whole_audio_packet(r, received) && rx[3] == packet;
            }
            if (!got) {
                status = BlockStatus::resend_failed;
                break;
            }
            store_packet(r, packet);
            --r.missing_count;
        }
        if (P < full_block_packets && status == BlockStatus::good)
            status = BlockStatus::no_info;
    }
    return status;
}

} // namespace

void init_requests(RadioContext& ctx) {
    auto& r = ctx.radio;
    int count = ctx.group.corr_log_set.count;
    for (int i = 1; i <= count && i <= max_loggers; ++i)
        for (int j = 1; j <= max_blocks; ++j)
            r.block_requests[static_cast<size_t>(i)][static_cast<size_t>(j)] = 16;
}

std::string download_audio_blocks(RadioContext& ctx, int32_t id, int n, const int* block_list) {
    auto& r = ctx.radio;
    auto& s = ctx.group.corr_log_set;
    if (r.current_logger < 1 || r.current_logger > max_loggers)
        return "";
    if (n > max_blocks)
        n = max_blocks;
    auto& requests = r.block_requests[static_cast<size_t>(r.current_logger)];
    uint32_t address = logger_address(s.dev_type, id);
    std::string result;
    radio_close(ctx);
    if (r.listening)
        stop_logger_listening(ctx);
    for (int j = 1; j <= n; ++j) {
        if (requests[static_cast<size_t>(j)] <= 15)
            continue;
        int block = block_list[j - 1];
        ctx.progress.show_easy_guide(10 * j, ctx.text(244) + " " + str(id) + ": " +
                                                 str(r.current_logger) + "/" + str(s.count) +
                                                 "...");
        radio_open(ctx);
        std::memset(r.rx_frame.data(), 0, r.rx_frame.size());
        int P = 0;
        BlockStatus status = fetch_block(ctx, address, j, block, P);
        radio_close(ctx);
        if (status == BlockStatus::good) {
            std::string path =
                save_block_recording(ctx.group, r.blocks, ctx.group_folder(), id, block, P);
            // A block of another length passes the radio but is no recording.
            result = path.empty() ? "xxx" : path;
        } else {
            result = "xxx";
            requests[static_cast<size_t>(j)] = 16;
            r.download_error = true;
        }
    }
    return result;
}

int read_audioblocks(RadioContext& ctx) {
    auto& r = ctx.radio;
    auto& s = ctx.group.corr_log_set;
    int list[max_blocks];
    for (int j = 1; j <= max_blocks; ++j)
        list[j - 1] = block_number_of(s.meas_mode, j);
    int count = s.count < max_loggers ? s.count : max_loggers;
    for (int pos = 1; pos <= count; ++pos) {
        r.current_logger = pos;
        int32_t id = s.corr_log[pos].ID;
        ctx.progress.show_easy_guide(1, ctx.text(244) + " " + str(id) + ": " + str(pos) + "/" +
                                            str(count) + "...");
        r.download_error = false;
        std::string res = download_audio_blocks(ctx, id, max_blocks, list);
        if (r.download_error) {
            r.download_error = false;
            res = download_audio_blocks(ctx, id, max_blocks, list);
        }
        int progress = static_cast<int>(100.0 / count * pos);
        ctx.progress.show_easy_guide(progress, str(id) + (res == "xxx" ? " error" : " ok"));
    }
    return show_requests(ctx);
}

void remove_logger_slot(GroupState& g, int k) {
    auto& s = g.corr_log_set;
    if (k < 1 || k > s.count || k > max_loggers)
        return;
    for (int i = k; i < s.count && i < max_loggers; ++i)
        s.corr_log[i] = s.corr_log[i + 1];
    s.corr_log[s.count] = Tcorr_log{};
    --s.count;
    int p = 1;
    while (p <= s.pipes_count && p <= max_pipes) {
        if (s.pipes[p].log1 == k || s.pipes[p].log2 == k) {
            for (int q = p; q < s.pipes_count && q < max_pipes; ++q)
                s.pipes[q] = s.pipes[q + 1];
            s.pipes[s.pipes_count] = Ttotal_pipe{};
            --s.pipes_count;
        } else {
            ++p;
        }
    }
    for (int q = 1; q <= s.pipes_count && q <= max_pipes; ++q) {
        if (s.pipes[q].log1 > k)
            --s.pipes[q].log1;
        if (s.pipes[q].log2 > k)
            --s.pipes[q].log2;
    }
}

int show_requests(RadioContext& ctx) {
    auto& r = ctx.radio;
    auto& s = ctx.group.corr_log_set;
    std::string folder = ctx.group_folder();
    int found = 0;
    int i = 1;
    while (i <= s.count && i <= max_loggers) {
        int32_t id = s.corr_log[i].ID;
        int hits = 0;
        for (int j = 1; j <= max_blocks; ++j)
            if (file_exists(folder + recording_file_name(id, block_number_of(s.meas_mode, j))))
                ++hits;
        found += hits;
        if (hits == 0 && ctx.dialogs.question(ctx.text(114) + str(id) + "?")) {
            int before = s.count;
            if (ctx.hooks.remove_logger) {
                ctx.hooks.remove_logger(i);
            } else {
                remove_logger_slot(ctx.group, i);
                if (ctx.hooks.save_group)
                    ctx.hooks.save_group();
            }
            if (s.count < before) {
                // Keep the request table in line with the slots that moved up.
                for (int k = i; k < max_loggers; ++k)
                    r.block_requests[static_cast<size_t>(k)] =
                        r.block_requests[static_cast<size_t>(k + 1)];
                continue;
            }
        }
        ++i;
    }
    int total = s.count * 10;
    std::string head = str(found) + "/" + str(total) + " ";
    if (total == 0 || found * 10 < total * 9)
        ctx.progress.show_easy_guide(0, head + ctx.text(219) + "?");
    else
        ctx.progress.show_easy_guide(0, head + ctx.text(45));
    return found;
}

} // namespace pelquor

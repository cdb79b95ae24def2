#include "radio/radio_frames.h"

#include "shell/language.h"
#include "shell/seams.h"

#include <cstdio>

namespace pelquor {

uint32_t logger_address(int prefix, int id) {
    return (static_cast<uint32_t>(prefix) * 65536u + static_cast<uint32_t>(id)) & 0xFFFFFFu;
}

int32_t shown_id(uint32_t address, int prefix) {
    return static_cast<int32_t>(address) - prefix * 65536;
}

void put_u16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
void put_u24(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 16);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v);
}
void put_u32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}
uint32_t get_u16(const uint8_t* p) {
    return (uint32_t{p[0]} << 8) | p[1];
}
uint32_t get_u24(const uint8_t* p) {
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}
uint32_t get_u32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

Frame command_header(uint8_t kind, uint16_t wake, uint8_t L, uint8_t code, uint32_t address) {
    Frame f(static_cast<size_t>(L) + 8, 0);
    f[0] = 0x20;
    f[1] = kind;
    put_u16(&f[2], wake);
    f[4] = 6;
    f[5] = 6;
    f[6] = 0;
    f[7] = L;
    f[8] = static_cast<uint8_t>(L - 1);
    f[9] = code;
    f[10] = 0;
    put_u24(&f[11], address);
    return f;
}

Frame interface_message(uint8_t kind, uint8_t P) {
    return {0x20, kind, 0, 0, P, P, 0, 0};
}

Frame status_request(uint32_t address) {
    return command_header(kind_single, wake_first, 6, cmd_status, address);
}

uint8_t day_mask(int d) {
    if (d < 1 || d > 7)
        d = 1;
    return static_cast<uint8_t>((1u << (d - 1)) + (1u << (d % 7)));
}

Frame program_command(uint32_t address, const ProgramParams& p) {
    Frame f = command_header(kind_single, wake_first, 30, cmd_program, address);
    f[14] = 0x40;
    f[15] = p.radio_on;
    f[16] = p.radio_off;
    f[17] = p.day_mask;
    f[18] = 0;
    f[19] = static_cast<uint8_t>(p.start);
    f[20] = static_cast<uint8_t>(p.stop);
    f[21] = 127;
    f[22] = 100;
    f[25] = static_cast<uint8_t>(p.position);
    f[26] = static_cast<uint8_t>(p.meas_mode);
    if (p.meas_mode == 1) {
        f[30] = static_cast<uint8_t>(p.range_mode);
    } else if (p.meas_mode == 2) {
        put_u16(&f[27], static_cast<uint32_t>(p.interval) & 0xFFFF);
        f[29] = static_cast<uint8_t>(p.blocks);
        f[30] = static_cast<uint8_t>(p.range_mode);
        f[31] = 0;
        put_u16(&f[32], static_cast<uint32_t>(p.meas_delta) & 0xFFFF);
    }
    put_u32(&f[34], p.time);
    return f;
}

namespace {

// Header and the eight address slots of a group command; the last slot has
// no trailing 0, so the byte 1 lands at 42.
Frame group_frame(uint8_t L, uint8_t code, int prefix, const std::array<int32_t, 8>& ids,
                  int count) {
    uint32_t first = logger_address(prefix, count >= 1 ? ids[0] : 0);
    Frame f = command_header(kind_group, wake_first, L, code, first);
    for (int k = 1; k <= 8; ++k) {
        uint32_t a = logger_address(prefix, k <= count ? ids[k - 1] : 0);
        put_u24(&f[11 + 4 * (k - 1)], a);
        if (k < 8)
            f[14 + 4 * (k - 1)] = 0;
    }
    f[42] = 1;
    return f;
}

} // namespace

Frame sync_command(int prefix, const std::array<int32_t, 8>& ids, int count, uint32_t time) {
    Frame f = group_frame(39, cmd_sync, prefix, ids, count);
    put_u32(&f[43], time);
    return f;
}

Frame timer_command(int prefix, const std::array<int32_t, 8>& ids, int count) {
    return group_frame(35, cmd_timer, prefix, ids, count);
}

Frame block_request(uint32_t address, uint16_t wake, uint32_t pc_time, uint8_t block) {
    Frame f = command_header(kind_single, wake, 12, cmd_block, address);
    f[14] = 0xE0;
    put_u32(&f[15], pc_time);
    f[19] = block;
    return f;
}

Frame resend_request(uint32_t address, uint32_t block_time, uint8_t block, uint8_t packet) {
    Frame f = command_header(kind_single, wake_next, 13, cmd_resend, address);
    f[14] = 0xE0;
    put_u32(&f[15], block_time);
    f[19] = block;
    f[20] = packet;
    return f;
}

Frame pinpoint_request(uint32_t address, uint16_t wake) {
    return command_header(kind_single, wake, 6, cmd_pinpoint, address);
}

Frame logger_firmware_page(uint32_t address, uint16_t wake, uint16_t page, const uint8_t* data,
                           size_t n) {
    if (n > firmware_page_size)
        n = firmware_page_size;
    Frame f = command_header(kind_single, wake, static_cast<uint8_t>(n + 8), cmd_firmware, address);
    put_u16(&f[14], page);
    for (size_t i = 0; i < n; ++i)
        f[16 + i] = data[i];
    return f;
}

Frame interface_firmware_page(uint16_t page, const uint8_t* data, size_t n) {
    if (n > firmware_page_size)
        n = firmware_page_size;
    Frame f(n + 16, 0);
    f[0] = 0x01;
    f[1] = 0x51;
    f[7] = static_cast<uint8_t>(n + 8);
    f[8] = static_cast<uint8_t>(n + 7);
    f[9] = cmd_firmware;
    put_u16(&f[14], page);
    for (size_t i = 0; i < n; ++i)
        f[16 + i] = data[i];
    return f;
}

PagePlan firmware_pages(size_t file_size) {
    return {file_size / firmware_page_size, file_size % firmware_page_size};
}

uint32_t reply_address(const uint8_t* rx) {
    return get_u24(rx + 3);
}

namespace {

// The reply carries at least bytes 0..last, by its length byte and by what came in.
bool covers(const uint8_t* rx, size_t received, size_t last) {
    return rx[0] >= last && received > last;
}

} // namespace

bool parse_block_info(const uint8_t* rx, size_t received, uint32_t address, BlockInfo& out) {
    if (!covers(rx, received, 13) || rx[1] != reply_block_info || rx[7] != 0 ||
        reply_address(rx) != address)
        return false;
    out.address = address;
    out.block = rx[6];
    out.packets = rx[8];
    out.block_time = get_u32(rx + 9);
    out.gain_shift = rx[13] & 0x7F;
    return true;
}

bool parse_timer_reply(const uint8_t* rx, size_t received, uint32_t address, TimerReply& out) {
    if (!covers(rx, received, 12) || rx[1] != reply_timer || reply_address(rx) != address)
        return false;
    out.address = address;
    out.timer = static_cast<uint16_t>(get_u16(rx + 6));
    out.range_mode = rx[8];
    out.clock = get_u32(rx + 9);
    return true;
}

bool parse_pinpoint_reply(const uint8_t* rx, size_t received, uint32_t address,
                          PinpointReply& out) {
    if (!covers(rx, received, 7) || rx[1] != reply_pinpoint || reply_address(rx) != address)
        return false;
    out.level = rx[6];
    out.frequency = rx[7] * 10;
    return true;
}

std::string format_local_time(uint32_t local_epoch) {
    LocalTime t = split_local(local_epoch);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

std::vector<std::string> status_lines(const uint8_t* rx, size_t received, uint32_t address,
                                      int32_t id, const LangTexts& texts) {
    std::vector<std::string> out;
    if (!covers(rx, received, 108) || rx[1] != reply_status || reply_address(rx) != address)
        return out;
    auto u8 = [&](int i) { return std::to_string(rx[i]); };
    auto s32 = [&](int i) { return std::to_string(static_cast<int32_t>(get_u32(rx + i))); };
    out.push_back("LOG " + std::to_string(id));
    out.push_back(texts(222) + ": " + u8(11));
    out.push_back(texts(223) + ": " + u8(12));
    out.push_back(texts(225) + ": " + format_local_time(get_u32(rx + 19)));
    out.push_back("Firmware: " + u8(26) + "." + u8(27));
    out.push_back("Logger mode: " + u8(6));
    out.push_back("Radio on: " + u8(7));
    out.push_back("Radio off: " + u8(8));
    out.push_back("Correlation-ID: " + u8(100));
    out.push_back("Correlation-Mode: " + u8(101));
    out.push_back("Measurement start in: " + std::to_string(get_u16(rx + 107)));
    static const char* counters[] = {
        "Hours in config mode: ", "Transmitted audioblocks: ", "Realtime measurements: ",
        "Inst. measurements: ",   "Night measurements: ",      "Direct recordings: ",
        "Programmings: ",         "Synchronisations: ",        "Transmitted audio packets: "};
    for (int k = 0; k < 9; ++k)
        out.push_back(counters[k] + s32(44 + 4 * k));
    out.push_back("Communication finished!");
    return out;
}

} // namespace pelquor

// Messages to the radio interface and the loggers behind it, and the replies
// they send back, as pure byte functions. Multi-byte numbers go most
// significant byte first.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pelquor {

class LangTexts;

using Frame = std::vector<uint8_t>;

// Wake field: long preamble for the first contact with a logger in an
// operation, short once it has answered.
constexpr uint16_t wake_first = 2500;
constexpr uint16_t wake_next = 16;

// Message kinds (byte 1).
constexpr uint8_t kind_single = 2;
constexpr uint8_t kind_group = 3;
constexpr uint8_t kind_iface_start = 4;
constexpr uint8_t kind_iface_stop = 5;
// P of the short interface messages.
constexpr uint8_t iface_listen = 6;
constexpr uint8_t iface_stream = 11;
constexpr uint8_t iface_end = 8;

// Command codes (byte 9) and reply codes (byte 1 of a reply).
constexpr uint8_t cmd_status = 0xD2;
constexpr uint8_t cmd_program = 0x78;
constexpr uint8_t cmd_sync = 0x76;
constexpr uint8_t cmd_timer = 0x74;
constexpr uint8_t cmd_block = 0xCB;
constexpr uint8_t cmd_resend = 0xCA;
constexpr uint8_t cmd_pinpoint = 0xCE;
constexpr uint8_t cmd_firmware = 0xFE;
constexpr uint8_t reply_status = 0xD1;
constexpr uint8_t reply_timer = 0x73;
constexpr uint8_t reply_block_info = 0xC0;
constexpr uint8_t reply_audio = 0xC9;
constexpr uint8_t reply_pinpoint = 0xCC;
constexpr uint8_t reply_announce = 0x29;

constexpr int firmware_page_size = 208;

// 24-bit logger address: family prefix in bits 16..23, ID in bits 0..15.
uint32_t logger_address(int prefix, int id);
// Shown ID of an address: the address minus prefix * 65536.
int32_t shown_id(uint32_t address, int prefix);
void put_u16(uint8_t* p, uint32_t v);
void put_u24(uint8_t* p, uint32_t v);
void put_u32(uint8_t* p, uint32_t v);
uint32_t get_u16(const uint8_t* p);
uint32_t get_u24(const uint8_t* p);
uint32_t get_u32(const uint8_t* p);

// Bytes 0..13 of a command to loggers; the message is L + 8 bytes long.
Frame command_header(uint8_t kind, uint16_t wake, uint8_t L, uint8_t code, uint32_t address);
// 8-byte message to the interface itself: 0x20, kind, 0, 0, P, P, 0, 0.
Frame interface_message(uint8_t kind, uint8_t P);

Frame status_request(uint32_t address);

// Bits of today and tomorrow, bit 0 = Sunday; day 1 = Sunday .. 7 = Saturday.
uint8_t day_mask(int day_of_week);

struct ProgramParams {
    uint8_t radio_on = 0;
    uint8_t radio_off = 0;
    uint8_t day_mask = 0;
    int32_t start = 0;
    int32_t stop = 0;
    int32_t position = 1;
    int32_t meas_mode = 0;
    int32_t blocks = 10;
    int32_t interval = 30;
    uint32_t time = 0;
    int32_t meas_delta = 60;
    int32_t range_mode = 0;
};
Frame program_command(uint32_t address, const ProgramParams& p);

// Group commands: slot k (1..8) carries prefix * 65536 + ids[k - 1] for k <= count,
// else only the prefix. The eighth slot is 3 bytes, so the trailing fields fit L.
Frame sync_command(int prefix, const std::array<int32_t, 8>& ids, int count, uint32_t time);
Frame timer_command(int prefix, const std::array<int32_t, 8>& ids, int count);

Frame block_request(uint32_t address, uint16_t wake, uint32_t pc_time, uint8_t block);
Frame resend_request(uint32_t address, uint32_t block_time, uint8_t block, uint8_t packet);
Frame pinpoint_request(uint32_t address, uint16_t wake);
// One firmware page of n bytes (n <= 208) of data.
Frame logger_firmware_page(uint32_t address, uint16_t wake, uint16_t page, const uint8_t* data,
                           size_t n);
Frame interface_firmware_page(uint16_t page, const uint8_t* data, size_t n);
// Number of full pages and the size of the last (possibly empty) page.
struct PagePlan {
    size_t full_pages = 0;
    size_t last_size = 0;
    size_t pages() const { return full_pages + 1; }
};
PagePlan firmware_pages(size_t file_size);

// Replies. Each parser checks the length byte covers the fields it takes.
uint32_t reply_address(const uint8_t* rx);

struct BlockInfo {
    uint32_t address = 0;
    uint8_t block = 0;
    uint8_t packets = 0;
    uint32_t block_time = 0;
    uint8_t gain_shift = 0;
};
// False unless code 0xC0, byte 7 = 0, the address and all fields present.
bool parse_block_info(const uint8_t* rx, size_t received, uint32_t address, BlockInfo& out);

struct TimerReply {
    uint32_t address = 0;
    uint16_t timer = 0;
    uint8_t range_mode = 0;
    uint32_t clock = 0;
};
bool parse_timer_reply(const uint8_t* rx, size_t received, uint32_t address, TimerReply& out);

struct PinpointReply {
    int level = 0;
    int frequency = 0; // Hz
};
bool parse_pinpoint_reply(const uint8_t* rx, size_t received, uint32_t address, PinpointReply& out);

// The status panel's lines for a good 0xD1 reply of the logger id; empty when
// the reply is not from that logger or too short.
std::vector<std::string> status_lines(const uint8_t* rx, size_t received, uint32_t address,
                                      int32_t id, const LangTexts& texts);
// Local epoch seconds as "YYYY-MM-DD HH:MM:SS".
std::string format_local_time(uint32_t local_epoch);

} // namespace pelquor

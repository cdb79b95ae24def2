// The radio link: the device record and message buffers, the presence check,
// announcement listening and the exchange helpers every logger operation uses.
#pragma once

#include "groups/group_model.h"
#include "radio/radio_frames.h"
#include "radio/recording.h"
#include "shell/language.h"
#include "shell/seams.h"

#include <trevohid.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pelquor {

struct UsbIdentity {
    uint16_t vid;
    uint16_t pid;
};
// Tried in this order; the device is always the first match (index 0).
inline constexpr std::array<UsbIdentity, 4> radio_identities{
    {{0x2047, 0xFFEB}, {0x1E84, 0x3002}, {0x1E84, 0x3006}, {0x1E84, 0x3008}}};

// Read limits in ms. The defaults are the radio's; tests may shorten them.
struct RadioLimits {
    uint32_t announce_ms = 400;
    uint32_t reply_ms = 4000;
    uint32_t packet_ms = 100;
    uint32_t resend_ms = 1100;
};

constexpr int full_block_packets = 160;

// Program-wide radio objects: one instance, overwritten by each operation.
struct RadioState {
    HID_Device radio_device{};
    uint16_t radio_vid = radio_identities[0].vid;
    uint16_t radio_pid = radio_identities[0].pid;
    std::array<uint8_t, 256> tx_frame{};
    std::array<uint8_t, 2048> rx_frame{};
    uint8_t single_dev_type = family_corr;
    RadioLimits limits;
    // Announcement listening keeps the device open across timer ticks.
    bool listening = false;

    // Synchronisation (bytes 1..12 of each reply) and the IDs that answered.
    std::array<std::array<uint8_t, 12>, max_loggers + 1> sync_replies{};
    std::array<int32_t, max_loggers + 1> sync_ids{};
    bool prog_failed = false;

    // Download: [logger 1..8][list entry 1..10]; above 15 means still to fetch.
    std::array<std::array<int32_t, max_blocks + 1>, max_loggers + 1> block_requests{};
    std::array<int32_t, 16> missing_packets{};
    int missing_count = 0;
    bool download_error = false;
    int current_logger = 1;
    // Packets and samples of the current block.
    BlockBuffers blocks;
};

// What the radio operations need from the window around them. Every hook may
// be left empty; the command-line tool and the tests fill only what they use.
struct RadioHooks {
    // The four group-page buttons that listening disables.
    std::function<void(bool enabled)> group_buttons_enabled;
    // Listening was ended because another radio operation started.
    std::function<void()> listening_ended;
    // Closes the single-pair panel GB_single.
    std::function<void()> close_single_panel;
    // Write-through save of the open group; false when it failed.
    std::function<bool()> save_group;
    // Loads the open group again from its tree node (new recordings appear).
    std::function<void()> reload_group;
    // Removes logger slot pos from the open group (delete_n3).
    std::function<void(int pos)> remove_logger;
    // Countdown of the main window: phase 0 stops it, phase 1 starts it.
    std::function<void(int phase, int seconds)> countdown;
    std::function<void(bool enabled)> range_selector_enabled;
    // The range selector changed its item from code (acts like a click).
    std::function<void(int item)> range_selector_changed;
    // Status panel (Memo4): one call per line; clear before a readout.
    std::function<void(const std::string& line)> status_line;
    std::function<void()> status_clear;
};

struct RadioContext {
    RadioState& radio;
    GroupState& group;
    const LangTexts& texts;
    Dialogs& dialogs;
    Progress& progress;
    const Clock& clock;
    std::string data_folder; // ends with '/'
    RadioHooks hooks;

    std::string text(int n) const { return texts(n); }
    // Folder of the open group, ending with '/'.
    std::string group_folder() const;
};

// 0 when an interface was found, else the last open result.
int32_t check_radio_interface(RadioContext& ctx);
void close_radio_interface(RadioContext& ctx);

void start_logger_listening(RadioContext& ctx);
void stop_logger_listening(RadioContext& ctx);
// Logger address of an announcement, or 0.
uint32_t read_logger_announcement(RadioContext& ctx);
// The hidden CheckHID developer function: its message boxes in turn.
void show_radio_interface_info(RadioContext& ctx);

// Exchange helpers. radio_open first ends announcement listening if it is
// still active, so two operations never fight over the device.
int32_t radio_open(RadioContext& ctx);
void radio_close(RadioContext& ctx);
int32_t radio_send(RadioContext& ctx, const Frame& frame);
// Clears the first clear_bytes of rx_frame, sets the read limit and reads one
// reply; returns the byte count the library reported (0 when nothing came).
uint32_t radio_read(RadioContext& ctx, uint32_t timeout_ms, size_t clear_bytes = 2048);
// A try counts as answered when byte 0 and the byte count are both non-zero.
bool answered(const RadioContext& ctx, uint32_t received);
// Sends and reads until answered, up to tries times.
bool send_until_answered(RadioContext& ctx, const Frame& frame, uint32_t timeout_ms, int tries,
                         size_t clear_bytes, int* failures = nullptr,
                         uint32_t* received_out = nullptr);

} // namespace pelquor

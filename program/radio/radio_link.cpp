#include "radio/radio_link.h"

#include "groups/group_file.h"

#include <cstring>

namespace pelquor {

std::string RadioContext::group_folder() const {
    return pelquor::group_folder(data_folder, group.corr_log_set.tree_path);
}

namespace {
// Ends announcement listening, closes the device and gives a fresh record, so
// two operations never fight over the device.
HID_Device& fresh_device(RadioContext& ctx) {
    if (ctx.radio.listening) {
        stop_logger_listening(ctx);
        if (ctx.hooks.listening_ended)
            ctx.hooks.listening_ended();
    }
    auto& dev = ctx.radio.radio_device;
    if (dev.is_open == 1)
        HID_Close(&dev);
    HID_Init(&dev);
    return dev;
}
} // namespace

int32_t radio_open(RadioContext& ctx) {
    auto& dev = fresh_device(ctx);
    return HID_Open(&dev, ctx.radio.radio_vid, ctx.radio.radio_pid, 0);
}

void radio_close(RadioContext& ctx) {
    auto& dev = ctx.radio.radio_device;
    if (dev.is_open == 1)
        HID_Close(&dev);
}

int32_t radio_send(RadioContext& ctx, const Frame& frame) {
    auto& tx = ctx.radio.tx_frame;
    size_t n = frame.size() < tx.size() ? frame.size() : tx.size();
    std::memcpy(tx.data(), frame.data(), n);
    uint32_t written = 0;
    return HID_WriteFile(&ctx.radio.radio_device, tx.data(), static_cast<uint32_t>(n), &written);
}

uint32_t radio_read(RadioContext& ctx, uint32_t timeout_ms, size_t clear_bytes) {
    auto& rx = ctx.radio.rx_frame;
    std::memset(rx.data(), 0, clear_bytes < rx.size() ? clear_bytes : rx.size());
    auto& dev = ctx.radio.radio_device;
    dev.read_timeout = timeout_ms;
    uint32_t received = 0;
    int32_t r = HID_ReadFile(&dev, rx.data(), static_cast<uint32_t>(rx.size()), &received);
    if (r == HID_ERR_BUFFER_FULL) {
        // No reply is this long: drop the rest so the next read starts clean.
        uint8_t scratch[2048];
        uint32_t more = 0;
        for (int i = 0;
             i < 16 && HID_ReadFile(&dev, scratch, sizeof scratch, &more) == HID_ERR_BUFFER_FULL;
             ++i) {
        }
    }
    if (received > rx.size())
        received = static_cast<uint32_t>(rx.size());
    return received;
}

bool answered(const RadioContext& ctx, uint32_t received) {
    return received > 0 && ctx.radio.rx_frame[0] != 0;
}

bool send_until_answered(RadioContext& ctx, const Frame& frame, uint32_t timeout_ms, int tries,
                         size_t clear_bytes, int* failures, uint32_t* received_out) {
    for (int t = 0; t < tries; ++t) {
        radio_send(ctx, frame);
        uint32_t received = radio_read(ctx, timeout_ms, clear_bytes);
        if (received_out)
            *received_out = received;
        if (answered(ctx, received))
            return true;
        if (failures)
            ++*failures;
    }
    return false;
}

int32_t check_radio_interface(RadioContext& ctx) {
    auto& dev = fresh_device(ctx);
    int32_t result = -1;
    for (const auto& id : radio_identities) {
        ctx.radio.radio_vid = id.vid;
        ctx.radio.radio_pid = id.pid;
        result = HID_Open(&dev, id.vid, id.pid, 0);
        if (result == 0)
            break;
    }
    radio_close(ctx);
    return result;
}

void close_radio_interface(RadioContext& ctx) {
    HID_Close(&ctx.radio.radio_device);
    ctx.radio.listening = false;
}

void start_logger_listening(RadioContext& ctx) {
    if (ctx.radio.listening)
        stop_logger_listening(ctx);
    if (ctx.hooks.group_buttons_enabled)
        ctx.hooks.group_buttons_enabled(false);
    std::memset(ctx.radio.rx_frame.data(), 0, 101);
    auto& dev = ctx.radio.radio_device;
    if (dev.is_open == 1)
        HID_Close(&dev);
    HID_Init(&dev);
    HID_Open(&dev, ctx.radio.radio_vid, ctx.radio.radio_pid, 0);
    radio_send(ctx, interface_message(kind_iface_start, iface_listen));
    ctx.radio.listening = true;
}

void stop_logger_listening(RadioContext& ctx) {
    if (ctx.hooks.group_buttons_enabled)
        ctx.hooks.group_buttons_enabled(true);
    radio_send(ctx, interface_message(kind_iface_stop, iface_listen));
    radio_close(ctx);
    ctx.radio.listening = false;
}

uint32_t read_logger_announcement(RadioContext& ctx) {
    if (!ctx.radio.listening)
        return 0;
    uint32_t received = radio_read(ctx, ctx.radio.limits.announce_ms, 101);
    const auto& rx = ctx.radio.rx_frame;
    if (received >= 6 && rx[0] >= 5 && rx[1] == reply_announce)
        return reply_address(rx.data());
    return 0;
}

void show_radio_interface_info(RadioContext& ctx) {
    ctx.radio.radio_vid = 0x1E84;
    ctx.radio.radio_pid = 0x3006;
    auto& dev = ctx.radio.radio_device;
    if (ctx.radio.listening)
        stop_logger_listening(ctx);
    HID_Init(&dev);
    ctx.dialogs.message("number of devices:" + std::to_string(HID_GetNumOfDevices(
                                                   ctx.radio.radio_vid, ctx.radio.radio_pid)));
    ctx.dialogs.message(
        "HID Open:" + std::to_string(HID_Open(&dev, ctx.radio.radio_vid, ctx.radio.radio_pid, 0)));
    uint16_t serial[20] = {};
    int32_t rs = HID_GetSerialNumber(&dev, serial, sizeof serial);
    ctx.dialogs.message("serial:" + std::to_string(rs));
    std::string text;
    for (int i = 0; i < 18 && serial[i] != 0; ++i)
        text += serial[i] < 128 ? static_cast<char>(serial[i]) : '?';
    uint16_t version = 0;
    int32_t rv = HID_GetVersionNumber(&dev, &version);
    if (version != 0)
        ctx.dialogs.message("# " + text + ", HID-V:" + std::to_string(version) +
                            std::to_string(rv));
    else
        ctx.dialogs.message("No Trevo HID device found!" + std::to_string(rv));
    radio_close(ctx);
}

} // namespace pelquor

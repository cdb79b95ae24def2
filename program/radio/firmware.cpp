#include "radio/firmware.h"

#include "shell/files.h"
#include "shell/ini_file.h"

#include <cstring>

namespace pelquor {

namespace {

std::string str(long long v) {
    return std::to_string(v);
}

// Sends the pages of file with the header the builder gives. Returns pages sent.
template <typename Build>
int send_pages(RadioContext& ctx, const std::vector<uint8_t>& file, bool logger, Build build,
               int& failures, int& progress) {
    const char* who = logger ? "Pelquor" : "Tessrin";
    PagePlan plan = firmware_pages(file.size());
    size_t pages = plan.pages();
    int page = 0;
    size_t offset = 0;
    std::memset(ctx.radio.rx_frame.data(), 0, ctx.radio.rx_frame.size());
    radio_open(ctx);
    for (size_t p = 0; p < plan.full_pages; ++p) {
        Frame f = build(page, file.data() + offset, firmware_page_size);
        ++page;
        offset += firmware_page_size;
        send_until_answered(ctx, f, ctx.radio.limits.reply_ms, 3, 61, &failures);
        progress = static_cast<int>(static_cast<size_t>(page) * 100 / pages);
        ctx.progress.show_easy_guide(progress,
                                     std::string(who) + " Firmware update ..." + str(failures));
    }
    Frame last = build(page, file.data() + offset, plan.last_size);
    if (!logger) {
        ++page;
        ctx.progress.show_easy_guide(101, "Tessrin Firmware verification ...");
    }
    send_until_answered(ctx, last, ctx.radio.limits.reply_ms, 3, 61, &failures);
    radio_close(ctx);
    return page;
}

} // namespace

bool update_logger_firmware(RadioContext& ctx, FirmwareWait& fw, const std::string& id_text,
                            const std::vector<uint8_t>& file) {
    fw.waiting = false;
    long long id = 0;
    // A text that is no ID must never send pages to a leftover address.
    if (!parse_int(id_text, id) || id < 0 || id > 0xFFFF) {
        ctx.dialogs.error("Firmware update: \"" + id_text +
                          "\" is not a logger ID; nothing was sent.");
        return false;
    }
    ctx.progress.show_easy_guide(1, "Pelquor Firmware update...");
    uint32_t address = logger_address(ctx.radio.single_dev_type, static_cast<int>(id));
    bool first = true;
    auto build = [&](int page, const uint8_t* data, size_t n) {
        Frame f = logger_firmware_page(address, first ? wake_first : wake_next,
                                       static_cast<uint16_t>(page), data, n);
        first = false;
        return f;
    };
    fw.page_failures = 0;
    send_pages(ctx, file, true, build, fw.page_failures, fw.last_progress);
    fw.fw_wait_ticks = 0;
    fw.updated_id = static_cast<int32_t>(id);
    start_logger_listening(ctx);
    fw.waiting = true;
    ctx.progress.show_easy_guide(fw.last_progress, "Pelquor Firmware verification ...");
    return true;
}

FirmwareTick fw_update_check_timer(RadioContext& ctx, FirmwareWait& fw) {
    if (!fw.waiting)
        return FirmwareTick::idle;
    int64_t n = static_cast<int64_t>(read_logger_announcement(ctx)) -
                static_cast<int64_t>(ctx.radio.single_dev_type) * 65536;
    if (n <= 0) {
        ++fw.fw_wait_ticks;
    } else {
        fw.waiting = false;
        ctx.progress.hide_easy_guide();
        stop_logger_listening(ctx);
        ctx.dialogs.message("Update finished ID " + str(n));
        return FirmwareTick::finished;
    }
    if (fw.fw_wait_ticks > 38) {
        fw.waiting = false;
        stop_logger_listening(ctx);
        ctx.progress.hide_easy_guide();
        // The ID that was updated, not the arithmetic of an empty poll.
        ctx.dialogs.message("Update failed ID " + str(fw.updated_id));
        return FirmwareTick::failed;
    }
    return FirmwareTick::waiting;
}

int update_interface_firmware(RadioContext& ctx, const std::vector<uint8_t>& file) {
    ctx.progress.show_easy_guide(1, "Tessrin Firmware update...");
    auto build = [](int page, const uint8_t* data, size_t n) {
        return interface_firmware_page(static_cast<uint16_t>(page), data, n);
    };
    int failures = 0;
    int progress = 1;
    int pages = send_pages(ctx, file, false, build, failures, progress);
    ctx.dialogs.message("finished: " + str(pages));
    return pages;
}

namespace {

bool read_firmware_file(RadioContext& ctx, const std::string& path, std::vector<uint8_t>& out) {
    std::string content, error;
    if (!read_file(path, content, &error)) {
        ctx.dialogs.error(path + ": " + error);
        return false;
    }
    out.assign(content.begin(), content.end());
    return true;
}

} // namespace

bool start_logger_firmware_update(RadioContext& ctx, FirmwareWait& fw, bool family_corr_chosen) {
    ctx.radio.single_dev_type = family_corr_chosen ? family_corr : family_vellmar;
    std::string filter = family_corr_chosen ? "*.pqf|*.pqf" : "*.vmf|*.vmf";
    auto id = ctx.dialogs.input("Update Pelquor", "ID?", "");
    if (!id)
        return false;
    auto file = ctx.dialogs.open_file("Update Pelquor", "", filter);
    if (!file)
        return false;
    std::vector<uint8_t> data;
    if (!read_firmware_file(ctx, *file, data))
        return false;
    return update_logger_firmware(ctx, fw, *id, data);
}

bool start_interface_firmware_update(RadioContext& ctx) {
    auto file = ctx.dialogs.open_file("Update Tessrin", "", "*.ri|*.ri");
    if (!file)
        return false;
    std::vector<uint8_t> data;
    if (!read_firmware_file(ctx, *file, data))
        return false;
    update_interface_firmware(ctx, data);
    return true;
}

} // namespace pelquor

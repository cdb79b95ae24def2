// Firmware updates of one logger or of the radio interface, in pages of 208
// bytes, and the wait for the updated logger to announce itself again.
#pragma once

#include "radio/radio_link.h"

#include <string>
#include <vector>

namespace pelquor {

struct FirmwareWait {
    bool waiting = false;
    int fw_wait_ticks = 0;
    int32_t updated_id = 0;
    int page_failures = 0;
    int last_progress = 1;
};

enum class FirmwareTick { waiting, finished, failed, idle };

// Sends the file to logger id_text of single_dev_type and starts listening
// for its announcement. False (nothing sent) when id_text is not an ID.
bool update_logger_firmware(RadioContext& ctx, FirmwareWait& fw, const std::string& id_text,
                            const std::vector<uint8_t>& file);
// One 500 ms tick of the wait: 39 ticks without the logger end it.
FirmwareTick fw_update_check_timer(RadioContext& ctx, FirmwareWait& fw);
// Sends the file to the interface; returns the number of pages sent.
int update_interface_firmware(RadioContext& ctx, const std::vector<uint8_t>& file);

// The configuration page's buttons: family given, "ID?" and the file asked
// through the dialogs. False when cancelled or refused.
bool start_logger_firmware_update(RadioContext& ctx, FirmwareWait& fw, bool family_corr_chosen);
bool start_interface_firmware_update(RadioContext& ctx);

} // namespace pelquor

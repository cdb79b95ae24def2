#include "groups/radio_announcements.h"

namespace pelquor {

bool RadioAnnouncements::start() {
    start_logger_listening(ctx_);
    if (ctx_.radio.radio_device.is_open == 1)
        return true;
    // The interface did not open: listening would only read nothing.
    stop_logger_listening(ctx_);
    return false;
}

} // namespace pelquor

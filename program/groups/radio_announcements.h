// Automatic detection over the radio link's announcement listening.
#pragma once

#include "groups/archive_workflow.h"
#include "radio/radio_link.h"

namespace pelquor {

class RadioAnnouncements : public AnnouncementSource {
  public:
    explicit RadioAnnouncements(RadioContext& ctx) : ctx_(ctx) {}
    bool present() override { return check_radio_interface(ctx_) == 0; }
    bool start() override;
    uint32_t read() override { return read_logger_announcement(ctx_); }
    void stop() override {
        if (ctx_.radio.listening)
            stop_logger_listening(ctx_);
    }

  private:
    RadioContext& ctx_;
};

} // namespace pelquor

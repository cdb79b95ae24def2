// Radio replies (status, timers, block information and data packets,
// pinpoint levels) through the radio operations over TrevoHID, from a device
// that answers each request with the next fuzzed message.
#include "fake_device.h"
#include "groups/group_model.h"
#include "radio/download.h"
#include "radio/logger_ops.h"
#include "radio/pinpoint.h"
#include "shell/files.h"

#include <cstdlib>
#include <memory>

static pelquor::fuzz::FakeDevice* device;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    device = new pelquor::fuzz::FakeDevice;
    ::setenv("TREVOHID_SIM", device->sim_entry().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelquor;
    using namespace pelquor::fuzz;
    // Messages: a length byte, then that many bytes. Byte 0 picks the operation.
    if (size < 1)
        return 0;
    const int op = data[0] % 4;
    std::deque<Reply> script;
    for (size_t pos = 1; pos < size;) {
        size_t len = data[pos++];
        len = std::min(len, size - pos);
        script.push_back(FakeDevice::frame(data + pos, len));
        pos += len;
    }
    device->set_script(std::move(script));

    static const std::string data_folder = fuzz::scratch_folder() + "radiodata/";
    static bool made = create_folder(data_folder + "G");
    (void)made;
    static auto radio = std::make_unique<RadioState>();
    *radio = RadioState{};
    radio->limits = RadioLimits{2, 5, 2, 5};
    GroupState g;
    auto& s = g.corr_log_set;
    s.tree_path = "G";
    s.count = 2;
    s.meas_mode = 2;
    s.blocks = 10;
    s.corr_log[1].ID = 4101;
    s.corr_log[2].ID = 4102;
    g.group_not_loaded = false;
    LangTexts texts;
    ScriptedDialogs dialogs;
    TextProgress progress;
    progress.real_sleep = false;
    FixedClock clock(1'800'000'000);
    RadioContext ctx{*radio, g, texts, dialogs, progress, clock, data_folder, {}};
    switch (op) {
    case 0:
        read_logger_status(ctx, 4101);
        break;
    case 1:
        read_timer_corr_log_set(ctx);
        break;
    case 2: {
        init_requests(ctx);
        ctx.radio.current_logger = 1;
        const int blocks[] = {0, 11, 22};
        download_audio_blocks(ctx, 4101, 3, blocks);
        break;
    }
    default: {
        PinpointState ps;
        if (start_pinpoint(ctx, ps, 3))
            for (int t = 0; t < 3 && pinpoint_tick(ctx, ps); ++t) {
            }
        stop_pinpoint(ctx, ps);
        break;
    }
    }
    return 0;
}

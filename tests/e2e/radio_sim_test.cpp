// The radio operations against trevo-radiosim through TrevoHID's simulated
// transport: presence, programming, synchronisation, timers, download cases,
// pinpoint, status and firmware.
#include "e2e/sim_process.h"
#include "groups/group_file.h"
#include "radio/download.h"
#include "radio/firmware.h"
#include "radio/logger_ops.h"
#include "radio/pinpoint.h"
#include "shell/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace pelquor;
using e2e::byte_at;
using e2e::SimProcess;

namespace {

// The demo site's loggers, in site order.
constexpr int32_t demo_ids[] = {4101, 4102, 4103, 4104, 4105};

// Progress texts with the gauge position each was shown at.
struct PosProgress : TextProgress {
    std::vector<int> positions;
    void show_easy_guide(int pos, const std::string& text) override {
        positions.push_back(pos);
        TextProgress::show_easy_guide(pos, text);
    }
};

// A group of the first n demo loggers in a temporary data folder, and a
// radio context around it with recording seams.
struct Bench {
    std::string home = e2e::make_temp_folder();
    RadioState radio;
    GroupState group;
    LangTexts texts;
    ScriptedDialogs dialogs;
    PosProgress progress;
    SystemClock clock;
    std::unique_ptr<RadioContext> ctx;
    int saves = 0;

    explicit Bench(int n) {
        progress.real_sleep = false;
        texts.set(45, "OK");
        texts.set(114, "No recordings, remove ");
        texts.set(219, "read again");
        texts.set(244, "Reading");
        texts.set(247, "Interface missing");
        texts.set(416, "Pinpoint done");
        texts.set(423, "Program?");
        texts.set(424, "Synchronised");
        texts.set(426, "failed");
        texts.set(427, "Synchronising");
        texts.set(439, "Clocks");
        auto& s = group.corr_log_set;
        s.tree_path = "Pelquor/test";
        s.count = n;
        s.dev_type = family_corr;
        for (int k = 1; k <= n; ++k)
            s.corr_log[k].ID = demo_ids[k - 1];
        group.group_not_loaded = false;
        std::string data = home + "/data/";
        create_folder(group_folder(data, s.tree_path));
        ctx.reset(new RadioContext{radio, group, texts, dialogs, progress, clock, data, {}});
        ctx->hooks.save_group = [this] {
            ++saves;
            return corr_log_set_save_ini(group, ctx->data_folder) == SaveResult::written;
        };
        dialogs.default_answer = true;
        check_radio_interface(*ctx);
    }
    ~Bench() { e2e::remove_folder(home); }

    std::string folder() const { return ctx->group_folder(); }
    bool has_recording(int32_t id, int block) const {
        return file_exists(folder() + recording_file_name(id, block));
    }
    bool saw(const std::string& line) const {
        return std::find(progress.lines.begin(), progress.lines.end(), line) !=
               progress.lines.end();
    }
    // Read limits short enough for the silent cases.
    void quick_limits() {
        radio.limits.reply_ms = 150;
        radio.limits.resend_ms = 200;
        radio.limits.announce_ms = 50;
    }
};

int address_id(const std::string& msg) {
    return (byte_at(msg, 12) << 8) | byte_at(msg, 13);
}
int wake(const std::string& msg) {
    return (byte_at(msg, 2) << 8) | byte_at(msg, 3);
}

} // namespace

TEST(RadioPresence, LeavesTheIdentityFound) {
    SimProcess sim({}, "1e84:3006");
    ASSERT_TRUE(sim.running());
    Bench b(1);
    EXPECT_EQ(check_radio_interface(*b.ctx), 0);
    EXPECT_EQ(b.radio.radio_vid, 0x1E84);
    EXPECT_EQ(b.radio.radio_pid, 0x3006);
    // Later opens use it: a status readout goes through.
    auto lines = read_logger_config(*b.ctx, true, "4101");
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[1], "LOG 4101");
    EXPECT_EQ(lines[5], "Firmware: 2.15");
}

TEST(RadioPresence, MissingInterfaceLeavesTheLastIdentity) {
    std::string dir = e2e::make_temp_folder();
    ::setenv("TREVOHID_SIM", ("2047:ffeb:TR0001:0154@" + dir + "/none.sock").c_str(), 1);
    {
        Bench b(2);
        EXPECT_NE(check_radio_interface(*b.ctx), 0);
        EXPECT_EQ(b.radio.radio_vid, 0x1E84);
        EXPECT_EQ(b.radio.radio_pid, 0x3008);
        EXPECT_FALSE(read_group(*b.ctx));
        EXPECT_EQ(b.dialogs.texts("message"), std::vector<std::string>{"Interface missing"});
    }
    ::unsetenv("TREVOHID_SIM");
    e2e::remove_folder(dir);
}

TEST(RadioStatus, SilentLoggerAndListeningEndedFirst) {
    SimProcess sim({"--silent", "4102"});
    Bench b(2);
    b.quick_limits();
    int ended = 0;
    b.ctx->hooks.listening_ended = [&] { ++ended; };
    start_logger_listening(*b.ctx);
    ASSERT_TRUE(b.radio.listening);
    // A status readout while listening ends the listening first.
    auto lines = read_logger_status(*b.ctx, 4102);
    EXPECT_FALSE(b.radio.listening);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"Communication in progress...",
                                               "No communication to ID 4102"}));
    auto stops = sim.received();
    bool stop_sent = std::any_of(stops.begin(), stops.end(),
                                 [](const std::string& m) { return m == "2005000006060000"; });
    EXPECT_TRUE(stop_sent);
}

TEST(RadioDetect, AnnouncementsWhileListening) {
    SimProcess sim({"--announce", "4101,4102"});
    Bench b(1);
    start_logger_listening(*b.ctx);
    std::vector<uint32_t> heard;
    for (int i = 0; i < 12 && heard.size() < 3; ++i) {
        uint32_t a = read_logger_announcement(*b.ctx);
        if (a)
            heard.push_back(a);
    }
    stop_logger_listening(*b.ctx);
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard[0], logger_address(family_corr, 4101));
    EXPECT_EQ(heard[1], logger_address(family_corr, 4102));
    EXPECT_EQ(read_logger_announcement(*b.ctx), 0u) << "not listening any more";
}

TEST(RadioProgram, SilentLoggerStopsTheLoop) {
    SimProcess sim({"--silent", "4102"});
    Bench b(3);
    b.quick_limits();
    b.group.corr_log_set.meas_mode = 2;
    EXPECT_FALSE(logger_programmieren(*b.ctx));
    EXPECT_TRUE(b.radio.prog_failed);
    auto prog = sim.received_code(0x78);
    ASSERT_EQ(prog.size(), 4u) << "one for 4101, three tries for 4102, none for 4103";
    EXPECT_EQ(address_id(prog[0]), 4101);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(address_id(prog[static_cast<size_t>(i)]), 4102);
    EXPECT_TRUE(sim.received_code(0x76).empty()) << "no synchronisation follows";
    EXPECT_TRUE(b.saw("4101: 1/3 OK"));
    EXPECT_EQ(b.progress.lines.back(), "4102: 2/3 failed");
    EXPECT_EQ(b.progress.positions.back(), 0) << "the failure hides the gauge";
}

TEST(RadioProgram, ProgramsAndSynchronisesTheGroup) {
    SimProcess sim;
    Bench b(3);
    auto& s = b.group.corr_log_set;
    s.meas_mode = 2;
    s.interval = 600;
    s.meas_delta = 300;
    int countdown = -1;
    b.ctx->hooks.countdown = [&](int phase, int seconds) {
        if (phase == 1)
            countdown = seconds;
    };
    EXPECT_TRUE(logger_programmieren(*b.ctx));
    auto prog = sim.received_code(0x78);
    ASSERT_EQ(prog.size(), 3u);
    EXPECT_EQ(byte_at(prog[2], 25), 3) << "position in the group";
    EXPECT_EQ(byte_at(prog[2], 17), day_mask(day_of_week(b.clock.local_now())));
    auto sync = sim.received_code(0x76);
    ASSERT_EQ(sync.size(), 1u);
    EXPECT_EQ(sync[0].size(), 94u) << "47 bytes";
    EXPECT_NE(s.sync_time, 0u);
    EXPECT_EQ(countdown, 300);
    EXPECT_TRUE(b.saw("Synchronised"));
    // The group file holds the synchronisation time.
    GroupState back;
    parse_corr_grp_ini(back, b.folder() + group_file_name);
    EXPECT_EQ(back.corr_log_set.sync_time, s.sync_time);
}

TEST(RadioSync, ThreeAttemptsThenTheMissingIds) {
    SimProcess sim({"--silent", "4103"});
    Bench b(3);
    b.quick_limits();
    EXPECT_FALSE(sync_corr_log_set(*b.ctx));
    EXPECT_EQ(sim.received_code(0x76).size(), 3u);
    EXPECT_TRUE(b.saw("Synchronising #3"));
    EXPECT_EQ(b.progress.lines.back(), "failed:  ID4103");
}

TEST(RadioTimers, ReadTimersAndClocks) {
    SimProcess sim;
    Bench b(2);
    b.group.corr_log_set.meas_mode = 1;
    ASSERT_TRUE(sync_corr_log_set(*b.ctx));
    ASSERT_TRUE(read_timer_corr_log_set(*b.ctx));
    auto& s = b.group.corr_log_set;
    uint32_t now = b.clock.local_now();
    EXPECT_NEAR(static_cast<double>(s.read_time), now, 5);
    for (int k = 1; k <= 2; ++k)
        EXPECT_NEAR(static_cast<double>(s.corr_log[k].read_time), now, 60) << k;
    EXPECT_EQ(b.group.sample_rate, 6554);
    EXPECT_TRUE(b.saw("Clocks ok"));
}

TEST(RadioDownload, GapsResendsAndFailures) {
    // Block 0: the stream stops after 158; block 1: 15 gaps; block 2: 16 gaps.
    SimProcess sim({"--ready", "--drop", "4101:0:159-160", "--drop", "4101:1:20-34", "--drop",
                    "4101:2:20-35"});
    Bench b(1);
    init_requests(*b.ctx);
    b.radio.current_logger = 1;
    int list[] = {0, 1, 2};
    std::string result = download_audio_blocks(*b.ctx, 4101, 3, list);
    EXPECT_EQ(result, "xxx") << "the last block failed";
    const auto& req = b.radio.block_requests[1];
    EXPECT_EQ(req[1], 2);
    EXPECT_EQ(req[2], 15);
    EXPECT_EQ(req[3], 16);
    EXPECT_TRUE(b.has_recording(4101, 0));
    EXPECT_TRUE(b.has_recording(4101, 1));
    EXPECT_FALSE(b.has_recording(4101, 2));
    EXPECT_TRUE(b.radio.download_error);
    std::string content;
    ASSERT_TRUE(read_file(b.folder() + "L4101_B0.wav", content));
    EXPECT_EQ(content.size(), 44u + 2 * 20480);
    // Resends: the last listed first, 160 then 159; 15 for block 1; none for block 2.
    auto resends = sim.received_code(0xCA);
    ASSERT_EQ(resends.size(), 17u);
    EXPECT_EQ(byte_at(resends[0], 20), 160);
    EXPECT_EQ(byte_at(resends[1], 20), 159);
    EXPECT_EQ(byte_at(resends[2], 20), 34);
    // Block requests: the long wake field only for the first list entry.
    auto requests = sim.received_code(0xCB);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(wake(requests[0]), 2500);
    EXPECT_EQ(wake(requests[1]), 16);
}

TEST(RadioDownload, SecondPassFetchesOnlyTheFailedBlock) {
    // Block 9 (list entry 10) loses 16 packets on its first request only.
    SimProcess sim({"--ready", "--drop", "4101:9:20-35:1"});
    Bench b(1);
    init_requests(*b.ctx);
    EXPECT_EQ(read_audioblocks(*b.ctx), 10);
    auto requests = sim.received_code(0xCB);
    ASSERT_EQ(requests.size(), 11u);
    EXPECT_EQ(byte_at(requests[10], 19), 9);
    EXPECT_EQ(wake(requests[10]), 16);
    for (int block = 0; block <= 9; ++block)
        EXPECT_TRUE(b.has_recording(4101, block)) << block;
    EXPECT_TRUE(b.saw("4101 ok"));
    EXPECT_EQ(b.progress.lines.back(), "10/10 OK");
}

TEST(RadioDownload, OversizedBlocksAreRefused) {
    // 201 announced packets, and a packet numbered 205 in a block of 200:
    // both are refused without touching memory past the 200 slots.
    SimProcess sim({"--ready", "--packets", "4101:0:201", "--packets", "4101:1:200", "--renumber",
                    "4101:1:199:205"});
    Bench b(1);
    init_requests(*b.ctx);
    b.radio.current_logger = 1;
    int list[] = {0, 1, 2};
    std::string result = download_audio_blocks(*b.ctx, 4101, 3, list);
    const auto& req = b.radio.block_requests[1];
    EXPECT_EQ(req[1], 16);
    EXPECT_EQ(req[2], 16);
    EXPECT_EQ(req[3], 0) << "the next block still comes in";
    EXPECT_TRUE(b.has_recording(4101, 2));
    EXPECT_NE(result, "xxx");
}

TEST(RadioDownload, ShowRequestsOffersToRemoveAnEmptyLogger) {
    SimProcess sim({"--ready", "--silent", "4102"});
    Bench b(2);
    b.quick_limits();
    b.dialogs.answers = {true};
    init_requests(*b.ctx);
    EXPECT_EQ(read_audioblocks(*b.ctx), 10);
    EXPECT_EQ(b.dialogs.texts("question"), std::vector<std::string>{"No recordings, remove 4102?"});
    EXPECT_EQ(b.group.corr_log_set.count, 1);
    EXPECT_EQ(b.progress.lines.back(), "10/10 OK");
}

TEST(RadioReadGroup, NightModeReadsTimersThenBlocks) {
    SimProcess sim;
    Bench b(2);
    auto& s = b.group.corr_log_set;
    s.meas_mode = 1;
    int reloads = 0;
    b.ctx->hooks.reload_group = [&] { ++reloads; };
    ASSERT_TRUE(logger_programmieren(*b.ctx));
    ASSERT_TRUE(read_group(*b.ctx));
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(sim.received_code(0x74).size(), 1u);
    for (int block : {0, 11, 99})
        EXPECT_TRUE(b.has_recording(4102, block)) << block;
    EXPECT_EQ(b.progress.lines.back(), "20/20 OK");
}

TEST(RadioPinpoint, OrderWakeFieldsAndMarker) {
    SimProcess sim;
    Bench b(3);
    PinpointState ps;
    ASSERT_TRUE(start_pinpoint(*b.ctx, ps, 6));
    EXPECT_EQ(ps.pinpoint_gauge_step, 16);
    ASSERT_TRUE(pinpoint_tick(*b.ctx, ps));
    // After asking logger 1 the display shows logger 2, still unanswered.
    EXPECT_EQ(ps.pinpoint_pos, 2);
    EXPECT_EQ(ps.view[2].text, "100 ESA\n60 dB\n2500 Hz");
    while (pinpoint_tick(*b.ctx, ps)) {
    }
    auto asks = sim.received_code(0xCE);
    ASSERT_EQ(asks.size(), 6u);
    int order[] = {4101, 4102, 4103, 4101, 4102, 4103};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(address_id(asks[i]), order[i]) << i;
        EXPECT_EQ(wake(asks[i]), i < 3 ? 2500 : 16) << i;
    }
    auto& s = b.group.corr_log_set;
    int best = 1;
    for (int k = 1; k <= 3; ++k) {
        const auto& l = s.corr_log[k];
        EXPECT_LT(l.min_level, 60) << k;
        EXPECT_EQ(l.min_esa, calc_esa(l.min_level, l.min_frequency)) << k;
        if (l.min_esa > s.corr_log[best].min_esa)
            best = k;
    }
    EXPECT_EQ(ps.marker_slot, best);
    EXPECT_LE(best, 2) << "the loggers beside the leak hear it best";
    EXPECT_FALSE(ps.view[1].bar_visible);
    EXPECT_EQ(b.progress.lines.back(), "Pinpoint done");
}

TEST(RadioFirmware, LoggerUpdateEndsWithItsAnnouncement) {
    SimProcess sim;
    Bench b(1);
    b.radio.single_dev_type = family_corr;
    FirmwareWait fw;
    std::vector<uint8_t> file(500, 0x5A);
    ASSERT_TRUE(update_logger_firmware(*b.ctx, fw, "4101", file));
    FirmwareTick t = FirmwareTick::waiting;
    for (int i = 0; i < 60 && t == FirmwareTick::waiting; ++i)
        t = fw_update_check_timer(*b.ctx, fw);
    EXPECT_EQ(t, FirmwareTick::finished);
    EXPECT_EQ(b.dialogs.texts("message"), std::vector<std::string>{"Update finished ID 4101"});
    auto pages = sim.received_code(0xFE);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].size(), 2u * 224);
    EXPECT_EQ(pages[2].size(), 2u * 100);
    EXPECT_EQ(wake(pages[0]), 2500);
    EXPECT_EQ(wake(pages[1]), 16);
    EXPECT_FALSE(b.radio.listening);
}

TEST(RadioFirmware, RefusesAnIdThatIsNoNumber) {
    SimProcess sim;
    Bench b(1);
    FirmwareWait fw;
    EXPECT_FALSE(update_logger_firmware(*b.ctx, fw, "41x", std::vector<uint8_t>(300, 1)));
    EXPECT_TRUE(sim.received_code(0xFE).empty());
    EXPECT_EQ(b.dialogs.texts("error").size(), 1u);
}

TEST(RadioFirmware, FailureNamesTheUpdatedLogger) {
    SimProcess sim({"--silent", "4101"});
    Bench b(1);
    b.quick_limits();
    FirmwareWait fw;
    ASSERT_TRUE(update_logger_firmware(*b.ctx, fw, "4101", std::vector<uint8_t>(100, 1)));
    int ticks = 0;
    FirmwareTick t = FirmwareTick::waiting;
    while (t == FirmwareTick::waiting && ticks < 100) {
        t = fw_update_check_timer(*b.ctx, fw);
        ++ticks;
    }
    EXPECT_EQ(t, FirmwareTick::failed);
    EXPECT_EQ(ticks, 39);
    EXPECT_EQ(b.dialogs.texts("message"), std::vector<std::string>{"Update failed ID 4101"});
}

TEST(RadioFirmware, InterfacePagesCountTheLastOne) {
    SimProcess sim;
    Bench b(1);
    EXPECT_EQ(update_interface_firmware(*b.ctx, std::vector<uint8_t>(416, 7)), 3);
    EXPECT_EQ(b.dialogs.texts("message"), std::vector<std::string>{"finished: 3"});
    auto all = sim.received();
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all.back().size(), 2u * 16) << "an empty last page";
    EXPECT_TRUE(b.saw("Tessrin Firmware verification ..."));
}

TEST(RadioDownload, ShortBlocksAndLostResends) {
    // Block 0 announces 150 packets; block 1 loses packet 50 for good.
    SimProcess sim(
        {"--ready", "--packets", "4101:0:150", "--drop", "4101:1:50", "--no-resend", "4101:1:50"});
    Bench b(1);
    b.quick_limits();
    init_requests(*b.ctx);
    b.radio.current_logger = 1;
    int list[] = {0, 1};
    EXPECT_EQ(download_audio_blocks(*b.ctx, 4101, 2, list), "xxx");
    EXPECT_EQ(b.radio.block_requests[1][1], 16);
    EXPECT_EQ(b.radio.block_requests[1][2], 16);
    EXPECT_FALSE(b.has_recording(4101, 0));
    EXPECT_FALSE(b.has_recording(4101, 1));
    EXPECT_EQ(sim.received_code(0xCA).size(), 3u) << "three tries for the lost packet";
}

TEST(RadioTimers, RangeOfTheReplyAndTheSelector) {
    SimProcess sim;
    Bench b(1);
    auto& s = b.group.corr_log_set;
    s.meas_mode = 1;
    s.range_mode = 1;
    ASSERT_TRUE(logger_programmieren(*b.ctx));
    // The selector shows "Corr": range 1 stays, at half the rate.
    s.range_mode = 0;
    ASSERT_TRUE(read_timer_corr_log_set(*b.ctx));
    EXPECT_EQ(s.range_mode, 1);
    EXPECT_EQ(b.group.sample_rate, 3277);
    // The selector shows "Vellmar": switching it back acts like a click.
    int clicked = -1;
    b.ctx->hooks.range_selector_changed = [&](int item) { clicked = item; };
    b.group.rg_range_item = 1;
    s.dev_type = family_corr;
    ASSERT_TRUE(read_timer_corr_log_set(*b.ctx));
    EXPECT_EQ(clicked, 0);
    EXPECT_EQ(s.range_mode, 0);
    EXPECT_EQ(b.group.sample_rate, 6554);
    EXPECT_EQ(s.dev_type, family_corr);
}

TEST(RadioPresence, InterfaceInfoBoxes) {
    SimProcess sim({}, "1e84:3006");
    Bench b(1);
    show_radio_interface_info(*b.ctx);
    EXPECT_EQ(b.dialogs.texts("message"),
              (std::vector<std::string>{"number of devices:1", "HID Open:0", "serial:0",
                                        "# TR0001, HID-V:3400"}));
}

TEST(RadioStatus, LateRepliesMissTheReadLimit) {
    SimProcess sim({"--late", "400"});
    Bench b(1);
    b.radio.limits.reply_ms = 150;
    auto late = read_logger_status(*b.ctx, 4101);
    EXPECT_EQ(late.back(), "No communication to ID 4101");
    b.radio.limits = RadioLimits{};
    auto lines = read_logger_status(*b.ctx, 4101);
    EXPECT_EQ(lines.back(), "Communication finished!") << "within the radio's own 4 s";
}

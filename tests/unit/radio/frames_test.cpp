#include "groups/group_model.h"
#include "radio/radio_frames.h"
#include "shell/language.h"

#include <gtest/gtest.h>

using namespace pelquor;

namespace {

Frame bytes(std::initializer_list<int> v) {
    Frame f;
    for (int b : v)
        f.push_back(static_cast<uint8_t>(b));
    return f;
}

Frame slice(const Frame& f, size_t from, size_t to) {
    return Frame(f.begin() + static_cast<long>(from), f.begin() + static_cast<long>(to) + 1);
}

} // namespace

TEST(RadioFrames, StatusRequestIsFourteenBytes) {
    Frame f = status_request(logger_address(family_corr, 0x1234));
    EXPECT_EQ(f, bytes({0x20, 0x02, 0x09, 0xC4, 0x06, 0x06, 0x00, 0x06, 0x05, 0xD2, 0x00, 0x68,
                        0x12, 0x34}));
}

TEST(RadioFrames, AddressOfFamilyVellmar) {
    Frame f = pinpoint_request(logger_address(family_vellmar, 4660), wake_next);
    EXPECT_EQ(slice(f, 11, 13), bytes({0x70, 0x12, 0x34}));
    EXPECT_EQ(slice(f, 2, 3), bytes({0x00, 0x10}));
    EXPECT_EQ(shown_id(0x701234, family_vellmar), 4660);
}

TEST(RadioFrames, InterfaceMessages) {
    EXPECT_EQ(interface_message(kind_iface_start, iface_listen),
              bytes({0x20, 4, 0, 0, 6, 6, 0, 0}));
    EXPECT_EQ(interface_message(kind_iface_start, iface_stream),
              bytes({0x20, 4, 0, 0, 11, 11, 0, 0}));
    EXPECT_EQ(interface_message(kind_iface_stop, iface_end), bytes({0x20, 5, 0, 0, 8, 8, 0, 0}));
}

TEST(RadioFrames, DayMaskOfTodayAndTomorrow) {
    struct Case {
        int day;
        int mask;
    } cases[] = {{1, 3}, {4, 24}, {7, 65}};
    for (auto c : cases)
        EXPECT_EQ(day_mask(c.day), c.mask) << c.day;
}

TEST(RadioFrames, ProgramCommandInstantMode) {
    ProgramParams p;
    p.radio_on = 7;
    p.radio_off = 19;
    p.day_mask = day_mask(7);
    p.start = 0x102; // only the low byte travels
    p.stop = 4;
    p.position = 3;
    p.meas_mode = 2;
    p.interval = 600;
    p.blocks = 10;
    p.meas_delta = 300;
    p.range_mode = 0;
    p.time = 0x5F5E1234;
    Frame f = program_command(logger_address(family_corr, 500), p);
    ASSERT_EQ(f.size(), 38u);
    EXPECT_EQ(slice(f, 0, 13),
              bytes({0x20, 2, 0x09, 0xC4, 6, 6, 0, 30, 29, 0x78, 0, 0x68, 0x01, 0xF4}));
    EXPECT_EQ(slice(f, 14, 26), bytes({0x40, 7, 19, 65, 0, 0x02, 4, 127, 100, 0, 0, 3, 2}));
    EXPECT_EQ(slice(f, 27, 33), bytes({0x02, 0x58, 0x0A, 0x00, 0x00, 0x01, 0x2C}));
    EXPECT_EQ(slice(f, 34, 37), bytes({0x5F, 0x5E, 0x12, 0x34}));
}

TEST(RadioFrames, ProgramCommandModeBytesByMode) {
    ProgramParams p;
    p.interval = 600;
    p.blocks = 10;
    p.meas_delta = 300;
    p.range_mode = 2;
    p.meas_mode = 1;
    EXPECT_EQ(slice(program_command(1, p), 27, 33), bytes({0, 0, 0, 2, 0, 0, 0}));
    p.meas_mode = 0;
    EXPECT_EQ(slice(program_command(1, p), 27, 33), bytes({0, 0, 0, 0, 0, 0, 0}));
}

TEST(RadioFrames, SyncCommandOfThreeLoggers) {
    std::array<int32_t, 8> ids{0x0101, 0x0202, 0x0303, 0, 0, 0, 0, 0};
    Frame f = sync_command(family_corr, ids, 3, 0x01020304);
    ASSERT_EQ(f.size(), 47u);
    EXPECT_EQ(f[7], 39);
    EXPECT_EQ(f[8], 38);
    EXPECT_EQ(f[9], 0x76);
    EXPECT_EQ(f[1], 3);
    EXPECT_EQ(slice(f, 11, 22), bytes({0x68, 1, 1, 0, 0x68, 2, 2, 0, 0x68, 3, 3, 0}));
    // Slots 4..7 carry only the prefix and their trailing 0; slot 8 has three bytes.
    for (int k = 4; k <= 7; ++k)
        EXPECT_EQ(slice(f, 11 + 4 * (k - 1), 14 + 4 * (k - 1)), bytes({0x68, 0, 0, 0})) << k;
    EXPECT_EQ(slice(f, 39, 41), bytes({0x68, 0, 0}));
    EXPECT_EQ(f[42], 1);
    EXPECT_EQ(slice(f, 43, 46), bytes({1, 2, 3, 4}));
}

TEST(RadioFrames, TimerCommandEndsWithOne) {
    std::array<int32_t, 8> ids{1, 2, 3, 4, 5, 6, 7, 8};
    Frame f = timer_command(family_vellmar, ids, 8);
    ASSERT_EQ(f.size(), 43u);
    EXPECT_EQ(slice(f, 7, 10), bytes({35, 34, 0x74, 0}));
    EXPECT_EQ(slice(f, 39, 42), bytes({0x70, 0, 8, 1}));
}

TEST(RadioFrames, BlockAndResendRequests) {
    uint32_t a = logger_address(family_corr, 7);
    EXPECT_EQ(block_request(a, wake_first, 0xA0B0C0D0, 11),
              bytes({0x20, 2,    0x09, 0xC4, 6,    6,    0,    12,   11,   0xCB,
                     0,    0x68, 0,    7,    0xE0, 0xA0, 0xB0, 0xC0, 0xD0, 11}));
    EXPECT_EQ(resend_request(a, 0x11223344, 3, 159),
              bytes({0x20, 2, 0, 0x10, 6,    6,    0,    13,   12, 0xCA, 0,
                     0x68, 0, 7, 0xE0, 0x11, 0x22, 0x33, 0x44, 3,  159}));
}

TEST(RadioFrames, FirmwarePageSizes) {
    struct Case {
        size_t size, full, last;
    } cases[] = {{416, 2, 0}, {500, 2, 84}, {207, 0, 207}, {0, 0, 0}};
    for (auto c : cases) {
        PagePlan plan = firmware_pages(c.size);
        EXPECT_EQ(plan.full_pages, c.full) << c.size;
        EXPECT_EQ(plan.last_size, c.last) << c.size;
    }
    std::vector<uint8_t> data(208, 0xAB);
    Frame full =
        logger_firmware_page(logger_address(family_corr, 4660), wake_first, 0, data.data(), 208);
    ASSERT_EQ(full.size(), 224u);
    EXPECT_EQ(slice(full, 0, 15),
              bytes({0x20, 2, 0x09, 0xC4, 6, 6, 0, 216, 215, 0xFE, 0, 0x68, 0x12, 0x34, 0, 0}));
    Frame empty = logger_firmware_page(0x681234, wake_next, 2, data.data(), 0);
    ASSERT_EQ(empty.size(), 16u);
    EXPECT_EQ(slice(empty, 7, 8), bytes({8, 7}));
    EXPECT_EQ(slice(empty, 14, 15), bytes({0, 2}));
    Frame last = interface_firmware_page(2, data.data(), 84);
    ASSERT_EQ(last.size(), 100u);
    EXPECT_EQ(slice(last, 0, 15),
              bytes({0x01, 0x51, 0, 0, 0, 0, 0, 92, 91, 0xFE, 0, 0, 0, 0, 0, 2}));
}

TEST(RadioReplies, BlockInfoChecks) {
    uint8_t rx[32] = {13, 0xC0, 0, 0x68, 0, 7, 4, 0, 160, 0x60, 0, 0, 1, 0x83};
    BlockInfo bi;
    ASSERT_TRUE(parse_block_info(rx, 14, 0x680007, bi));
    EXPECT_EQ(bi.packets, 160);
    EXPECT_EQ(bi.block_time, 0x60000001u);
    EXPECT_EQ(bi.gain_shift, 3);
    EXPECT_FALSE(parse_block_info(rx, 14, 0x680008, bi)) << "other logger";
    EXPECT_FALSE(parse_block_info(rx, 10, 0x680007, bi)) << "cut short";
    rx[7] = 1;
    EXPECT_FALSE(parse_block_info(rx, 14, 0x680007, bi)) << "byte 7 not 0";
}

TEST(RadioReplies, StatusLinesInOrder) {
    LangTexts t;
    t.set(222, "Alpha");
    t.set(223, "Beta");
    t.set(225, "Clock");
    std::vector<uint8_t> rx(120, 0);
    rx[0] = 110;
    rx[1] = 0xD1;
    rx[3] = 0x68;
    rx[5] = 9;
    rx[6] = 3;
    rx[11] = 200;
    rx[26] = 2;
    rx[27] = 15;
    for (int i = 44; i < 48; ++i)
        rx[static_cast<size_t>(i)] = 0xFF;
    rx[107] = 0x01;
    rx[108] = 0x00;
    auto lines = status_lines(rx.data(), rx.size(), 0x680009, 9, t);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "LOG 9");
    EXPECT_EQ(lines[1], "Alpha: 200");
    EXPECT_EQ(lines[2], "Beta: 0");
    EXPECT_EQ(lines[3], "Clock: 1970-01-01 00:00:00");
    EXPECT_EQ(lines[4], "Firmware: 2.15");
    EXPECT_EQ(lines[5], "Logger mode: 3");
    EXPECT_EQ(lines[10], "Measurement start in: 256");
    EXPECT_EQ(lines[11], "Hours in config mode: -1");
    EXPECT_EQ(lines[19], "Transmitted audio packets: 0");
    EXPECT_EQ(lines[20], "Communication finished!");
    EXPECT_TRUE(status_lines(rx.data(), rx.size(), 0x68000A, 10, t).empty()) << "other address";
    rx[0] = 60;
    EXPECT_TRUE(status_lines(rx.data(), rx.size(), 0x680009, 9, t).empty()) << "short reply";
}

// Pure helpers of the backends: report descriptors, matching, the simulated
// device list, text conversions.
#include "hid_internal.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Desc = std::vector<uint8_t>;

// The radio interface: vendor page, report 0x54 with 63 bytes each way.
const Desc kRadioInterface = {
    0x06, 0x00, 0xFF,       // Usage Page (vendor)
    0x09, 0x01,             // Usage
    0xA1, 0x01,             // Collection (Application)
    0x85, 0x54,             //   Report ID 0x54
    0x75, 0x08,             //   Report Size 8
    0x95, 0x3F,             //   Report Count 63
    0x09, 0x01, 0x81, 0x02, // Usage, Input
    0x09, 0x01, 0x91, 0x02, // Usage, Output
    0xC0,                   // End Collection
};

// A boot keyboard: no report ids, 8 input bytes, 5 LED bits + 3 padding out.
const Desc kKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0,
};

// Two reports; Push/Pop around the second; a long item; a 2-byte count.
const Desc kMixed = {
    0x85, 0x01, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02, // id 1: 4 bytes in
    0xA4,                                           // Push
    0x85, 0x02, 0x96, 0x00, 0x01, 0x81, 0x02,       // id 2: 256 bytes in
    0xB4,                                           // Pop: id 1, size 8, count 4
    0xFE, 0x02, 0x10, 0xAA, 0xBB,                   // long item, skipped
    0x91, 0x02,                                     // id 1: 4 bytes out
    0x95, 0x02, 0x91, 0x02,                         // id 1: 2 more bytes out
};

struct DescCase {
    const char* name;
    Desc desc;
    int result;
    uint16_t input;
    uint16_t output;
    int numbered;
};

TEST(ReportDescriptor, ReportLengthsIncludeTheIdByte) {
    const DescCase cases[] = {
        {"radio interface", kRadioInterface, 0, 64, 64, 1},
        {"keyboard", kKeyboard, 0, 9, 2, 0},
        {"mixed", kMixed, 0, 257, 7, 1},
        {"empty", {}, 0, 0, 0, 0},
        {"truncated data", {0x75, 0x08, 0x96, 0x01}, -1, 0, 0, 0},
        {"truncated long item", {0xFE, 0x05, 0x10, 0x01}, -1, 0, 0, 0},
        {"pop without push", {0xB4}, -1, 0, 0, 0},
        {"report id 0", {0x85, 0x00}, -1, 0, 0, 0},
        {"push overflow", Desc(9, 0xA4), -1, 0, 0, 0},
        {"huge report is capped",
         {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02},
         0,
         0xFFFF,
         0,
         0},
    };
    for (const DescCase& c : cases) {
        SCOPED_TRACE(c.name);
        hid_report_lengths out{};
        ASSERT_EQ(hid_parse_report_descriptor(c.desc.data(), c.desc.size(), &out), c.result);
        if (c.result != 0)
            continue;
        EXPECT_EQ(out.input, c.input);
        EXPECT_EQ(out.output, c.output);
        EXPECT_EQ(out.numbered, c.numbered);
    }
}

hid_entry entry(uint16_t vendor, uint16_t product, const char* path) {
    hid_entry e{};
    e.vendor = vendor;
    e.product = product;
    snprintf(e.path, sizeof e.path, "%s", path);
    return e;
}

TEST(Matching, IndexCountsMatchesInEnumerationOrder) {
    const std::vector<hid_entry> list = {
        entry(0x2047, 0xffeb, "/dev/hidraw0"), entry(0x046d, 0xc52b, "/dev/hidraw1"),
        entry(0x2047, 0xffeb, "/dev/hidraw2"), entry(0x2047, 0xffea, "/dev/hidraw3"),
        entry(0x2047, 0xffeb, "/dev/hidraw4"),
    };
    struct Case {
        uint32_t index;
        int32_t result;
        size_t pos;
    } cases[] = {{0, HID_OK, 0},
                 {1, HID_OK, 2},
                 {2, HID_OK, 4},
                 {3, HID_ERR_NO_DEVICE, 0},
                 {128, HID_ERR_PLATFORM, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        size_t pos = 99;
        EXPECT_EQ(hid_select(list.data(), list.size(), 0x2047, 0xffeb, c.index, 0, &pos), c.result);
        if (c.result == HID_OK) {
            EXPECT_EQ(pos, c.pos);
        }
    }
    size_t pos = 0;
    EXPECT_EQ(hid_select(list.data(), 0, 0x2047, 0xffeb, 0, 0, &pos), HID_ERR_NO_DEVICE);
}

TEST(Matching, PathsThatCarryIdsMustContainTheMatchText) {
    hid_entry with = entry(0x2047, 0xffeb, "sim:vid_2047&pid_ffeb:/tmp/a.sock");
    hid_entry upper = entry(0x2047, 0xffeb, "sim:vid_2047&pid_FFEB:/tmp/a.sock");
    hid_entry without = entry(0x2047, 0xffeb, "/dev/hidraw0");
    EXPECT_EQ(hid_entry_matches(&with, 0x2047, 0xffeb, 1), 1);
    EXPECT_EQ(hid_entry_matches(&upper, 0x2047, 0xffeb, 1), 0);
    EXPECT_EQ(hid_entry_matches(&without, 0x2047, 0xffeb, 1), 0);
    EXPECT_EQ(hid_entry_matches(&without, 0x2047, 0xffeb, 0), 1);
    EXPECT_EQ(hid_entry_matches(&with, 0x2047, 0xffea, 1), 0);
}

struct Walked {
    uint32_t position;
    hid_sim_item item;
};

std::vector<Walked> walk(const char* list) {
    std::vector<Walked> out;
    hid_sim_walk(
        list,
        [](void* ctx, uint32_t position, const hid_sim_item* item) {
            static_cast<std::vector<Walked>*>(ctx)->push_back({position, *item});
            return 0;
        },
        &out);
    return out;
}

TEST(SimList, EntriesInOrderAndMalformedOnesSkipped) {
    std::vector<Walked> w = walk("2047:FFEB:TR0001:0154@/tmp/radio.sock;;"
                                 "zz47:ffeb:X:0154@/tmp/bad;"           // not hex
                                 "2047:ffeb:NOPATH:0154@;"              // no path
                                 "2047:ffeb:NOAT:0154/tmp/x;"           // no '@'
                                 "1234:5678::00ff@/tmp/b.sock;"         // empty serial
                                 "1234:5678:A:B:C:0001@/tmp/c@d.sock"); // ':' in serial
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0].position, 0u);
    EXPECT_EQ(w[0].item.vendor, 0x2047);
    EXPECT_EQ(w[0].item.product, 0xffeb);
    EXPECT_EQ(w[0].item.release, 0x0154);
    EXPECT_STREQ(w[0].item.serial, "TR0001");
    EXPECT_STREQ(w[0].item.socket_path, "/tmp/radio.sock");
    EXPECT_EQ(w[1].position, 1u);
    EXPECT_STREQ(w[1].item.serial, "");
    EXPECT_STREQ(w[2].item.serial, "A:B:C");
    EXPECT_STREQ(w[2].item.socket_path, "/tmp/c@d.sock");

    char path[HID_PATH_MAX + 1];
    hid_sim_path(&w[0].item, path, sizeof path);
    EXPECT_STREQ(path, "sim:vid_2047&pid_ffeb:/tmp/radio.sock");

    EXPECT_TRUE(walk("").empty());
    EXPECT_TRUE(walk(nullptr).empty());
}

TEST(SimList, OverlongPartsAreMalformed) {
    std::string serial(HID_SERIAL_MAX + 1, 'S');
    std::string path(HID_PATH_MAX + 1, 'p');
    EXPECT_TRUE(walk(("2047:ffeb:" + serial + ":0154@/tmp/a").c_str()).empty());
    EXPECT_TRUE(walk(("2047:ffeb:S:0154@" + path).c_str()).empty());
}

TEST(Conversions, HexAndHidIdTexts) {
    uint16_t v = 0, p = 0;
    EXPECT_EQ(hid_parse_hex16("2047\n", &v), 0);
    EXPECT_EQ(v, 0x2047);
    EXPECT_EQ(hid_parse_hex16("ffEb", &v), 0);
    EXPECT_EQ(v, 0xffeb);
    EXPECT_EQ(hid_parse_hex16("1", &v), 0);
    EXPECT_EQ(v, 1);
    for (const char* bad : {"", "12345", "12x4", "-1"})
        EXPECT_EQ(hid_parse_hex16(bad, &v), -1) << bad;
    EXPECT_EQ(hid_parse_hex16(nullptr, &v), -1);

    EXPECT_EQ(hid_parse_hid_id("0003:00002047:0000FFEB", &v, &p), 0);
    EXPECT_EQ(v, 0x2047);
    EXPECT_EQ(p, 0xffeb);
    for (const char* bad : {"0003:00012047:0000FFEB", "0003:2047:FFEB", "0003-00002047-0000FFEB"})
        EXPECT_EQ(hid_parse_hid_id(bad, &v, &p), -1) << bad;
    EXPECT_EQ(hid_parse_hid_id(nullptr, &v, &p), -1);
}

TEST(Conversions, Utf8ToUtf16CutsWithinTheBuffer) {
    uint16_t out[8];
    EXPECT_EQ(hid_utf8_to_utf16("TR01", out, 8), 4u);
    EXPECT_EQ(out[0], 'T');
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(hid_utf8_to_utf16("TR01", out, 3), 2u);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(hid_utf8_to_utf16("\xC3\xA9\xF0\x9F\x98\x80", out, 8), 3u); // é and U+1F600
    EXPECT_EQ(out[0], 0xE9);
    EXPECT_EQ(out[1], 0xD83D);
    EXPECT_EQ(out[2], 0xDE00);
    EXPECT_EQ(hid_utf8_to_utf16("\xF0\x9F\x98\x80", out, 2), 0u) << "no half surrogate pair";
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(hid_utf8_to_utf16("a\xFF\xC3", out, 8), 3u);
    EXPECT_EQ(out[1], 0xFFFD);
    EXPECT_EQ(out[2], 0xFFFD);
}

} // namespace

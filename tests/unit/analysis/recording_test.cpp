#include "radio/recording.h"
#include "test_support.h"

#include "shell/files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pelquor {
namespace {

using test::TempFolder;

uint32_t u32_at(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8) |
           (static_cast<uint8_t>(b[at + 2]) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24);
}
uint16_t u16_at(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) |
                                 (static_cast<uint8_t>(b[at + 1]) << 8));
}

// A full data packet: length 195, code 0xC9, number k, 64 sample pairs.
void fill_packet(BlockBuffers& bb, int k, uint8_t b0, uint8_t b1, uint8_t b2) {
    auto& p = bb.block_packets[k];
    p.fill(0);
    p[0] = 195;
    p[1] = 0xC9;
    p[3] = static_cast<uint8_t>(k);
    for (int i = 4; i < 196; i += 3) {
        p[i] = b0;
        p[i + 1] = b1;
        p[i + 2] = b2;
    }
}

TEST(RecordingNames, FileNames) {
    EXPECT_EQ(recording_file_name(12345, 0), "L12345_B0.wav");
    EXPECT_EQ(recording_file_name(5, 11), "L5_B11.wav");
    EXPECT_EQ(raw_block_wav_name(12345, 3), "12345g3.wav");
    EXPECT_EQ(block_number_of(0, 1), 0);
    EXPECT_EQ(block_number_of(0, 10), 9);
    EXPECT_EQ(block_number_of(1, 3), 22);
    EXPECT_EQ(block_number_of(1, 10), 99);
}

TEST(WavHeader, ByteLayout) {
    const std::string h = wav_header(1638, 20480);
    ASSERT_EQ(h.size(), 44u);
    EXPECT_EQ(h.substr(0, 4), "RIFF");
    EXPECT_EQ(u32_at(h, 4), 36u + 40960u);
    EXPECT_EQ(h.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32_at(h, 16), 16u);
    EXPECT_EQ(u16_at(h, 20), 1);
    EXPECT_EQ(u16_at(h, 22), 1);
    EXPECT_EQ(u32_at(h, 24), 1638u);
    EXPECT_EQ(u32_at(h, 28), 3276u);
    EXPECT_EQ(u16_at(h, 32), 2);
    EXPECT_EQ(u16_at(h, 34), 16);
    EXPECT_EQ(h.substr(36, 4), "data");
    EXPECT_EQ(u32_at(h, 40), 40960u);
}

TEST(WavHeader, RateFollowsRangeMode) {
    const int rates[] = {6554, 3277, 1638, 819};
    for (int mode = 0; mode < 4; ++mode) {
        GroupState g;
        g.corr_log_set.range_mode = mode;
        BlockBuffers bb;
        bb.sample_count = 10;
        const std::string h = write_wav_header(g, bb);
        EXPECT_EQ(g.sample_rate, rates[mode]);
        EXPECT_EQ(u32_at(h, 24), static_cast<uint32_t>(rates[mode]));
        EXPECT_EQ(u32_at(h, 40), 20u);
    }
}

TEST(Unpack, TwelveBitPairsWithArithmeticShift) {
    struct Case {
        uint8_t b0, b1, b2;
        int shift;
        int16_t first, second;
    };
    const Case cases[] = {
        {0x80, 0x00, 0x00, 0, -32768, 0},      {0x80, 0x00, 0x00, 4, -2048, 0},
        {0x12, 0x34, 0x56, 0, 0x1230, 0x4560}, {0x12, 0x34, 0x56, 4, 0x0123, 0x0456},
        {0xFF, 0xFF, 0xFF, 4, -1, -1},         {0x7F, 0xF7, 0xFF, 0, 0x7FF0, 0x7FF0},
        {0x80, 0x08, 0x00, 127, -1, -1}, // any shift past 15 leaves the sign
    };
    for (const auto& c : cases) {
        int16_t a = 0, b = 0;
        unpack_sample_pair(c.b0, c.b1, c.b2, c.shift, a, b);
        EXPECT_EQ(a, c.first) << int(c.b0) << " " << c.shift;
        EXPECT_EQ(b, c.second) << int(c.b0) << " " << c.shift;
    }
}

TEST(Unpack, BlockOfPacketsAndAnEmptySlot) {
    BlockBuffers bb;
    for (int k = 1; k <= 160; ++k)
        fill_packet(bb, k, 0x12, 0x34, 0x56);
    bb.gain_shift = 0;
    unpack_block_samples(bb, 160);
    EXPECT_EQ(bb.sample_count, 20480);
    EXPECT_EQ(bb.block_samples[0], 0x1230);
    EXPECT_EQ(bb.block_samples[20479], 0x4560);
    bb.block_packets[17][0] = 0;
    unpack_block_samples(bb, 160);
    EXPECT_EQ(bb.sample_count, 20480 - 128);
    // More packets than slots, and lengths at the slot's end, stay inside.
    for (int k = 1; k <= 200; ++k)
        bb.block_packets[k].fill(0xFF);
    unpack_block_samples(bb, 255);
    EXPECT_EQ(bb.sample_count, 200 * 2 * 84);
}

TEST(SaveBlock, OnlyCompleteBlocksAreWritten) {
    TempFolder dir;
    GroupState g;
    g.corr_log_set.range_mode = 2;
    BlockBuffers bb;
    for (int k = 1; k <= 160; ++k)
        fill_packet(bb, k, 0x80, 0x00, 0x00);
    bb.gain_shift = 4;
    const std::string path = save_block_recording(g, bb, dir.folder(), 5, 11, 160);
    EXPECT_EQ(path, dir.folder() + "L5_B11.wav");
    std::string bytes;
    ASSERT_TRUE(read_file(path, bytes));
    ASSERT_EQ(bytes.size(), 44u + 40960u);
    EXPECT_EQ(u32_at(bytes, 24), 1638u);
    EXPECT_EQ(u32_at(bytes, 40), 40960u);
    EXPECT_EQ(static_cast<int16_t>(u16_at(bytes, 44)), -2048);
    EXPECT_EQ(static_cast<int16_t>(u16_at(bytes, 46)), 0);

    bb.block_packets[1][0] = 0;
    EXPECT_EQ(save_block_recording(g, bb, dir.folder(), 5, 0, 160), "");
    EXPECT_FALSE(std::filesystem::exists(dir.folder() + "L5_B0.wav"));
}

TEST(SaveBlock, WriteFailureNamesTheFile) {
    GroupState g;
    BlockBuffers bb;
    for (int k = 1; k <= 160; ++k)
        fill_packet(bb, k, 1, 2, 3);
    try {
        save_block_recording(g, bb, "/nonexistent-folder/", 5, 0, 160);
        FAIL() << "no error";
    } catch (const RecordingError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent-folder/L5_B0.wav"), std::string::npos)
            << e.what();
    }
}

std::string raw_block(uint32_t address, int block, int packets, uint8_t gain, uint8_t sample) {
    std::string b(14, '\0');
    b[0] = 13;
    b[1] = static_cast<char>(0xCB);
    b[3] = static_cast<char>(address >> 16);
    b[4] = static_cast<char>(address >> 8);
    b[5] = static_cast<char>(address);
    b[6] = static_cast<char>(block);
    b[8] = static_cast<char>(packets);
    b[13] = static_cast<char>(0x80 | gain);
    for (int p = 0; p < packets; ++p) {
        b += std::string(4, '\x01');
        b += std::string(192, static_cast<char>(sample));
    }
    return b;
}

TEST(MultiBin2Wav, BlocksFillLoggerSlotsInOrder) {
    TempFolder dir;
    const std::string raw = dir.folder() + "blocks.bin";
    // Bits above the low 21 of the address are dropped.
    test::write_bytes(raw, raw_block(0xE00000 + 1001, 3, 160, 0, 0x10) +
                               raw_block(0xE00000 + 1002, 4, 2, 4, 0x10) +
                               raw_block(1003, 0, 0, 0, 0));
    GroupState g;
    BlockBuffers bb;
    EXPECT_EQ(multi_bin2wav(g, bb, dir.folder(), raw), 3);
    const auto& log = g.corr_log_set.corr_log;
    EXPECT_EQ(log[1].ID, 1001);
    EXPECT_EQ(log[1].file_name, "1001g3.wav");
    EXPECT_EQ(log[2].ID, 1002);
    EXPECT_EQ(log[2].file_name, "1002g4.wav");
    EXPECT_EQ(log[3].ID, 1003);
    EXPECT_EQ(log[4].ID, 0);
    std::string bytes;
    ASSERT_TRUE(read_file(dir.folder() + "1001g3.wav", bytes));
    EXPECT_EQ(bytes.size(), 44u + 2u * 20480u);
    EXPECT_EQ(u16_at(bytes, 44), 0x1010);
    ASSERT_TRUE(read_file(dir.folder() + "1002g4.wav", bytes));
    EXPECT_EQ(bytes.size(), 44u + 2u * 256u);
    EXPECT_EQ(u16_at(bytes, 44), 0x0101);
    EXPECT_TRUE(std::filesystem::exists(dir.folder() + "1003g0.wav"));
}

TEST(MultiBin2Wav, TruncatedOrMissingFile) {
    TempFolder dir;
    const std::string raw = dir.folder() + "blocks.bin";
    std::string bytes = raw_block(7, 1, 3, 0, 0x20) + raw_block(8, 2, 3, 0, 0x20);
    bytes.resize(bytes.size() - 50);
    test::write_bytes(raw, bytes);
    GroupState g;
    BlockBuffers bb;
    try {
        multi_bin2wav(g, bb, dir.folder(), raw);
        FAIL() << "no error";
    } catch (const RecordingError& e) {
        EXPECT_NE(std::string(e.what()).find(raw), std::string::npos) << e.what();
    }
    EXPECT_TRUE(std::filesystem::exists(dir.folder() + "7g1.wav")) << "earlier blocks stay";
    EXPECT_FALSE(std::filesystem::exists(dir.folder() + "8g2.wav"));
    EXPECT_THROW(multi_bin2wav(g, bb, dir.folder(), dir.folder() + "none.bin"), RecordingError);
}

TEST(ReadRecording, ShortFilesAndOddBytes) {
    TempFolder dir;
    const std::string path = dir.folder() + "r.wav";
    std::string bytes = wav_header(6554, 3);
    bytes += std::string("\x01\x02\x03\x04\x05\x06\x07", 7); // three samples and a half
    test::write_bytes(path, bytes);
    std::vector<int16_t> buf(10, 99);
    int32_t rate = 0;
    EXPECT_EQ(read_recording(path, buf.data(), buf.size(), 8, &rate), 3);
    EXPECT_EQ(rate, 6554);
    EXPECT_EQ(buf[0], 0x0201);
    EXPECT_EQ(buf[2], 0x0605);
    EXPECT_EQ(buf[3], 0);
    EXPECT_EQ(buf[7], 0);
    EXPECT_EQ(buf[8], 99) << "only clear_count entries are cleared";
    test::write_bytes(path, "RIFF");
    EXPECT_EQ(read_recording(path, buf.data(), buf.size(), 10), 0);
    EXPECT_EQ(buf[9], 0);
}

} // namespace
} // namespace pelquor

// WAV recordings of the audio blocks: file names, the byte layout, unpacking
// the 12-bit radio packets into samples, and reading recordings back.
#pragma once

#include "groups/group_model.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelquor {

constexpr int wav_header_size = 44;
constexpr int samples_per_block = 20480; // 160 packets of 128 samples
constexpr int block_packet_slots = 200;
constexpr int block_packet_size = 256;
constexpr int block_sample_room = 64000;
constexpr int raw_block_header_size = 14;
constexpr int raw_packet_record_size = 196; // 4 header bytes + 192 sample bytes
constexpr int raw_packet_data_size = 192;

// A recording (or raw block file) that exists but cannot be read or written.
// what() names the file and the system's reason.
class RecordingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The packets and samples of the block being downloaded. Owned by the radio
// operations and reused for every block.
struct BlockBuffers {
    // Slot k (1 .. 200) holds packet number k as received, length byte first.
    std::vector<std::array<uint8_t, block_packet_size>> block_packets =
        std::vector<std::array<uint8_t, block_packet_size>>(block_packet_slots + 1);
    std::vector<int16_t> block_samples = std::vector<int16_t>(block_sample_room);
    int sample_count = 0;
    uint8_t gain_shift = 0; // 0 .. 127
    uint32_t block_time = 0;
};

// "L" + ID + "_B" + block + ".wav"
std::string recording_file_name(int32_t id, int block_number);
// ID + "g" + block + ".wav" (developer import of raw block files)
std::string raw_block_wav_name(int32_t id, int block_number);
// Block number in the file name of block s (1 .. 10).
int block_number_of(int32_t meas_mode, int s);

// Two samples from three bytes: 12-bit values left-justified in 16 bits,
// each shifted right by gain_shift keeping the sign.
void unpack_sample_pair(uint8_t b0, uint8_t b1, uint8_t b2, int gain_shift, int16_t& first,
                        int16_t& second);

// Unpacks packet slots 1 .. packet_count (at most 200) into block_samples.
void unpack_block_samples(BlockBuffers& bb, int packet_count);

// The 44 header bytes for sample_count samples at sample_rate.
std::string wav_header(int32_t sample_rate, int sample_count);
// Sets g.sample_rate from the group's range_mode, Trunc(6554 / 2^range_mode),
// and returns the header for the current sample count.
std::string write_wav_header(GroupState& g, const BlockBuffers& bb);
// The samples of block_samples, little-endian.
std::string write_wav_samples(const BlockBuffers& bb);

// Saves a downloaded block: unpacks it and, only with exactly 20480 samples,
// writes group_folder + recording_file_name(id, block_number) atomically and
// returns its full path. Any other count writes nothing and returns "".
// Throws RecordingError when the file cannot be written.
std::string save_block_recording(GroupState& g, BlockBuffers& bb, const std::string& group_folder,
                                 int32_t id, int block_number, int packet_count);

// Converts a raw block file (blocks laid end to end: 14 header bytes, then P
// records of 196 bytes) into recordings ID + "g" + block + ".wav" in the group
// folder, and fills logger slots 1, 2, .. with ID and file name. Blocks past
// the eighth are still written but fill no slot. Returns the number of blocks
// written. Throws RecordingError when the file cannot be read, or when it
// ends inside a block (the blocks before stay written).
int multi_bin2wav(GroupState& g, BlockBuffers& bb, const std::string& group_folder,
                  const std::string& file_name);

// Reads a recording: up to capacity 16-bit samples from byte 44 into samples,
// then clears entries [samples read, clear_count) so that a short file never
// leaves the samples of an earlier one behind. With sample_rate given, the
// 32-bit rate at byte 24 is stored there, and a header too short for it or a
// rate outside 1 .. 1000000 is rejected. Returns the number of whole samples
// read. Throws RecordingError naming the file and the reason.
int read_recording(const std::string& path, int16_t* samples, size_t capacity, size_t clear_count,
                   int32_t* sample_rate = nullptr);

} // namespace pelquor

// Recordings synthesised from the site: the leak's noise, delayed and damped
// on its way to each logger, plus the logger's own noise, in 12-bit counts.
#pragma once

#include "sim/site.h"

#include <array>
#include <cstdint>
#include <vector>

namespace radiosim {

constexpr int block_samples = 20480;
constexpr int packet_samples = 128;
constexpr int block_packets = 160;

// 20480 samples (12-bit range) of logger slot (1-based) for one block.
std::vector<int16_t> synth_block(const Site& site, int slot, int block, int sample_rate);

// Packs 128 samples per packet, three bytes per pair, left-justified 12 bits.
// Packet k (1-based) is returned as its 192 data bytes.
std::vector<std::array<uint8_t, 192>> pack_block(const std::vector<int16_t>& samples);

// What the logger hears now: level (dB, 0..255) and frequency (Hz).
struct LiveLevel {
    int level = 0;
    int frequency = 0;
};
LiveLevel live_level(const Site& site, int slot, uint32_t reading);

} // namespace radiosim

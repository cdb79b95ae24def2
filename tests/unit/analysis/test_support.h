// Small helpers of the signal tests: a temporary group folder and recordings
// written into it.
#pragma once

#include "radio/recording.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelquor::test {

class TempFolder {
  public:
    TempFolder() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "pelquor_sig_XXXXXX").string();
        if (::mkdtemp(templ.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = templ;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // With a trailing separator, as group folders are held.
    std::string folder() const { return path_.string() + "/"; }

  private:
    std::filesystem::path path_;
};

inline void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void write_wav(const std::string& path, const std::vector<int16_t>& samples,
                      int32_t rate = 6554) {
    std::string bytes = wav_header(rate, static_cast<int>(samples.size()));
    for (int16_t s : samples) {
        bytes.push_back(static_cast<char>(static_cast<uint16_t>(s) & 0xff));
        bytes.push_back(static_cast<char>(static_cast<uint16_t>(s) >> 8));
    }
    write_bytes(path, bytes);
}

// Deterministic white noise of the length of a block.
inline std::vector<int16_t> noise(unsigned seed, int count = samples_per_block, int amp = 8000) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> d(-amp, amp);
    std::vector<int16_t> v(static_cast<size_t>(count));
    for (auto& s : v)
        s = static_cast<int16_t>(d(gen));
    return v;
}

// x delayed by d samples (positive d: later), zeros shifted in.
inline std::vector<int16_t> delayed(const std::vector<int16_t>& x, int d) {
    std::vector<int16_t> y(x.size(), 0);
    for (int t = 0; t < static_cast<int>(x.size()); ++t) {
        const int src = t - d;
        if (src >= 0 && src < static_cast<int>(x.size()))
            y[static_cast<size_t>(t)] = x[static_cast<size_t>(src)];
    }
    return y;
}

} // namespace pelquor::test

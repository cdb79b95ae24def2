#include "radio/recording.h"

#include "shell/files.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace pelquor {

namespace {

void put_u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void put_u16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>((v >> 8) & 0xff));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr open_for_reading(const std::string& path) {
    errno = 0;
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f)
        throw RecordingError("Cannot read " + path + ": " + std::strerror(errno ? errno : EIO));
    return f;
}

// fread that tells a read error from the end of the file.
size_t read_bytes(std::FILE* f, const std::string& path, void* dest, size_t count) {
    errno = 0;
    const size_t got = std::fread(dest, 1, count, f);
    if (got < count && std::ferror(f))
        throw RecordingError("Cannot read " + path + ": " + std::strerror(errno ? errno : EIO));
    return got;
}

void write_or_throw(const std::string& path, const std::string& content) {
    std::string error;
    if (!write_file_atomic(path, content, &error))
        throw RecordingError(error);
}

} // namespace

std::string recording_file_name(int32_t id, int block_number) {
    return "L" + std::to_string(id) + "_B" + std::to_string(block_number) + ".wav";
}

std::string raw_block_wav_name(int32_t id, int block_number) {
    return std::to_string(id) + "g" + std::to_string(block_number) + ".wav";
}

int block_number_of(int32_t meas_mode, int s) {
    return meas_mode == 1 ? (s - 1) * 11 : s - 1;
}

void unpack_sample_pair(uint8_t b0, uint8_t b1, uint8_t b2, int gain_shift, int16_t& first,
                        int16_t& second) {
    // A shift of 15 or more leaves only the sign, as any larger one would.
    const int shift = std::clamp(gain_shift, 0, 15);
    const auto a = static_cast<int16_t>(static_cast<uint16_t>((b0 << 8) | (b1 & 0xF0)));
    const auto b = static_cast<int16_t>(static_cast<uint16_t>(((b1 & 0x0F) << 12) | (b2 << 4)));
    first = static_cast<int16_t>(a >> shift);
    second = static_cast<int16_t>(b >> shift);
}

void unpack_block_samples(BlockBuffers& bb, int packet_count) {
    bb.sample_count = 0;
    const int packets = std::clamp(packet_count, 0, block_packet_slots);
    for (int k = 1; k <= packets; ++k) {
        const auto& slot = bb.block_packets[static_cast<size_t>(k)];
        const int len = slot[0];
        for (int i = 4; i < len - 1; i += 3) {
            if (bb.sample_count + 2 > block_sample_room)
                return;
            unpack_sample_pair(slot[i], slot[i + 1], slot[i + 2], bb.gain_shift,
                               bb.block_samples[bb.sample_count],
                               bb.block_samples[bb.sample_count + 1]);
            bb.sample_count += 2;
        }
    }
}

std::string wav_header(int32_t sample_rate, int sample_count) {
    const auto data_bytes = static_cast<uint32_t>(2u * static_cast<uint32_t>(sample_count));
    std::string h;
    h.reserve(wav_header_size);
    h += "RIFF";
    put_u32(h, 36u + data_bytes);
    h += "WAVEfmt ";
    put_u32(h, 16);
    put_u16(h, 1);
    put_u16(h, 1);
    put_u32(h, static_cast<uint32_t>(sample_rate));
    put_u32(h, static_cast<uint32_t>(2 * sample_rate));
    put_u16(h, 2);
    put_u16(h, 16);
    h += "data";
    put_u32(h, data_bytes);
    return h;
}

std::string write_wav_header(GroupState& g, const BlockBuffers& bb) {
    g.sample_rate = sample_rate_of_range(g.corr_log_set.range_mode);
    return wav_header(g.sample_rate, bb.sample_count);
}

std::string write_wav_samples(const BlockBuffers& bb) {
    std::string out;
    out.reserve(static_cast<size_t>(bb.sample_count) * 2);
    for (int i = 0; i < bb.sample_count; ++i)
        put_u16(out, static_cast<uint16_t>(bb.block_samples[static_cast<size_t>(i)]));
    return out;
}

std::string save_block_recording(GroupState& g, BlockBuffers& bb, const std::string& group_folder,
                                 int32_t id, int block_number, int packet_count) {
    unpack_block_samples(bb, packet_count);
    if (bb.sample_count != samples_per_block)
        return "";
    const std::string path = group_folder + recording_file_name(id, block_number);
    write_or_throw(path, write_wav_header(g, bb) + write_wav_samples(bb));
    return path;
}

int multi_bin2wav(GroupState& g, BlockBuffers& bb, const std::string& group_folder,
                  const std::string& file_name) {
    FilePtr f = open_for_reading(file_name);
    int slot = 1;
    int written = 0;
    uint8_t header[raw_block_header_size];
    uint8_t record[raw_packet_record_size];
    for (;;) {
        const size_t got = read_bytes(f.get(), file_name, header, sizeof header);
        if (got == 0)
            break;
        const int block_index = written + 1;
        auto truncated = [&]() {
            return RecordingError("Cannot read " + file_name + ": block " +
                                  std::to_string(block_index) + " is cut short");
        };
        if (got < sizeof header)
            throw truncated();
        const int32_t id =
            static_cast<int32_t>(((header[3] << 16) | (header[4] << 8) | header[5]) & 0x1FFFFF);
        const int block_number = header[6];
        const int packets = header[8];
        bb.gain_shift = static_cast<uint8_t>(header[13] & 0x7F);
        bb.block_time = (static_cast<uint32_t>(header[9]) << 24) |
                        (static_cast<uint32_t>(header[10]) << 16) |
                        (static_cast<uint32_t>(header[11]) << 8) | header[12];
        bb.sample_count = 0;
        for (int p = 0; p < packets; ++p) {
            if (read_bytes(f.get(), file_name, record, sizeof record) < sizeof record)
                throw truncated();
            // At most 255 packets of 128 samples: always inside block_samples.
            for (int i = 4; i + 2 < raw_packet_record_size; i += 3) {
                unpack_sample_pair(record[i], record[i + 1], record[i + 2], bb.gain_shift,
                                   bb.block_samples[bb.sample_count],
                                   bb.block_samples[bb.sample_count + 1]);
                bb.sample_count += 2;
            }
        }
        const std::string name = raw_block_wav_name(id, block_number);
        write_or_throw(group_folder + name, write_wav_header(g, bb) + write_wav_samples(bb));
        ++written;
        if (slot <= max_loggers) {
            g.corr_log_set.corr_log[slot].ID = id;
            g.corr_log_set.corr_log[slot].file_name = name;
        }
        ++slot;
    }
    return written;
}

int read_recording(const std::string& path, int16_t* samples, size_t capacity, size_t clear_count,
                   int32_t* sample_rate) {
    FilePtr f = open_for_reading(path);
    uint8_t header[wav_header_size];
    const size_t head = read_bytes(f.get(), path, header, sizeof header);
    if (sample_rate) {
        if (head < 28)
            throw RecordingError("Cannot read " + path + ": the header is too short");
        const uint32_t rate =
            static_cast<uint32_t>(header[24]) | (static_cast<uint32_t>(header[25]) << 8) |
            (static_cast<uint32_t>(header[26]) << 16) | (static_cast<uint32_t>(header[27]) << 24);
        if (rate < 1 || rate > 1000000)
            throw RecordingError("Cannot read " + path + ": sample rate " + std::to_string(rate) +
                                 " is not usable");
        *sample_rate = static_cast<int32_t>(rate);
    }
    size_t count = 0;
    if (head == sizeof header && capacity > 0) {
        const size_t bytes = read_bytes(f.get(), path, samples, capacity * 2);
        count = bytes / 2;
        if (bytes % 2 != 0)
            samples[count] = 0; // half a sample at the end counts as none
        if constexpr (std::endian::native == std::endian::big) {
            for (size_t i = 0; i < count; ++i) {
                const auto u = static_cast<uint16_t>(samples[i]);
                samples[i] = static_cast<int16_t>(static_cast<uint16_t>((u >> 8) | (u << 8)));
            }
        }
    }
    for (size_t i = count; i < std::min(clear_count, capacity); ++i)
        samples[i] = 0;
    return static_cast<int>(count);
}

} // namespace pelquor

// Group folders built from synthetic recordings: one leak noise that reaches
// each logger after its own delay, plus each logger's own noise. The group
// file is written as plain text here, independent of the program's writer.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace synth {

struct Logger {
    int id = 0;
    std::string comment;
    int delay = 0;          // samples after the leak noise leaves the leak
    bool unrelated = false; // hears only its own noise
    uint32_t read_time = 0;
    int timer = 0;
};

struct Pipe {
    int log1 = 0, log2 = 0;
    std::vector<std::pair<float, int>> sections; // length, velocity
};

struct Group {
    int sample_rate = 6554;
    int meas_mode = 0;
    int c_mode = 1;
    int blocks = 10; // blocks 1 .. blocks get recordings
    int filter1_li = 180, filter1_re = 3277;
    uint32_t sync_time = 0, read_time = 0;
    int start = 2, stop = 4;
    double leak_rms = 3000, own_rms = 300;
    std::vector<Logger> loggers;
    std::vector<Pipe> pipes;
};

inline void put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>(v >> 8);
}
inline void put32(std::string& s, uint32_t v) {
    put16(s, static_cast<uint16_t>(v & 0xffff));
    put16(s, static_cast<uint16_t>(v >> 16));
}

inline void write_wav(const std::filesystem::path& file, int rate, const std::vector<int16_t>& x) {
    std::string s = "RIFF";
    put32(s, 36 + 2 * static_cast<uint32_t>(x.size()));
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);
    put16(s, 1);
    put32(s, static_cast<uint32_t>(rate));
    put32(s, static_cast<uint32_t>(2 * rate));
    put16(s, 2);
    put16(s, 16);
    s += "data";
    put32(s, 2 * static_cast<uint32_t>(x.size()));
    for (int16_t v : x)
        put16(s, static_cast<uint16_t>(v));
    std::ofstream(file, std::ios::binary) << s;
}

inline int16_t clip(double v) {
    return static_cast<int16_t>(std::lround(std::fmax(-32767.0, std::fmin(32767.0, v))));
}

inline std::string group_file(const Group& g) {
    std::string t = "[comm]\ncomment=synthetic\nread_time=" + std::to_string(g.read_time) +
                    "\nsync_time=" + std::to_string(g.sync_time) +
                    "\nstart=" + std::to_string(g.start) + "\nstop=" + std::to_string(g.stop) +
                    "\ncount=" + std::to_string(g.loggers.size()) +
                    "\nmeas_delta=60\nmeas_mode=" + std::to_string(g.meas_mode) +
                    "\npipes_count=" + std::to_string(g.pipes.size()) +
                    "\nfilter1_li=" + std::to_string(g.filter1_li) +
                    "\nfilter1_re=" + std::to_string(g.filter1_re) +
                    "\nc_mode=" + std::to_string(g.c_mode) + "\ndev_type=104\nrange_mode=0\n";
    for (size_t n = 0; n < g.loggers.size(); ++n) {
        const Logger& l = g.loggers[n];
        t += "[log" + std::to_string(n + 1) + "]\nID=" + std::to_string(l.id) +
             "\ncomment=" + l.comment + "\ntimer=" + std::to_string(l.timer) +
             "\nread_time=" + std::to_string(l.read_time) + "\n";
    }
    for (size_t i = 0; i < g.pipes.size(); ++i) {
        const Pipe& p = g.pipes[i];
        float length = 0;
        for (const auto& s : p.sections)
            length += s.first;
        const std::string name = "pipe_" + std::to_string(i + 1);
        t += "[" + name + "]\nlength=" + std::to_string(length) +
             "\nlog1=" + std::to_string(p.log1) + "\nlog2=" + std::to_string(p.log2) +
             "\nsections=" + std::to_string(p.sections.size()) + "\nmulti_sec=0\n";
        for (size_t k = 0; k < p.sections.size(); ++k)
            t += "[" + name + "_sec" + std::to_string(k + 1) +
                 "]\nlength=" + std::to_string(p.sections[k].first) +
                 "\ndiameter=100\nmaterial=Steel\nvel=" + std::to_string(p.sections[k].second) +
                 "\nman=0\nli=0\nlen=0\n";
    }
    return t;
}

// Writes corr_grp.ini and the recordings "L" + ID + "_B" + number + ".wav".
inline void write_group(const std::filesystem::path& folder, const Group& g, unsigned seed = 1) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "corr_grp.ini") << group_file(g);
    constexpr int n = 20480;
    constexpr int room = 4096; // longest delay
    std::mt19937 rng(seed);
    std::normal_distribution<double> leak(0, g.leak_rms), own(0, g.own_rms);
    for (int s = 1; s <= g.blocks; ++s) {
        std::vector<double> noise(n + room);
        for (double& v : noise)
            v = leak(rng);
        const int number = g.meas_mode == 1 ? (s - 1) * 11 : s - 1;
        for (const Logger& l : g.loggers) {
            std::vector<int16_t> x(n);
            for (int i = 0; i < n; ++i)
                x[i] = clip((l.unrelated ? leak(rng) : noise[i + room - l.delay]) + own(rng));
            write_wav(folder /
                          ("L" + std::to_string(l.id) + "_B" + std::to_string(number) + ".wav"),
                      g.sample_rate, x);
        }
    }
}

// Lag-axis mapping of a pipe's sections, worked out here from the physics
// of the rules: a section's stretch is about twice its travel time.
struct Mapping {
    std::vector<int> len;
    int span = 0;
    int lo = 0;
};
inline Mapping map_sections(const std::vector<std::pair<float, int>>& sections, int rate) {
    Mapping m;
    const int step = 8192 * 1000 / rate;
    for (const auto& s : sections) {
        const int t = static_cast<int>(s.first / s.second * 1000);
        m.len.push_back(t * 16384 / step);
        m.span += m.len.back();
    }
    m.lo = (16384 - m.span) / 2;
    return m;
}
inline double distance_at(const std::vector<std::pair<float, int>>& sections, int rate, int pos) {
    const Mapping m = map_sections(sections, rate);
    double sum = 0;
    int start = m.lo;
    for (size_t k = 0; k < sections.size(); ++k) {
        if (pos <= start + m.len[k])
            return sum + sections[k].first * double(pos - start) / m.len[k];
        sum += sections[k].first;
        start += m.len[k];
    }
    return sum;
}

} // namespace synth

#include "sim/synth.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>

namespace radiosim {

namespace {

using cd = std::complex<double>;
constexpr int fft_n = 32768; // longer than a block plus the longest delay

void fft(std::vector<cd>& a, bool inverse) {
    size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        double ang = 2 * M_PI / static_cast<double>(len) * (inverse ? 1 : -1);
        cd wl(std::cos(ang), std::sin(ang));
        for (size_t i = 0; i < n; i += len) {
            cd w(1);
            for (size_t k = 0; k < len / 2; ++k) {
                cd u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= wl;
            }
        }
    }
    if (inverse)
        for (auto& x : a)
            x /= static_cast<double>(n);
}

// Soft band edges keep the correlation peak free of ringing.
double band_weight(double f, double lo, double hi) {
    if (f <= lo || f >= hi)
        return 0;
    double edge = 0.15 * (hi - lo);
    if (f < lo + edge)
        return 0.5 - 0.5 * std::cos(M_PI * (f - lo) / edge);
    if (f > hi - edge)
        return 0.5 - 0.5 * std::cos(M_PI * (hi - f) / edge);
    return 1;
}

// Damping along the pipes, stronger at high frequencies, and the spreading
// of the noise with distance.
double damping_gain(const SiteLeak& leak, const Arrival& a, double f) {
    return std::exp(-leak.attenuation * a.damped_length * f / 1000.0) / (1.0 + a.length / 100.0);
}

} // namespace

std::vector<int16_t> synth_block(const Site& site, int slot, int block, int sample_rate) {
    const SiteLogger& lg = site.loggers[static_cast<size_t>(slot - 1)];
    std::vector<double> x(block_samples, 0.0);
    if (site.has_leak) {
        auto arrivals = leak_arrivals(site);
        const Arrival& arr = arrivals[static_cast<size_t>(slot - 1)];
        if (arr.reached) {
            // The same source spectrum for every logger of a block.
            std::mt19937 rng(site.seed * 7919u + static_cast<uint32_t>(block) * 104729u + 1u);
            std::normal_distribution<double> g(0.0, 1.0);
            std::vector<cd> src(fft_n / 2);
            double power = 0;
            for (int k = 1; k < fft_n / 2; ++k) {
                double f = static_cast<double>(k) * sample_rate / fft_n;
                double re = g(rng), im = g(rng);
                double w = band_weight(f, site.leak.low, site.leak.high);
                src[static_cast<size_t>(k)] = cd(re, im) * w;
                power += 2 * std::norm(src[static_cast<size_t>(k)]);
            }
            double scale = power > 0 ? site.leak.level / (std::sqrt(power) / fft_n) : 0;
            std::vector<cd> spec(fft_n, cd(0));
            for (int k = 1; k < fft_n / 2; ++k) {
                double f = static_cast<double>(k) * sample_rate / fft_n;
                cd v = src[static_cast<size_t>(k)] * scale * damping_gain(site.leak, arr, f) *
                       std::polar(1.0, -2 * M_PI * f * arr.time);
                spec[static_cast<size_t>(k)] = v;
                spec[static_cast<size_t>(fft_n - k)] = std::conj(v);
            }
            fft(spec, true);
            for (int n = 0; n < block_samples; ++n)
                x[static_cast<size_t>(n)] = spec[static_cast<size_t>(n)].real();
        }
    }
    std::mt19937 own(site.seed ^ (static_cast<uint32_t>(lg.id) * 2654435761u) ^
                     (static_cast<uint32_t>(block) * 40503u));
    std::normal_distribution<double> noise(0.0, lg.noise);
    std::vector<int16_t> out(block_samples);
    for (int n = 0; n < block_samples; ++n) {
        double v = std::round(x[static_cast<size_t>(n)] + noise(own));
        if (v > 2047)
            v = 2047;
        if (v < -2048)
            v = -2048;
        out[static_cast<size_t>(n)] = static_cast<int16_t>(v);
    }
    return out;
}

std::vector<std::array<uint8_t, 192>> pack_block(const std::vector<int16_t>& samples) {
    size_t packets = samples.size() / packet_samples;
    std::vector<std::array<uint8_t, 192>> out(packets);
    for (size_t p = 0; p < packets; ++p) {
        for (int i = 0; i < 64; ++i) {
            auto v1 = static_cast<uint16_t>(samples[p * packet_samples + 2 * i] & 0xFFF);
            auto v2 = static_cast<uint16_t>(samples[p * packet_samples + 2 * i + 1] & 0xFFF);
            out[p][static_cast<size_t>(3 * i)] = static_cast<uint8_t>(v1 >> 4);
            out[p][static_cast<size_t>(3 * i + 1)] =
                static_cast<uint8_t>(((v1 & 0xF) << 4) | (v2 >> 8));
            out[p][static_cast<size_t>(3 * i + 2)] = static_cast<uint8_t>(v2 & 0xFF);
        }
    }
    return out;
}

LiveLevel live_level(const Site& site, int slot, uint32_t reading) {
    const SiteLogger& lg = site.loggers[static_cast<size_t>(slot - 1)];
    double a = 0, fc = (site.leak.low + site.leak.high) / 2;
    if (site.has_leak) {
        auto arr = leak_arrivals(site)[static_cast<size_t>(slot - 1)];
        if (arr.reached)
            a = site.leak.level * damping_gain(site.leak, arr, fc);
    }
    double n2 = lg.noise * lg.noise, a2 = a * a;
    std::mt19937 rng(site.seed + static_cast<uint32_t>(lg.id) * 31u + reading * 977u);
    std::uniform_real_distribution<double> jitter(-1.0, 3.0);
    double db = 20 * std::log10(std::sqrt(a2 + n2) + 1e-9) + jitter(rng);
    double f = (a2 * fc + n2 * lg.noise_frequency) / (a2 + n2 + 1e-12) + 20 * jitter(rng);
    LiveLevel out;
    out.level = static_cast<int>(std::lround(std::clamp(db, 0.0, 255.0)));
    out.frequency = static_cast<int>(std::lround(std::clamp(f, 10.0, 2550.0)));
    return out;
}

} // namespace radiosim

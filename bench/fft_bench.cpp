// The system's FFT at the correlation length beside FFTW (single precision,
// FFTW_MEASURE, one thread) and KissFFT, and one block of the pair
// correlation. Before the timings the program prints the accuracy of the
// 16384-point transform against a double-precision DFT.
#include "analysis/correlation.h"
#include "analysis/fft.h"
#include "radio/recording.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kiss_fft.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

namespace {

using pelquor::Tcomplex;
constexpr int n = pelquor::fft_len;

std::vector<Tcomplex> random_signal(unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<Tcomplex> x(n);
    for (auto& v : x)
        v = {d(gen), d(gen)};
    return x;
}

void BM_fft_transform(benchmark::State& state) {
    const auto in = random_signal(1);
    std::vector<Tcomplex> out(n);
    for (auto _ : state) {
        fft_transform(in.data(), out.data(), n);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_fft_transform);

void BM_fft_plan(benchmark::State& state) {
    const auto in = random_signal(1);
    std::vector<Tcomplex> out(n);
    const pelquor::FftPlan plan(n);
    for (auto _ : state) {
        plan.transform(in.data(), out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_fft_plan);

void BM_fftw_measure(benchmark::State& state) {
    auto* in = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * n));
    auto* out = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * n));
    fftwf_plan plan = fftwf_plan_dft_1d(n, in, out, FFTW_FORWARD, FFTW_MEASURE);
    const auto x = random_signal(1);
    for (int i = 0; i < n; ++i) {
        in[i][0] = x[i].re;
        in[i][1] = x[i].im;
    }
    for (auto _ : state) {
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
    fftwf_free(in);
    fftwf_free(out);
}
BENCHMARK(BM_fftw_measure);

void BM_kissfft(benchmark::State& state) {
    kiss_fft_cfg cfg = kiss_fft_alloc(n, 0, nullptr, nullptr);
    const auto x = random_signal(1);
    std::vector<kiss_fft_cpx> in(n), out(n);
    for (int i = 0; i < n; ++i)
        in[i] = {x[i].re, x[i].im};
    for (auto _ : state) {
        kiss_fft(cfg, in.data(), out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    kiss_fft_free(cfg);
}
BENCHMARK(BM_kissfft);

// Steps 7 to 17 of one block: two transforms, spectra, filter, square, sum.
void BM_correlation_block_compute(benchmark::State& state) {
    auto cs = std::make_unique<pelquor::CorrelationState>();
    const auto x = random_signal(2);
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(x.begin(), x.end(), cs->corr_input.begin());
        state.ResumeTiming();
        pelquor::correlate_block(*cs, 6554, 180, 3277);
        benchmark::DoNotOptimize(cs->corr_sum.data());
    }
}
BENCHMARK(BM_correlation_block_compute);

// A whole correlation call of one block, both recordings read from disk.
void BM_correlation_one_block(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "pelquor_bench_corr";
    std::filesystem::create_directories(dir);
    const std::string folder = dir.string() + "/";
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> d(-8000, 8000);
    for (int id : {1, 2}) {
        std::string bytes = pelquor::wav_header(6554, pelquor::samples_per_block);
        for (int i = 0; i < pelquor::samples_per_block; ++i) {
            const auto s = static_cast<uint16_t>(static_cast<int16_t>(d(gen)));
            bytes.push_back(static_cast<char>(s & 0xff));
            bytes.push_back(static_cast<char>(s >> 8));
        }
        std::ofstream(folder + pelquor::recording_file_name(id, 0), std::ios::binary) << bytes;
    }
    pelquor::GroupState g;
    g.corr_log_set.count = 2;
    g.corr_log_set.corr_log[1].ID = 1;
    g.corr_log_set.corr_log[2].ID = 2;
    auto cs = std::make_unique<pelquor::CorrelationState>();
    for (auto _ : state) {
        const auto r = pelquor::correlation(*cs, g, folder, 1, 2, 1);
        benchmark::DoNotOptimize(r);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_correlation_one_block);

// Largest error of the 16384-point transform of random input against a
// double-precision DFT, relative to the largest output magnitude.
void print_accuracy() {
    const auto x = random_signal(7);
    std::vector<Tcomplex> out(n);
    fft_transform(x.data(), out.data(), n);
    std::vector<std::complex<double>> w(n);
    for (int k = 0; k < n; ++k)
        w[k] = std::polar(1.0, -2.0 * M_PI * k / n);
    auto* fin = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * n));
    auto* fout = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * n));
    fftwf_plan plan = fftwf_plan_dft_1d(n, fin, fout, FFTW_FORWARD, FFTW_ESTIMATE);
    for (int i = 0; i < n; ++i) {
        fin[i][0] = x[i].re;
        fin[i][1] = x[i].im;
    }
    fftwf_execute(plan);
    double peak = 0, err = 0, err_fftw = 0;
    for (int k = 0; k < n; ++k) {
        std::complex<double> sum = 0;
        for (int j = 0; j < n; ++j)
            sum += std::complex<double>(x[j].re, x[j].im) * w[(static_cast<int64_t>(j) * k) % n];
        peak = std::max(peak, std::abs(sum));
        err = std::max(err, std::abs(std::complex<double>(out[k].re, out[k].im) - sum));
        err_fftw = std::max(err_fftw, std::abs(std::complex<double>(fout[k][0], fout[k][1]) - sum));
    }
    fftwf_destroy_plan(plan);
    fftwf_free(fin);
    fftwf_free(fout);
    std::printf("accuracy n=16384 random input: max error / max magnitude = %.3g "
                "(FFTW single: %.3g; bound 1e-4)\n",
                err / peak, err_fftw / peak);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!std::getenv("PELQUOR_BENCH_SKIP_ACCURACY"))
        print_accuracy();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

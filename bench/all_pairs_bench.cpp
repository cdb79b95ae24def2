// The all-pairs run of an eight-logger group, ten blocks a logger ("ABC":
// 28 pairs x 10 blocks, recordings on disk), beside a reference pipeline that
// does the same work pair by pair with FFTW (FFTW_MEASURE, one thread), and
// beside the program's own pair-by-pair correlation. After the timings it
// prints the ratio to the reference and whether the goals are met.
#include "../tests/unit/allpairs/synthetic_group.h"
#include "analysis/all_pairs.h"
#include "groups/group_file.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

using namespace pelquor;
namespace fs = std::filesystem;

namespace {

constexpr int n = 16384;
constexpr int h = 8192;

// The same arithmetic as the program's pipeline, built on FFTW: read both
// recordings, one complex transform, split the spectra, cross spectrum, band
// filter, a second forward transform, reorder, square and sum; then the peak.
struct Reference {
    fftwf_complex* in;
    fftwf_complex* spec;
    fftwf_complex* cross;
    fftwf_plan forward;
    fftwf_plan back;
    std::vector<int16_t> wave = std::vector<int16_t>(524288);
    std::vector<float> sum = std::vector<float>(n);
    std::vector<float> a_abs = std::vector<float>(n), b_abs = std::vector<float>(n),
                       c_abs = std::vector<float>(n);

    Reference() {
        in = fftwf_alloc_complex(n);
        spec = fftwf_alloc_complex(n);
        cross = fftwf_alloc_complex(n);
        forward = fftwf_plan_dft_1d(n, in, spec, FFTW_FORWARD, FFTW_MEASURE);
        back = fftwf_plan_dft_1d(n, cross, spec, FFTW_FORWARD, FFTW_MEASURE);
    }
    ~Reference() {
        fftwf_destroy_plan(forward);
        fftwf_destroy_plan(back);
        fftwf_free(in);
        fftwf_free(spec);
        fftwf_free(cross);
    }
    void read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        f.seekg(44);
        f.read(reinterpret_cast<char*>(wave.data()), 2 * 524288);
    }
    // Peak index of the pair (A, B) over the ten blocks.
    int pair(const std::string& folder, int id_a, int id_b, int fs_hz, int li, int re) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (int s = 10; s >= 1; --s) {
            const std::string tail = "_B" + std::to_string(s - 1) + ".wav";
            const std::string pa = folder + "L" + std::to_string(id_a) + tail;
            const std::string pb = folder + "L" + std::to_string(id_b) + tail;
            if (!fs::exists(pa) || !fs::exists(pb))
                continue;
            read(pa);
            for (int i = 0; i < n; ++i)
                in[i][0] = wave[2026 + i];
            read(pb);
            for (int i = 0; i < n; ++i)
                in[i][1] = wave[2026 + i];
            fftwf_execute(forward);
            for (int k = 0; k < n; ++k) {
                const int kk = (n - k) % n;
                const float ar = (spec[k][0] + spec[kk][0]) / 2,
                            ai = (spec[kk][1] - spec[k][1]) / 2;
                const float br = (spec[k][1] + spec[kk][1]) / 2,
                            bi = (spec[kk][0] - spec[k][0]) / 2;
                a_abs[k] = std::sqrt(ar * ar + ai * ai);
                b_abs[k] = std::sqrt(br * br + bi * bi);
                cross[k][0] = ar * br - ai * bi;
                cross[k][1] = ai * br + ar * bi;
                c_abs[k] = std::sqrt(cross[k][0] * cross[k][0] + cross[k][1] * cross[k][1]);
            }
            const int k_lo = static_cast<int>(double(h) * li * 2 / fs_hz);
            const int k_hi = static_cast<int>(double(h) * re * 2 / fs_hz);
            for (int k = 0; k <= k_lo && k < n; ++k)
                cross[k][0] = cross[k][1] = cross[n - 1 - k][0] = cross[n - 1 - k][1] = 0;
            for (int k = std::max(k_hi, 0); k <= h - 1; ++k)
                cross[k][0] = cross[k][1] = cross[n - 1 - k][0] = cross[n - 1 - k][1] = 0;
            fftwf_execute(back);
            for (int k = 0; k < h; ++k)
                std::swap(spec[k][0], spec[h + k][0]);
            for (int k = 0; k < n; ++k) {
                const float v = spec[k][0] / 10000;
                sum[k] += v * v;
            }
        }
        int peak = 0;
        float max = 0;
        for (int k = 0; k < n; ++k)
            if (std::fabs(sum[k]) > max)
                max = std::fabs(sum[k]), peak = k;
        float mean = 0;
        for (int k = 0; k < n - 1; ++k)
            mean += sum[k] * 16384 / max / n;
        (void)mean;
        return peak;
    }
};

// The bench group: eight loggers on a line of pipes, ten blocks each.
struct Site {
    fs::path root = fs::temp_directory_path() / "pelquor_all_pairs_bench";
    std::string folder;
    GroupState g;
    std::unique_ptr<CorrelationState> cs = std::make_unique<CorrelationState>();
    PipeState p;
    AllPairsState run;
    UnitState units;
    LangTexts texts;

    Site() {
        fs::remove_all(root);
        synth::Group sg;
        sg.c_mode = c_mode_abc;
        for (int k = 1; k <= 8; ++k)
            sg.loggers.push_back({1000 + k, "L" + std::to_string(k), 60 * k});
        for (int k = 1; k < 8; ++k)
            sg.pipes.push_back({k, k + 1, {{50, 1000}}});
        synth::write_group(root / "site", sg, 11);
        load_logger_set(g, root.string() + "/", "site");
        folder = (root / "site").string() + "/";
    }
    ~Site() { fs::remove_all(root); }
    RunEnv env() { return RunEnv{g, *cs, p, run, units, texts, folder}; }
};

Site& site() {
    static Site s;
    return s;
}

void BM_all_pairs_run(benchmark::State& state) {
    Site& s = site();
    RunEnv e = s.env();
    for (auto _ : state)
        correlate_all(e);
    state.counters["pairs"] = s.run.corr_index - 1;
}
BENCHMARK(BM_all_pairs_run)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same run with the pair correlation one pair at a time.
void BM_all_pairs_pair_by_pair(benchmark::State& state) {
    Site& s = site();
    RunEnv e = s.env();
    for (auto _ : state) {
        reset_correlations(s.g);
        s.cs->q_slot = 0;
        for (int k = 1; k <= pair_count(8); ++k) {
            const PairSlots ps = pair_slots(8, k);
            int32_t a = ps.a, b = ps.b;
            find_pair_pipe(s.g, s.p, a, b);
            s.cs->q_slot = k;
            allblock_logger_korr(e, a, b, k);
        }
    }
}
BENCHMARK(BM_all_pairs_pair_by_pair)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_all_pairs_fftw_reference(benchmark::State& state) {
    Site& s = site();
    RunEnv e = s.env();
    correlate_all(e);
    static Reference ref;
    int mismatches = 0;
    for (auto _ : state) {
        for (int k = 1; k <= pair_count(8); ++k) {
            const Tcorr_comb& c = s.g.corr_comb[k];
            const int peak = ref.pair(s.folder, s.g.corr_log_set.corr_log[c.lo1_index].ID,
                                      s.g.corr_log_set.corr_log[c.lo2_index].ID, s.g.sample_rate,
                                      s.g.filter1_li, s.g.filter1_re);
            mismatches += peak != s.run.runs[k].peak_index;
        }
    }
    if (mismatches)
        state.SkipWithError("the reference finds other peaks");
}
BENCHMARK(BM_all_pairs_fftw_reference)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the times of the runs for the closing lines.
class Reporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> ms, cpu_ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration || r.aggregate_name == "median") {
                const double unit = r.time_unit == benchmark::kMillisecond ? 1 : 1e-6;
                ms[r.run_name.function_name] = r.GetAdjustedRealTime() * unit;
                cpu_ms[r.run_name.function_name] = r.GetAdjustedCPUTime() * unit;
            }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ours = reporter.ms.find("BM_all_pairs_run");
    const auto ref = reporter.ms.find("BM_all_pairs_fftw_reference");
    if (ours != reporter.ms.end() && ref != reporter.ms.end() && ref->second > 0) {
        const double oc = reporter.cpu_ms[ours->first], rc = reporter.cpu_ms[ref->first];
        std::printf("all-pairs run %.1f ms (cpu %.1f), FFTW reference %.1f ms (cpu %.1f): "
                    "ratio %.2f (cpu %.2f, goal 2.0), 250 ms goal %s\n",
                    ours->second, oc, ref->second, rc, ours->second / ref->second,
                    rc > 0 ? oc / rc : 0.0, ours->second <= 250 ? "met" : "missed");
    }
    benchmark::Shutdown();
    return 0;
}

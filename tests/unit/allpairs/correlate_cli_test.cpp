// pelquor-cli correlate on a synthetic group folder: every pair's delay,
// leak distance and quality class against values worked out here from the
// geometry of the site.
#include "synthetic_group.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun run_cli(const std::string& args) {
    const char* bin = std::getenv("PELQUOR_BIN_DIR");
    CliRun r;
    if (!bin)
        return r;
    const std::string cmd = std::string(bin) + "/pelquor-cli " + args + " 2>/dev/null";
    FILE* f = ::popen(cmd.c_str(), "r");
    if (!f)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), f)) > 0)
        r.out.append(buf.data(), n);
    const int st = ::pclose(f);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

class CorrelateCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("PELQUOR_BIN_DIR"), nullptr);
        // Tests of this suite run in parallel processes: a folder each.
        root_ = fs::temp_directory_path() /
                ("pelquor_correlate_cli_" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "home");
        dir_ = root_ / "data" / "site";
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string common() const { return "--home " + (root_ / "home").string() + " "; }
    fs::path root_, dir_;
};

// Loggers 1 - 2 - 3 on a line, the leak 60 m from logger 1 on the pipe to
// logger 2; logger 4 has no pipe and hears nothing of the leak.
TEST_F(CorrelateCli, LocatesTheLeakOnEveryPairWithAPipe) {
    const int fs_hz = 6554;
    const double leak_from_1 = 60, pipe12 = 200, v12 = 1000;
    const std::vector<std::pair<float, int>> sec12 = {{200, 1000}};
    const std::vector<std::pair<float, int>> sec23 = {{100, 1250}, {50, 500}};
    // Travel times from the leak, in samples.
    const double t1 = leak_from_1 / v12;
    const double t2 = (pipe12 - leak_from_1) / v12;
    const double t3 = t2 + 100.0 / 1250 + 50.0 / 500;
    synth::Group g;
    g.loggers = {{101, "north", int(std::lround(t1 * fs_hz))},
                 {102, "hydrant", int(std::lround(t2 * fs_hz))},
                 {103, "valve", int(std::lround(t3 * fs_hz))},
                 {104, "far", 0, true}};
    g.pipes = {{2, 1, sec12}, {2, 3, sec23}}; // the first pipe runs from logger 2
    synth::write_group(dir_, g, 7);

    const CliRun r = run_cli(common() + "correlate " + dir_.string());
    ASSERT_EQ(r.status, 0) << r.out;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["sample_rate"], fs_hz);
    EXPECT_EQ(j["method"], "ABC");
    EXPECT_EQ(j["filter1_li"], 180);
    EXPECT_EQ(j["filter1_re"], 3277);
    ASSERT_EQ(j["pairs"].size(), 6u);

    struct Expect {
        int a, b; // logger A and B as correlated
        std::string pipe;
        std::vector<std::pair<float, int>> sections; // A to B
        double true_distance;                        // of the leak from A
    };
    std::vector<std::pair<float, int>> sec13 = sec12;
    sec13.insert(sec13.end(), sec23.begin(), sec23.end());
    const std::map<int, Expect> expect = {
        {1, {2, 1, "direct", sec12, pipe12 - leak_from_1}}, // stored (2, 1)
        {2, {1, 3, "chain", sec13, leak_from_1}},
        {3, {1, 4, "none", {}, 0}},
        {4, {2, 3, "direct", sec23, 0}}, // leak behind logger 2: end zone
        {5, {2, 4, "none", {}, 0}},
        {6, {3, 4, "none", {}, 0}},
    };
    std::vector<int> green, red;
    for (const auto& p : j["pairs"]) {
        const int index = p["index"];
        SCOPED_TRACE("pair " + std::to_string(index));
        const Expect& e = expect.at(index);
        EXPECT_EQ(p["lo1_index"], e.a);
        EXPECT_EQ(p["lo2_index"], e.b);
        EXPECT_EQ(p["id_a"], g.loggers[e.a - 1].id);
        EXPECT_EQ(p["id_b"], g.loggers[e.b - 1].id);
        EXPECT_EQ(p["pipe"], e.pipe);
        EXPECT_EQ(p["shift_clamped"], false);
        if (e.pipe == "none") {
            EXPECT_EQ(p["qf"], 1); // nothing in common
            EXPECT_EQ(p["total_distance"], 0.0);
            EXPECT_EQ(p["distance_a"], 0.0);
            EXPECT_EQ(p["distance_a_string"], "xxx");
            EXPECT_EQ(p["pos_status"], -1);
            red.push_back(index);
            continue;
        }
        // B hears the leak (dB - dA) samples later: the peak sits that far
        // below the middle lag.
        const int later = g.loggers[e.b - 1].delay - g.loggers[e.a - 1].delay;
        const int peak = 8192 - later;
        EXPECT_EQ(p["peak_index"], peak);
        EXPECT_NEAR(p["dt"].get<double>(), -later * 1000.0 / fs_hz, 1e-3);
        EXPECT_EQ(p["qf"], 3);
        green.push_back(index);
        float total = 0;
        for (const auto& s : e.sections)
            total += s.first;
        EXPECT_NEAR(p["total_distance"].get<double>(), total, 1e-4);
        const double d = synth::distance_at(e.sections, fs_hz, peak);
        EXPECT_NEAR(p["distance_a"].get<double>(), d, 1e-3);
        EXPECT_NEAR(d, e.true_distance, 1.0); // and that is where the leak is
        char text[32];
        std::snprintf(text, sizeof text, "%.1fm", d);
        EXPECT_EQ(p["distance_a_string"], text);
        const synth::Mapping m = synth::map_sections(e.sections, fs_hz);
        const int margin = m.span / 10, hi = (16384 + m.span) / 2;
        const bool end_zone = (m.lo - margin < peak && peak < m.lo + margin) ||
                              (hi - margin < peak && peak < hi + margin);
        EXPECT_EQ(p["pos_status"], end_zone ? -2 : 0);
        EXPECT_EQ(end_zone, index == 4);
    }
    std::vector<int> order = green;
    order.insert(order.end(), red.begin(), red.end());
    EXPECT_EQ(j["results_order"].get<std::vector<int>>(), order);
    EXPECT_EQ(j["shift_warning"], "");

    // The group folder is only read.
    const CliRun again = run_cli(common() + "correlate " + dir_.string() +
                                 " --method MBC --band 300:2000 --filter bandpass");
    ASSERT_EQ(again.status, 0);
    const auto j2 = nlohmann::json::parse(again.out);
    EXPECT_EQ(j2["method"], "MBC");
    EXPECT_EQ(j2["filter1_li"], 300);
    EXPECT_EQ(j2["filter1_re"], 2000);
    EXPECT_EQ(j2["pairs"][0]["peak_index"], j["pairs"][0]["peak_index"]);
}

TEST_F(CorrelateCli, WrongUsageAndMissingGroup) {
    synth::Group g;
    g.blocks = 1;
    g.loggers = {{11, "a", 0}, {12, "b", 10}};
    synth::write_group(dir_, g);
    for (const char* bad : {"--method XYZ", "--band 500:100", "--band 1-2", "--filter lowpass"})
        EXPECT_EQ(run_cli(common() + "correlate " + dir_.string() + " " + bad).status, 2) << bad;
    EXPECT_EQ(run_cli(common() + "correlate").status, 2);
    EXPECT_EQ(run_cli(common() + "correlate " + (root_ / "nothing").string()).status, 1);
}

TEST_F(CorrelateCli, LevelsListEveryLogger) {
    synth::Group g;
    g.blocks = 3; // blocks 4 .. 10 are missing and count 60
    g.loggers = {{21, "a", 0}, {22, "b", 5}};
    synth::write_group(dir_, g);
    const CliRun r = run_cli(common() + "levels " + dir_.string());
    ASSERT_EQ(r.status, 0) << r.out;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 2u);
    EXPECT_EQ(j[1]["slot"], 2);
    EXPECT_EQ(j[1]["ID"], 22);
    const auto levels = j[0]["levels"].get<std::vector<int>>();
    ASSERT_EQ(levels.size(), 10u);
    for (int s = 3; s < 10; ++s)
        EXPECT_EQ(levels[s], 60);
    EXPECT_LT(levels[0], 60);
    EXPECT_LE(j[0]["lowest_block"].get<int>(), 3);
    EXPECT_EQ(j[0]["file_name"], "L21_B9.wav");
    for (const char* key : {"level", "frequency", "esa", "color"})
        EXPECT_TRUE(j[0].contains(key)) << key;
}

} // namespace

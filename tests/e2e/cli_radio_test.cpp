// pelquor-cli's radio commands and the demo, run as a user runs them.
#include "e2e/sim_process.h"
#include "groups/group_file.h"
#include "shell/files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>

using e2e::byte_at;
using e2e::SimProcess;
using json = nlohmann::json;

namespace {

struct CliRun {
    int status = -1;
    std::string out, err;
};

// Runs pelquor-cli with the words given (shell-quoted here), home in home.
CliRun cli(const std::string& home, const std::string& words) {
    std::string err_file = home + "/stderr.txt";
    std::string cmd =
        e2e::bin_dir() + "pelquor-cli --home '" + home + "' " + words + " 2>'" + err_file + "'";
    CliRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    pelquor::read_file(err_file, r.err);
    return r;
}

// A group folder of three demo loggers, instant measuring.
std::string make_group(const std::string& home) {
    std::string dir = home + "/data/grp";
    pelquor::create_folder(dir);
    pelquor::GroupState g;
    auto& s = g.corr_log_set;
    s.tree_path = "grp";
    s.count = 3;
    s.meas_mode = 2;
    int32_t ids[] = {4101, 4102, 4103};
    for (int k = 1; k <= 3; ++k)
        s.corr_log[k].ID = ids[k - 1];
    g.group_not_loaded = false;
    pelquor::corr_log_set_save_ini(g, home + "/data/");
    return dir;
}

class CliRadio : public ::testing::Test {
  protected:
    std::string home = e2e::make_temp_folder();
    ~CliRadio() override { e2e::remove_folder(home); }
};

} // namespace

TEST_F(CliRadio, ProgramThenReadAGroup) {
    SimProcess sim;
    std::string dir = make_group(home);
    CliRun p = cli(home, "program '" + dir + "'");
    ASSERT_EQ(p.status, 0) << p.err;
    json pj = json::parse(p.out);
    EXPECT_TRUE(pj["ok"].get<bool>());
    EXPECT_GT(pj["sync_time"].get<uint32_t>(), 0u);
    EXPECT_NE(p.err.find("4103: 3/3"), std::string::npos) << "progress texts on stderr";

    CliRun r = cli(home, "read '" + dir + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    json rj = json::parse(r.out);
    EXPECT_EQ(rj["found"], 30);
    EXPECT_EQ(rj["recordings"][2]["blocks"].size(), 10u);
    EXPECT_TRUE(pelquor::file_exists(dir + "/L4103_B9.wav"));

    CliRun z = cli(home, "reset '" + dir + "'");
    ASSERT_EQ(z.status, 0) << z.err;
    json zj = json::parse(z.out);
    EXPECT_EQ(zj["sync_time"], 0);
    EXPECT_EQ(zj["meas_mode"], 2) << "the group keeps its mode";
    EXPECT_EQ(sim.received_code(0x78).size(), 6u);
    EXPECT_EQ(byte_at(sim.received_code(0x78).back(), 26), 0) << "programmed with measuring off";
}

TEST_F(CliRadio, StatusLinesAndUsage) {
    SimProcess sim({"--silent", "4102"});
    CliRun ok = cli(home, "status 4101 --family corr");
    ASSERT_EQ(ok.status, 0) << ok.err;
    json lines = json::parse(ok.out);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[1], "LOG 4101");
    EXPECT_EQ(lines.back(), "Communication finished!");
    CliRun silent = cli(home, "status 4102 --family corr");
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(cli(home, "status 4101").status, 2) << "the family is needed";
    EXPECT_EQ(cli(home, "status x1 --family corr").status, 2);
}

TEST_F(CliRadio, DetectHearsAnnouncements) {
    SimProcess sim({"--announce", "4103"});
    CliRun d = cli(home, "detect --seconds 2");
    ASSERT_EQ(d.status, 0) << d.err;
    json j = json::parse(d.out);
    ASSERT_EQ(j.size(), 1u);
    EXPECT_EQ(j[0]["ID"], 4103);
    EXPECT_EQ(j[0]["family"], 104);
}

TEST_F(CliRadio, FirmwareOfALogger) {
    SimProcess sim;
    std::string file = home + "/new.pqf";
    pelquor::write_file_atomic(file, std::string(416, 'x'));
    CliRun f = cli(home, "firmware logger 4102 '" + file + "' --family corr");
    ASSERT_EQ(f.status, 0) << f.err;
    json j = json::parse(f.out);
    EXPECT_EQ(j["pages"], 3);
    EXPECT_EQ(j["message"], "Update finished ID 4102");
    CliRun bad = cli(home, "firmware logger 41o2 '" + file + "' --family corr");
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(sim.received_code(0xFE).size() == 3u) << "nothing sent for a bad ID";
}

TEST_F(CliRadio, DemoFindsTheLeak) {
    CliRun d = cli(home, "demo");
    ASSERT_EQ(d.status, 0) << d.err;
    json j = json::parse(d.out);
    EXPECT_EQ(j["recordings"], j["recordings_expected"]);
    const auto& leak = j["true_leak"];
    bool metal_pair_seen = false;
    for (const auto& p : j["pairs"]) {
        EXPECT_TRUE(p.contains("located"));
        EXPECT_TRUE(p.contains("true_distance"));
        if (p["id_a"] == leak["from"] && p["id_b"] == leak["to"]) {
            metal_pair_seen = true;
            double spacing = p["total_distance"].get<double>();
            double err = std::fabs(p["located"].get<double>() - leak["distance"].get<double>());
            EXPECT_LE(err, 0.02 * spacing) << "cast-iron main of " << spacing << " m";
            EXPECT_EQ(p["pipe"], "direct");
        }
    }
    EXPECT_TRUE(metal_pair_seen);
    EXPECT_EQ(j["pairs"].size(), 10u) << "every pair of the tree of pipes";
    EXPECT_NE(d.err.find("demo: read ok"), std::string::npos);
}

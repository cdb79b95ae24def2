#include "unit/common/temp_home.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

using pelquor::test::read_text;
using pelquor::test::TempDir;
using pelquor::test::write_text;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun run_cli(const std::string& args) {
    const char* bin = std::getenv("PELQUOR_BIN_DIR");
    std::string cmd = std::string(bin ? bin : ".") + "/pelquor-cli " + args + " 2>/dev/null";
    CliRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

} // namespace

TEST(GroupCli, ShowPrintsAHandWrittenFileAsRead) {
    TempDir home;
    const std::string dir = home / "data/Site";
    write_text(dir + "/corr_grp.ini",
               "[comm]\n comment = Hand written \nsync_time=4294967295\ncount=2\n"
               "pipes_count=1\nrange_mode=2\nactual_pipe=3\n"
               "[log1]\nID=1234\nfilename=C:\\old\\L1234_B0.wav\n[log2]\nID=1235\n"
               "[pipe_1]\nlength=12,5\nlog1=1\nlog2=2\nsections=1\n"
               "[pipe_1_sec1]\nlength=12.3\ndiameter= \nman=TRUE\nvel=1100\n");
    CliRun r = run_cli("--home " + home.path() + " group show " + dir);
    ASSERT_EQ(r.status, 0) << r.out;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["comment"], "Hand written");
    EXPECT_EQ(j["sync_time"], 4294967295u);
    EXPECT_EQ(j["actual_pipe"], 3);
    EXPECT_EQ(j["range_mode"], 2);
    EXPECT_EQ(j["sample_rate"], 1638);
    EXPECT_EQ(j["dev_type"], 104);
    EXPECT_EQ(j["stop"], 3);
    ASSERT_EQ(j["loggers"].size(), 2u);
    EXPECT_EQ(j["loggers"][0]["filename"], "L1234_B0.wav");
    ASSERT_EQ(j["pipes"].size(), 1u);
    EXPECT_DOUBLE_EQ(j["pipes"][0]["length"].get<double>(), 12.5);
    EXPECT_DOUBLE_EQ(j["pipes"][0]["pipe"][0]["length"].get<double>(), 12.3000001907349);
    EXPECT_EQ(j["pipes"][0]["pipe"][0]["diameter"], "");
    EXPECT_EQ(j["pipes"][0]["pipe"][0]["man"], true);
}

TEST(GroupCli, ExitStatuses) {
    TempDir home;
    EXPECT_EQ(run_cli("group show").status, 2);
    EXPECT_EQ(run_cli("group show " + home / "nothing").status, 1);
    write_text(home / "bad/corr_grp.ini", "[comm]\ncount=12\n");
    EXPECT_EQ(run_cli("group show " + home / "bad").status, 1);
    EXPECT_EQ(run_cli("no-such-command").status, 2);
}

TEST(GroupCli, ResaveRewritesAsTheProgramSaves) {
    TempDir home;
    const std::string dir = home / "data/Site";
    write_text(dir + "/corr_grp.ini",
               "[comm]\ncount=1\npipes_count=0\n[log1]\nID=5\n[log2]\nID=6\n");
    write_text(dir + "/corr_grp.txt", "note one\r\nnote two\r\n");
    CliRun r = run_cli("--home " + home.path() + " group resave " + dir);
    ASSERT_EQ(r.status, 0);
    std::string text = read_text(dir + "/corr_grp.ini");
    EXPECT_EQ(text.rfind("[comm]\r\ncomment=\r\n", 0), 0u) << text;
    EXPECT_EQ(text.find("[log2]"), std::string::npos);
    EXPECT_EQ(read_text(dir + "/corr_grp.txt"), "note one\r\nnote two\r\n");
}

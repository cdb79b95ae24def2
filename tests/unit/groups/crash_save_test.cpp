// A save killed at any moment leaves either the old or the new group file,
// never a half-written one.
#include "groups/group_file.h"
#include "shell/files.h"
#include "unit/common/temp_home.h"

#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace pelquor;
using pelquor::test::TempDir;

namespace {

GroupState big_group(int generation) {
    GroupState g;
    auto& s = g.corr_log_set;
    s.tree_path = "G";
    s.comment = "generation " + std::to_string(generation);
    s.count = 8;
    for (int n = 1; n <= 8; ++n) {
        s.corr_log[n].ID = 1000 + n;
        s.corr_log[n].comment = std::string(200, 'a' + n);
    }
    s.pipes_count = 28;
    for (int i = 1; i <= 28; ++i) {
        s.pipes[i].log1 = 1;
        s.pipes[i].log2 = 2;
        s.pipes[i].sections = 10;
        for (int k = 1; k <= 10; ++k) {
            s.pipes[i].pipe[k].length = 10.0f + k;
            s.pipes[i].pipe[k].vel = 1000 + generation % 100;
        }
    }
    g.group_not_loaded = false;
    return g;
}

} // namespace

TEST(CrashSafeSave, KilledWritersNeverLeaveAHalfFile) {
    TempDir home;
    const std::string data = home.path() + "/";
    ASSERT_TRUE(create_folder(data + "G"));
    GroupState first = big_group(0);
    ASSERT_EQ(corr_log_set_save_ini(first, data), SaveResult::written);

    std::mt19937 rng(1234);
    for (int round = 0; round < 20; ++round) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int gen = 1;; ++gen) {
                GroupState g = big_group(gen);
                corr_log_set_save_ini(g, data);
            }
        }
        ::usleep(std::uniform_int_distribution<int>(1000, 30000)(rng));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);

        GroupState back;
        ASSERT_EQ(load_logger_set(back, data, "G"), LoadResult::loaded) << "round " << round;
        const auto& s = back.corr_log_set;
        ASSERT_EQ(s.count, 8) << "round " << round;
        ASSERT_EQ(s.pipes_count, 28);
        EXPECT_EQ(s.pipes[28].sections, 10);
        EXPECT_EQ(s.pipes[28].pipe[10].length, 20.0f);
        EXPECT_EQ(s.corr_log[8].comment, std::string(200, 'a' + 8));
        EXPECT_EQ(s.comment.rfind("generation ", 0), 0u);
    }
}

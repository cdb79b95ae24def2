// The recordings check after a download: counting files, the 0.9 rule, and
// the offer to remove a logger without any recording. No device is needed.
#include "radio/download.h"
#include "shell/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace pelquor;

namespace {

struct Fixture {
    std::string root;
    RadioState radio;
    GroupState group;
    LangTexts texts;
    ScriptedDialogs dialogs;
    TextProgress progress;
    FixedClock clock;
    RadioContext ctx{radio, group, texts, dialogs, progress, clock, "", {}};

    Fixture(int loggers, int meas_mode) {
        char tmpl[] = "/tmp/pelquor-radio-XXXXXX";
        root = ::mkdtemp(tmpl);
        ctx.data_folder = root + "/";
        texts.set(45, "OK");
        texts.set(114, "Remove ");
        texts.set(219, "read again");
        auto& s = group.corr_log_set;
        s.tree_path = "g";
        s.count = loggers;
        s.meas_mode = meas_mode;
        for (int k = 1; k <= loggers; ++k)
            s.corr_log[k].ID = 10 * k;
        create_folder(ctx.group_folder());
    }
    ~Fixture() { std::filesystem::remove_all(root); }
    // The first n recordings of logger slot k.
    void record(int k, int n) {
        for (int j = 1; j <= n; ++j)
            write_file_atomic(
                ctx.group_folder() +
                    recording_file_name(group.corr_log_set.corr_log[k].ID,
                                        block_number_of(group.corr_log_set.meas_mode, j)),
                "x");
    }
};

} // namespace

TEST(ShowRequests, TheNinetyPercentRule) {
    struct Case {
        int last_logger_files;
        const char* line;
    } cases[] = {{7, "27/30 OK"}, {6, "26/30 read again?"}};
    for (const auto& c : cases) {
        Fixture f(3, 2);
        f.record(1, 10);
        f.record(2, 10);
        f.record(3, c.last_logger_files);
        EXPECT_EQ(show_requests(f.ctx), 20 + c.last_logger_files);
        EXPECT_EQ(f.progress.lines.back(), c.line);
        EXPECT_TRUE(f.dialogs.log.empty());
    }
}

TEST(ShowRequests, NightModeNamesAndRemovingAnEmptyLogger) {
    Fixture f(3, 1);
    f.record(1, 10);
    f.record(3, 10);
    EXPECT_TRUE(file_exists(f.ctx.group_folder() + "L10_B99.wav"));
    f.dialogs.answers = {true};
    int saves = 0;
    f.ctx.hooks.save_group = [&] { return ++saves > 0; };
    EXPECT_EQ(show_requests(f.ctx), 20);
    EXPECT_EQ(f.dialogs.texts("question"), std::vector<std::string>{"Remove 20?"});
    EXPECT_EQ(f.group.corr_log_set.count, 2);
    EXPECT_EQ(f.group.corr_log_set.corr_log[2].ID, 30);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(f.progress.lines.back(), "20/20 OK");
}

TEST(ShowRequests, AnEmptyGroupIsNoDivision) {
    Fixture f(1, 2);
    f.dialogs.answers = {true};
    EXPECT_EQ(show_requests(f.ctx), 0);
    EXPECT_EQ(f.group.corr_log_set.count, 0);
    EXPECT_EQ(f.progress.lines.back(), "0/0 read again?");
}

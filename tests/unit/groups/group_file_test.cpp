#include "groups/group_file.h"
#include "shell/files.h"
#include "unit/common/temp_home.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pelquor;
using pelquor::test::read_text;
using pelquor::test::TempDir;
using pelquor::test::write_text;

namespace {

// A group with two loggers and one pipe of two sections, loaded from disk.
struct GroupFixture : ::testing::Test {
    TempDir home;
    std::string data() const { return home.path() + "/data/"; }
    std::string folder() const { return data() + "Pelquor/A/"; }
    GroupState g;

    void write_group(const std::string& text) { write_text(folder() + group_file_name, text); }
    void load() { ASSERT_EQ(load_logger_set(g, data(), "Pelquor/A"), LoadResult::loaded); }
};

const char* two_logger_group =
    "[comm]\r\n"
    "comment=Main street\r\n"
    "sync_time=1700000000\r\n"
    "count=2\r\n"
    "meas_mode=2\r\n"
    "pipes_count=1\r\n"
    "actual_pipe=1\r\n"
    "[log1]\r\nID=1234\r\ncomment=Hydrant 1\r\nfilename=L1234_B0.wav\r\n"
    "[log2]\r\nID=1235\r\ncomment=Valve\r\n"
    "[log3]\r\nID=999\r\n"
    "[pipe_1]\r\nlength=112.3\r\nlog1=1\r\nlog2=2\r\nsections=2\r\n"
    "[pipe_1_sec1]\r\nlength=12,5\r\ndiameter=100\r\nmaterial=Cast iron\r\n"
    "vel=1200\r\nman=0\r\n"
    "[pipe_1_sec2]\r\nlength=99.8000030517578\r\ndiameter= \r\nmaterial= \r\n"
    "vel=1000\r\nman=-1\r\n"
    "[pipe_1_sec3]\r\nlength=5\r\n";

} // namespace

TEST(FloatText, WritesFifteenDigitsOfTheSingleValue) {
    struct Case {
        float value;
        const char* text;
    } cases[] = {{12.3f, "12.3000001907349"},
                 {100.0f, "100"},
                 {0.0f, "0"},
                 {-2.5f, "-2.5"},
                 {0.1f, "0.100000001490116"}};
    for (const auto& c : cases)
        EXPECT_EQ(my_FloatToStr(c.value), c.text);
}

TEST(FloatText, ReadsCommaOrPointAndRoundTrips) {
    EXPECT_EQ(my_StrToFloat("12,5"), 12.5f);
    EXPECT_EQ(my_StrToFloat(" 12.5 "), 12.5f);
    EXPECT_EQ(my_StrToFloat(my_FloatToStr(12.3f)), 12.3f);
    for (const char* bad : {"", "abc", "1.2.3", "1,2.3", "12m", "nan", "1e99"}) {
        EXPECT_FALSE(isFloat(bad)) << bad;
        EXPECT_THROW(my_StrToFloat(bad), std::invalid_argument) << bad;
    }
    EXPECT_TRUE(isInteger("-42"));
    EXPECT_FALSE(isInteger("4.2"));
    EXPECT_FALSE(isInteger("99999999999"));
}

TEST_F(GroupFixture, FileWithoutCommTakesTheDefaults) {
    write_group("[log1]\r\nID=5\r\n");
    g.rg_range_item = 0;
    load();
    const auto& s = g.corr_log_set;
    EXPECT_EQ(s.start, 2);
    EXPECT_EQ(s.stop, 3);
    EXPECT_EQ(s.meas_delta, 300);
    EXPECT_EQ(s.meas_mode, 1);
    EXPECT_EQ(s.blocks, 10);
    EXPECT_EQ(s.interval, 30);
    EXPECT_EQ(g.filter1_li, 180);
    EXPECT_EQ(g.filter1_re, 3277);
    EXPECT_EQ(s.c_mode, 1);
    EXPECT_EQ(s.dev_type, 104);
    EXPECT_EQ(s.range_mode, 0);
    EXPECT_EQ(g.sample_rate, 6554);
    EXPECT_EQ(s.picture_name, "0");
    EXPECT_EQ(s.count, 0);
    EXPECT_FALSE(g.group_not_loaded);
}

TEST_F(GroupFixture, LoadsLoggersPipesAndSections) {
    write_group(two_logger_group);
    load();
    const auto& s = g.corr_log_set;
    EXPECT_EQ(s.comment, "Main street");
    EXPECT_EQ(s.sync_time, 1700000000u);
    EXPECT_EQ(g.prog_state, 0);
    EXPECT_EQ(s.actual_pipe, 1); // as read; the save writes 0
    EXPECT_EQ(s.corr_log[1].ID, 1234);
    EXPECT_EQ(s.corr_log[2].comment, "Valve");
    EXPECT_EQ(s.corr_log[3].ID, 0) << "a logger section beyond count is ignored";
    const auto& p = s.pipes[1];
    EXPECT_EQ(p.length, 112.3f);
    EXPECT_EQ(p.pipe[1].length, 12.5f);
    EXPECT_EQ(p.pipe[1].material, "Cast iron");
    EXPECT_EQ(p.pipe[2].diameter, "") << "a manual section's blank is lost on reading";
    EXPECT_EQ(p.pipe[2].material, "");
    EXPECT_TRUE(p.pipe[2].man);
    EXPECT_EQ(p.pipe[3].length, 0.0f) << "sections beyond the count are ignored";
}

TEST_F(GroupFixture, SaveWritesTheOrderAndDropsWhatWasIgnored) {
    write_group(two_logger_group);
    load();
    g.corr_log_set.corr_log[1].file_name = "/some/folder/L1234_B0.wav";
    ASSERT_EQ(corr_log_set_save_ini(g, data()), SaveResult::written);
    std::string text = read_text(folder() + group_file_name);
    EXPECT_NE(text.find("[comm]\r\ncomment=Main street\r\nread_time=0\r\nsync_time=1700000000\r\n"
                        "start=2\r\nstop=3\r\ncount=2\r\nmeas_delta=300\r\nmeas_mode=2\r\n"
                        "radio_on=0\r\nradio_off=0\r\nradio_days=0\r\npipes_count=1\r\n"
                        "filter1_li=180\r\nfilter1_re=3277\r\nc_mode=1\r\ndev_type=104\r\n"
                        "actual_pipe=0\r\npicture_name=0\r\nblocks=10\r\ninterval=30\r\n"
                        "map_north=\r\nmap_south=\r\nmap_west=\r\nmap_east=\r\nrange_mode=0\r\n"
                        "[log1]\r\nID=1234\r\ncomment=Hydrant 1\r\nfilename=L1234_B0.wav\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[pipe_1]\r\nlength=112.300003051758\r\nlog1=1\r\nlog2=2\r\nsections=2\r\n"
                        "multi_sec=0\r\n[pipe_1_sec1]\r\nlength=12.5\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("[log3]"), std::string::npos);
    EXPECT_EQ(text.find("[pipe_1_sec3]"), std::string::npos);

    // Reading back gives the same values.
    GroupState h;
    ASSERT_EQ(load_logger_set(h, data(), "Pelquor/A"), LoadResult::loaded);
    EXPECT_EQ(h.corr_log_set.actual_pipe, 0);
    EXPECT_EQ(h.corr_log_set.pipes[1].length, 112.3f);
    EXPECT_EQ(h.corr_log_set.pipes[1].pipe[2].length, 99.8000030517578f);
    EXPECT_EQ(h.corr_log_set.corr_log[1].file_name, "L1234_B0.wav");
}

TEST_F(GroupFixture, SaveGuards) {
    // A folder without a group file opens empty and is never written.
    create_folder(folder());
    EXPECT_EQ(load_logger_set(g, data(), "Pelquor/A"), LoadResult::no_group_file);
    EXPECT_TRUE(g.group_not_loaded);
    EXPECT_EQ(corr_log_set_save_ini(g, data()), SaveResult::skipped);
    EXPECT_FALSE(file_exists(folder() + group_file_name));

    // The first group being made may be written once the flag is set.
    g.first_group_pending = true;
    EXPECT_EQ(corr_log_set_save_ini(g, data()), SaveResult::written);
    EXPECT_FALSE(g.first_group_pending);

    GroupState empty_path;
    empty_path.group_not_loaded = false;
    EXPECT_EQ(corr_log_set_save_ini(empty_path, data()), SaveResult::skipped);
}

TEST_F(GroupFixture, FailedWriteNamesTheFile) {
    write_group(two_logger_group);
    load();
    std::string error;
    g.corr_log_set.tree_path = "Pelquor/gone";
    EXPECT_EQ(corr_log_set_save_ini(g, data(), &error), SaveResult::failed);
    EXPECT_NE(error.find("Pelquor/gone/corr_grp.ini"), std::string::npos) << error;
}

TEST_F(GroupFixture, InterruptedSaveKeepsTheOldFile) {
    write_group(two_logger_group);
    load();
    const std::string before = read_text(folder() + group_file_name);
    g.corr_log_set.comment = "changed";
    set_atomic_write_fault(true);
    std::string error;
    EXPECT_EQ(corr_log_set_save_ini(g, data(), &error), SaveResult::failed);
    set_atomic_write_fault(false);
    EXPECT_EQ(read_text(folder() + group_file_name), before);
    GroupState h;
    ASSERT_EQ(load_logger_set(h, data(), "Pelquor/A"), LoadResult::loaded);
    EXPECT_EQ(h.corr_log_set.comment, "Main street");
}

TEST_F(GroupFixture, CountsBeyondTheRecordsAreRefusedAndTheOpenGroupStays) {
    write_group(two_logger_group);
    load();
    struct Case {
        const char* text;
        const char* key;
    } cases[] = {{"[comm]\r\ncount=9\r\n", "count"},
                 {"[comm]\r\npipes_count=29\r\n", "pipes_count"},
                 {"[comm]\r\npipes_count=1\r\n[pipe_1]\r\nsections=11\r\n", "sections"},
                 {"[comm]\r\ncount=-1\r\n", "count"}};
    for (const auto& c : cases) {
        write_text(data() + "Pelquor/B/" + group_file_name, c.text);
        try {
            load_logger_set(g, data(), "Pelquor/B");
            ADD_FAILURE() << c.text;
        } catch (const GroupFileError& e) {
            std::string m = e.what();
            EXPECT_NE(m.find("Pelquor/B/corr_grp.ini"), std::string::npos) << m;
            EXPECT_NE(m.find(c.key), std::string::npos) << m;
        }
        EXPECT_EQ(g.corr_log_set.tree_path, "Pelquor/A");
        EXPECT_EQ(g.corr_log_set.count, 2);
        EXPECT_FALSE(g.group_not_loaded);
    }
}

TEST_F(GroupFixture, ValueThatIsNotANumberStopsTheLoadAtItsKey) {
    write_group("[comm]\r\ncomment=X\r\nstart=5\r\nstop=late\r\ncount=1\r\n");
    try {
        load_logger_set(g, data(), "Pelquor/A");
        FAIL();
    } catch (const GroupFileError& e) {
        std::string m = e.what();
        EXPECT_NE(m.find("'late'"), std::string::npos) << m;
        EXPECT_NE(m.find("stop"), std::string::npos) << m;
        EXPECT_NE(m.find("corr_grp.ini"), std::string::npos) << m;
    }
    EXPECT_EQ(g.corr_log_set.start, 5) << "fields read before the bad key keep their values";
    EXPECT_TRUE(g.group_not_loaded) << "a half-read group is never written back";
    EXPECT_FALSE(g.reading_group_file);
    EXPECT_EQ(corr_log_set_save_ini(g, data()), SaveResult::skipped);
}

TEST_F(GroupFixture, RangeSelectorActsLikeAClickWhenItsItemChanges) {
    struct Case {
        int selected_before;
        const char* file_range;
        int range_mode;
        int sample_rate;
    } cases[] = {{0, "2", 2, 1638}, {1, "2", 2, 1638}, {0, "1", 1, 3277}, {1, "1", 0, 6554}};
    for (const auto& c : cases) {
        write_group(std::string("[comm]\r\nrange_mode=") + c.file_range + "\r\n");
        GroupState h;
        h.rg_range_item = c.selected_before;
        ASSERT_EQ(load_logger_set(h, data(), "Pelquor/A"), LoadResult::loaded);
        EXPECT_EQ(h.corr_log_set.range_mode, c.range_mode) << c.selected_before << c.file_range;
        EXPECT_EQ(h.sample_rate, c.sample_rate);
        EXPECT_EQ(h.corr_log_set.dev_type, 104) << "dev_type ends up as stored";
    }
}

TEST_F(GroupFixture, NotesUseCrLfAndMissingNotesAreEmpty) {
    write_group(two_logger_group);
    load();
    EXPECT_EQ(g.notes, "");
    g.notes = "dug at 12 m\nno leak";
    ASSERT_EQ(corr_log_set_save_ini(g, data()), SaveResult::written);
    EXPECT_EQ(read_text(folder() + notes_file_name), "dug at 12 m\r\nno leak\r\n");
    GroupState h;
    load_logger_set(h, data(), "Pelquor/A");
    EXPECT_EQ(h.notes, "dug at 12 m\nno leak");
}

TEST(GroupModel, PairsCommentsAndInit) {
    EXPECT_EQ(pair_count(8), 28);
    struct Case {
        int k, a, b;
    } pairs[] = {{1, 1, 2}, {7, 1, 8}, {8, 2, 3}, {28, 7, 8}};
    for (const auto& c : pairs) {
        EXPECT_EQ(pair_slots(8, c.k).a, c.a);
        EXPECT_EQ(pair_slots(8, c.k).b, c.b);
    }
    GroupState g;
    g.corr_log_set.count = 1;
    g.corr_log_set.corr_log[1].ID = 7;
    g.corr_log_set.corr_log[1].comment = "one";
    g.corr_log_set.corr_log[2].ID = 9;
    g.corr_log_set.corr_log[2].comment = "beyond count";
    EXPECT_EQ(get_logger_comment(g, 7), "one");
    EXPECT_EQ(get_logger_comment(g, 9), "");
    g.corr_log_set.corr_log[3].lowest_block = 4;
    g.corr_log_set.corr_log[3].color = 0;
    corr_log_set_init(g);
    EXPECT_EQ(g.corr_log_set.corr_log[3].color, rgb(128, 128, 128));
    EXPECT_EQ(g.corr_log_set.corr_log[3].lowest_block, 4);
    EXPECT_EQ(sample_rate_of_range(2), 1638);
}

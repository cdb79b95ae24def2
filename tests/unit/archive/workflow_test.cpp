#include "archive_fixture.h"

#include "groups/std_group.h"
#include "shell/ini_file.h"

#include <filesystem>

namespace pelquor::test {
namespace {

using Workflow = ArchiveTest;

IniFile ini_of(const std::string& path) {
    IniFile ini;
    EXPECT_TRUE(ini.load(path)) << path;
    return ini;
}

// ---------------------------------------------------------------- tree commands

TEST_F(Workflow, MenuEnablingFollowsTheNodeKind) {
    group("Pelquor/A", 1);
    rescan();
    select("Pelquor/A");
    auto m = wf->menu_enabling();
    EXPECT_TRUE(m.delete_item && m.new_measurement);
    EXPECT_FALSE(m.add || m.set);
    select("Pelquor");
    m = wf->menu_enabling();
    EXPECT_TRUE(m.delete_item && m.add && m.set);
    EXPECT_FALSE(m.new_measurement);
}

TEST_F(Workflow, AddUnderAFolderHoldingGroupsDoesNothing) {
    group("Pelquor/Town/G", 2);
    folder("Pelquor/Empty");
    rescan();
    select("Pelquor/Town");
    wf->add_folder();
    EXPECT_TRUE(dialogs.log.empty());

    select("Pelquor/Empty");
    dialogs.inputs = {"Street"};
    wf->add_folder();
    EXPECT_TRUE(exists("Pelquor/Empty/Street"));
    EXPECT_NE(node("Pelquor/Empty/Street"), nullptr);
}

TEST_F(Workflow, AddOnAnEmptyTreeMakesTheArchiveRoot) {
    folder("");
    wf->add_folder();
    EXPECT_TRUE(exists("Pelquor"));
    EXPECT_EQ(tree.selected, node("Pelquor"));
}

TEST_F(Workflow, UnsafeFolderNamesCreateNothing) {
    folder("Pelquor");
    rescan();
    for (std::string bad : {"../escape", "..", "a/b", ".hidden", "x?"}) {
        select("Pelquor");
        dialogs.log.clear();
        dialogs.inputs = {bad};
        wf->add_folder();
        ASSERT_EQ(dialogs.texts("message").size(), 1u) << bad;
        EXPECT_EQ(paths(), (std::vector<std::string>{"Pelquor"})) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists(home + "/escape"));
    EXPECT_FALSE(std::filesystem::exists(data + "escape"));
    size_t entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(data + "Pelquor"))
        ++entries;
    EXPECT_EQ(entries, 0u);
}

TEST_F(Workflow, DeleteRefusesTheTopNodeSilentlyAndAsksBelowIt) {
    group("Pelquor/A", 1);
    rescan();
    select("Pelquor");
    wf->delete_selected();
    EXPECT_TRUE(dialogs.log.empty());
    EXPECT_TRUE(exists("Pelquor"));

    select("Pelquor/A");
    dialogs.answers = {false};
    wf->delete_selected();
    EXPECT_TRUE(exists("Pelquor/A"));

    dialogs.answers = {true};
    wf->delete_selected();
    EXPECT_EQ(dialogs.texts("confirm"), (std::vector<std::string>{"T201", "T201"}));
    EXPECT_FALSE(exists("Pelquor/A"));
    EXPECT_EQ(node("Pelquor/A"), nullptr);
    EXPECT_EQ(tree.selected, nullptr);
}

TEST_F(Workflow, DeletingTheOpenGroupsFolderStopsItsSaves) {
    group("Pelquor/T/G", 1, 2);
    rescan();
    select("Pelquor/T/G");
    wf->load_logger_set();
    select("Pelquor/T");
    dialogs.answers = {true};
    wf->delete_selected();
    EXPECT_FALSE(exists("Pelquor/T"));
    EXPECT_EQ(g.corr_log_set.count, 2); // still shown
    wf->label_edited(1, "x");
    EXPECT_TRUE(dialogs.texts("error").empty());
    EXPECT_FALSE(exists("Pelquor/T"));
}

TEST_F(Workflow, SearchSelectsOrReports) {
    group("Pelquor/Main", 1);
    rescan();
    EXPECT_TRUE(wf->search("main"));
    EXPECT_EQ(tree.selected, node("Pelquor/Main"));
    EXPECT_FALSE(wf->search("Nope"));
    EXPECT_EQ(dialogs.texts("message"), (std::vector<std::string>{"Nope T441"}));
}

TEST_F(Workflow, LoadSetsLastNodeAndShowsWaves) {
    group("Pelquor/A", 1, 3);
    write(data + "Pelquor/A/corr_grp.txt", "line 1\r\nline 2\r\n");
    rescan();
    std::vector<std::string> analysed;
    wf->hooks.level_analysis = [&](const std::string& f) { analysed.push_back(f); };
    wf->recall_last_node("a");
    EXPECT_EQ(g.corr_log_set.tree_path, "Pelquor/A");
    EXPECT_EQ(g.corr_log_set.count, 3);
    EXPECT_EQ(settings.last_node, "A");
    EXPECT_EQ(g.notes, "line 1\nline 2");
    EXPECT_EQ(analysed, (std::vector<std::string>{data + "Pelquor/A/"}));
    EXPECT_EQ(view.waves, 3);
    EXPECT_FALSE(g.group_not_loaded);
}

TEST_F(Workflow, LoadOfAPlainFolderOpensAnEmptyPageThatIsNeverWritten) {
    group("Pelquor/A", 1, 2);
    write(data + "Pelquor/A/corr_grp.txt", "old notes\r\n");
    folder("Pelquor/F");
    rescan();
    select("Pelquor/A");
    wf->load_logger_set();
    select("Pelquor/F");
    wf->load_logger_set();
    EXPECT_EQ(g.corr_log_set.count, 0);
    EXPECT_TRUE(g.group_not_loaded);
    EXPECT_TRUE(g.notes.empty());
    wf->label_edited(1, "x");
    EXPECT_FALSE(exists("Pelquor/F/corr_grp.ini"));
}

TEST_F(Workflow, MalformedGroupFileIsReported) {
    write(data + "Pelquor/Bad/corr_grp.ini", "[comm]\r\ncount=99\r\n");
    rescan();
    select("Pelquor/Bad");
    wf->load_logger_set();
    ASSERT_EQ(dialogs.texts("error").size(), 1u);
    EXPECT_TRUE(g.group_not_loaded);
}

TEST_F(Workflow, NewMeasurementAnsweredNoResetsPositionsAndPipes) {
    group("Pelquor/Town/Old", 1, 3);
    rescan();
    select("Pelquor/Town/Old");
    // The copy must go beside the group even when a deeper folder has its name.
    folder("Pelquor/Town/Old1x");
    dialogs.inputs = {"Old1"};
    dialogs.answers = {false};
    // Give the source group pipes and positions.
    wf->load_logger_set();
    g.corr_log_set.pipes_count = 2;
    g.corr_log_set.corr_log[1].longitude = "8.1";
    g.corr_log_set.corr_log[1].latitude = "47.2";
    ASSERT_TRUE(wf->save());

    wf->copy_actual_set();
    ASSERT_TRUE(exists("Pelquor/Town/Old1/corr_grp.ini"));
    EXPECT_EQ(g.corr_log_set.tree_path, "Pelquor/Town/Old1");
    EXPECT_EQ(g.corr_log_set.comment, "Old1");
    EXPECT_EQ(g.corr_log_set.pipes_count, 0);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(g.corr_log_set.corr_log[n].x_c, n * 50);
        EXPECT_EQ(g.corr_log_set.corr_log[n].y_c, n * 50);
        EXPECT_TRUE(g.corr_log_set.corr_log[n].longitude.empty());
    }
    IniFile ini = ini_of(data + "Pelquor/Town/Old1/corr_grp.ini");
    EXPECT_EQ(ini.read_string("log3", "x_c", ""), "150");
    EXPECT_EQ(ini.read_string("comm", "pipes_count", ""), "0");
    EXPECT_EQ(tree.selected, node("Pelquor/Town/Old1"));
    EXPECT_EQ(tree.selected->image_index, picture_night_group);
    EXPECT_EQ(dialogs.texts("question"), (std::vector<std::string>{"T452?"}));
    // The source group is untouched.
    EXPECT_EQ(ini_of(data + "Pelquor/Town/Old/corr_grp.ini").read_string("comm", "pipes_count", ""),
              "2");
}

TEST_F(Workflow, NewMeasurementNeverOverwritesAnExistingGroup) {
    group("Pelquor/Old", 1, 2);
    group("Pelquor/Other", 2, 5);
    rescan();
    select("Pelquor/Old");
    dialogs.inputs = {"Other"};
    wf->copy_actual_set();
    EXPECT_EQ(dialogs.texts("message").size(), 1u);
    EXPECT_EQ(ini_of(data + "Pelquor/Other/corr_grp.ini").read_string("comm", "count", ""), "5");
    EXPECT_EQ(g.corr_log_set.tree_path, "Pelquor/Old");
}

// ---------------------------------------------------------------- standard group

TEST_F(Workflow, MissingStandardGroupGivesAnEmptyCorrCollection) {
    g.corr_std_grp.count = 3;
    g.corr_std_grp.dev_type = family_vellmar;
    EXPECT_TRUE(wf->assign_std_grp());
    EXPECT_EQ(g.corr_std_grp.count, 0);
    EXPECT_EQ(g.corr_std_grp.dev_type, family_corr);
    // The first detected logger sets the family.
    dialogs.answers = {true};
    dialogs.inputs = {"Hydro"};
    folder("");
    EXPECT_EQ(wf->add_logger_auto((112u << 16) | 4660u), AutoAdd::added);
    EXPECT_EQ(g.corr_std_grp.dev_type, family_vellmar);
    EXPECT_EQ(dialogs.texts("confirm"), (std::vector<std::string>{"4660"}));
}

TEST_F(Workflow, StandardGroupFileReadsAndWrites) {
    write(data + "std_grp.ini", "[total]\r\ncount=2\r\ncomment=Street\r\ndev_type=112\r\n"
                                "[1]\r\nID=11\r\ncomment=hydrant\r\n[2]\r\nID=12\r\n");
    ASSERT_TRUE(wf->assign_std_grp());
    EXPECT_EQ(g.corr_std_grp.comment, "Street");
    EXPECT_EQ(g.corr_std_grp.corr_log[2].comment, "x");
    EXPECT_EQ(std_group_rows(g.corr_std_grp),
              (std::vector<std::string>{"LOG1: ID=11, hydrant", "LOG2: ID=12, x"}));

    g.corr_std_grp.corr_log[1].comment = "two\nlines";
    ASSERT_TRUE(wf->reassign_std_grp());
    std::string text;
    ASSERT_TRUE(read_file(data + "std_grp.ini", text));
    EXPECT_EQ(text, "[total]\r\nstart=2\r\nstop=4\r\ncount=2\r\ncomment=Street\r\ndev_type=112\r\n"
                    "[1]\r\nID=11\r\ncomment=two lines\r\n[2]\r\nID=12\r\ncomment=x\r\n");

    write(data + "std_grp.ini", "[total]\r\ncount=9\r\n");
    EXPECT_FALSE(wf->assign_std_grp());
    EXPECT_EQ(g.corr_std_grp.count, 0);
    EXPECT_EQ(dialogs.texts("error").size(), 1u);
}

TEST_F(Workflow, AddLoggerByTypedId) {
    folder("");
    dialogs.inputs = {"4660", std::nullopt, "abc", "4660", "0", "77", "pump"};
    wf->add_logger(); // 4660, label cancelled: the proposal stays
    wf->add_logger(); // not a number: ignored
    wf->add_logger(); // already collected: ignored
    wf->add_logger(); // 0 is no logger
    wf->add_logger(); // 77 labelled pump
    ASSERT_EQ(g.corr_std_grp.count, 2);
    EXPECT_EQ(g.corr_std_grp.corr_log[1].comment, "LOG1");
    EXPECT_EQ(g.corr_std_grp.corr_log[2].ID, 77);
    EXPECT_EQ(g.corr_std_grp.corr_log[2].comment, "pump");
    EXPECT_EQ(dialogs.texts("message").size(), 1u); // the range of 0
    Tcorr_std_grp back;
    ASSERT_TRUE(read_std_grp(back, data, nullptr));
    EXPECT_EQ(back.count, 2);

    g.corr_std_grp.count = 8;
    dialogs.log.clear();
    wf->add_logger();
    EXPECT_EQ(dialogs.texts("message"), (std::vector<std::string>{"T106"}));
}

TEST_F(Workflow, OtherFamilyIsRefusedOncePerLoggerInARow) {
    folder("");
    dialogs.answers = {true, true};
    dialogs.inputs = {"a", "b"};
    EXPECT_EQ(wf->add_logger_auto((104u << 16) | 1u), AutoAdd::added);
    EXPECT_EQ(wf->add_logger_auto((112u << 16) | 9u), AutoAdd::refused);
    EXPECT_EQ(wf->add_logger_auto((112u << 16) | 9u), AutoAdd::refused);
    EXPECT_EQ(wf->add_logger_auto((104u << 16) | 1u), AutoAdd::ignored);
    EXPECT_EQ(wf->add_logger_auto((112u << 16) | 8u), AutoAdd::refused);
    EXPECT_EQ(wf->add_logger_auto((112u << 16) | 9u), AutoAdd::refused);
    EXPECT_EQ(wf->add_logger_auto((104u << 16) | 2u), AutoAdd::added);
    EXPECT_EQ(dialogs.texts("message").size(), 3u);
    EXPECT_EQ(g.corr_std_grp.count, 2);
    g.corr_std_grp.count = 8;
    EXPECT_EQ(wf->add_logger_auto((104u << 16) | 3u), AutoAdd::full);
}

TEST_F(Workflow, RemoveRenameAndRemoveAll) {
    folder("");
    write(data + "std_grp.ini", "[total]\r\ncount=3\r\ncomment=S\r\n[1]\r\nID=1\r\ncomment=a\r\n"
                                "[2]\r\nID=2\r\ncomment=b\r\n[3]\r\nID=3\r\ncomment=c\r\n");
    wf->assign_std_grp();
    wf->remove_collected(0); // nothing selected
    EXPECT_TRUE(dialogs.log.empty());
    dialogs.answers = {true};
    wf->remove_collected(2);
    EXPECT_EQ(dialogs.texts("question"), (std::vector<std::string>{"b T202?"}));
    EXPECT_EQ(std_group_rows(g.corr_std_grp),
              (std::vector<std::string>{"LOG1: ID=1, a", "LOG2: ID=3, c"}));

    dialogs.inputs = {"a/b", "New name"};
    wf->rename_collection(); // refused: a separator
    EXPECT_EQ(g.corr_std_grp.comment, "S");
    wf->rename_collection();
    EXPECT_EQ(g.corr_std_grp.comment, "New name");

    dialogs.answers = {true};
    wf->remove_all_collected(0);
    EXPECT_EQ(g.corr_std_grp.count, 0);
    Tcorr_std_grp back;
    ASSERT_TRUE(read_std_grp(back, data, nullptr));
    EXPECT_EQ(back.count, 0);
    EXPECT_EQ(back.comment, "New name");
}

// ---------------------------------------------------------------- making a group

class MakeGroup : public ArchiveTest {
  protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        write(data + "std_grp.ini", "[total]\r\ncount=2\r\ncomment=Old\r\n[1]\r\nID=4660\r\n"
                                    "comment=first\r\n[2]\r\nID=4661\r\ncomment=second\r\n");
        folder("Pelquor/Town");
        group("Pelquor/Town/Existing", 2, 1);
        rescan();
    }
};

TEST_F(MakeGroup, OkCreatesTheGroupInTheSelectedFolder) {
    select("Pelquor");
    dialogs.inputs = {"Main street"};
    wf->set_group();
    EXPECT_TRUE(wf->collecting);
    EXPECT_TRUE(view.collection_visible);
    EXPECT_FALSE(view.ribbon_visible);
    EXPECT_EQ(g.corr_std_grp.comment, "Main street");

    dialogs.answers = {true}; // first button: night
    ASSERT_TRUE(wf->confirm_collection());
    const std::string file = data + "Pelquor/Main street/corr_grp.ini";
    ASSERT_TRUE(std::filesystem::exists(file));
    IniFile ini = ini_of(file);
    EXPECT_EQ(ini.read_string("comm", "start", ""), "2");
    EXPECT_EQ(ini.read_string("comm", "stop", ""), "4");
    EXPECT_EQ(ini.read_string("comm", "meas_delta", ""), "60");
    EXPECT_EQ(ini.read_string("comm", "blocks", ""), "10");
    EXPECT_EQ(ini.read_string("comm", "interval", ""), "30");
    EXPECT_EQ(ini.read_string("comm", "meas_mode", ""), "1");
    EXPECT_EQ(ini.read_string("comm", "count", ""), "2");
    EXPECT_EQ(ini.read_string("log1", "ID", ""), "4660");
    EXPECT_EQ(ini.read_string("log2", "comment", ""), "second");
    EXPECT_EQ(ini.read_string("comm", "comment", ""), "Main street");
    EXPECT_EQ(g.corr_log_set.tree_path, "Pelquor/Main street");
    EXPECT_FALSE(wf->collecting);
    EXPECT_TRUE(view.ribbon_visible);
    EXPECT_TRUE(wf->range_enabled);
    EXPECT_EQ(dialogs.texts("confirm"), (std::vector<std::string>{"T252"}));
    // The tree was rebuilt with the new night group selected.
    ASSERT_NE(tree.selected, nullptr);
    EXPECT_EQ(node_path(tree.selected), "Pelquor/Main street");
    EXPECT_EQ(tree.selected->image_index, picture_night_group);
    EXPECT_EQ(ini_of(data + "std_grp.ini").read_string("total", "comment", ""), "Main street");
}

TEST_F(MakeGroup, SecondButtonGivesInstantRecordingAndVellmarKeepsItsRange) {
    write(data + "std_grp.ini", "[total]\r\ncount=1\r\ndev_type=112\r\n[1]\r\nID=5\r\n");
    select("Pelquor/Town");
    dialogs.inputs = {"Hydro"};
    wf->set_group();
    dialogs.answers = {false};
    ASSERT_TRUE(wf->confirm_collection());
    IniFile ini = ini_of(data + "Pelquor/Town/Hydro/corr_grp.ini");
    EXPECT_EQ(ini.read_string("comm", "meas_mode", ""), "2");
    EXPECT_EQ(ini.read_string("comm", "range_mode", ""), "2");
    EXPECT_EQ(ini.read_string("comm", "dev_type", ""), "112");
    EXPECT_EQ(g.sample_rate, 1638);
    EXPECT_EQ(g.prog_state, 1);
}

TEST_F(MakeGroup, OkOnAGroupNodeCreatesNothingButStillAsksTheMode) {
    select("Pelquor/Town/Existing");
    g.corr_std_grp.comment = "New";
    dialogs.answers = {true};
    ASSERT_TRUE(wf->confirm_collection());
    EXPECT_FALSE(exists("Pelquor/Town/Existing/New"));
    EXPECT_EQ(dialogs.texts("confirm"), (std::vector<std::string>{"T252"}));
    EXPECT_EQ(ini_of(data + "Pelquor/Town/Existing/corr_grp.ini").read_string("comm", "count", ""),
              "1");
}

TEST_F(MakeGroup, AnExistingFolderNameKeepsTheCollectionOpenAndNothingIsOverwritten) {
    select("Pelquor/Town");
    wf->start_collection("Existing");
    EXPECT_FALSE(wf->confirm_collection());
    EXPECT_TRUE(wf->collecting);
    EXPECT_TRUE(view.collection_visible);
    EXPECT_EQ(ini_of(data + "Pelquor/Town/Existing/corr_grp.ini").read_string("comm", "count", ""),
              "1");
    EXPECT_EQ(dialogs.texts("message").size(), 1u);
    EXPECT_TRUE(dialogs.texts("confirm").empty());
    // Renamed, the same collection goes through.
    dialogs.inputs = {"Fresh"};
    wf->rename_collection();
    dialogs.answers = {true};
    EXPECT_TRUE(wf->confirm_collection());
    EXPECT_TRUE(exists("Pelquor/Town/Fresh/corr_grp.ini"));
}

TEST_F(MakeGroup, AnUnusableGroupNameKeepsTheCollectionOpen) {
    select("Pelquor");
    wf->start_collection("fine");
    g.corr_std_grp.comment = "../../x";
    EXPECT_FALSE(wf->confirm_collection());
    EXPECT_TRUE(wf->collecting);
    EXPECT_FALSE(view.ribbon_visible);
    EXPECT_FALSE(std::filesystem::exists(home + "/x"));
}

TEST_F(Workflow, FirstStartFromAnEmptyHomeToASavedFirstGroup) {
    ASSERT_FALSE(exists(""));
    dialogs.inputs = {"Town", "First group", std::nullopt, std::nullopt};
    wf->setup_tree_structure();
    EXPECT_TRUE(exists("Pelquor/Town"));
    EXPECT_TRUE(g.first_group_pending);
    EXPECT_EQ(wf->first_group_folder, "Town");
    EXPECT_TRUE(view.collection_visible);
    EXPECT_FALSE(view.ribbon_visible);
    EXPECT_EQ(g.corr_std_grp.comment, "First group");
    EXPECT_EQ(dialogs.texts("message"), (std::vector<std::string>{"T240", "T241"}));

    // Two detected loggers, then "ok".
    AutoAdd a = wf->add_logger_auto((104u << 16) | 10u);
    EXPECT_EQ(a, AutoAdd::declined); // Cancel on the confirmation
    dialogs.answers = {true, true, false};
    wf->add_logger_auto((104u << 16) | 10u);
    wf->add_logger_auto((104u << 16) | 11u);
    ASSERT_TRUE(wf->confirm_collection());
    const std::string file = data + "Pelquor/Town/First group/corr_grp.ini";
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_FALSE(g.first_group_pending);
    IniFile ini = ini_of(file);
    EXPECT_EQ(ini.read_string("comm", "count", ""), "2");
    EXPECT_EQ(ini.read_string("comm", "meas_mode", ""), "2");
    EXPECT_EQ(ini.read_string("log2", "comment", ""), "LOG2");
    EXPECT_EQ(node_path(tree.selected), "Pelquor/Town/First group");
}

TEST_F(Workflow, StartWithAnArchiveOnlyShowsTheTree) {
    group("Pelquor/A", 1);
    g.corr_log_set.tree_path = "Pelquor/A";
    wf->setup_tree_structure();
    EXPECT_TRUE(view.ribbon_visible);
    EXPECT_TRUE(dialogs.log.empty());
    EXPECT_EQ(tree.selected, node("Pelquor/A"));
}

// ---------------------------------------------------------------- group page rules

TEST_F(Workflow, StartHourTakesTheNextHourAsStop) {
    EXPECT_EQ(stop_hour_after(2), 3);
    EXPECT_EQ(stop_hour_after(22), 23);
    EXPECT_EQ(stop_hour_after(23), 0);
}

TEST_F(Workflow, RangeSelectionActsOnlyOnAChange) {
    group("Pelquor/A", 1, 1);
    rescan();
    select("Pelquor/A");
    wf->load_logger_set();
    wf->select_range_item(0); // already selected: nothing
    EXPECT_EQ(g.corr_log_set.dev_type, family_corr);
    wf->select_range_item(1);
    EXPECT_EQ(g.corr_log_set.range_mode, 2);
    EXPECT_EQ(g.corr_log_set.dev_type, family_vellmar);
    EXPECT_EQ(g.sample_rate, 1638);
    EXPECT_EQ(ini_of(data + "Pelquor/A/corr_grp.ini").read_string("comm", "range_mode", ""), "2");
}

class RemoveLogger : public ArchiveTest {
  protected:
    void load_with_pipes(int count, std::vector<std::pair<int, int>> pipes) {
        std::string t = group_text(1, count, "G");
        t += "";
        write(data + "Pelquor/T/G/corr_grp.ini", t);
        rescan();
        select("Pelquor/T/G");
        wf->load_logger_set();
        auto& s = g.corr_log_set;
        s.pipes_count = static_cast<int>(pipes.size());
        for (size_t i = 0; i < pipes.size(); ++i) {
            s.pipes[i + 1].log1 = pipes[i].first;
            s.pipes[i + 1].log2 = pipes[i].second;
            s.pipes[i + 1].length = 10.0f * static_cast<float>(i + 1);
        }
    }
};

TEST_F(RemoveLogger, SecondOfFourLeavesOnePipeRenumbered) {
    load_with_pipes(4, {{1, 2}, {2, 3}, {3, 4}});
    dialogs.answers = {true};
    wf->delete_n3(2);
    auto& s = g.corr_log_set;
    ASSERT_EQ(s.count, 3);
    EXPECT_EQ(s.corr_log[1].ID, 101);
    EXPECT_EQ(s.corr_log[2].ID, 103);
    EXPECT_EQ(s.corr_log[3].ID, 104);
    ASSERT_EQ(s.pipes_count, 1);
    EXPECT_EQ(s.pipes[1].log1, 2);
    EXPECT_EQ(s.pipes[1].log2, 3);
    EXPECT_EQ(s.pipes[1].length, 30.0f);
    IniFile ini = ini_of(data + "Pelquor/T/G/corr_grp.ini");
    EXPECT_EQ(ini.read_string("comm", "count", ""), "3");
    EXPECT_EQ(ini.read_string("pipe_1", "log1", ""), "2");
    EXPECT_EQ(dialogs.texts("confirm"), (std::vector<std::string>{"T201"}));
}

TEST_F(RemoveLogger, PipeTableCases) {
    struct Case {
        int count, k;
        std::vector<std::pair<int, int>> before, after;
    };
    const Case cases[] = {
        {4, 1, {{1, 2}, {1, 3}, {2, 3}}, {{1, 2}}},
        {4, 4, {{4, 1}, {2, 3}, {3, 4}}, {{2, 3}}},
        {3, 2, {{2, 1}, {2, 3}, {1, 2}}, {}},
        {5, 3, {{1, 5}, {3, 2}, {4, 5}}, {{1, 4}, {3, 4}}},
    };
    for (const auto& c : cases) {
        Tcorr_log_set s;
        s.count = c.count;
        for (int n = 1; n <= c.count; ++n)
            s.corr_log[n].ID = n;
        s.pipes_count = static_cast<int>(c.before.size());
        for (size_t i = 0; i < c.before.size(); ++i) {
            s.pipes[i + 1].log1 = c.before[i].first;
            s.pipes[i + 1].log2 = c.before[i].second;
        }
        remove_logger_slot(s, c.k);
        std::vector<std::pair<int, int>> got;
        for (int i = 1; i <= s.pipes_count; ++i)
            got.push_back({s.pipes[i].log1, s.pipes[i].log2});
        EXPECT_EQ(got, c.after) << "remove " << c.k;
        EXPECT_EQ(s.count, c.count - 1);
        EXPECT_EQ(s.pipes[s.pipes_count + 1].log1, 0);
    }
}

TEST_F(RemoveLogger, TheOnlyLoggerTakesTheGroupFolderAndNode) {
    load_with_pipes(1, {});
    dialogs.answers = {false};
    wf->delete_n3(1);
    EXPECT_EQ(g.corr_log_set.count, 1);
    dialogs.answers = {true};
    wf->delete_n3(1);
    EXPECT_FALSE(exists("Pelquor/T/G"));
    EXPECT_TRUE(exists("Pelquor/T"));
    EXPECT_EQ(node("Pelquor/T/G"), nullptr);
    EXPECT_EQ(g.corr_log_set.count, 0);
    // Nothing is written into the folder that is gone.
    wf->label_edited(1, "x");
    wf->notes_edited("notes");
    EXPECT_FALSE(exists("Pelquor/T/G"));
}

// ---------------------------------------------------------------- detection

struct FakeSource : AnnouncementSource {
    bool is_present = true, can_start = true;
    std::deque<uint32_t> heard;
    int starts = 0, stops = 0, reads = 0;
    bool present() override { return is_present; }
    bool start() override {
        ++starts;
        return can_start;
    }
    uint32_t read() override {
        ++reads;
        if (heard.empty())
            return 0;
        uint32_t a = heard.front();
        heard.pop_front();
        return a;
    }
    void stop() override { ++stops; }
};

TEST_F(Workflow, DetectionCollectsAnnouncedLoggersAndBlinks) {
    folder("");
    FakeSource radio;
    AutoDetect detect(radio, *wf, dialogs);
    radio.is_present = false;
    detect.panel_opened();
    EXPECT_FALSE(detect.enabled);
    radio.is_present = true;
    detect.panel_opened();
    EXPECT_TRUE(detect.enabled);
    EXPECT_FALSE(detect.checked);

    detect.set_checked(true);
    EXPECT_TRUE(detect.listening && detect.running);
    radio.heard = {
        0, (104u << 16) | 21u, 0, (112u << 16) | 30u, (112u << 16) | 30u, (104u << 16) | 22u};
    dialogs.answers = {true, true};
    dialogs.inputs = {"a", "b"};
    std::vector<bool> blink;
    for (int i = 0; i < 6; ++i) {
        detect.tick();
        blink.push_back(detect.image_visible);
        EXPECT_TRUE(detect.running);
    }
    EXPECT_EQ(blink, (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_EQ(g.corr_std_grp.count, 2);
    EXPECT_EQ(g.corr_std_grp.corr_log[2].ID, 22);
    EXPECT_EQ(dialogs.texts("message"),
              (std::vector<std::string>{"corr and hydro not allowed in one group"}));

    detect.close();
    EXPECT_FALSE(detect.listening || detect.running);
    EXPECT_EQ(radio.starts, 1);
    EXPECT_EQ(radio.stops, 1);
    detect.tick();
    EXPECT_EQ(radio.reads, 6);
}

TEST_F(Workflow, DetectionStopsWhenTheGroupIsFullOrTheDeviceWillNotOpen) {
    folder("");
    FakeSource radio;
    AutoDetect detect(radio, *wf, dialogs);
    radio.can_start = false;
    detect.panel_opened();
    detect.set_checked(true);
    EXPECT_FALSE(detect.checked || detect.listening);
    EXPECT_EQ(dialogs.texts("message").size(), 1u);

    radio.can_start = true;
    detect.set_checked(true);
    g.corr_std_grp.count = 8;
    radio.heard = {(104u << 16) | 5u};
    detect.tick();
    EXPECT_FALSE(detect.running);
    EXPECT_TRUE(detect.checked);
}

} // namespace
} // namespace pelquor::test

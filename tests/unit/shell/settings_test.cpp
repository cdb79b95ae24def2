#include "shell/files.h"
#include "shell/ini_file.h"
#include "shell/settings.h"
#include "unit/common/temp_home.h"

#include <gtest/gtest.h>

using namespace pelquor;
using pelquor::test::read_text;
using pelquor::test::TempDir;
using pelquor::test::write_text;

namespace {

struct SettingsFixture : ::testing::Test {
    TempDir home;
    TempDir shipped;
    Folders f = make_folders(home.path(), shipped.path());
    std::string ini_path() const { return f.config + settings_file_name; }
};

} // namespace

TEST_F(SettingsFixture, FoldersSitBelowTheDocumentsFolder) {
    Folders g = make_folders(home.path() + "/", shipped.path());
    EXPECT_EQ(g.maker, home.path() + "/Trevolant/");
    EXPECT_EQ(g.config, home.path() + "/Trevolant/TrevoPelquor/config/");
    EXPECT_EQ(g.default_data, home.path() + "/Trevolant/TrevoPelquor/data/");
}

TEST_F(SettingsFixture, MissingFileGivesDefaults) {
    Settings s;
    s.label = "x";
    load_ini(s, f);
    EXPECT_EQ(s.label, "Trevolant");
    EXPECT_EQ(s.language, "english");
    EXPECT_EQ(s.tolerance, 10);
    EXPECT_EQ(s.coh_height, 120);
    EXPECT_EQ(s.data_dir, f.default_data);
    EXPECT_EQ(s.version, "");
    EXPECT_FALSE(s.easygo);
    EXPECT_TRUE(s.drawpipelines);
    EXPECT_EQ(s.map_type, 1);
}

TEST_F(SettingsFixture, FirstWriteOrderAndKeyByKeyUpdate) {
    Settings s;
    load_ini(s, f);
    ASSERT_TRUE(save_ini(s, f));
    EXPECT_EQ(
        read_text(ini_path()),
        "[user]\r\nlabel=Trevolant\r\nlogo=\r\nlanguage=english\r\nm_unit=0\r\ncoh_height=120\r\n"
        "tolerance=10\r\nlast_node=\r\n[files]\r\ndata_dir=" +
            f.default_data +
            "\r\n[system]\r\nskin_index=0\r\nmap_type=1\r\neasygo=0\r\ndrawpipelines=-1\r\n"
            "com_port=\r\nversion=1.54\r\n");

    // Keys the program never writes survive a save.
    write_text(ini_path(), "[user]\nscript_prefix=map.html\nlabel=Crew 7\n[extra]\nfoo=bar\n");
    load_ini(s, f);
    EXPECT_EQ(s.label, "Crew 7");
    s.last_node = "B";
    ASSERT_TRUE(save_ini(s, f));
    IniFile ini;
    ini.load(ini_path());
    EXPECT_EQ(ini.read_string("user", "script_prefix", ""), "map.html");
    EXPECT_EQ(ini.read_string("extra", "foo", ""), "bar");
    EXPECT_EQ(ini.read_string("user", "last_node", ""), "B");
    EXPECT_EQ(ini.keys("user").front(), "script_prefix");
}

TEST_F(SettingsFixture, BooleansAndTheChineseRule) {
    struct Case {
        const char* language;
        const char* prefix;
        const char* expected;
    } cases[] = {{"Chinese", "http://x/map.html", "http://x/map_baidu.html"},
                 {"Chinese", "", "_baidu.html"},
                 {"chinese", "http://x/map.html", "http://x/map.html"},
                 {"english", "http://x/map.html", "http://x/map.html"}};
    for (const auto& c : cases) {
        write_text(ini_path(),
                   std::string("[user]\nlanguage=") + c.language + "\nscript_prefix=" + c.prefix +
                       "\n[system]\neasygo=True\ndrawpipelines=0\n[files]\ndata_dir=\n");
        Settings s;
        load_ini(s, f);
        EXPECT_EQ(s.script_prefix, c.expected) << c.language << " " << c.prefix;
        EXPECT_TRUE(s.easygo);
        EXPECT_FALSE(s.drawpipelines);
        EXPECT_EQ(s.data_dir, f.default_data) << "an empty data_dir means the default";
    }
}

TEST_F(SettingsFixture, MalformedIntegerStopsAtItsKey) {
    write_text(ini_path(), "[user]\nlabel=L\ntolerance=ten\n");
    Settings s;
    try {
        load_ini(s, f);
        FAIL();
    } catch (const ConversionError& e) {
        EXPECT_NE(e.message.find("tolerance"), std::string::npos);
        EXPECT_NE(e.message.find("'ten'"), std::string::npos);
    }
    EXPECT_EQ(s.label, "L");
}

TEST_F(SettingsFixture, VersionRuleAndFirstStart) {
    write_text(shipped / "english.csv", "1;one\n");
    write_text(shipped / "english.tab", "tab\n");
    write_text(shipped / "colortable.ini", "[c]\n");
    ASSERT_TRUE(setup_folders(f));
    EXPECT_TRUE(file_exists(f.config + "english.csv")) << "first start copies the shipped folder";
    EXPECT_TRUE(file_exists(f.config + "colortable.ini"));

    Settings s;
    load_ini(s, f);
    EXPECT_FALSE(saves_on_close(s)) << "a first start does not save on close";
    ScriptedDialogs dialogs;
    check_updates(s, f, dialogs);
    ASSERT_EQ(dialogs.texts("message").size(), 1u);
    EXPECT_EQ(dialogs.texts("message")[0], "Softwareupdate...");

    Settings next;
    load_ini(next, f);
    EXPECT_EQ(next.version, "1.54");
    EXPECT_TRUE(saves_on_close(next));
    ScriptedDialogs quiet;
    check_updates(next, f, quiet);
    EXPECT_TRUE(quiet.log.empty());
}

TEST_F(SettingsFixture, StartOverwritesShippedCsvAndTabOnly) {
    write_text(shipped / "english.csv", "1;shipped\n");
    write_text(shipped / "english.tab", "shipped\n");
    write_text(shipped / "colortable.ini", "shipped\n");
    ASSERT_TRUE(setup_folders(f));
    write_text(f.config + "english.csv", "1;user\n");
    write_text(f.config + "english.tab", "user\n");
    write_text(f.config + "colortable.ini", "user\n");
    write_text(f.config + "own.usr", "user\n");
    ASSERT_TRUE(setup_folders(f));
    EXPECT_EQ(read_text(f.config + "english.csv"), "1;shipped\n");
    EXPECT_EQ(read_text(f.config + "english.tab"), "shipped\n");
    EXPECT_EQ(read_text(f.config + "colortable.ini"), "user\n");
    EXPECT_EQ(read_text(f.config + "own.usr"), "user\n");
}

TEST_F(SettingsFixture, ResetFoldersKeepsTheSettingsInMemory) {
    write_text(shipped / "english.csv", "1;x\n");
    ASSERT_TRUE(setup_folders(f));
    write_text(f.config + "stale.txt", "old");
    Settings s;
    s.label = "Crew";
    ASSERT_TRUE(reset_folders(s, f));
    EXPECT_FALSE(file_exists(f.config + "stale.txt"));
    Settings back;
    load_ini(back, f);
    EXPECT_EQ(back.label, "Crew");
}

TEST(Masks, MatchCaseBlind) {
    EXPECT_TRUE(match_mask("english.csv", "*.csv"));
    EXPECT_TRUE(match_mask("ENGLISH.CSV", "*.csv"));
    EXPECT_FALSE(match_mask("english.csv.bak", "*.csv"));
    EXPECT_TRUE(match_mask("a.tab", "?.tab"));
}

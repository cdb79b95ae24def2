#include "shell/colortable.h"
#include "shell/files.h"
#include "shell/ini_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace pelquor {
namespace {

namespace fs = std::filesystem;

// A complete [color] section; tests drop or change single keys.
std::map<std::string, std::string> full_table() {
    std::map<std::string, std::string> m = {
        {"number", "1"},
        {"time_back", "$101010"},
        {"coherence_back", "1"},
        {"coherence_front", "2"},
        {"coherence_filter", "3"},
        {"correlation_back", "4"},
        {"correlation_front", "5"},
        {"correlation_filter", "6"},
        {"panels_back", "7"},
        {"flange", "8"},
        {"flange_center", "9"},
        {"text", "10"},
        {"mat_center", "$808080"},
        {"standard_font", "12"},
    };
    for (int n = 1; n <= 20; ++n)
        m["mat_color[" + std::to_string(n) + "]"] = std::to_string(100 + n);
    return m;
}

class ColorTableFile : public ::testing::Test {
  protected:
    std::string file;
    void SetUp() override {
        fs::path dir = fs::temp_directory_path() / ("shell_color_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        file = (dir / "colortable.ini").string();
        fs::remove(file);
    }
    void TearDown() override { fs::remove_all(fs::path(file).parent_path()); }
    void write(const std::map<std::string, std::string>& keys) {
        std::string text = "[color]\r\n";
        for (const auto& [k, v] : keys)
            text += k + "=" + v + "\r\n";
        ASSERT_TRUE(write_file_atomic(file, text));
    }
};

TEST_F(ColorTableFile, ReadsEveryKey) {
    write(full_table());
    ColorTable c;
    ASSERT_TRUE(load_colortable_ini(c, file));
    EXPECT_EQ(c.time_back, 0x101010u);
    EXPECT_EQ(c.correlation_filter, 6u);
    EXPECT_EQ(c.text, 10u);
    EXPECT_EQ(c.standard_font, 12u);
    EXPECT_EQ(c.mat_color[0], 0x808080u);
    EXPECT_EQ(c.mat_color[1], 101u);
    EXPECT_EQ(c.mat_color[20], 120u);
    EXPECT_EQ(c.material(0), 0x808080u);
    EXPECT_EQ(c.material(21), 0x808080u);
    EXPECT_EQ(c.material(3), 103u);
}

TEST_F(ColorTableFile, KeysWithDefaults) {
    auto keys = full_table();
    keys.erase("text");
    keys.erase("standard_font");
    write(keys);
    ColorTable c;
    ASSERT_TRUE(load_colortable_ini(c, file));
    EXPECT_EQ(c.text, 0xFFFFFFu);          // white status-line text
    EXPECT_EQ(c.standard_font, 0x800000u); // dark blue band labels
}

TEST_F(ColorTableFile, HexadecimalAndDecimalValues) {
    struct Case {
        const char* value;
        Tcolor expected;
    };
    const Case cases[] = {{"$FF0000", 0xFF0000u}, // blue in 0x00BBGGRR
                          {"255", 0x0000FFu},     // red
                          {"$ff", 0xFFu},
                          {" $00FF00 ", 0x00FF00u},
                          {"-1", 0xFFFFFFFFu}};
    for (const auto& cs : cases) {
        auto keys = full_table();
        keys["mat_color[1]"] = cs.value;
        write(keys);
        ColorTable c;
        ASSERT_TRUE(load_colortable_ini(c, file)) << cs.value;
        EXPECT_EQ(c.mat_color[1], cs.expected) << cs.value;
    }
}

TEST_F(ColorTableFile, MissingKeyStopsReadingThere) {
    auto keys = full_table();
    keys.erase("mat_color[5]");
    write(keys);
    ColorTable c;
    c.mat_color[6] = 77;
    c.standard_font = 78;
    EXPECT_THROW(load_colortable_ini(c, file), ConversionError);
    EXPECT_EQ(c.mat_color[4], 104u); // read before the gap
    EXPECT_EQ(c.mat_color[6], 77u);  // not reached
    EXPECT_EQ(c.standard_font, 78u);
}

TEST_F(ColorTableFile, BadValueNamesKeyAndStops) {
    for (const char* bad : {"$", "$GG", "red", "12x", "$123456789", ""}) {
        auto keys = full_table();
        keys["panels_back"] = bad;
        write(keys);
        ColorTable c;
        try {
            load_colortable_ini(c, file);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConversionError& e) {
            EXPECT_NE(e.message.find("panels_back"), std::string::npos) << e.message;
        }
        EXPECT_EQ(c.correlation_filter, 6u);
        EXPECT_EQ(c.panels_back, 0u);
    }
}

TEST_F(ColorTableFile, MissingFileChangesNothing) {
    ColorTable c;
    c.text = 5;
    EXPECT_FALSE(load_colortable_ini(c, file));
    EXPECT_EQ(c.text, 5u);
}

TEST(ShippedColorTable, LoadsCompletely) {
    const char* src = std::getenv("PELQUOR_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    ColorTable c;
    ASSERT_TRUE(load_colortable_ini(c, std::string(src) + "/config/colortable.ini"));
    // Every material gets its own colour, different from the unknown material.
    for (int n = 1; n <= mat_color_count; ++n) {
        EXPECT_NE(c.mat_color[n], c.mat_color[0]) << n;
        for (int m = 1; m < n; ++m)
            EXPECT_NE(c.mat_color[n], c.mat_color[m]) << n << " " << m;
    }
    EXPECT_NE(c.correlation_front, c.correlation_back);
    EXPECT_NE(c.coherence_front, c.coherence_back);
    EXPECT_NE(c.text, c.panels_back);
}

} // namespace
} // namespace pelquor

#include "shell/ini_file.h"

#include <gtest/gtest.h>

using namespace pelquor;

TEST(IniFile, UpdateKeepsUnknownKeysAndOrder) {
    auto ini = IniFile::parse("[user]\nlabel=A\nscript_prefix=map.html\n[system]\nversion=1.0\n");
    ini.write_string("user", "label", "B");
    ini.write_string("system", "skin_index", "2");
    ini.write_string("files", "data_dir", "/d/");
    EXPECT_EQ(ini.text(),
              "[user]\r\nlabel=B\r\nscript_prefix=map.html\r\n[system]\r\nversion=1.0\r\n"
              "skin_index=2\r\n[files]\r\ndata_dir=/d/\r\n");
}

TEST(IniFile, ReadTrimsAndDefaults) {
    auto ini = IniFile::parse("[A]\r\n Key =  value with blanks  \r\n");
    EXPECT_EQ(ini.read_string("a", "key", "x"), "value with blanks");
    EXPECT_EQ(ini.read_string("a", "missing", "x"), "x");
    EXPECT_EQ(ini.read_string("b", "key", "d"), "d");
}

TEST(IniFile, BooleansAndIntegers) {
    struct Case {
        const char* text;
        bool ok;
        bool value;
    } cases[] = {{"-1", true, true},   {"0", true, false},     {"1", true, true},
                 {"TRUE", true, true}, {"false", true, false}, {"yes", false, false},
                 {"", false, false}};
    for (const auto& c : cases) {
        bool v = false;
        EXPECT_EQ(parse_bool(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    long long n;
    EXPECT_TRUE(parse_int(" -12 ", n));
    EXPECT_EQ(n, -12);
    EXPECT_FALSE(parse_int("1.5", n));
    EXPECT_FALSE(parse_int("12a", n));
}

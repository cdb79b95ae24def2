#include "shell/files.h"
#include "shell/language.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pelquor {
namespace {

namespace fs = std::filesystem;

struct TempFolder {
    std::string path;
    TempFolder() {
        path = fs::temp_directory_path() /
               ("shell_lang_" + std::to_string(::getpid()) + "_" + std::to_string(counter()++));
        fs::remove_all(path);
        fs::create_directories(path);
        path += "/";
    }
    ~TempFolder() { fs::remove_all(path); }
    void write(const std::string& name, const std::string& text) const {
        ASSERT_TRUE(write_file_atomic(path + name, text));
    }
    static int& counter() {
        static int c = 0;
        return c;
    }
};

TEST(LangTexts, LineFormat) {
    struct Case {
        const char* name;
        std::string content;
        int number;
        std::string expected;
    };
    const Case cases[] = {
        {"semicolon in text is kept", "12;Korrelation; Spektrum\n", 12, "Korrelation; Spektrum"},
        {"CR LF line end", "45;OK\r\n46;x\r\n", 45, "OK"},
        {"last line without line end", "3;three", 3, "three"},
        {"later line wins", "5;first\n5;second\n", 5, "second"},
        {"byte-order mark ignored",
         "\xEF\xBB\xBF"
         "7;seven\n",
         7, "seven"},
        {"UTF-8 kept", "202;L\xC3\xB6schen\n", 202, "L\xC3\xB6schen"},
        {"empty text", "9;\n", 9, ""},
        {"limits 1 and 1000", "1;one\n1000;thousand\n", 1000, "thousand"},
    };
    for (const auto& c : cases) {
        LangTexts t;
        t.load_text(c.content);
        EXPECT_EQ(t(c.number), c.expected) << c.name;
    }
}

TEST(LangTexts, MalformedLinesAreSkippedNotStored) {
    LangTexts t;
    int stored = t.load_text("1;one\n"
                             "\n"
                             "no semicolon\n"
                             "x2;not a number\n"
                             "0;zero\n"
                             "1001;too large\n"
                             "-4;negative\n"
                             "99999999999999999999;huge\n"
                             "2;two\n");
    EXPECT_EQ(stored, 2);
    EXPECT_EQ(t(1), "one");
    EXPECT_EQ(t(2), "two");
    EXPECT_EQ(t(0), "");
    EXPECT_EQ(t(1001), "");
    EXPECT_EQ(t(-4), "");
}

TEST(LoadLanguage, MissingFileFallsBackToEnglish) {
    TempFolder cfg;
    cfg.write("english.csv", "247;missing interface\n");
    LangTexts t;
    std::string language = "klingon";
    ASSERT_TRUE(load_language(t, cfg.path, language));
    EXPECT_EQ(language, "english");
    EXPECT_EQ(t(247), "missing interface");
}

TEST(LoadLanguage, NeitherFileIsAnError) {
    TempFolder cfg;
    LangTexts t;
    std::string language = "deutsch";
    std::string error;
    EXPECT_FALSE(load_language(t, cfg.path, language, &error));
    EXPECT_FALSE(error.empty());
}

TEST(LoadLanguage, SwitchingKeepsTextsTheNewFileLacks) {
    TempFolder cfg;
    cfg.write("english.csv", "12;Correlation\n500;only english\n");
    cfg.write("deutsch.csv", "12;Korrelation\n");
    LangTexts t;
    std::string language = "english";
    ASSERT_TRUE(load_language(t, cfg.path, language));
    language = "deutsch";
    ASSERT_TRUE(load_language(t, cfg.path, language));
    EXPECT_EQ(language, "deutsch");
    EXPECT_EQ(t(12), "Korrelation");
    EXPECT_EQ(t(500), "only english");
}

} // namespace
} // namespace pelquor

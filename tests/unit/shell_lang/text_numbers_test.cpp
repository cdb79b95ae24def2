// Every language text number the program uses must exist in every shipped
// language file, and the translations must cover the same numbers.
#include "shell/files.h"
#include "shell/language.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>

namespace pelquor {
namespace {

namespace fs = std::filesystem;

std::string source_dir() {
    const char* s = std::getenv("PELQUOR_SOURCE_DIR");
    return s ? s : "";
}

// Numbers the program's logic names directly, besides control tags.
std::set<int> logic_numbers() {
    std::set<int> n = {
        201, 238, 239, 240, 241, 441, 452,                          // archive
        72,  106, 201, 202, 218, 246, 249, 250, 252, 247, 437, 438, // groups, shell
        12,  13,  14,  16,  17,  89,  90,  105, 108, 109, 112, 113, 232, 300,
        301, 420, 450, 31,  32,  33,  34,  36,  45,  49,  50,  51,  56,  57,
        58,  59,  60,  61,  62,  67,  91,  102, 335, 409, 411, 432, // pipes
        226, 255, 256, 258, 412, 413, 414, 418,                     // map
        114, 211, 219, 220, 221, 222, 223, 225, 237, 244, 416,      // radio
        423, 424, 426, 427, 439, 245, 248,                          //
        3,   337, 408, 417, 443, 444, 445, 446, 448, 449,           // positions
        4,   43,  64,  104, 200, 206, 407, 410, 451, 52,            // captions named with numbers
    };
    for (int i = 21; i <= 30; ++i)
        n.insert(i);
    for (int i = 801; i <= 810; ++i)
        n.insert(i);
    return n;
}

// Numbers written in the program's sources: tags, lang_text(N) and the like.
std::set<int> source_numbers() {
    const std::regex patterns[] = {
        std::regex(R"(\b(?:lang_text|texts|text_no|pick)\(\s*(\d+)\s*[,)])"),
        std::regex(R"(\bqtext\(\s*[\w.]+\s*,\s*(\d+)\s*\))"),
        std::regex(R"(\bset_tag\([^;]*?,\s*(\d+)\s*\))"),
        // helpers taking name, caption and tag: cmd(..., "name", "caption", 226, ...)
        std::regex(R"("[^"]*"\s*,\s*"[^"]*"\s*,\s*(\d+)\s*,)"),
    };
    std::set<int> out;
    for (const auto& e : fs::recursive_directory_iterator(source_dir() + "/program")) {
        const auto ext = e.path().extension();
        if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h"))
            continue;
        std::string text;
        if (!read_file(e.path().string(), text))
            continue;
        for (const auto& re : patterns)
            for (auto it = std::sregex_iterator(text.begin(), text.end(), re);
                 it != std::sregex_iterator(); ++it) {
                int n = std::stoi((*it)[1].str());
                if (n != 0)
                    out.insert(n);
            }
    }
    return out;
}

std::set<int> numbers_in(const std::string& file, LangTexts& texts) {
    std::string content;
    EXPECT_TRUE(read_file(file, content)) << file;
    texts.load_text(content);
    std::set<int> out;
    for (int n = 1; n <= LangTexts::count; ++n)
        if (!texts(n).empty())
            out.insert(n);
    return out;
}

TEST(ShippedLanguages, HoldEveryNumberTheProgramUses) {
    ASSERT_FALSE(source_dir().empty());
    std::set<int> used = logic_numbers();
    const std::set<int> from_sources = source_numbers();
    // The scan must see the shell's own tags, or it is looking in the wrong place.
    ASSERT_TRUE(from_sources.count(226) && from_sources.count(247) && from_sources.count(99));
    used.insert(from_sources.begin(), from_sources.end());
    for (const char* lang : {"english", "deutsch"}) {
        LangTexts t;
        const auto have = numbers_in(source_dir() + "/config/" + lang + ".csv", t);
        for (int n : used)
            EXPECT_TRUE(have.count(n)) << lang << ".csv lacks text " << n;
    }
}

TEST(ShippedLanguages, GermanTranslatesEveryEnglishText) {
    LangTexts en, de;
    const auto e = numbers_in(source_dir() + "/config/english.csv", en);
    const auto d = numbers_in(source_dir() + "/config/deutsch.csv", de);
    EXPECT_EQ(e, d);
    // Spot checks that the files are what they say.
    EXPECT_EQ(de(49), "Ja");
    EXPECT_EQ(de(57), "Abbrechen");
    EXPECT_EQ(en(801), "Cast iron");
    EXPECT_EQ(de(802), "Duktiles Gusseisen");
    EXPECT_EQ(en(810), "GRP");
}

TEST(ShippedLanguages, EveryLineIsWellFormed) {
    for (const char* lang : {"english", "deutsch"}) {
        std::string content;
        ASSERT_TRUE(read_file(source_dir() + "/config/" + lang + ".csv", content));
        EXPECT_NE(content.compare(0, 3, "\xEF\xBB\xBF"), 0) << lang << ": byte-order mark";
        size_t lines = 0;
        for (size_t p = 0; p < content.size();) {
            size_t nl = content.find('\n', p);
            ++lines;
            p = nl == std::string::npos ? content.size() : nl + 1;
        }
        LangTexts t;
        EXPECT_EQ(static_cast<size_t>(t.load_text(content)), lines) << lang;
    }
}

} // namespace
} // namespace pelquor

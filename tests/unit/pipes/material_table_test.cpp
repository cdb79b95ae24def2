#include "pipes/material_table.h"
#include "shell/files.h"
#include "shell/ini_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace pelquor;

namespace {

class MaterialTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("pelquor_mat_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        folder_ = dir_.string() + "/";
        for (int i = 1; i <= 20; ++i)
            texts_.set(800 + i, "Material " + std::to_string(i));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void put(const std::string& name, const std::string& text) {
        ASSERT_TRUE(write_file_atomic(folder_ + name, text));
    }
    // A table with one material whose single diameter names the file.
    static std::string one_material(const std::string& tag) {
        return "[material]\nnumber=1\n[mat1]\nmat_name=x\ndm=1\nn1=" + tag + "\nv1=1000\n";
    }

    std::filesystem::path dir_;
    std::string folder_;
    LangTexts texts_;
    Tmat_table table_;
};

TEST_F(MaterialTableTest, ChoosesUserTableOverStandardAndImperialByFixedName) {
    struct Case {
        std::vector<std::string> files;
        std::string language;
        int m_unit;
        std::string expected_tag;
    };
    const Case cases[] = {
        {{"deutsch.tab", "deutsch.usr"}, "deutsch", 0, "deutsch.usr"},
        {{"deutsch.tab"}, "deutsch", 0, "deutsch.tab"},
        {{"deutsch.tab", "deutsch.usr", "english.iab"}, "deutsch", 1, "english.iab"},
        {{"english.iab", "english.isr", "deutsch.usr"}, "deutsch", 1, "english.isr"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        for (const auto& f : c.files)
            put(f, one_material(f));
        load_pipetable_ini(table_, folder_, c.language, c.m_unit, texts_);
        EXPECT_EQ(table_.mat[1].n[1], c.expected_tag) << c.language << " unit " << c.m_unit;
    }
}

TEST_F(MaterialTableTest, NamesComeFromLanguageTextsByPosition) {
    put("english.tab", "[material]\nnumber=3\n"
                       "[mat1]\nmat_name=Foo\ndm=0\n"
                       "[mat2]\nmat_name=Bar\ndm=0\n"
                       "[mat3]\nmat_name=Anything\ndm=2\nn1=100\nv1=1200\nn2=150\nv2=1100\n");
    texts_.set(803, "Steel");
    load_pipetable_ini(table_, folder_, "english", 0, texts_);
    ASSERT_EQ(table_.num_mat, 3);
    EXPECT_EQ(table_.mat[1].mat_name, "Material 1");
    EXPECT_EQ(table_.mat[3].mat_name, "Steel");
    EXPECT_EQ(table_.mat[3].dm, 2);
    EXPECT_EQ(get_vel(table_, "150", "Steel"), 1100);
    EXPECT_EQ(get_dia_index(table_, 3, "150"), 2);
    EXPECT_EQ(material_choices(table_),
              (std::vector<std::string>{"Material 1", "Material 2", "Steel"}));
    EXPECT_EQ(diameter_choices(table_, 3), (std::vector<std::string>{"100", "150"}));
    EXPECT_TRUE(diameter_choices(table_, 1).empty());
    EXPECT_TRUE(diameter_choices(table_, 4).empty());
}

TEST_F(MaterialTableTest, LookupsKeepLastMatchAndCompareTextsExactly) {
    put("english.tab", "[material]\nnumber=3\n"
                       "[mat1]\ndm=2\nn1=100\nv1=1100\nn2=100\nv2=1150\n"
                       "[mat2]\ndm=1\nn1=200\nv1=900\n"
                       "[mat3]\ndm=2\nn1=100\nv1=1300\nn2=80\nv2=1350\n");
    texts_.set(801, "Iron");
    texts_.set(802, "PVC");
    texts_.set(803, "Iron");
    load_pipetable_ini(table_, folder_, "english", 0, texts_);

    EXPECT_EQ(get_mat_index(table_, "Iron"), 3);
    EXPECT_EQ(get_mat_index(table_, "PVC"), 2);
    EXPECT_EQ(get_mat_index(table_, "iron"), 0);
    EXPECT_EQ(get_mat_index(table_, "Iron "), 0);
    EXPECT_EQ(get_dia_index(table_, 1, "100"), 2);
    EXPECT_EQ(get_dia_index(table_, 1, "100 "), 0);
    EXPECT_EQ(get_dia_index(table_, 0, "100"), 0);
    EXPECT_EQ(get_dia_index(table_, 4, "100"), 0);
    // Both "Iron" materials list 100; the later one wins.
    EXPECT_EQ(get_vel(table_, "100", "Iron"), 1300);
    // Only the first "Iron" has no 80 -> the one that has it.
    EXPECT_EQ(get_vel(table_, "80", "Iron"), 1350);
    EXPECT_EQ(get_vel(table_, "100 ", "Iron"), 0);
    EXPECT_EQ(get_vel(table_, "200", "Iron"), 0);
}

TEST_F(MaterialTableTest, BadNumbersStopTheLoadAndNameTheText) {
    // Missing file: fails at "number".
    try {
        load_pipetable_ini(table_, folder_, "english", 0, texts_);
        FAIL() << "no error for a missing table";
    } catch (const ConversionError& e) {
        EXPECT_NE(e.message.find("number"), std::string::npos) << e.message;
    }
    put("english.tab", "[material]\nnumber=2\n[mat1]\ndm=1\nn1=100\nv1=1100\n"
                       "[mat2]\ndm=2\nn1=100\nv1=fast\n");
    try {
        load_pipetable_ini(table_, folder_, "english", 0, texts_);
        FAIL() << "no error for a bad velocity";
    } catch (const ConversionError& e) {
        EXPECT_NE(e.message.find("fast"), std::string::npos) << e.message;
        EXPECT_NE(e.message.find("v1"), std::string::npos) << e.message;
    }
    // Material 1 was read before the error.
    EXPECT_EQ(table_.mat[1].v[1], 1100);
}

TEST_F(MaterialTableTest, EntriesBeyondTheRecordsAreIgnored) {
    std::string t = "[material]\nnumber=25\n[mat1]\ndm=24\n";
    for (int j = 1; j <= 24; ++j)
        t += "n" + std::to_string(j) + "=" + std::to_string(j * 10) + "\nv" + std::to_string(j) +
             "=" + std::to_string(500 + j) + "\n";
    for (int i = 2; i <= 25; ++i)
        t += "[mat" + std::to_string(i) + "]\ndm=0\n";
    put("english.tab", t);
    load_pipetable_ini(table_, folder_, "english", 0, texts_);
    EXPECT_EQ(table_.num_mat, max_materials);
    EXPECT_EQ(table_.mat[1].dm, max_diameters);
    EXPECT_EQ(get_vel(table_, "200", "Material 1"), 520);
    EXPECT_EQ(get_vel(table_, "210", "Material 1"), 0);
}

TEST(Units, ConversionsAndUnitTexts) {
    EXPECT_DOUBLE_EQ(meter2feet(0.3048), 1.0);
    EXPECT_DOUBLE_EQ(feet2meter(1.0), 0.3048);
    UnitState u;
    apply_unit_texts(u, 1);
    EXPECT_EQ(u.unit_length, "ft");
    EXPECT_EQ(u.unit_diameter, "\"");
    EXPECT_EQ(u.unit_velocity, "ft/s");
    EXPECT_EQ(u.vel_min, 650);
    EXPECT_EQ(u.vel_max, 6000);
    apply_unit_texts(u, 0);
    EXPECT_EQ(u.unit_length, "m");
    EXPECT_EQ(u.unit_diameter, "mm");
    EXPECT_EQ(u.unit_velocity, "m/s");
    EXPECT_EQ(u.vel_min, 200);
    EXPECT_EQ(u.vel_max, 1400);
}

// The shipped tables: every material has diameters, every velocity lies in
// the editor's limits, and plastic pipes carry sound far slower than metal.
TEST(ShippedTables, HoldAllMaterialsWithPlausibleVelocities) {
    const char* src = std::getenv("PELQUOR_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    const std::string config = std::string(src) + "/config/";
    LangTexts texts;
    const char* names[] = {"Cast iron", "Ductile iron", "Steel",  "Asbestos cement",
                           "PVC",       "PE/HDPE",      "Copper", "Concrete",
                           "Lead",      "GRP"};
    for (int i = 0; i < 10; ++i)
        texts.set(801 + i, names[i]);
    // German shares the metric table's data; imperial tables are English only.
    for (auto [unit, language] :
         {std::pair{0, "english"}, std::pair{0, "deutsch"}, std::pair{1, "deutsch"}}) {
        UnitState u;
        Tmat_table t;
        set_units(u, t, unit, config, language, texts);
        ASSERT_EQ(t.num_mat, 10) << "unit " << unit;
        auto slowest = [&](int m) {
            int v = 1 << 30;
            for (int j = 1; j <= t.mat[m].dm; ++j)
                v = std::min(v, t.mat[m].v[j]);
            return v;
        };
        auto fastest = [&](int m) {
            int v = 0;
            for (int j = 1; j <= t.mat[m].dm; ++j)
                v = std::max(v, t.mat[m].v[j]);
            return v;
        };
        for (int m = 1; m <= t.num_mat; ++m) {
            ASSERT_GE(t.mat[m].dm, 3) << names[m - 1];
            for (int j = 1; j <= t.mat[m].dm; ++j) {
                EXPECT_FALSE(t.mat[m].n[j].empty());
                EXPECT_GE(t.mat[m].v[j], u.vel_min) << names[m - 1] << " " << t.mat[m].n[j];
                EXPECT_LE(t.mat[m].v[j], u.vel_max) << names[m - 1] << " " << t.mat[m].n[j];
            }
        }
        // PVC (5) and PE (6) below half of cast iron, ductile iron, steel, copper.
        for (int plastic : {5, 6})
            for (int metal : {1, 2, 3, 7})
                EXPECT_LT(2 * fastest(plastic), slowest(metal))
                    << names[plastic - 1] << " vs " << names[metal - 1] << " unit " << unit;
    }
}

} // namespace

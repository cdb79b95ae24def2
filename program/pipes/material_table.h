// Pipe materials with their nominal diameters and the sound velocity of a
// water-filled pipe of each, and the unit system lengths and velocities are
// shown in.
#pragma once

#include "shell/language.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pelquor {

constexpr int max_materials = 20;
constexpr int max_diameters = 20;

struct Tsingle_mat {
    std::string mat_name;
    int32_t dm = 0;
    // Diameter texts exactly as read; compared as text, never as numbers.
    std::array<std::string, max_diameters + 1> n{};
    // m/s (metric) or ft/s (imperial).
    std::array<int32_t, max_diameters + 1> v{};
};

struct Tmat_table {
    int32_t num_mat = 0;
    std::array<Tsingle_mat, max_materials + 1> mat{};
};

// Texts and limits of the unit system (m_unit 0 metric, 1 imperial).
struct UnitState {
    std::string unit_length = "m";
    std::string unit_diameter = "mm";
    std::string unit_velocity = "m/s";
    int32_t vel_max = 1400;
    int32_t vel_min = 200;
};

// The file load_pipetable_ini reads: a user table (".usr", "english.isr")
// replaces the standard one (".tab", "english.iab") when it exists. Imperial
// tables carry the base name "english" whatever the language.
std::string pipetable_file(const std::string& config_folder, const std::string& base_name,
                           int m_unit);

// Reads the current table. Names come from language texts 800 + i by
// position; the file's own name keys are not used. A missing or non-numeric
// count or velocity throws ConversionError naming the file, key and text; the
// materials read before it keep their new values. Entries past 20 materials
// or 20 diameters are ignored.
void load_pipetable_ini(Tmat_table& table, const std::string& config_folder,
                        const std::string& base_name, int m_unit, const LangTexts& texts);

// The lookups compare texts exactly and keep the last match; 0 = not found.
int32_t get_vel(const Tmat_table& table, const std::string& diameter, const std::string& material);
int32_t get_mat_index(const Tmat_table& table, const std::string& material);
// mat_index must lie in 1..num_mat; anything else gives 0.
int32_t get_dia_index(const Tmat_table& table, int32_t mat_index, const std::string& diameter);

// What the pipe editor's choice lists offer: the material names in table
// order, and the diameters of one material (empty for an index outside
// 1..num_mat).
std::vector<std::string> material_choices(const Tmat_table& table);
std::vector<std::string> diameter_choices(const Tmat_table& table, int32_t mat_index);

double meter2feet(double metres);
double feet2meter(double feet);

// Unit texts and velocity limits of m_unit.
void apply_unit_texts(UnitState& units, int m_unit);
// The core half of set_units: unit texts, then the table of the unit system.
// The pipe editor fills its choice lists and captions afterwards.
void set_units(UnitState& units, Tmat_table& table, int m_unit, const std::string& config_folder,
               const std::string& language, const LangTexts& texts);

} // namespace pelquor

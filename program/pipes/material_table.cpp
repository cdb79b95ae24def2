#include "pipes/material_table.h"

#include "shell/files.h"
#include "shell/ini_file.h"

#include <algorithm>

namespace pelquor {

std::string pipetable_file(const std::string& config_folder, const std::string& base_name,
                           int m_unit) {
    const std::string base = m_unit == 1 ? std::string("english") : base_name;
    const std::string user = config_folder + base + (m_unit == 1 ? ".isr" : ".usr");
    if (file_exists(user))
        return user;
    return config_folder + base + (m_unit == 1 ? ".iab" : ".tab");
}

void load_pipetable_ini(Tmat_table& table, const std::string& config_folder,
                        const std::string& base_name, int m_unit, const LangTexts& texts) {
    const std::string file = pipetable_file(config_folder, base_name, m_unit);
    IniFile ini;
    std::string error;
    if (!ini.load(file, &error) && !error.empty())
        throw ConversionError{"cannot read " + file + ": " + error};
    // A missing file reads as empty and fails here like a missing count.
    const int32_t number = ini_int(ini, file, "material", "number", "");
    table.num_mat = std::clamp(number, 0, max_materials);
    for (int i = 1; i <= table.num_mat; ++i) {
        Tsingle_mat& m = table.mat[i];
        const std::string section = "mat" + std::to_string(i);
        m.mat_name = texts(800 + i);
        const int32_t dm = ini_int(ini, file, section, "dm", "");
        m.dm = std::clamp(dm, 0, max_diameters);
        for (int j = 1; j <= m.dm; ++j) {
            m.n[j] = ini.read_string(section, "n" + std::to_string(j), "");
            m.v[j] = ini_int(ini, file, section, "v" + std::to_string(j), "");
        }
    }
}

int32_t get_vel(const Tmat_table& table, const std::string& diameter, const std::string& material) {
    int32_t result = 0;
    const int count = std::clamp(table.num_mat, 0, max_materials);
    for (int i = 1; i <= count; ++i) {
        const Tsingle_mat& m = table.mat[i];
        if (m.mat_name != material)
            continue;
        const int dm = std::clamp(m.dm, 0, max_diameters);
        for (int j = 1; j <= dm; ++j)
            if (m.n[j] == diameter)
                result = m.v[j];
    }
    return result;
}

int32_t get_mat_index(const Tmat_table& table, const std::string& material) {
    int32_t result = 0;
    const int count = std::clamp(table.num_mat, 0, max_materials);
    for (int i = 1; i <= count; ++i)
        if (table.mat[i].mat_name == material)
            result = i;
    return result;
}

int32_t get_dia_index(const Tmat_table& table, int32_t mat_index, const std::string& diameter) {
    if (mat_index < 1 || mat_index > std::clamp(table.num_mat, 0, max_materials))
        return 0;
    const Tsingle_mat& m = table.mat[mat_index];
    int32_t result = 0;
    const int dm = std::clamp(m.dm, 0, max_diameters);
    for (int j = 1; j <= dm; ++j)
        if (m.n[j] == diameter)
            result = j;
    return result;
}

std::vector<std::string> material_choices(const Tmat_table& table) {
    std::vector<std::string> out;
    for (int i = 1; i <= std::clamp(table.num_mat, 0, max_materials); ++i)
        out.push_back(table.mat[i].mat_name);
    return out;
}

std::vector<std::string> diameter_choices(const Tmat_table& table, int32_t mat_index) {
    std::vector<std::string> out;
    if (mat_index < 1 || mat_index > std::clamp(table.num_mat, 0, max_materials))
        return out;
    const Tsingle_mat& m = table.mat[mat_index];
    for (int j = 1; j <= std::clamp(m.dm, 0, max_diameters); ++j)
        out.push_back(m.n[j]);
    return out;
}

double meter2feet(double metres) {
    return metres / 0.3048;
}
double feet2meter(double feet) {
    return feet * 0.3048;
}

void apply_unit_texts(UnitState& units, int m_unit) {
    if (m_unit == 1) {
        units.unit_length = "ft";
        units.unit_diameter = "\"";
        units.unit_velocity = "ft/s";
        units.vel_max = 6000;
        units.vel_min = 650;
    } else {
        units.unit_length = "m";
        units.unit_diameter = "mm";
        units.unit_velocity = "m/s";
        units.vel_max = 1400;
        units.vel_min = 200;
    }
}

void set_units(UnitState& units, Tmat_table& table, int m_unit, const std::string& config_folder,
               const std::string& language, const LangTexts& texts) {
    apply_unit_texts(units, m_unit);
    load_pipetable_ini(table, config_folder, language, m_unit, texts);
}

} // namespace pelquor

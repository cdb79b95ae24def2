// JSON helpers shared by the commands of pelquor-cli.
#pragma once

#include "groups/group_file.h"

#include <nlohmann/json.hpp>
#include <string>

namespace pelquor::cli {

// A single value as the group file writes it, as a JSON number.
inline double single_json(float v) {
    return std::stod(my_FloatToStr(v));
}

// The group as its file holds it: every key under its own name.
nlohmann::ordered_json group_json(const GroupState& g);

// Splits a group folder into data folder and tree path (the folder's name).
void split_group_dir(const std::string& dir, std::string& data_folder, std::string& tree_path);

} // namespace pelquor::cli

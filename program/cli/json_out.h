// JSON helpers shared by the commands of pelquor-cli.
#pragma once

#include "cli/cli.h"
#include "groups/group_file.h"
#include "radio/recording.h"
#include "shell/ini_file.h"

#include <iostream>
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

// Runs a command's body; the failures of loading a group or a recording end
// it with the message on standard error and exit status 1.
template <class F> int guarded(F&& body) {
    try {
        return body();
    } catch (const GroupFileError& e) {
        std::cerr << e.what() << "\n";
    } catch (const RecordingError& e) {
        std::cerr << e.what() << "\n";
    } catch (const ConversionError& e) {
        std::cerr << e.message << "\n";
    }
    return exit_failed;
}

} // namespace pelquor::cli

// Per-user folders and the settings file trevo_pelquor.ini.
#pragma once

#include "shell/seams.h"

#include <cstdint>
#include <string>

namespace pelquor {

inline constexpr const char* program_version = "1.54";
inline constexpr const char* settings_file_name = "trevo_pelquor.ini";

// All folders end with '/'.
struct Folders {
    std::string documents;      // without trailing separator
    std::string maker;          // documents + "/Trevolant/"
    std::string program;        // maker + "TrevoPelquor/"
    std::string config;         // program + "config/"
    std::string default_data;   // program + "data/"
    std::string shipped_config; // "config/" beside the executable
};

// TREVOPELQUOR_HOME when set, else the user's documents folder.
std::string documents_folder();
Folders make_folders(const std::string& documents, const std::string& shipped_config);
// Creates maker and program folders and fills the config folder from the
// shipped one. False with error when a folder cannot be created.
bool setup_folders(const Folders& f, std::string* error = nullptr);

struct Settings {
    std::string label = "Trevolant";
    std::string logo;
    std::string language = "english";
    uint8_t m_unit = 0;
    std::string script_prefix;
    int32_t tolerance = 10;
    std::string last_node;
    int32_t coh_height = 120;
    std::string data_dir; // data folder of this run, ends with '/'
    std::string version;  // as read at start; unchanged for the whole run
    int32_t skin_index = 0;
    bool easygo = false;
    bool drawpipelines = true;
    std::string com_port;
    int32_t map_type = 1;
};

// Reads the settings file; a missing file gives the defaults. Throws
// ConversionError for an integer key that is not a decimal integer; the keys
// read before it keep their values.
void load_ini(Settings& s, const Folders& f);
// Updates the keys the program writes, key by key, keeping all others.
bool save_ini(const Settings& s, const Folders& f, std::string* error = nullptr);
// Deletes and renews the config folder from the shipped one, then saves.
bool reset_folders(const Settings& s, const Folders& f, std::string* error = nullptr);
// Version check at start: "Softwareupdate..." when the file's version is not
// the program's; confirmed with OK it renews the folders and saves.
void check_updates(const Settings& s, const Folders& f, Dialogs& dialogs);
// The close rule: only a run that started on this version saves.
bool saves_on_close(const Settings& s);

} // namespace pelquor

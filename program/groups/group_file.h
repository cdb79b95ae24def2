// The group file corr_grp.ini and the notes file corr_grp.txt of a group folder.
#pragma once

#include "groups/group_model.h"

#include <functional>
#include <stdexcept>
#include <string>

namespace pelquor {

inline constexpr const char* group_file_name = "corr_grp.ini";
inline constexpr const char* notes_file_name = "corr_grp.txt";

// A group file the program refuses to load (a count beyond the records, or a
// value that is not a number). The message names the file and the key.
class GroupFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Point as decimal separator, up to 15 significant digits of the single
// value widened: 12.3 -> "12.3000001907349", 100 -> "100".
std::string my_FloatToStr(float value);
// Comma or point as decimal separator. Throws GroupFileError-free
// std::invalid_argument on text that is not a number.
float my_StrToFloat(const std::string& text);
bool isInteger(const std::string& text);
bool isFloat(const std::string& text);

// Group folder (with trailing '/') of a tree path below the data folder.
std::string group_folder(const std::string& data_folder, const std::string& tree_path);

// Reads the group file at path into g. Before any field changes, counts
// beyond 8 loggers, 28 pipes or 10 sections reject the file and leave g as it
// was. A value that is not a number stops the load at that key (fields read
// before it keep their new values). Both throw GroupFileError.
void parse_corr_grp_ini(GroupState& g, const std::string& path);

// The whole group file as the save writes it.
std::string group_file_text(GroupState& g);

enum class SaveResult { written, skipped, failed };
// Writes the group file and the notes file into the group folder of the open
// group, atomically. Skipped unless tree_path is set and the group was loaded
// (or the first group is being made).
SaveResult corr_log_set_save_ini(GroupState& g, const std::string& data_folder,
                                 std::string* error = nullptr);

// What a load leaves to other subsystems (sketch symbols, level analysis).
struct LoadHooks {
    std::function<void(const std::string& group_folder)> symbols;
    std::function<void(const std::string& group_folder)> level_analysis;
};

enum class LoadResult { loaded, no_group_file };
// The model half of load_logger_set: resets the logger part, reads the group
// file and the notes of data_folder + tree_path, runs the hooks.
// Throws GroupFileError on a malformed file (group_not_loaded stays true).
LoadResult load_logger_set(GroupState& g, const std::string& data_folder,
                           const std::string& tree_path, const LoadHooks& hooks = {});

// Notes: lines joined with "\n" in memory, CR LF on disk.
std::string read_notes(const std::string& group_folder);
bool write_notes(const std::string& group_folder, const std::string& notes,
                 std::string* error = nullptr);

} // namespace pelquor

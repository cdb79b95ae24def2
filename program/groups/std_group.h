// The standard group std_grp.ini in the data folder: the loggers collected
// for the next new group, kept between runs.
#pragma once

#include "groups/group_model.h"

#include <string>
#include <vector>

namespace pelquor {

inline constexpr const char* std_group_file_name = "std_grp.ini";

std::string std_group_path(const std::string& data_folder);

// Reads std_grp.ini into corr_std_grp; a missing file gives an empty
// collection of the family Corr. A malformed file (a count beyond 8, a value
// that is not a number) leaves an empty collection and returns false with
// the reason.
bool read_std_grp(Tcorr_std_grp& grp, const std::string& data_folder, std::string* error);

// Writes the whole file atomically, start 2 and stop 4 (also set in grp).
bool write_std_grp(Tcorr_std_grp& grp, const std::string& data_folder, std::string* error);

// The rows of the collection list: "LOG1: ID=1234, label".
std::vector<std::string> std_group_rows(const Tcorr_std_grp& grp);

// Text for a single-line INI value: line breaks become blanks.
std::string single_line(const std::string& text);

} // namespace pelquor

// File and folder helpers. Every file the program rewrites whole goes through
// write_file_atomic: a temporary file in the same folder, flushed, then
// renamed over the old one, so a crash or a full disk never leaves half a file.
#pragma once

#include <string>
#include <vector>

namespace pelquor {

bool file_exists(const std::string& path);
bool folder_exists(const std::string& path);
// Creates the folder and its parents; false (with the reason) on failure.
bool create_folder(const std::string& path, std::string* error = nullptr);

// Reads a whole file; false with the system's reason when it cannot be read.
bool read_file(const std::string& path, std::string& content, std::string* error = nullptr);
bool write_file_atomic(const std::string& path, const std::string& content,
                       std::string* error = nullptr);

// Test hook: when set, write_file_atomic fails after the temporary file is
// written and before it replaces the target.
void set_atomic_write_fault(bool fail_before_rename);

// Copies the folder source (without trailing separator) so that it becomes dest.
bool copy_folder(const std::string& source, const std::string& dest);
// Deletes a folder with everything in it.
bool delete_folder(const std::string& path);
// Copies every entry of source that matches mask ("*.csv") to dest + name,
// overwriting; single failures are ignored. source and dest end with '/'.
void copy_by_mask(const std::string& source, const std::string& dest, const std::string& mask);
// Names of the entries of a folder matching a mask, in listing order.
std::vector<std::string> list_by_mask(const std::string& folder, const std::string& mask);
bool match_mask(const std::string& name, const std::string& mask);

// Name part of a path (after the last '/' or '\').
std::string file_name_of(const std::string& path);
// Folder string with a trailing separator.
std::string with_separator(const std::string& folder);
// The text without its last character.
std::string del_last_char(const std::string& text);

} // namespace pelquor

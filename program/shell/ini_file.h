// INI text as the program's files use it: [section] lines, key=value lines.
// Reading is key by key with a default; writing updates a key in place and
// leaves every other line (unknown keys, comments) as it was. Section and key
// names compare case-blind.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pelquor {

class IniFile {
  public:
    IniFile() = default;
    // Parses text; line ends LF or CR LF.
    static IniFile parse(const std::string& text);
    // Loads a file; a missing file gives an empty INI (false, error empty),
    // an unreadable one sets error.
    bool load(const std::string& path, std::string* error = nullptr);
    // Writes atomically.
    bool save(const std::string& path, std::string* error = nullptr) const;
    std::string text() const;

    bool has_section(const std::string& section) const;
    bool has_key(const std::string& section, const std::string& key) const;
    // Value with blanks at both ends removed, or the default.
    std::string read_string(const std::string& section, const std::string& key,
                            const std::string& def) const;
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    void write_string(const std::string& section, const std::string& key, const std::string& value);
    // Section names in file order.
    std::vector<std::string> sections() const;
    // Keys of one section in file order.
    std::vector<std::string> keys(const std::string& section) const;

  private:
    struct Line {
        std::string raw;     // the line as read or written
        std::string section; // section it belongs to ("" before the first)
        std::string key;     // key when it is a key line, else empty
        bool is_header = false;
    };
    std::vector<Line> lines_;
    int find_key(const std::string& section, const std::string& key) const;
};

// Conversion errors name the file, the key and the text.
struct ConversionError {
    std::string message;
};

// Strict decimal integer (optional sign, surrounding blanks allowed).
bool parse_int(const std::string& text, long long& out);
// Booleans: a decimal integer (not 0 = true) or True/False in any case.
bool parse_bool(const std::string& text, bool& out);
inline std::string bool_text(bool b) {
    return b ? "-1" : "0";
}

// Typed reads that throw ConversionError naming file and key on bad text.
int32_t ini_int(const IniFile& ini, const std::string& file, const std::string& section,
                const std::string& key, const std::string& def);
uint32_t ini_cardinal(const IniFile& ini, const std::string& file, const std::string& section,
                      const std::string& key, const std::string& def);
bool ini_bool(const IniFile& ini, const std::string& file, const std::string& section,
              const std::string& key, const std::string& def);
std::string trim(const std::string& s);

} // namespace pelquor

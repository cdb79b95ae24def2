#include "shell/ini_file.h"

#include "shell/files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace pelquor {

namespace {
bool iequal(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
           });
}
} // namespace

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
        --e;
    return s.substr(b, e - b);
}

IniFile IniFile::parse(const std::string& text) {
    IniFile ini;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string raw = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        Line line;
        line.raw = raw;
        std::string t = trim(raw);
        if (t.size() >= 2 && t.front() == '[' && t.find(']') != std::string::npos) {
            section = trim(t.substr(1, t.find(']') - 1));
            line.is_header = true;
            line.section = section;
        } else {
            line.section = section;
            auto eq = raw.find('=');
            if (eq != std::string::npos && !t.empty() && t[0] != ';')
                line.key = trim(raw.substr(0, eq));
        }
        ini.lines_.push_back(std::move(line));
    }
    return ini;
}

bool IniFile::load(const std::string& path, std::string* error) {
    lines_.clear();
    if (error)
        error->clear();
    if (!file_exists(path))
        return false;
    std::string content;
    if (!read_file(path, content, error))
        return false;
    *this = parse(content);
    return true;
}

std::string IniFile::text() const {
    std::string out;
    for (const auto& l : lines_) {
        out += l.raw;
        out += "\r\n";
    }
    return out;
}

bool IniFile::save(const std::string& path, std::string* error) const {
    return write_file_atomic(path, text(), error);
}

int IniFile::find_key(const std::string& section, const std::string& key) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (!lines_[i].is_header && !lines_[i].key.empty() && iequal(lines_[i].section, section) &&
            iequal(lines_[i].key, key))
            return static_cast<int>(i);
    return -1;
}

bool IniFile::has_section(const std::string& section) const {
    for (const auto& l : lines_)
        if (l.is_header && iequal(l.section, section))
            return true;
    return false;
}

bool IniFile::has_key(const std::string& section, const std::string& key) const {
    return find_key(section, key) >= 0;
}

std::optional<std::string> IniFile::value(const std::string& section,
                                          const std::string& key) const {
    int i = find_key(section, key);
    if (i < 0)
        return std::nullopt;
    const auto& raw = lines_[i].raw;
    return trim(raw.substr(raw.find('=') + 1));
}

std::string IniFile::read_string(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    auto v = value(section, key);
    return v ? *v : def;
}

void IniFile::write_string(const std::string& section, const std::string& key,
                           const std::string& value) {
    Line kl;
    kl.raw = key + "=" + value;
    kl.section = section;
    kl.key = key;
    int i = find_key(section, key);
    if (i >= 0) {
        kl.section = lines_[i].section;
        lines_[i] = kl;
        return;
    }
    // Append after the last line of the section, or add the section at the end.
    int last = -1;
    for (size_t j = 0; j < lines_.size(); ++j)
        if (iequal(lines_[j].section, section) &&
            (lines_[j].is_header || !trim(lines_[j].raw).empty()))
            last = static_cast<int>(j);
    if (last >= 0) {
        kl.section = lines_[last].section;
        lines_.insert(lines_.begin() + last + 1, kl);
        return;
    }
    Line h;
    h.raw = "[" + section + "]";
    h.section = section;
    h.is_header = true;
    lines_.push_back(h);
    lines_.push_back(kl);
}

std::vector<std::string> IniFile::sections() const {
    std::vector<std::string> out;
    for (const auto& l : lines_)
        if (l.is_header)
            out.push_back(l.section);
    return out;
}

std::vector<std::string> IniFile::keys(const std::string& section) const {
    std::vector<std::string> out;
    for (const auto& l : lines_)
        if (!l.is_header && !l.key.empty() && iequal(l.section, section))
            out.push_back(l.key);
    return out;
}

bool parse_int(const std::string& text, long long& out) {
    std::string t = trim(text);
    if (t.empty())
        return false;
    size_t i = 0;
    if (t[0] == '+' || t[0] == '-')
        i = 1;
    if (i >= t.size())
        return false;
    for (size_t j = i; j < t.size(); ++j)
        if (!std::isdigit((unsigned char)t[j]))
            return false;
    errno = 0;
    long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (errno == ERANGE)
        return false;
    out = v;
    return true;
}

bool parse_bool(const std::string& text, bool& out) {
    std::string t = trim(text);
    if (iequal(t, "true")) {
        out = true;
        return true;
    }
    if (iequal(t, "false")) {
        out = false;
        return true;
    }
    long long v;
    if (!parse_int(t, v))
        return false;
    out = v != 0;
    return true;
}

namespace {
[[noreturn]] void conversion_fail(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& text) {
    throw ConversionError{"'" + text + "' is not a valid number (file " + file + ", [" + section +
                          "] " + key + ")"};
}
} // namespace

int32_t ini_int(const IniFile& ini, const std::string& file, const std::string& section,
                const std::string& key, const std::string& def) {
    std::string t = ini.read_string(section, key, def);
    long long v;
    if (!parse_int(t, v) || v < INT32_MIN || v > INT32_MAX)
        conversion_fail(file, section, key, t);
    return static_cast<int32_t>(v);
}

uint32_t ini_cardinal(const IniFile& ini, const std::string& file, const std::string& section,
                      const std::string& key, const std::string& def) {
    std::string t = ini.read_string(section, key, def);
    long long v;
    if (!parse_int(t, v) || v < 0 || v > UINT32_MAX)
        conversion_fail(file, section, key, t);
    return static_cast<uint32_t>(v);
}

bool ini_bool(const IniFile& ini, const std::string& file, const std::string& section,
              const std::string& key, const std::string& def) {
    std::string t = ini.read_string(section, key, def);
    bool b;
    if (!parse_bool(t, b))
        conversion_fail(file, section, key, t);
    return b;
}

} // namespace pelquor

#include "groups/std_group.h"

#include "shell/files.h"
#include "shell/ini_file.h"

namespace pelquor {

std::string std_group_path(const std::string& data_folder) {
    return with_separator(data_folder) + std_group_file_name;
}

bool read_std_grp(Tcorr_std_grp& grp, const std::string& data_folder, std::string* error) {
    const std::string path = std_group_path(data_folder);
    IniFile ini;
    std::string load_error;
    Tcorr_std_grp fresh;
    fresh.start = 0;
    fresh.stop = 0;
    auto fail = [&](const std::string& why) {
        grp = Tcorr_std_grp{};
        grp.start = 0;
        grp.stop = 0;
        if (error)
            *error = why;
        return false;
    };
    if (!ini.load(path, &load_error) && !load_error.empty())
        return fail(load_error);
    try {
        fresh.count = ini_int(ini, path, "total", "count", "0");
        if (fresh.count < 0 || fresh.count > max_loggers)
            return fail("The standard group file " + path + " holds count=" +
                        std::to_string(fresh.count) + "; at most 8 loggers are possible.");
        fresh.comment = ini.read_string("total", "comment", "");
        fresh.start = ini_int(ini, path, "total", "start", "0");
        fresh.stop = ini_int(ini, path, "total", "stop", "0");
        fresh.dev_type = ini_int(ini, path, "total", "dev_type", "104");
        for (int n = 1; n <= fresh.count; ++n) {
            const std::string sec = std::to_string(n);
            fresh.corr_log[n].ID = ini_int(ini, path, sec, "ID", "0");
            fresh.corr_log[n].comment = ini.read_string(sec, "comment", "x");
        }
    } catch (const ConversionError& e) {
        return fail(e.message);
    }
    grp = fresh;
    return true;
}

bool write_std_grp(Tcorr_std_grp& grp, const std::string& data_folder, std::string* error) {
    grp.start = 2;
    grp.stop = 4;
    std::string out = "[total]\r\n";
    out += "start=2\r\nstop=4\r\n";
    out += "count=" + std::to_string(grp.count) + "\r\n";
    out += "comment=" + single_line(grp.comment) + "\r\n";
    out += "dev_type=" + std::to_string(grp.dev_type) + "\r\n";
    for (int n = 1; n <= grp.count && n <= max_loggers; ++n) {
        out += "[" + std::to_string(n) + "]\r\n";
        out += "ID=" + std::to_string(grp.corr_log[n].ID) + "\r\n";
        out += "comment=" + single_line(grp.corr_log[n].comment) + "\r\n";
    }
    return write_file_atomic(std_group_path(data_folder), out, error);
}

std::vector<std::string> std_group_rows(const Tcorr_std_grp& grp) {
    std::vector<std::string> rows;
    for (int n = 1; n <= grp.count && n <= max_loggers; ++n)
        rows.push_back("LOG" + std::to_string(n) + ": ID=" + std::to_string(grp.corr_log[n].ID) +
                       ", " + grp.corr_log[n].comment);
    return rows;
}

std::string single_line(const std::string& text) {
    std::string out = text;
    for (auto& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

} // namespace pelquor

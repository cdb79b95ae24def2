#include "shell/settings.h"

#include "shell/files.h"
#include "shell/ini_file.h"

#include <cstdlib>

namespace pelquor {

std::string documents_folder() {
    if (const char* h = std::getenv("TREVOPELQUOR_HOME"); h && *h)
        return h;
    if (const char* x = std::getenv("XDG_DOCUMENTS_DIR"); x && *x)
        return x;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/Documents";
}

Folders make_folders(const std::string& documents, const std::string& shipped_config) {
    Folders f;
    f.documents = documents;
    while (f.documents.size() > 1 && (f.documents.back() == '/' || f.documents.back() == '\\'))
        f.documents.pop_back();
    f.maker = f.documents + "/Trevolant/";
    f.program = f.maker + "TrevoPelquor/";
    f.config = f.program + "config/";
    f.default_data = f.program + "data/";
    f.shipped_config = with_separator(shipped_config);
    return f;
}

bool setup_folders(const Folders& f, std::string* error) {
    if (!create_folder(f.maker, error) || !create_folder(f.program, error))
        return false;
    if (folder_exists(f.config)) {
        copy_by_mask(f.shipped_config, f.config, "*.csv");
        copy_by_mask(f.shipped_config, f.config, "*.tab");
    } else if (folder_exists(f.shipped_config)) {
        copy_folder(del_last_char(f.shipped_config), del_last_char(f.config));
    }
    return true;
}

void load_ini(Settings& s, const Folders& f) {
    const std::string file = f.config + settings_file_name;
    IniFile ini;
    ini.load(file);
    auto str = [&](const char* sec, const char* key, const std::string& def) {
        return ini.read_string(sec, key, def);
    };
    auto num = [&](const char* sec, const char* key, const char* def) {
        return ini_int(ini, file, sec, key, def);
    };
    s.label = str("user", "label", "Trevolant");
    s.logo = str("user", "logo", "");
    s.language = str("user", "language", "english");
    s.m_unit = static_cast<uint8_t>(num("user", "m_unit", "0"));
    s.script_prefix = str("user", "script_prefix", "");
    if (s.language == "Chinese") {
        std::string p = s.script_prefix;
        p = p.size() >= 5 ? p.substr(0, p.size() - 5) : std::string();
        s.script_prefix = p + "_baidu.html";
    }
    s.data_dir = str("files", "data_dir", f.default_data);
    if (s.data_dir.empty())
        s.data_dir = f.default_data;
    s.data_dir = with_separator(s.data_dir);
    s.version = str("system", "version", "");
    s.tolerance = num("user", "tolerance", "10");
    s.skin_index = num("system", "skin_index", "0");
    s.last_node = str("user", "last_node", "");
    s.easygo = ini_bool(ini, file, "system", "easygo", "0");
    s.drawpipelines = ini_bool(ini, file, "system", "drawpipelines", "1");
    s.com_port = str("system", "com_port", "");
    s.coh_height = num("user", "coh_height", "120");
    s.map_type = num("system", "map_type", "1");
}

bool save_ini(const Settings& s, const Folders& f, std::string* error) {
    const std::string file = f.config + settings_file_name;
    IniFile ini;
    std::string read_error;
    ini.load(file, &read_error);
    if (!read_error.empty()) {
        // Never replace a file we could not read: its other keys would be lost.
        if (error)
            *error = read_error;
        return false;
    }
    ini.write_string("user", "label", s.label);
    ini.write_string("user", "logo", s.logo);
    ini.write_string("user", "language", s.language);
    ini.write_string("files", "data_dir", s.data_dir);
    ini.write_string("user", "m_unit", std::to_string(s.m_unit));
    ini.write_string("user", "coh_height", std::to_string(s.coh_height));
    ini.write_string("system", "skin_index", std::to_string(s.skin_index));
    ini.write_string("system", "map_type", std::to_string(s.map_type));
    ini.write_string("system", "easygo", bool_text(s.easygo));
    ini.write_string("system", "drawpipelines", bool_text(s.drawpipelines));
    ini.write_string("system", "com_port", s.com_port);
    ini.write_string("system", "version", program_version);
    ini.write_string("user", "tolerance", std::to_string(s.tolerance));
    ini.write_string("user", "last_node", s.last_node);
    if (!create_folder(f.config, error))
        return false;
    return ini.save(file, error);
}

bool reset_folders(const Settings& s, const Folders& f, std::string* error) {
    if (!create_folder(f.maker, error) || !create_folder(f.program, error))
        return false;
    if (folder_exists(f.config))
        delete_folder(del_last_char(f.config));
    if (!folder_exists(f.shipped_config))
        return true;
    copy_folder(del_last_char(f.shipped_config), del_last_char(f.config));
    return save_ini(s, f, error);
}

void check_updates(const Settings& s, const Folders& f, Dialogs& dialogs) {
    if (s.version == program_version)
        return;
    dialogs.message("Softwareupdate...");
    std::string error;
    if (!reset_folders(s, f, &error) || !save_ini(s, f, &error))
        dialogs.error(error);
}

bool saves_on_close(const Settings& s) {
    return s.version == program_version;
}

} // namespace pelquor

// pelquor-cli radio commands: program, reset, read, status, pinpoint, detect,
// firmware, and demo (the whole measurement on the simulated interface). They
// run the program's own radio operations; the progress texts of its pop-up
// go to standard error, one per line.
#include "analysis/all_pairs.h"
#include "analysis/levels.h"
#include "cli/cli.h"
#include "cli/json_out.h"
#include "groups/group_file.h"
#include "radio/download.h"
#include "radio/firmware.h"
#include "radio/logger_ops.h"
#include "radio/pinpoint.h"
#include "shell/files.h"
#include "shell/ini_file.h"
#include "shell/language.h"
#include "shell/settings.h"
#include "sim/site.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <set>
#include <thread>

namespace pelquor::cli {

namespace {

using json = nlohmann::ordered_json;

// Dialogs of a command: messages and errors to standard error, the command
// itself stands for the OK of its confirmation, questions get the policy.
class CliDialogs : public Dialogs {
  public:
    bool answer_questions = false;
    std::vector<std::string> messages;
    void message(const std::string& text) override {
        messages.push_back(text);
        std::cerr << text << "\n";
    }
    void error(const std::string& text) override {
        messages.push_back(text);
        std::cerr << text << "\n";
    }
    bool question(const std::string& text) override {
        std::cerr << text << " " << (answer_questions ? "yes" : "no") << "\n";
        return answer_questions;
    }
    bool confirm(const std::string&) override { return true; }
    std::optional<std::string> input(const std::string&, const std::string&,
                                     const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> open_file(const std::string&, const std::string&,
                                         const std::string&) override {
        return std::nullopt;
    }
};

// The state objects the program owns, for one radio command.
struct RadioSession {
    Settings settings;
    LangTexts texts;
    GroupState g;
    std::unique_ptr<RadioState> radio = std::make_unique<RadioState>();
    CliDialogs dialogs;
    TextProgress progress;
    SystemClock clock;
    std::string data_folder, tree_path;
    std::unique_ptr<RadioContext> ctx;

    explicit RadioSession(const Args& a) {
        Folders f = make_folders(a.home, a.exe_dir + "config/");
        load_ini(settings, f);
        std::string language = settings.language;
        load_language(texts, a.config, language);
        progress.echo_stderr = true;
        ctx.reset(new RadioContext{*radio, g, texts, dialogs, progress, clock, "", {}});
    }

    // The group of folder dir, loaded as the program does, saved write-through.
    bool open_group(const std::string& dir) {
        split_group_dir(dir, data_folder, tree_path);
        if (load_logger_set(g, data_folder, tree_path) != LoadResult::loaded) {
            std::cerr << "No group file " << group_folder(data_folder, tree_path) + group_file_name
                      << "\n";
            return false;
        }
        use_group_folder();
        return true;
    }

    void use_group_folder() {
        ctx->data_folder = data_folder;
        ctx->hooks.save_group = [this] {
            std::string error;
            if (corr_log_set_save_ini(g, data_folder, &error) == SaveResult::failed) {
                std::cerr << error << "\n";
                return false;
            }
            return true;
        };
        ctx->hooks.reload_group = [this] { load_logger_set(g, data_folder, tree_path); };
    }
};

json loggers_json(const GroupState& g) {
    json out = json::array();
    const auto& s = g.corr_log_set;
    for (int n = 1; n <= s.count && n <= max_loggers; ++n) {
        json o;
        o["slot"] = n;
        o["ID"] = s.corr_log[n].ID;
        o["timer"] = s.corr_log[n].timer;
        o["read_time"] = s.corr_log[n].read_time;
        out.push_back(o);
    }
    return out;
}

json program_json(const RadioSession& s, bool ok) {
    json j;
    j["ok"] = ok;
    j["prog_failed"] = s.radio->prog_failed;
    j["meas_mode"] = s.g.corr_log_set.meas_mode;
    j["radio_days"] = s.g.corr_log_set.radio_days;
    j["sync_time"] = s.g.corr_log_set.sync_time;
    j["loggers"] = loggers_json(s.g);
    return j;
}

// program and reset: one operation on the group's loggers, the group saved.
int group_operation(const Args& a, bool (*op)(RadioContext&), const char* failure) {
    const std::string dir = a.arg(0, "DIR");
    return guarded([&] {
        RadioSession s(a);
        if (!s.open_group(dir))
            return exit_failed;
        bool ok = op(*s.ctx);
        std::cout << program_json(s, ok).dump(2) << "\n";
        if (!ok)
            std::cerr << failure << "\n";
        return ok ? exit_ok : exit_failed;
    });
}

int program_cmd(const Args& a) {
    return group_operation(a, logger_programmieren, "programming failed");
}
int reset_cmd(const Args& a) {
    return group_operation(a, reset_loggers, "reset failed");
}

// Recordings of each logger on disk.
json recordings_json(const RadioSession& s, int& found, int& total) {
    const auto& set = s.g.corr_log_set;
    std::string folder = group_folder(s.data_folder, s.tree_path);
    json out = json::array();
    found = 0;
    total = set.count * max_blocks;
    for (int n = 1; n <= set.count && n <= max_loggers; ++n) {
        json blocks = json::array();
        for (int j = 1; j <= max_blocks; ++j) {
            int b = block_number_of(set.meas_mode, j);
            if (file_exists(folder + recording_file_name(set.corr_log[n].ID, b))) {
                blocks.push_back(b);
                ++found;
            }
        }
        json o;
        o["slot"] = n;
        o["ID"] = set.corr_log[n].ID;
        o["blocks"] = blocks;
        out.push_back(o);
    }
    return out;
}

int read_cmd(const Args& a) {
    const std::string dir = a.arg(0, "DIR");
    return guarded([&] {
        RadioSession s(a);
        s.dialogs.answer_questions = a.flag("--remove-empty");
        if (!s.open_group(dir))
            return exit_failed;
        bool ok = read_group(*s.ctx);
        int found = 0, total = 0;
        json j;
        j["ok"] = ok;
        j["read_time"] = s.g.corr_log_set.read_time;
        j["sample_rate"] = s.g.sample_rate;
        j["recordings"] = recordings_json(s, found, total);
        j["found"] = found;
        j["total"] = total;
        j["loggers"] = loggers_json(s.g);
        std::cout << j.dump(2) << "\n";
        if (!ok)
            return exit_failed;
        if (total == 0 || found * 10 < total * 9) {
            std::cerr << "only " << found << " of " << total << " recordings\n";
            return exit_failed;
        }
        return exit_ok;
    });
}

bool family_option(const Args& a) {
    auto f = a.option("--family");
    if (!f)
        throw UsageError{"--family corr|vellmar is needed"};
    if (*f == "corr")
        return true;
    if (*f == "vellmar")
        return false;
    throw UsageError{"--family is corr or vellmar, not '" + *f + "'"};
}

int status_cmd(const Args& a) {
    const std::string id = a.arg(0, "ID");
    bool corr = family_option(a);
    long long n = 0;
    if (!parse_int(id, n) || n < 1 || n > 0xFFFF)
        throw UsageError{"ID is a logger ID 1..65535, not '" + id + "'"};
    RadioSession s(a);
    if (check_radio_interface(*s.ctx) != 0) {
        std::cerr << s.texts(247) << "\n";
        std::cerr << "no radio interface\n";
        return exit_failed;
    }
    auto lines = read_logger_config(*s.ctx, corr, id);
    std::cout << json(lines).dump(2) << "\n";
    if (lines.empty() || lines.back() != "Communication finished!") {
        std::cerr << "No communication to ID " << n << "\n";
        return exit_failed;
    }
    return exit_ok;
}

int positive_option(const Args& a, const char* name, int def, int max) {
    auto v = a.option(name);
    if (!v)
        return def;
    long long n = 0;
    if (!parse_int(*v, n) || n < 1 || n > max)
        throw UsageError{std::string(name) + " is a whole number 1.." + std::to_string(max)};
    return static_cast<int>(n);
}

int pinpoint_cmd(const Args& a) {
    const std::string dir = a.arg(0, "DIR");
    int ticks = positive_option(a, "--ticks", 90, 100000);
    return guarded([&] {
        RadioSession s(a);
        if (!s.open_group(dir))
            return exit_failed;
        PinpointState ps;
        if (!start_pinpoint(*s.ctx, ps, ticks))
            return exit_failed;
        while (pinpoint_tick(*s.ctx, ps))
            s.progress.wait_ms(700);
        stop_pinpoint(*s.ctx, ps);
        json out;
        json loggers = json::array();
        const auto& set = s.g.corr_log_set;
        for (int n = 1; n <= set.count && n <= max_loggers; ++n) {
            const auto& l = set.corr_log[n];
            json o;
            o["slot"] = n;
            o["ID"] = l.ID;
            o["level"] = l.level;
            o["frequency"] = l.frequency;
            o["esa"] = l.esa;
            o["color"] = l.color;
            o["min_level"] = l.min_level;
            o["min_frequency"] = l.min_frequency;
            o["min_esa"] = l.min_esa;
            o["min_color"] = l.min_color;
            loggers.push_back(o);
        }
        out["loggers"] = loggers;
        out["marked_slot"] = ps.marker_slot;
        out["marked_ID"] = set.corr_log[ps.marker_slot].ID;
        std::cout << out.dump(2) << "\n";
        return exit_ok;
    });
}

int detect_cmd(const Args& a) {
    int seconds = positive_option(a, "--seconds", 10, 3600);
    RadioSession s(a);
    if (check_radio_interface(*s.ctx) != 0) {
        std::cerr << s.texts(247) << "\n";
        return exit_failed;
    }
    start_logger_listening(*s.ctx);
    std::vector<uint32_t> heard;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        uint32_t address = read_logger_announcement(*s.ctx);
        if (address > 0 && std::find(heard.begin(), heard.end(), address) == heard.end()) {
            heard.push_back(address);
            std::cerr << "heard " << address << "\n";
        }
    }
    stop_logger_listening(*s.ctx);
    json out = json::array();
    for (uint32_t address : heard) {
        json o;
        o["address"] = address;
        o["family"] = address >> 16;
        o["ID"] = address & 0xFFFF;
        out.push_back(o);
    }
    std::cout << out.dump(2) << "\n";
    return exit_ok;
}

bool read_bytes(const std::string& path, std::vector<uint8_t>& out) {
    std::string content, error;
    if (!read_file(path, content, &error)) {
        std::cerr << path << ": " << error << "\n";
        return false;
    }
    out.assign(content.begin(), content.end());
    return true;
}

int firmware_logger_cmd(const Args& a) {
    const std::string id = a.arg(0, "ID");
    const std::string file = a.arg(1, "FILE");
    bool corr = family_option(a);
    RadioSession s(a);
    std::vector<uint8_t> data;
    if (!read_bytes(file, data))
        return exit_failed;
    // The identity of the interface, as the start-up screen finds it.
    check_radio_interface(*s.ctx);
    s.radio->single_dev_type = corr ? family_corr : family_vellmar;
    FirmwareWait fw;
    if (!update_logger_firmware(*s.ctx, fw, id, data))
        return exit_failed;
    FirmwareTick t = FirmwareTick::waiting;
    while (t == FirmwareTick::waiting) {
        t = fw_update_check_timer(*s.ctx, fw);
        if (t == FirmwareTick::waiting)
            s.progress.wait_ms(500);
    }
    json out;
    out["pages"] = firmware_pages(data.size()).pages();
    out["failed_tries"] = fw.page_failures;
    out["result"] = t == FirmwareTick::finished ? "finished" : "failed";
    out["message"] = s.dialogs.messages.empty() ? "" : s.dialogs.messages.back();
    std::cout << out.dump(2) << "\n";
    return t == FirmwareTick::finished ? exit_ok : exit_failed;
}

int firmware_interface_cmd(const Args& a) {
    const std::string file = a.arg(0, "FILE");
    RadioSession s(a);
    std::vector<uint8_t> data;
    if (!read_bytes(file, data))
        return exit_failed;
    check_radio_interface(*s.ctx);
    int pages = update_interface_firmware(*s.ctx, data);
    json out;
    out["pages"] = pages;
    std::cout << out.dump(2) << "\n";
    return exit_ok;
}

// --- demo -------------------------------------------------------------------

// trevo-radiosim on a socket in folder, stopped again on destruction.
class Simulator {
  public:
    Simulator(const std::string& exe, const std::string& site, const std::string& folder) {
        socket_ = folder + "radio.sock";
        std::vector<std::string> args{exe, "--socket", socket_, "--site", site};
        pid_ = ::fork();
        if (pid_ == 0) {
            std::vector<char*> argv;
            for (auto& x : args)
                argv.push_back(x.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        struct stat st {};
        for (int i = 0; i < 250 && ::stat(socket_.c_str(), &st) != 0; ++i) {
            int status = 0;
            if (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ok_ = pid_ > 0 && ::stat(socket_.c_str(), &st) == 0;
    }
    ~Simulator() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool ok() const { return ok_; }
    const std::string& socket() const { return socket_; }

  private:
    int pid_ = -1;
    bool ok_ = false;
    std::string socket_;
};

// The demo group: the site's loggers in order, its pipes with their sections,
// instant measuring.
void make_demo_group(GroupState& g, const radiosim::Site& site, const std::string& tree_path) {
    corr_log_set_init(g);
    auto& s = g.corr_log_set;
    s.tree_path = tree_path;
    s.comment = site.name;
    s.dev_type = site.loggers.front().family;
    s.range_mode = site.range_mode;
    g.rg_range_item = s.range_mode / 2;
    g.sample_rate = sample_rate_of_range(s.range_mode);
    s.meas_mode = 2;
    s.meas_delta = 60;
    s.interval = 30;
    s.blocks = 10;
    s.count = static_cast<int32_t>(site.loggers.size());
    for (int n = 1; n <= s.count; ++n) {
        s.corr_log[n].ID = site.loggers[static_cast<size_t>(n - 1)].id;
        s.corr_log[n].comment = site.loggers[static_cast<size_t>(n - 1)].comment;
    }
    s.pipes_count = static_cast<int32_t>(site.pipes.size());
    for (int i = 1; i <= s.pipes_count; ++i) {
        const auto& sp = site.pipes[static_cast<size_t>(i - 1)];
        auto& p = s.pipes[i];
        p.log1 = site.slot_of(sp.from);
        p.log2 = site.slot_of(sp.to);
        p.sections = static_cast<int32_t>(sp.sections.size());
        p.length = static_cast<float>(sp.length());
        for (int k = 1; k <= p.sections; ++k) {
            const auto& ss = sp.sections[static_cast<size_t>(k - 1)];
            auto& sec = p.pipe[k];
            sec.length = static_cast<float>(ss.length);
            sec.material = ss.material;
            sec.diameter = ss.diameter;
            sec.vel = static_cast<int32_t>(std::lround(ss.velocity));
            sec.man = true;
        }
    }
    g.group_not_loaded = false;
}

int run_demo(const Args& a, const radiosim::Site& site, const std::string& root);

std::string step_line(const char* step, bool ok) {
    return std::string("demo: ") + step + (ok ? " ok" : " failed");
}

int demo_cmd(const Args& a) {
    std::string site_path = a.option("--site").value_or(a.exe_dir + "sites/demo.site");
    radiosim::Site site;
    std::string error;
    if (!radiosim::load_site(site_path, site, error)) {
        std::cerr << error << "\n";
        return exit_failed;
    }
    // A demo home of its own: the real archive is never touched.
    std::string root;
    bool keep = false;
    if (auto k = a.option("--keep")) {
        root = with_separator(*k);
        keep = true;
        if (!create_folder(root, &error)) {
            std::cerr << root << ": " << error << "\n";
            return exit_failed;
        }
    } else {
        char tmpl[] = "/tmp/pelquor-demo-XXXXXX";
        const char* made = ::mkdtemp(tmpl);
        if (!made) {
            std::cerr << "cannot make a temporary folder\n";
            return exit_failed;
        }
        root = with_separator(made);
    }
    int result = exit_failed;
    {
        Simulator sim(a.exe_dir + "trevo-radiosim", site_path, root);
        if (!sim.ok()) {
            std::cerr << "trevo-radiosim did not start\n";
        } else {
            std::string entry = "2047:ffeb:TRDEMO:0154@" + sim.socket();
            ::setenv("TREVOHID_SIM", entry.c_str(), 1);
            result = guarded([&] { return run_demo(a, site, root); });
            ::unsetenv("TREVOHID_SIM");
        }
    }
    if (!keep)
        delete_folder(root.substr(0, root.size() - 1));
    return result;
}

// The measurement itself, once the simulator runs.
int run_demo(const Args& a, const radiosim::Site& site, const std::string& root) {
    Args home_args = a;
    home_args.home = root + "home";
    Folders folders = make_folders(home_args.home, a.exe_dir + "config/");
    std::string error;
    if (!setup_folders(folders, &error)) {
        std::cerr << error << "\n";
        return exit_failed;
    }
    home_args.config = folder_exists(folders.config) ? folders.config : a.config;
    RadioSession s(home_args);
    s.data_folder = folders.default_data;
    s.tree_path = "Pelquor/Demo";
    make_demo_group(s.g, site, s.tree_path);
    if (!create_folder(group_folder(s.data_folder, s.tree_path), &error)) {
        std::cerr << error << "\n";
        return exit_failed;
    }
    s.use_group_folder();
    if (corr_log_set_save_ini(s.g, s.data_folder, &error) != SaveResult::written) {
        std::cerr << error << "\n";
        return exit_failed;
    }
    json out;
    out["site"] = site.name;
    out["group"] = group_folder(s.data_folder, s.tree_path);

    bool programmed = logger_programmieren(*s.ctx);
    std::cerr << step_line("program and synchronise", programmed) << "\n";
    out["programmed"] = programmed;
    if (!programmed) {
        std::cout << out.dump(2) << "\n";
        return exit_failed;
    }
    bool read = read_group(*s.ctx);
    int found = 0, total = 0;
    recordings_json(s, found, total);
    std::cerr << step_line("read", read && found == total) << "\n";
    out["recordings"] = found;
    out["recordings_expected"] = total;
    if (!read || found == 0) {
        std::cout << out.dump(2) << "\n";
        return exit_failed;
    }

    // Correlate as the program does: load with the level analysis, run all pairs.
    GroupState g;
    auto cs = std::make_unique<CorrelationState>();
    PipeState p;
    AllPairsState run;
    UnitState units;
    apply_unit_texts(units, s.settings.m_unit);
    p.tolerance = s.settings.tolerance;
    const std::string folder = group_folder(s.data_folder, s.tree_path);
    LoadHooks hooks;
    hooks.level_analysis = [&](const std::string& f) {
        audio_analysis(*cs, g, f);
        for (int n = 1; n <= g.corr_log_set.count; ++n)
            display_wave(*cs, g, f, n);
    };
    load_logger_set(g, s.data_folder, s.tree_path, hooks);
    RunEnv env{g, *cs, p, run, units, s.texts, folder, s.settings.m_unit == 1, {}};
    std::string message = correlate_all(env);
    if (!message.empty())
        std::cerr << message << "\n";
    std::cerr << "demo: correlate ok\n";

    json pairs = json::array();
    const auto& set = g.corr_log_set;
    const auto& leak_pipe = site.pipes[static_cast<size_t>(site.leak.pipe - 1)];
    for (int r = 1; r < run.corr_index; ++r) {
        const Tcorr_comb& c = g.corr_comb[r];
        const PairRun& pr = run.runs[r];
        if (pr.pipe == PipeKind::none)
            continue;
        int32_t ida = set.corr_log[c.lo1_index].ID, idb = set.corr_log[c.lo2_index].ID;
        radiosim::TruePosition truth = radiosim::true_leak_position(site, ida, idb);
        json o;
        o["id_a"] = ida;
        o["id_b"] = idb;
        o["pipe"] = pr.pipe == PipeKind::direct ? "direct" : "chain";
        o["total_distance"] = single_json(c.total_distance);
        o["located"] = single_json(c.distance_a);
        o["located_string"] = c.distance_a_string;
        o["pos_status"] = pr.pos_status;
        o["qf"] = c.qf;
        o["q"] = single_json(pr.q);
        o["true_distance"] = std::round(truth.distance * 100) / 100;
        o["leak_between"] = truth.on_path;
        double err = std::fabs(c.distance_a - truth.distance);
        o["error"] = std::round(err * 100) / 100;
        o["error_percent"] = truth.total > 0 ? std::round(err / truth.total * 10000) / 100 : 0.0;
        pairs.push_back(o);
        std::cerr << "demo: " << ida << "-" << idb << " located " << c.distance_a_string << " true "
                  << truth.distance << (truth.on_path ? "" : " (leak not between)") << "\n";
    }
    json leak;
    leak["pipe"] = site.leak.pipe;
    leak["from"] = leak_pipe.from;
    leak["to"] = leak_pipe.to;
    leak["distance"] = site.leak.distance;
    out["true_leak"] = leak;
    out["sample_rate"] = g.sample_rate;
    out["pairs"] = pairs;
    std::cout << out.dump(2) << "\n";
    return exit_ok;
}

// A documents folder for the program's demo: the site's group, not yet
// measured, as the group opened at start; a folder that holds one stays.
int demo_home_cmd(const Args& a) {
    const std::string home = a.arg(0, "HOME");
    std::string site_path = a.option("--site").value_or(a.exe_dir + "sites/demo.site");
    radiosim::Site site;
    std::string error;
    if (!radiosim::load_site(site_path, site, error)) {
        std::cerr << error << "\n";
        return exit_failed;
    }
    Folders folders = make_folders(home, a.exe_dir + "config/");
    if (!setup_folders(folders, &error)) {
        std::cerr << error << "\n";
        return exit_failed;
    }
    Settings settings;
    try {
        load_ini(settings, folders);
    } catch (const ConversionError& e) {
        std::cerr << e.message << "\n";
        return exit_failed;
    }
    const std::string tree_path = "Pelquor/Demo";
    const std::string folder = group_folder(settings.data_dir, tree_path);
    if (!file_exists(folder + group_file_name)) {
        GroupState g;
        make_demo_group(g, site, tree_path);
        // Loggers in a ring on the map, as a crew would place them.
        for (int n = 1; n <= g.corr_log_set.count; ++n) {
            g.corr_log_set.corr_log[n].x_c = 100 + 90 * n;
            g.corr_log_set.corr_log[n].y_c = n % 2 ? 120 : 260;
        }
        g.notes = "Demo site: " + site.name;
        if (!create_folder(folder, &error) ||
            corr_log_set_save_ini(g, settings.data_dir, &error) != SaveResult::written) {
            std::cerr << error << "\n";
            return exit_failed;
        }
    }
    settings.last_node = "Demo";
    settings.version = program_version;
    if (!save_ini(settings, folders, &error)) {
        std::cerr << error << "\n";
        return exit_failed;
    }
    json out;
    out["home"] = folders.documents;
    out["group"] = folder;
    std::cout << out.dump(2) << "\n";
    return exit_ok;
}

CommandRegistrar program_reg("program", {"DIR", {}, program_cmd});
CommandRegistrar reset_reg("reset", {"DIR", {}, reset_cmd});
CommandRegistrar read_reg("read", {"DIR [--remove-empty]", {}, read_cmd});
CommandRegistrar status_reg("status", {"ID --family corr|vellmar", {"--family"}, status_cmd});
CommandRegistrar pinpoint_reg("pinpoint", {"DIR [--ticks N]", {"--ticks"}, pinpoint_cmd});
CommandRegistrar detect_reg("detect", {"[--seconds N]", {"--seconds"}, detect_cmd});
CommandRegistrar fw_logger_reg("firmware logger", {"ID FILE --family corr|vellmar",
                                                   {"--family"},
                                                   firmware_logger_cmd});
CommandRegistrar fw_iface_reg("firmware interface", {"FILE", {}, firmware_interface_cmd});
CommandRegistrar demo_reg("demo", {"[--site FILE] [--keep DIR]", {"--site", "--keep"}, demo_cmd});
CommandRegistrar demo_home_reg("demo-home", {"HOME [--site FILE]", {"--site"}, demo_home_cmd});

} // namespace
} // namespace pelquor::cli

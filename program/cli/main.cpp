#include "cli/cli.h"
#include "shell/files.h"
#include "shell/settings.h"

#include <iostream>
#include <unistd.h>

namespace pelquor::cli {

std::map<std::string, Command>& commands() {
    static std::map<std::string, Command> table;
    return table;
}

std::optional<std::string> Args::option(const std::string& name) const {
    auto it = options.find(name);
    if (it == options.end())
        return std::nullopt;
    return it->second;
}

const std::string& Args::arg(size_t n, const char* what) const {
    if (n >= positional.size())
        throw UsageError{std::string("missing ") + what};
    return positional[n];
}

} // namespace pelquor::cli

namespace {

std::string exe_dir() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "./";
    std::string p(buf, static_cast<size_t>(n));
    return p.substr(0, p.find_last_of('/') + 1);
}

int usage() {
    std::cerr << "usage: pelquor-cli [--home DIR] [--config DIR] COMMAND ...\ncommands:\n";
    for (const auto& [name, cmd] : pelquor::cli::commands())
        std::cerr << "  " << name << " " << cmd.usage << "\n";
    return pelquor::cli::exit_usage;
}

} // namespace

int main(int argc, char** argv) {
    using namespace pelquor::cli;
    std::vector<std::string> words(argv + 1, argv + argc);
    Args args;
    args.exe_dir = exe_dir();
    std::optional<std::string> home, config;
    // Common options may stand anywhere.
    std::vector<std::string> rest;
    for (size_t i = 0; i < words.size(); ++i) {
        if ((words[i] == "--home" || words[i] == "--config") && i + 1 < words.size()) {
            (words[i] == "--home" ? home : config) = words[i + 1];
            ++i;
        } else if (words[i] == "--help" || words[i] == "-h") {
            usage();
            return exit_ok;
        } else {
            rest.push_back(words[i]);
        }
    }
    if (rest.empty())
        return usage();
    auto& table = commands();
    std::string name;
    size_t used = 0;
    if (rest.size() >= 2 && table.count(rest[0] + " " + rest[1])) {
        name = rest[0] + " " + rest[1];
        used = 2;
    } else if (table.count(rest[0])) {
        name = rest[0];
        used = 1;
    } else {
        std::cerr << "unknown command: " << rest[0] << "\n";
        return usage();
    }
    const Command& cmd = table.at(name);
    for (size_t i = used; i < rest.size(); ++i) {
        const std::string& w = rest[i];
        if (w.rfind("--", 0) == 0 && w.size() > 2) {
            bool takes_value = false;
            for (const auto& v : cmd.value_options)
                takes_value |= v == w;
            if (takes_value) {
                if (i + 1 >= rest.size()) {
                    std::cerr << "option " << w << " needs a value\n";
                    return exit_usage;
                }
                args.options[w] = rest[++i];
            } else {
                args.options[w] = "";
            }
        } else {
            args.positional.push_back(w);
        }
    }
    pelquor::Folders folders =
        pelquor::make_folders(home.value_or(pelquor::documents_folder()), args.exe_dir + "config/");
    args.home = folders.documents;
    args.config = config ? pelquor::with_separator(*config) : folders.config;
    if (config)
        folders.config = args.config;
    else if (!pelquor::folder_exists(folders.config))
        args.config = folders.shipped_config;
    try {
        return cmd.run(args);
    } catch (const UsageError& e) {
        std::cerr << "pelquor-cli " << name << ": " << e.message << "\nusage: pelquor-cli " << name
                  << " " << cmd.usage << "\n";
        return exit_usage;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return exit_failed;
    }
}

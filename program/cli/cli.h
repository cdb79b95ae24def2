// Command table of pelquor-cli. Each cmd_*.cpp file registers its commands
// with a static CommandRegistrar, so commands live beside their concern.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pelquor::cli {

// Exit statuses: 0 success, 1 the operation failed, 2 wrong usage.
constexpr int exit_ok = 0;
constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

struct UsageError {
    std::string message;
};

// Arguments of one command after its name, with the common options removed.
struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // "--band" -> "100:800"; flags -> ""
    std::string home;                           // --home, or the program's documents folder
    std::string config;                         // --config, or the program's config folder
    std::string exe_dir;                        // folder of the executable, with trailing '/'

    bool flag(const std::string& name) const { return options.count(name) > 0; }
    std::optional<std::string> option(const std::string& name) const;
    // The n-th positional argument or a UsageError.
    const std::string& arg(size_t n, const char* what) const;
};

using CommandFn = std::function<int(const Args&)>;

struct Command {
    std::string usage;
    // Options that take a value (the others are flags).
    std::vector<std::string> value_options;
    CommandFn run;
};

std::map<std::string, Command>& commands();

struct CommandRegistrar {
    // name may hold two words ("group show").
    CommandRegistrar(const std::string& name, Command cmd) { commands()[name] = std::move(cmd); }
};

} // namespace pelquor::cli

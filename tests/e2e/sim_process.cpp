#include "e2e/sim_process.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace e2e {

std::string bin_dir() {
    const char* d = std::getenv("PELQUOR_BIN_DIR");
    return d ? std::string(d) + "/" : std::string("./");
}

std::string make_temp_folder() {
    char tmpl[] = "/tmp/pelquor-e2e-XXXXXX";
    const char* p = ::mkdtemp(tmpl);
    return p ? std::string(p) : std::string();
}

void remove_folder(const std::string& path) {
    std::error_code ec;
    if (!path.empty())
        std::filesystem::remove_all(path, ec);
}

int byte_at(const std::string& hex, size_t i) {
    if (2 * i + 2 > hex.size())
        return -1;
    return std::stoi(hex.substr(2 * i, 2), nullptr, 16);
}

SimProcess::SimProcess(std::vector<std::string> options, std::string identity) {
    folder_ = make_temp_folder();
    socket_ = folder_ + "/radio.sock";
    log_ = folder_ + "/sim.log";
    std::vector<std::string> args{bin_dir() + "trevo-radiosim", "--socket", socket_, "--log", log_};
    args.insert(args.end(), options.begin(), options.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    struct stat st {};
    for (int i = 0; i < 200 && ::stat(socket_.c_str(), &st) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (::stat(socket_.c_str(), &st) != 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    std::string entry = identity + ":TR0001:0154@" + socket_;
    ::setenv("TREVOHID_SIM", entry.c_str(), 1);
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    ::unsetenv("TREVOHID_SIM");
    remove_folder(folder_);
}

std::vector<std::string> SimProcess::received() const {
    std::vector<std::string> out;
    std::ifstream f(log_);
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("rx ", 0) == 0)
            out.push_back(line.substr(3));
    return out;
}

std::vector<std::string> SimProcess::received_code(int code) const {
    std::vector<std::string> out;
    for (const auto& m : received())
        if (m.size() >= 28 && byte_at(m, 0) == 0x20 && byte_at(m, 9) == code)
            out.push_back(m);
    return out;
}

} // namespace e2e

// Starts trevo-radiosim on a socket in a temporary folder and points
// TrevoHID at it through TREVOHID_SIM; stops it again on destruction.
#pragma once

#include <string>
#include <vector>

namespace e2e {

class SimProcess {
  public:
    // Extra simulator options (faults); the site defaults to the shipped demo site.
    explicit SimProcess(std::vector<std::string> options = {}, std::string identity = "2047:ffeb");
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool running() const { return pid_ > 0; }
    const std::string& folder() const { return folder_; }
    const std::string& socket() const { return socket_; }
    // Hex messages the simulator received ("rx ..." lines of its log), in order.
    std::vector<std::string> received() const;
    // Received messages with command code (byte 9), in order.
    std::vector<std::string> received_code(int code) const;

  private:
    int pid_ = -1;
    std::string folder_, socket_, log_;
};

// Folder of the built executables (PELQUOR_BIN_DIR).
std::string bin_dir();
// A fresh temporary folder, removed by the caller.
std::string make_temp_folder();
void remove_folder(const std::string& path);

// Byte i of a hex message.
int byte_at(const std::string& hex, size_t i);

} // namespace e2e

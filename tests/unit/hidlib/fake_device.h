// A scripted device on the simulated interface transport: listens on an
// AF_UNIX SOCK_SEQPACKET socket, grants (0x01) or refuses (0x02) each
// connection, plays a script of input reports to the holder and records the
// output reports it receives.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct Step {
    enum Kind { Send, Pause, Close, AwaitReports } kind;
    Bytes data;       // Send: the datagram
    int ms = 0;       // Pause
    size_t count = 0; // AwaitReports: output reports received on this connection
};

inline Step send(Bytes datagram) {
    return {Step::Send, std::move(datagram)};
}
inline Step pause(int ms) {
    return {Step::Pause, {}, ms};
}
inline Step close_connection() {
    return {Step::Close, {}};
}
inline Step await_reports(size_t n) {
    return {Step::AwaitReports, {}, 0, n};
}

// One 64-byte input report; payload_length overrides byte 3 when >= 0.
Bytes report(uint8_t number, uint8_t count, const Bytes& payload, int payload_length = -1);
// The packets of a whole message as the device would send them.
std::vector<Step> message_steps(const Bytes& message);
// The device answers only after a first output report: HID_Open flushes
// whatever came before.
std::vector<Step> answer(std::vector<Step> steps);
// 0, 1, 2, ... as a message of n bytes.
Bytes pattern(size_t n, uint8_t seed = 0);

class FakeDevice {
  public:
    explicit FakeDevice(std::string socket_path);
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    // Steps played to each client granted from now on.
    void script(std::vector<Step> steps);
    // Refuse every connection as held open by another client.
    void hold_elsewhere(bool held);
    std::vector<Bytes> received();
    bool wait_received(size_t n, int timeout_ms);
    int connections();
    const std::string& path() const { return path_; }

  private:
    void run();
    std::string path_;
    int listen_fd_ = -1;
    int stop_pipe_[2] = {-1, -1};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Step> script_;
    bool held_ = false;
    std::vector<Bytes> received_;
    int connections_ = 0;
    size_t this_connection_ = 0;
    std::thread thread_;
};

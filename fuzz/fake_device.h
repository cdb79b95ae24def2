// A device on TrevoHID's simulated transport that answers each output report
// with the next reply of a script: the fuzzer's bytes reach the library's and
// the radio code's read paths exactly as a device's would.
#pragma once

#include "fuzz_util.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pelquor::fuzz {

using Report = std::array<uint8_t, 64>;
using Reply = std::vector<Report>;

class FakeDevice {
  public:
    FakeDevice() : path_(scratch_folder() + "device.sock") {
        ::unlink(path_.c_str());
        listen_fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
        if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) ||
            ::listen(listen_fd_, 4))
            std::abort();
        std::thread([this] { serve(); }).detach();
    }
    const std::string& path() const { return path_; }
    // The entry for TREVOHID_SIM.
    std::string sim_entry() const { return "2047:ffeb:FUZZ01:0154@" + path_; }

    // Replies for the connections that follow, one per output report.
    void set_script(std::deque<Reply> replies) {
        std::lock_guard<std::mutex> lock(mutex_);
        script_ = std::move(replies);
    }

    // Cuts a message into the transport's packets.
    static Reply frame(const uint8_t* data, size_t len) {
        Reply r;
        size_t count = len == 0 ? 1 : (len + 59) / 60;
        for (size_t i = 0; i < count; ++i) {
            Report rep{};
            size_t n = std::min<size_t>(60, len - std::min(len, i * 60));
            rep[0] = 0x54;
            rep[1] = static_cast<uint8_t>(i + 1);
            rep[2] = static_cast<uint8_t>(count);
            rep[3] = static_cast<uint8_t>(n);
            if (n)
                std::memcpy(rep.data() + 4, data + i * 60, n);
            r.push_back(rep);
        }
        return r;
    }

  private:
    std::string path_;
    int listen_fd_ = -1;
    std::mutex mutex_;
    std::deque<Reply> script_;

    void serve() {
        for (;;) {
            int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            uint8_t granted = 0x01;
            ::send(fd, &granted, 1, MSG_NOSIGNAL);
            uint8_t buf[256];
            for (;;) {
                ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                // Only the first report of a request is answered.
                if (buf[1] > 1)
                    continue;
                Reply reply;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (script_.empty())
                        break; // nothing more to say: the device leaves
                    reply = std::move(script_.front());
                    script_.pop_front();
                }
                for (const auto& rep : reply)
                    ::send(fd, rep.data(), rep.size(), MSG_NOSIGNAL);
            }
            ::close(fd);
        }
    }
};

} // namespace pelquor::fuzz

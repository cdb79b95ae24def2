#include "fake_device.h"

#include <chrono>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

void send_byte(int fd, uint8_t b) {
    (void)::send(fd, &b, 1, MSG_NOSIGNAL);
}

bool peer_closed(int fd) {
    pollfd p{fd, POLLRDHUP, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

} // namespace

Bytes report(uint8_t number, uint8_t count, const Bytes& payload, int payload_length) {
    Bytes r(64, 0);
    r[0] = 0x54;
    r[1] = number;
    r[2] = count;
    r[3] = static_cast<uint8_t>(payload_length >= 0 ? payload_length : int(payload.size()));
    std::memcpy(r.data() + 4, payload.data(), std::min<size_t>(payload.size(), 60));
    return r;
}

std::vector<Step> message_steps(const Bytes& message) {
    std::vector<Step> steps;
    size_t packets = (message.size() + 59) / 60;
    for (size_t i = 0; i < packets; ++i) {
        size_t from = i * 60;
        size_t n = std::min<size_t>(60, message.size() - from);
        Bytes payload(message.begin() + from, message.begin() + from + n);
        steps.push_back(send(report(uint8_t(i + 1), uint8_t(packets), payload)));
    }
    return steps;
}

std::vector<Step> answer(std::vector<Step> steps) {
    steps.insert(steps.begin(), await_reports(1));
    return steps;
}

Bytes pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(seed + i * 7 + i / 251);
    return b;
}

FakeDevice::FakeDevice(std::string socket_path) : path_(std::move(socket_path)) {
    ::unlink(path_.c_str());
    listen_fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (listen_fd_ < 0 || path_.size() >= sizeof addr.sun_path)
        throw std::runtime_error("fake device: no socket");
    std::strcpy(addr.sun_path, path_.c_str());
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listen_fd_, 8) != 0 || ::pipe(stop_pipe_) != 0)
        throw std::runtime_error("fake device: cannot listen on " + path_);
    thread_ = std::thread([this] { run(); });
}

FakeDevice::~FakeDevice() {
    const uint8_t stop = 1;
    (void)!::write(stop_pipe_[1], &stop, 1);
    thread_.join();
    ::close(listen_fd_);
    ::close(stop_pipe_[0]);
    ::close(stop_pipe_[1]);
    ::unlink(path_.c_str());
}

void FakeDevice::script(std::vector<Step> steps) {
    std::lock_guard lock(mutex_);
    script_ = std::move(steps);
}

void FakeDevice::hold_elsewhere(bool held) {
    std::lock_guard lock(mutex_);
    held_ = held;
}

std::vector<Bytes> FakeDevice::received() {
    std::lock_guard lock(mutex_);
    return received_;
}

bool FakeDevice::wait_received(size_t n, int timeout_ms) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                             [&] { return received_.size() >= n; });
}

int FakeDevice::connections() {
    std::lock_guard lock(mutex_);
    return connections_;
}

void FakeDevice::run() {
    int client = -1;
    std::vector<Step> steps;
    size_t next = 0;
    Clock::time_point resume = Clock::now();

    for (;;) {
        // Play every step that is due.
        while (client >= 0 && next < steps.size() && Clock::now() >= resume) {
            Step& s = steps[next];
            if (s.kind == Step::AwaitReports) {
                std::lock_guard lock(mutex_);
                if (this_connection_ < s.count)
                    break;
            } else if (s.kind == Step::Send) {
                (void)::send(client, s.data.data(), s.data.size(), MSG_NOSIGNAL);
            } else if (s.kind == Step::Pause) {
                resume = Clock::now() + std::chrono::milliseconds(s.ms);
            } else if (s.kind == Step::Close) {
                ::close(client);
                client = -1;
            }
            ++next;
        }
        int timeout = 50;
        if (client >= 0 && next < steps.size() && steps[next].kind != Step::AwaitReports) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(resume - Clock::now());
            timeout = int(std::max<int64_t>(0, left.count()));
        } else if (client >= 0 && next < steps.size()) {
            timeout = 5;
        }
        pollfd fds[3] = {{stop_pipe_[0], POLLIN, 0}, {listen_fd_, POLLIN, 0}, {client, POLLIN, 0}};
        ::poll(fds, client >= 0 ? 3 : 2, timeout);
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                // A holder that has just closed no longer holds the device.
                if (client >= 0 && peer_closed(client)) {
                    ::close(client);
                    client = -1;
                }
                std::lock_guard lock(mutex_);
                ++connections_;
                if (held_ || client >= 0) {
                    send_byte(fd, 0x02);
                    ::close(fd);
                } else {
                    send_byte(fd, 0x01);
                    client = fd;
                    this_connection_ = 0;
                    steps = script_;
                    next = 0;
                    resume = Clock::now();
                }
            }
        }
        if (client >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            uint8_t buf[256];
            ssize_t n = ::recv(client, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0) {
                std::lock_guard lock(mutex_);
                received_.emplace_back(buf, buf + n);
                ++this_connection_;
                changed_.notify_all();
            } else if (n == 0) {
                ::close(client);
                client = -1;
            }
        }
    }
    if (client >= 0)
        ::close(client);
}

// trevo-radiosim: the USB radio interface and the loggers of a site, served on
// an AF_UNIX SOCK_SEQPACKET socket in the form TrevoHID's simulated transport
// speaks (64-byte reports carrying numbered packets of one message).
#include "sim/site.h"
#include "sim/synth.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace radiosim;

namespace {

volatile std::sig_atomic_t stop_requested = 0;
void on_signal(int) {
    stop_requested = 1;
}

using Bytes = std::vector<uint8_t>;

uint64_t now_ms() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t local_now() {
    std::time_t t = std::time(nullptr);
    std::tm lt{};
    localtime_r(&t, &lt);
    return static_cast<uint32_t>(static_cast<int64_t>(t) + lt.tm_gmtoff);
}

void put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}
uint32_t get24(const uint8_t* p) {
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}
uint32_t get32(const uint8_t* p) {
    return (get24(p) << 8) | p[3];
}

// Packet numbers given as "5,7,20-34".
bool parse_ranges(const std::string& text, std::set<int>& out) {
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        std::string part =
            text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        size_t dash = part.find('-');
        try {
            int a = std::stoi(part.substr(0, dash));
            int b = dash == std::string::npos ? a : std::stoi(part.substr(dash + 1));
            if (a < 1 || b < a || b > 255)
                return false;
            for (int k = a; k <= b; ++k)
                out.insert(k);
        } catch (...) {
            return false;
        }
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    return true;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (true) {
        size_t c = s.find(sep, pos);
        out.push_back(s.substr(pos, c == std::string::npos ? std::string::npos : c - pos));
        if (c == std::string::npos)
            return out;
        pos = c + 1;
    }
}

// A fault aimed at one logger and one block number (-1: every block).
struct Fault {
    int32_t id = 0;
    int block = -1;
    std::set<int> packets;
    int times = -1; // requests affected; -1 every one
    int value = 0;  // announced count, or the new packet number
    int target = 0; // renumber: the packet that gets the new number
    bool matches(int32_t i, int b) const { return id == i && (block < 0 || block == b); }
};

struct LoggerState {
    int mode = 0;
    int range_mode = 0;
    int interval = 30;
    int blocks = 10;
    int meas_delta = 60;
    bool synced = false;
    uint32_t sync_time = 0;
    uint64_t sync_real_ms = 0;
    int32_t programmings = 0, synchronisations = 0, audio_blocks = 0, audio_packets = 0;
    std::map<int, int> block_requests; // block number -> requests so far
    int cached_block = -1;
    int cached_range = -1;
    std::vector<std::array<uint8_t, 192>> packets;
    uint32_t block_time = 0;
    bool announce_pending = false;
    uint64_t announce_due = 0;
};

struct Options {
    std::string socket_path;
    std::string site_path;
    std::string log_path;
    bool ready = false;
    int late_ms = 0;
    std::set<int32_t> silent;
    std::set<int32_t> announce; // loggers that announce themselves while listening
    std::vector<Fault> drops, no_resend, packet_counts, renumbers;
};

class Simulator {
  public:
    Simulator(Site site, Options opt) : site_(std::move(site)), opt_(std::move(opt)) {
        state_.resize(site_.loggers.size());
        start_ms_ = now_ms();
        if (!opt_.log_path.empty())
            log_.open(opt_.log_path, std::ios::app);
    }

    int run();

  private:
    Site site_;
    Options opt_;
    std::vector<LoggerState> state_;
    std::ofstream log_;
    uint64_t start_ms_ = 0;
    int client_ = -1;
    Bytes incoming_;
    bool listening_ = false;
    uint64_t next_announce_ = 0;
    size_t announce_rr_ = 0;
    uint32_t pinpoint_reading_ = 0;
    // The block whose stream the next "start of stream" sends.
    int stream_slot_ = 0;
    int stream_block_ = -1;
    int stream_packets_ = 0;
    std::set<int> stream_drop_;
    int stream_renumber_from_ = 0, stream_renumber_to_ = 0;

    void note(const std::string& line) {
        if (log_) {
            log_ << line << '\n';
            log_.flush();
        }
    }
    static std::string hex(const Bytes& m) {
        std::string s;
        char buf[4];
        for (uint8_t b : m) {
            std::snprintf(buf, sizeof buf, "%02x", b);
            s += buf;
        }
        return s;
    }

    bool send_message(const Bytes& m);
    // Reads one report (or, draining, all waiting ones) of the client.
    void read_client(bool drain);
    void handle_message(const Bytes& m);
    void handle_report(const uint8_t* r, ssize_t n);
    void reply(const Bytes& m) {
        if (opt_.late_ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(opt_.late_ms));
        note("tx " + hex(m));
        send_message(m);
    }
    int slot_of_address(uint32_t address) const {
        int32_t id = static_cast<int32_t>(address & 0xFFFF);
        int family = static_cast<int>(address >> 16);
        for (size_t i = 0; i < site_.loggers.size(); ++i)
            if (site_.loggers[i].id == id && site_.loggers[i].family == family)
                return static_cast<int>(i) + 1;
        return 0;
    }
    bool silent(int slot) const { return opt_.silent.count(site_.loggers[slot - 1].id) > 0; }
    uint32_t address_of(int slot) const {
        const auto& l = site_.loggers[static_cast<size_t>(slot - 1)];
        return static_cast<uint32_t>(l.family) * 65536u + static_cast<uint32_t>(l.id);
    }
    // Simulated seconds since the logger's synchronisation (or since start).
    double elapsed(int slot) const {
        const auto& s = state_[static_cast<size_t>(slot - 1)];
        uint64_t from = s.synced ? s.sync_real_ms : start_ms_;
        return static_cast<double>(now_ms() - from) / 1000.0 * site_.time_scale;
    }
    uint32_t logger_clock(int slot) const {
        const auto& l = site_.loggers[static_cast<size_t>(slot - 1)];
        double drift = l.drift_ppm * 1e-6 * elapsed(slot);
        return static_cast<uint32_t>(static_cast<int64_t>(local_now()) + std::llround(drift));
    }
    void status_reply(int slot, uint32_t address);
    void block_request(int slot, uint32_t address, const Bytes& m);
    void stream();
    void resend(int slot, uint32_t address, const Bytes& m);
    void group_command(const Bytes& m, uint8_t code);
    void announce();
    void ensure_block(int slot, int block);
    Bytes audio_packet(int slot, int k, int number) const;
};

bool Simulator::send_message(const Bytes& m) {
    if (client_ < 0)
        return false;
    size_t count = (m.size() + 59) / 60;
    if (count == 0)
        count = 1;
    for (size_t p = 0; p < count; ++p) {
        uint8_t r[64] = {};
        size_t n = std::min<size_t>(60, m.size() - p * 60);
        r[0] = 0x54;
        r[1] = static_cast<uint8_t>(p + 1);
        r[2] = static_cast<uint8_t>(count);
        r[3] = static_cast<uint8_t>(n);
        std::memcpy(r + 4, m.data() + p * 60, n);
        if (::send(client_, r, sizeof r, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof r)) {
            ::close(client_);
            client_ = -1;
            listening_ = false;
            return false;
        }
    }
    return true;
}

void Simulator::handle_report(const uint8_t* r, ssize_t n) {
    if (n < 4 || r[0] != 0x54 || r[3] > 60 || r[3] + 4 > n)
        return;
    if (r[1] == 1)
        incoming_.clear();
    incoming_.insert(incoming_.end(), r + 4, r + 4 + r[3]);
    if (r[1] == r[2]) {
        Bytes m;
        m.swap(incoming_);
        handle_message(m);
    }
}

void Simulator::handle_message(const Bytes& m) {
    note("rx " + hex(m));
    if (m.size() >= 14 && m[0] == 0x01 && m[1] == 0x51) {
        reply({5, 0x52, 0, 0, m[14], m[15]});
        return;
    }
    if (m.size() < 8 || m[0] != 0x20)
        return;
    uint8_t kind = m[1];
    if ((kind == 4 || kind == 5) && m.size() == 8) {
        uint8_t p = m[4];
        if (kind == 4 && p == 6) {
            listening_ = true;
            next_announce_ = now_ms() + 300;
        } else if (kind == 5 && p == 6) {
            listening_ = false;
        } else if (kind == 4 && p == 11) {
            stream();
        }
        return;
    }
    if (m.size() < 14 || m.size() < static_cast<size_t>(m[7]) + 8)
        return;
    uint8_t code = m[9];
    if (kind == 3) {
        group_command(m, code);
        return;
    }
    if (kind != 2)
        return;
    uint32_t address = get24(&m[11]);
    int slot = slot_of_address(address);
    if (slot == 0 || silent(slot))
        return;
    auto& st = state_[static_cast<size_t>(slot - 1)];
    switch (code) {
    case 0xD2:
        status_reply(slot, address);
        break;
    case 0x78:
        if (m.size() < 38)
            return;
        st.mode = m[26];
        if (st.mode == 1) {
            st.range_mode = m[30];
        } else if (st.mode == 2) {
            st.interval = (m[27] << 8) | m[28];
            st.blocks = m[29];
            st.range_mode = m[30];
            st.meas_delta = (m[32] << 8) | m[33];
        } else {
            st.synced = false;
        }
        ++st.programmings;
        reply({6, 0x79, 0, m[11], m[12], m[13], 1});
        break;
    case 0xCB:
        if (m.size() >= 20)
            block_request(slot, address, m);
        break;
    case 0xCA:
        if (m.size() >= 21)
            resend(slot, address, m);
        break;
    case 0xCE: {
        LiveLevel lv = live_level(site_, slot, ++pinpoint_reading_);
        reply({7, 0xCC, 0, m[11], m[12], m[13], static_cast<uint8_t>(lv.level),
               static_cast<uint8_t>(std::min(255, lv.frequency / 10))});
        break;
    }
    case 0xFE: {
        size_t n = m[7] >= 8 ? m[7] - 8u : 0;
        reply({7, 0xFD, 0, m[11], m[12], m[13], m[14], m[15]});
        if (n < 208) {
            // The logger restarts with its new firmware and announces itself.
            st.announce_pending = true;
            st.announce_due = now_ms() + 1500;
            auto& lg = site_.loggers[static_cast<size_t>(slot - 1)];
            lg.firmware_minor = (lg.firmware_minor + 1) % 256;
        }
        break;
    }
    default:
        break;
    }
}

void Simulator::status_reply(int slot, uint32_t address) {
    const auto& lg = site_.loggers[static_cast<size_t>(slot - 1)];
    const auto& st = state_[static_cast<size_t>(slot - 1)];
    Bytes r(111, 0);
    r[0] = 110;
    r[1] = 0xD1;
    r[3] = static_cast<uint8_t>(address >> 16);
    r[4] = static_cast<uint8_t>(address >> 8);
    r[5] = static_cast<uint8_t>(address);
    r[6] = static_cast<uint8_t>(st.mode);
    r[7] = 6;
    r[8] = 20;
    // Hours recorded since the synchronisation, and hours with the radio on.
    double hours = elapsed(slot) / 3600;
    r[11] = static_cast<uint8_t>(st.synced && st.mode > 0 ? std::min(255.0, hours) : 0);
    r[12] = static_cast<uint8_t>(std::min(255.0, static_cast<double>(now_ms() - start_ms_) /
                                                     1000.0 * site_.time_scale / 3600));
    put32(&r[19], logger_clock(slot));
    r[26] = static_cast<uint8_t>(lg.firmware_major);
    r[27] = static_cast<uint8_t>(lg.firmware_minor);
    int32_t counters[9] = {static_cast<int32_t>(elapsed(slot) / 3600),
                           st.audio_blocks,
                           0,
                           st.mode == 2 ? st.programmings : 0,
                           st.mode == 1 ? st.programmings : 0,
                           0,
                           st.programmings,
                           st.synchronisations,
                           st.audio_packets};
    for (int k = 0; k < 9; ++k)
        put32(&r[static_cast<size_t>(44 + 4 * k)], static_cast<uint32_t>(counters[k]));
    r[100] = static_cast<uint8_t>(slot);
    r[101] = static_cast<uint8_t>(st.mode);
    int start_in = st.mode == 2 ? st.meas_delta : 0;
    r[107] = static_cast<uint8_t>(start_in >> 8);
    r[108] = static_cast<uint8_t>(start_in);
    reply(r);
}

void Simulator::ensure_block(int slot, int block) {
    auto& st = state_[static_cast<size_t>(slot - 1)];
    int range = st.mode > 0 ? st.range_mode : site_.range_mode;
    if (st.cached_block == block && st.cached_range == range)
        return;
    int rate = 6554 >> range;
    st.packets = pack_block(synth_block(site_, slot, block, rate));
    st.cached_block = block;
    st.cached_range = range;
}

Bytes Simulator::audio_packet(int slot, int k, int number) const {
    const auto& st = state_[static_cast<size_t>(slot - 1)];
    Bytes p(196, 0);
    p[0] = 195;
    p[1] = 0xC9;
    p[3] = static_cast<uint8_t>(number);
    // Packets past the synthesised 160 repeat the last one.
    size_t idx = static_cast<size_t>(std::min<int>(k, static_cast<int>(st.packets.size())) - 1);
    std::memcpy(&p[4], st.packets[idx].data(), 192);
    return p;
}

void Simulator::block_request(int slot, uint32_t address, const Bytes& m) {
    auto& st = state_[static_cast<size_t>(slot - 1)];
    int32_t id = site_.loggers[static_cast<size_t>(slot - 1)].id;
    int block = m[19];
    int nth = ++st.block_requests[block];
    bool ready = opt_.ready || (st.synced && st.mode > 0);
    int P = ready ? block_packets : 0;
    for (const auto& f : opt_.packet_counts)
        if (f.matches(id, block))
            P = f.value;
    stream_slot_ = slot;
    stream_block_ = block;
    stream_packets_ = P;
    stream_drop_.clear();
    stream_renumber_from_ = stream_renumber_to_ = 0;
    for (const auto& f : opt_.drops)
        if (f.matches(id, block) && (f.times < 0 || nth <= f.times))
            stream_drop_.insert(f.packets.begin(), f.packets.end());
    for (const auto& f : opt_.renumbers)
        if (f.matches(id, block)) {
            stream_renumber_from_ = f.target;
            stream_renumber_to_ = f.value;
        }
    if (P > 0)
        ensure_block(slot, block);
    if (st.mode == 2)
        st.block_time = st.sync_time + static_cast<uint32_t>(st.meas_delta + block * st.interval);
    else
        st.block_time = st.sync_time + 3600u + static_cast<uint32_t>(block) * 360u;
    Bytes r(14, 0);
    r[0] = 13;
    r[1] = 0xC0;
    r[3] = static_cast<uint8_t>(address >> 16);
    r[4] = static_cast<uint8_t>(address >> 8);
    r[5] = static_cast<uint8_t>(address);
    r[6] = static_cast<uint8_t>(block);
    r[8] = static_cast<uint8_t>(P);
    put32(&r[9], st.block_time);
    r[13] = 0;
    reply(r);
}

void Simulator::stream() {
    if (stream_slot_ == 0 || stream_packets_ == 0)
        return;
    auto& st = state_[static_cast<size_t>(stream_slot_ - 1)];
    int sent = 0;
    for (int k = 1; k <= stream_packets_; ++k) {
        if (stream_drop_.count(k))
            continue;
        int number = k == stream_renumber_from_ ? stream_renumber_to_ : k;
        if (!send_message(audio_packet(stream_slot_, k, number)))
            return;
        ++sent;
    }
    st.audio_packets += sent;
    ++st.audio_blocks;
    note("stream " + std::to_string(site_.loggers[static_cast<size_t>(stream_slot_ - 1)].id) +
         " block " + std::to_string(stream_block_) + " sent " + std::to_string(sent));
}

void Simulator::resend(int slot, uint32_t, const Bytes& m) {
    int32_t id = site_.loggers[static_cast<size_t>(slot - 1)].id;
    int block = m[19];
    int k = m[20];
    for (const auto& f : opt_.no_resend)
        if (f.matches(id, block) && f.packets.count(k))
            return;
    auto& st = state_[static_cast<size_t>(slot - 1)];
    if (k < 1 || k > 255 || st.cached_block != block)
        return;
    Bytes p = audio_packet(slot, k, k);
    ++st.audio_packets;
    reply(p);
}

void Simulator::group_command(const Bytes& m, uint8_t code) {
    if (code != 0x76 && code != 0x74)
        return;
    if ((code == 0x76 && m.size() < 47) || (code == 0x74 && m.size() < 43))
        return;
    uint32_t time = code == 0x76 ? get32(&m[43]) : 0;
    for (int k = 1; k <= 8; ++k) {
        uint32_t address = get24(&m[static_cast<size_t>(11 + 4 * (k - 1))]);
        if ((address & 0xFFFF) == 0)
            continue;
        int slot = slot_of_address(address);
        if (slot == 0 || silent(slot))
            continue;
        auto& st = state_[static_cast<size_t>(slot - 1)];
        Bytes r(13, 0);
        r[0] = 12;
        r[1] = code == 0x76 ? 0x77 : 0x73;
        r[3] = static_cast<uint8_t>(address >> 16);
        r[4] = static_cast<uint8_t>(address >> 8);
        r[5] = static_cast<uint8_t>(address);
        if (code == 0x76) {
            put32(&r[6], logger_clock(slot));
            st.synced = true;
            st.sync_time = time;
            st.sync_real_ms = now_ms();
            ++st.synchronisations;
        } else {
            // Timer: simulated minutes since the synchronisation.
            auto minutes = static_cast<uint32_t>(std::min(65535.0, elapsed(slot) / 60));
            r[6] = static_cast<uint8_t>(minutes >> 8);
            r[7] = static_cast<uint8_t>(minutes);
            r[8] = static_cast<uint8_t>(st.mode > 0 ? st.range_mode : site_.range_mode);
            put32(&r[9], logger_clock(slot));
        }
        reply(r);
    }
}

void Simulator::announce() {
    uint64_t now = now_ms();
    int slot = 0;
    bool pending = false;
    for (size_t i = 0; i < state_.size(); ++i) {
        if (state_[i].announce_pending) {
            pending = true;
            if (state_[i].announce_due <= now && !silent(static_cast<int>(i) + 1)) {
                slot = static_cast<int>(i) + 1;
                state_[i].announce_pending = false;
                break;
            }
        }
    }
    if (!pending) {
        for (size_t tries = 0; tries < site_.loggers.size() && slot == 0; ++tries) {
            size_t i = announce_rr_++ % site_.loggers.size();
            const auto& lg = site_.loggers[i];
            if ((lg.announces || opt_.announce.count(lg.id)) && !silent(static_cast<int>(i) + 1))
                slot = static_cast<int>(i) + 1;
        }
    }
    next_announce_ = now + (pending ? 100 : 600);
    if (slot == 0)
        return;
    uint32_t a = address_of(slot);
    reply({5, 0x29, 0, static_cast<uint8_t>(a >> 16), static_cast<uint8_t>(a >> 8),
           static_cast<uint8_t>(a)});
}

void Simulator::read_client(bool drain) {
    while (client_ >= 0) {
        uint8_t buf[256];
        ssize_t n = ::recv(client_, buf, sizeof buf, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        if (n <= 0) {
            ::close(client_);
            client_ = -1;
            listening_ = false;
            return;
        }
        handle_report(buf, n);
        if (!drain)
            return;
    }
}

int Simulator::run() {
    int listen_fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (listen_fd < 0 || opt_.socket_path.size() >= sizeof addr.sun_path) {
        std::cerr << "trevo-radiosim: cannot create socket " << opt_.socket_path << "\n";
        return 1;
    }
    std::strncpy(addr.sun_path, opt_.socket_path.c_str(), sizeof addr.sun_path - 1);
    ::unlink(opt_.socket_path.c_str());
    if (::bind(listen_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listen_fd, 4) != 0) {
        std::cerr << "trevo-radiosim: cannot listen on " << opt_.socket_path << ": "
                  << std::strerror(errno) << "\n";
        return 1;
    }
    std::cerr << "trevo-radiosim: site \"" << site_.name << "\" with " << site_.loggers.size()
              << " loggers on " << opt_.socket_path << std::endl;
    while (!stop_requested) {
        pollfd fds[2] = {{listen_fd, POLLIN, 0}, {client_, POLLIN, 0}};
        int timeout = 500;
        if (client_ >= 0 && listening_) {
            uint64_t now = now_ms();
            timeout = next_announce_ > now ? static_cast<int>(next_announce_ - now) : 0;
        }
        int r = ::poll(fds, client_ >= 0 ? 2 : 1, timeout);
        if (r < 0 && errno != EINTR)
            break;
        if (client_ >= 0 && r > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            read_client(false);
        if (r > 0 && (fds[0].revents & POLLIN)) {
            // A client that closed just before the next one connected is gone:
            // collect what it left and its hang-up before answering "busy".
            if (client_ >= 0)
                read_client(true);
            int c = ::accept(listen_fd, nullptr, nullptr);
            if (c >= 0) {
                uint8_t answer = client_ < 0 ? 0x01 : 0x02;
                ::send(c, &answer, 1, MSG_NOSIGNAL);
                if (client_ < 0) {
                    client_ = c;
                    incoming_.clear();
                    listening_ = false;
                } else {
                    ::close(c);
                }
            }
        }
        if (client_ >= 0 && listening_ && now_ms() >= next_announce_)
            announce();
    }
    if (client_ >= 0)
        ::close(client_);
    ::close(listen_fd);
    ::unlink(opt_.socket_path.c_str());
    return 0;
}

std::string exe_dir() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "./";
    std::string p(buf, static_cast<size_t>(n));
    return p.substr(0, p.find_last_of('/') + 1);
}

int usage() {
    std::cerr
        << "usage: trevo-radiosim --socket PATH [--site FILE] [--log FILE] [--ready] [--late MS]\n"
           "       [--silent ID] [--announce ID,ID..] [--drop ID:BLOCK:PACKETS[:TIMES]] "
           "[--no-resend ID:BLOCK:PACKETS]\n"
           "       [--packets ID:BLOCK:COUNT] [--renumber ID:BLOCK:PACKET:NUMBER]\n"
           "BLOCK is a block number or *; PACKETS a list like 5,7,20-34.\n";
    return 2;
}

// ID:BLOCK:REST...
bool parse_fault(const std::string& text, size_t fields, Fault& f, std::vector<std::string>& rest) {
    auto parts = split(text, ':');
    if (parts.size() < fields)
        return false;
    try {
        f.id = std::stoi(parts[0]);
        f.block = parts[1] == "*" ? -1 : std::stoi(parts[1]);
    } catch (...) {
        return false;
    }
    rest.assign(parts.begin() + 2, parts.end());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options opt;
    std::vector<std::string> a(argv + 1, argv + argc);
    for (size_t i = 0; i < a.size(); ++i) {
        auto value = [&]() -> std::string {
            if (i + 1 >= a.size())
                throw std::runtime_error(a[i] + " needs a value");
            return a[++i];
        };
        try {
            const std::string& w = a[i];
            std::vector<std::string> rest;
            Fault f;
            if (w == "--socket")
                opt.socket_path = value();
            else if (w == "--site")
                opt.site_path = value();
            else if (w == "--log")
                opt.log_path = value();
            else if (w == "--ready")
                opt.ready = true;
            else if (w == "--late")
                opt.late_ms = std::stoi(value());
            else if (w == "--silent")
                opt.silent.insert(std::stoi(value()));
            else if (w == "--announce") {
                for (const auto& id : split(value(), ','))
                    opt.announce.insert(std::stoi(id));
            } else if (w == "--drop" || w == "--no-resend") {
                if (!parse_fault(value(), 3, f, rest) || !parse_ranges(rest[0], f.packets))
                    throw std::runtime_error("bad " + w + " " + a[i]);
                if (rest.size() > 1)
                    f.times = std::stoi(rest[1]);
                (w == "--drop" ? opt.drops : opt.no_resend).push_back(f);
            } else if (w == "--packets") {
                if (!parse_fault(value(), 3, f, rest))
                    throw std::runtime_error("bad --packets " + a[i]);
                f.value = std::stoi(rest[0]);
                if (f.value < 0 || f.value > 255)
                    throw std::runtime_error("--packets count is 0..255");
                opt.packet_counts.push_back(f);
            } else if (w == "--renumber") {
                if (!parse_fault(value(), 4, f, rest))
                    throw std::runtime_error("bad --renumber " + a[i]);
                f.target = std::stoi(rest[0]);
                f.value = std::stoi(rest[1]);
                if (f.value < 0 || f.value > 255)
                    throw std::runtime_error("--renumber number is 0..255");
                opt.renumbers.push_back(f);
            } else if (w == "--help" || w == "-h") {
                return usage() - 2;
            } else {
                std::cerr << "trevo-radiosim: unknown option " << w << "\n";
                return usage();
            }
        } catch (const std::exception& e) {
            std::cerr << "trevo-radiosim: " << e.what() << "\n";
            return usage();
        }
    }
    if (opt.socket_path.empty())
        return usage();
    if (opt.site_path.empty())
        opt.site_path = exe_dir() + "sites/demo.site";
    Site site;
    std::string error;
    if (!load_site(opt.site_path, site, error)) {
        std::cerr << "trevo-radiosim: " << error << "\n";
        return 1;
    }
    std::signal(SIGTERM, on_signal);
    std::signal(SIGINT, on_signal);
    std::signal(SIGPIPE, SIG_IGN);
    Simulator sim(std::move(site), std::move(opt));
    return sim.run();
}

// A simulated site: loggers on a pipe network with one leak. Read from the
// simulator's own site file (see sim/README.md); the physics the recordings
// follow (travel time and damping of the leak noise along the pipes) is
// computed here, so the demo can compare the located leak with the truth.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace radiosim {

struct SiteSection {
    double length = 0; // m
    std::string material;
    std::string diameter;
    double velocity = 0; // m/s
    double damping = 1;  // relative damping of the noise per metre
};

struct SiteLogger {
    int32_t id = 0;
    int family = 104;
    std::string comment;
    double drift_ppm = 0;
    double noise = 30;             // RMS of its own noise, 12-bit counts
    double noise_frequency = 1400; // Hz, what it hears without a leak
    int firmware_major = 2;
    int firmware_minor = 15;
    bool announces = false; // announces itself while the interface listens
};

struct SitePipe {
    int32_t from = 0; // logger IDs
    int32_t to = 0;
    std::vector<SiteSection> sections;
    double length() const;
    double travel_time() const;
};

struct SiteLeak {
    int pipe = 1;        // 1-based index into pipes
    double distance = 0; // m from the pipe's "from" logger
    double level = 400;  // RMS at the leak, 12-bit counts
    double low = 250;    // Hz, band of the leak noise
    double high = 1100;
    double attenuation = 0.002; // per metre at 1 kHz, times the section damping
};

struct Site {
    std::string name = "site";
    uint32_t seed = 1;
    double time_scale = 3600; // simulated seconds per real second (clock drift)
    int range_mode = 0;
    std::vector<SiteLogger> loggers;
    std::vector<SitePipe> pipes;
    SiteLeak leak;
    bool has_leak = false;

    const SiteLogger* logger(int32_t id) const;
    int slot_of(int32_t id) const; // 1-based, 0 when unknown
};

// Parses site text; false with a message naming the line on bad input.
bool parse_site(const std::string& text, Site& site, std::string& error);
bool load_site(const std::string& path, Site& site, std::string& error);

// How the leak noise reaches one logger: along the fastest way through the
// pipes. reached is false when no pipe leads there.
struct Arrival {
    bool reached = false;
    double time = 0;          // s
    double damped_length = 0; // sum of length * damping along the way
    double length = 0;        // m
};
std::vector<Arrival> leak_arrivals(const Site& site); // one per logger, in site order

// Where the leak lies on the way between two loggers along the pipes
// (direct pipe or a chain), measured from the first logger. on_path is false
// when the leak is not between them; distance is then the nearer end.
struct TruePosition {
    bool connected = false;
    bool on_path = false;
    double distance = 0;
    double total = 0;
};
TruePosition true_leak_position(const Site& site, int32_t id_a, int32_t id_b);

} // namespace radiosim

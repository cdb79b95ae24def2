#include "sim/site.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <queue>
#include <sstream>

namespace radiosim {

double SitePipe::length() const {
    double s = 0;
    for (const auto& x : sections)
        s += x.length;
    return s;
}

double SitePipe::travel_time() const {
    double t = 0;
    for (const auto& x : sections)
        t += x.length / x.velocity;
    return t;
}

const SiteLogger* Site::logger(int32_t id) const {
    for (const auto& l : loggers)
        if (l.id == id)
            return &l;
    return nullptr;
}

int Site::slot_of(int32_t id) const {
    for (size_t i = 0; i < loggers.size(); ++i)
        if (loggers[i].id == id)
            return static_cast<int>(i) + 1;
    return 0;
}

namespace {

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool to_double(const std::string& t, double& out) {
    try {
        size_t used = 0;
        out = std::stod(t, &used);
        return used == t.size() && std::isfinite(out);
    } catch (...) {
        return false;
    }
}

bool to_int(const std::string& t, long long& out) {
    try {
        size_t used = 0;
        out = std::stoll(t, &used);
        return used == t.size();
    } catch (...) {
        return false;
    }
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    std::istringstream in(s);
    while (std::getline(in, cur, sep))
        out.push_back(trim(cur));
    return out;
}

} // namespace

bool parse_site(const std::string& text, Site& site, std::string& error) {
    site = Site{};
    std::istringstream in(text);
    std::string line, section;
    int number = 0;
    auto fail = [&](const std::string& why) {
        error = "site line " + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line = line.substr(0, hash);
        line = trim(line);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return fail("bad section header");
            section = trim(line.substr(1, line.size() - 2));
            if (section == "logger")
                site.loggers.emplace_back();
            else if (section == "pipe")
                site.pipes.emplace_back();
            else if (section == "leak")
                site.has_leak = true;
            else if (section != "site")
                return fail("unknown section [" + section + "]");
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail("expected key = value");
        std::string key = trim(line.substr(0, eq));
        std::string value = trim(line.substr(eq + 1));
        double d = 0;
        long long n = 0;
        auto number_of = [&](double& target) {
            if (!to_double(value, d))
                return fail("'" + value + "' is not a number");
            target = d;
            return true;
        };
        auto integer_of = [&](auto& target, long long lo, long long hi) {
            if (!to_int(value, n) || n < lo || n > hi)
                return fail("'" + value + "' is not a whole number in " + std::to_string(lo) +
                            ".." + std::to_string(hi));
            target = static_cast<std::remove_reference_t<decltype(target)>>(n);
            return true;
        };
        bool ok = true;
        if (section == "site") {
            if (key == "name")
                site.name = value;
            else if (key == "seed")
                ok = integer_of(site.seed, 0, 0xFFFFFFFFLL);
            else if (key == "time_scale")
                ok = number_of(site.time_scale);
            else if (key == "range_mode")
                ok = integer_of(site.range_mode, 0, 3);
            else
                return fail("unknown key " + key);
        } else if (section == "logger") {
            auto& l = site.loggers.back();
            if (key == "id")
                ok = integer_of(l.id, 1, 65535);
            else if (key == "family") {
                if (value == "corr")
                    l.family = 104;
                else if (value == "vellmar")
                    l.family = 112;
                else
                    return fail("family is corr or vellmar");
            } else if (key == "comment")
                l.comment = value;
            else if (key == "drift_ppm")
                ok = number_of(l.drift_ppm);
            else if (key == "noise")
                ok = number_of(l.noise);
            else if (key == "noise_frequency")
                ok = number_of(l.noise_frequency);
            else if (key == "announces")
                ok = integer_of(l.announces, 0, 1);
            else if (key == "firmware") {
                auto parts = split(value, '.');
                long long a = 0, b = 0;
                if (parts.size() != 2 || !to_int(parts[0], a) || !to_int(parts[1], b) || a < 0 ||
                    a > 255 || b < 0 || b > 255)
                    return fail("firmware is MAJOR.MINOR");
                l.firmware_major = static_cast<int>(a);
                l.firmware_minor = static_cast<int>(b);
            } else
                return fail("unknown key " + key);
        } else if (section == "pipe") {
            auto& p = site.pipes.back();
            if (key == "from")
                ok = integer_of(p.from, 1, 65535);
            else if (key == "to")
                ok = integer_of(p.to, 1, 65535);
            else if (key == "section") {
                auto f = split(value, ',');
                SiteSection s;
                if (f.size() < 4 || f.size() > 5 || !to_double(f[0], s.length) || s.length <= 0 ||
                    !to_double(f[3], s.velocity) || s.velocity <= 0 ||
                    (f.size() == 5 && (!to_double(f[4], s.damping) || s.damping < 0)))
                    return fail("section = LENGTH, MATERIAL, DIAMETER, VELOCITY[, DAMPING]");
                s.material = f[1];
                s.diameter = f[2];
                p.sections.push_back(s);
            } else
                return fail("unknown key " + key);
        } else if (section == "leak") {
            auto& k = site.leak;
            if (key == "pipe")
                ok = integer_of(k.pipe, 1, 1000);
            else if (key == "distance")
                ok = number_of(k.distance);
            else if (key == "level")
                ok = number_of(k.level);
            else if (key == "low")
                ok = number_of(k.low);
            else if (key == "high")
                ok = number_of(k.high);
            else if (key == "attenuation")
                ok = number_of(k.attenuation);
            else
                return fail("unknown key " + key);
        } else {
            return fail("key outside a section");
        }
        if (!ok)
            return false;
    }
    number = 0;
    if (site.loggers.empty() || site.loggers.size() > 8)
        return fail("a site has 1 to 8 loggers");
    for (size_t i = 0; i < site.loggers.size(); ++i) {
        if (site.loggers[i].id == 0)
            return fail("logger " + std::to_string(i + 1) + " has no id");
        for (size_t j = 0; j < i; ++j)
            if (site.loggers[j].id == site.loggers[i].id)
                return fail("logger id " + std::to_string(site.loggers[i].id) + " twice");
        if (site.loggers[i].family != site.loggers[0].family)
            return fail("all loggers of a site are of one family");
    }
    if (site.pipes.size() > 28)
        return fail("a site has at most 28 pipes");
    for (size_t i = 0; i < site.pipes.size(); ++i) {
        const auto& p = site.pipes[i];
        if (!site.logger(p.from) || !site.logger(p.to) || p.from == p.to)
            return fail("pipe " + std::to_string(i + 1) + " must join two different loggers");
        if (p.sections.empty() || p.sections.size() > 10)
            return fail("pipe " + std::to_string(i + 1) + " needs 1 to 10 sections");
    }
    if (site.has_leak) {
        const auto& k = site.leak;
        if (k.pipe < 1 || k.pipe > static_cast<int>(site.pipes.size()))
            return fail("the leak's pipe does not exist");
        double len = site.pipes[static_cast<size_t>(k.pipe - 1)].length();
        if (k.distance < 0 || k.distance > len)
            return fail("the leak lies outside its pipe");
        if (!(k.low > 0 && k.high > k.low))
            return fail("the leak band needs 0 < low < high");
    }
    return true;
}

bool load_site(const std::string& path, Site& site, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot read site file " + path;
        return false;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    if (!parse_site(ss.str(), site, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

namespace {

struct Part {
    double time = 0, damped = 0, length = 0;
};

// The stretch of a pipe between two distances from its start.
Part stretch(const SitePipe& p, double from, double to) {
    Part out;
    double pos = 0;
    for (const auto& s : p.sections) {
        double a = std::max(from, pos), b = std::min(to, pos + s.length);
        if (b > a) {
            out.time += (b - a) / s.velocity;
            out.damped += (b - a) * s.damping;
            out.length += b - a;
        }
        pos += s.length;
    }
    return out;
}

} // namespace

std::vector<Arrival> leak_arrivals(const Site& site) {
    size_t n = site.loggers.size();
    std::vector<Arrival> best(n);
    if (!site.has_leak)
        return best;
    const auto& lp = site.pipes[static_cast<size_t>(site.leak.pipe - 1)];
    double len = lp.length();
    using Item = std::pair<double, size_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    auto relax = [&](size_t i, double t, double damped, double length) {
        if (!best[i].reached || t < best[i].time) {
            best[i] = {true, t, damped, length};
            queue.push({t, i});
        }
    };
    Part to_from = stretch(lp, 0, site.leak.distance);
    Part to_to = stretch(lp, site.leak.distance, len);
    relax(static_cast<size_t>(site.slot_of(lp.from) - 1), to_from.time, to_from.damped,
          to_from.length);
    relax(static_cast<size_t>(site.slot_of(lp.to) - 1), to_to.time, to_to.damped, to_to.length);
    while (!queue.empty()) {
        auto [t, i] = queue.top();
        queue.pop();
        if (t > best[i].time)
            continue;
        for (const auto& p : site.pipes) {
            int32_t here = site.loggers[i].id;
            int32_t other = p.from == here ? p.to : p.to == here ? p.from : 0;
            if (other == 0)
                continue;
            Part whole = stretch(p, 0, p.length());
            relax(static_cast<size_t>(site.slot_of(other) - 1), t + whole.time,
                  best[i].damped_length + whole.damped, best[i].length + whole.length);
        }
    }
    return best;
}

TruePosition true_leak_position(const Site& site, int32_t id_a, int32_t id_b) {
    TruePosition out;
    size_t n = site.loggers.size();
    int sa = site.slot_of(id_a), sb = site.slot_of(id_b);
    if (sa == 0 || sb == 0 || sa == sb)
        return out;
    // Breadth-first over pipes: the chain of pipes from a to b.
    std::vector<int> via(n + 1, -1); // pipe index used to reach the logger
    std::vector<int> prev(n + 1, 0);
    std::vector<bool> seen(n + 1, false);
    std::queue<int> q;
    q.push(sa);
    seen[static_cast<size_t>(sa)] = true;
    while (!q.empty()) {
        int s = q.front();
        q.pop();
        for (size_t pi = 0; pi < site.pipes.size(); ++pi) {
            const auto& p = site.pipes[pi];
            int32_t here = site.loggers[static_cast<size_t>(s - 1)].id;
            int32_t other = p.from == here ? p.to : p.to == here ? p.from : 0;
            int so = other ? site.slot_of(other) : 0;
            if (so && !seen[static_cast<size_t>(so)]) {
                seen[static_cast<size_t>(so)] = true;
                via[static_cast<size_t>(so)] = static_cast<int>(pi);
                prev[static_cast<size_t>(so)] = s;
                q.push(so);
            }
        }
    }
    if (!seen[static_cast<size_t>(sb)])
        return out;
    out.connected = true;
    std::vector<int> nodes{sb}; // b back to a
    std::vector<int> pipes;
    for (int s = sb; s != sa; s = prev[static_cast<size_t>(s)]) {
        pipes.push_back(via[static_cast<size_t>(s)]);
        nodes.push_back(prev[static_cast<size_t>(s)]);
    }
    std::reverse(nodes.begin(), nodes.end());
    std::reverse(pipes.begin(), pipes.end());
    double pos = 0;
    auto arrivals = leak_arrivals(site);
    double entry_pos = 0, entry_time = std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < pipes.size(); ++k) {
        const auto& p = site.pipes[static_cast<size_t>(pipes[k])];
        const auto& arr = arrivals[static_cast<size_t>(nodes[k] - 1)];
        if (arr.reached && arr.time < entry_time) {
            entry_time = arr.time;
            entry_pos = pos;
        }
        if (site.has_leak && pipes[k] == site.leak.pipe - 1) {
            bool forward = site.slot_of(p.from) == nodes[k];
            out.on_path = true;
            out.distance = pos + (forward ? site.leak.distance : p.length() - site.leak.distance);
        }
        pos += p.length();
    }
    const auto& last = arrivals[static_cast<size_t>(nodes.back() - 1)];
    if (last.reached && last.time < entry_time)
        entry_pos = pos;
    out.total = pos;
    if (!out.on_path)
        out.distance = entry_pos;
    return out;
}

} // namespace radiosim

#include "pipes/leak_position.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pelquor {

namespace {

// Longest stretch sum we accept; far beyond any lag axis, well inside int32.
constexpr long long max_span = 1000000000;

Ttotal_pipe* pipe_slot(GroupState& g, int32_t inx) {
    auto& pipes = g.corr_log_set.pipes;
    if (inx < 1 || inx >= static_cast<int32_t>(pipes.size()))
        return nullptr;
    return &pipes[inx];
}

int section_count(const Ttotal_pipe& pipe) {
    return std::clamp(pipe.sections, 0, max_sections);
}

} // namespace

const Ttotal_pipe* current_pipe(const GroupState& g) {
    const auto& pipes = g.corr_log_set.pipes;
    const int32_t inx = g.corr_log_set.actual_pipe;
    if (inx < 1 || inx >= static_cast<int32_t>(pipes.size()))
        return nullptr;
    return &pipes[inx];
}

std::string decimal_correct(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", value);
    return buf;
}

void pipeseclist_refresh(GroupState& g, PipeState& p) {
    p.mappable = false;
    Ttotal_pipe* pipe = pipe_slot(g, g.corr_log_set.actual_pipe);
    if (!pipe)
        return;
    std::string fault;
    if (pipe->sections < 0 || pipe->sections > max_sections)
        fault = "The pipe has " + std::to_string(pipe->sections) +
                " sections, more than the 10 a pipe holds: no leak position.";
    const long long step = g.sample_rate > 0 ? 1000LL * p.fft_half / g.sample_rate : 0;
    if (fault.empty() && step <= 0)
        fault = "Sample rate " + std::to_string(g.sample_rate) +
                " Hz cannot be mapped onto the lag axis: no leak position.";
    long long span = 0;
    const int n = section_count(*pipe);
    for (int j = 1; j <= n; ++j) {
        Tsection& s = pipe->pipe[j];
        long long len = 0;
        if (s.vel <= 0) {
            if (fault.empty())
                fault = "Section " + std::to_string(j) + " has no sound velocity (" +
                        std::to_string(s.vel) + "): no leak position.";
        } else if (step > 0) {
            const long double t = std::trunc(static_cast<long double>(s.length) / s.vel * 1000.0L);
            if (!std::isfinite(static_cast<double>(t)) || t < 0 ||
                t * p.fft_len / step > static_cast<long double>(max_span)) {
                if (fault.empty())
                    fault = "Section " + std::to_string(j) + " has an unusable length (" +
                            decimal_correct(s.length) + "): no leak position.";
            } else {
                len = static_cast<long long>(t) * p.fft_len / step;
                if (len <= 0 && fault.empty())
                    fault = "Section " + std::to_string(j) +
                            " is too short to map: its sound travel time is below 1 ms, no "
                            "leak position.";
            }
        }
        if (span + len > max_span) {
            if (fault.empty())
                fault = "The pipe is too long to map onto the lag axis: no leak position.";
            len = 0;
        }
        s.li = static_cast<int32_t>(span);
        s.len = static_cast<int32_t>(len);
        span += len;
    }
    p.pipe_span = static_cast<int32_t>(span);
    p.pipe_lo = (p.fft_len - p.pipe_span) / 2;
    p.pipe_fault = fault;
    p.mappable = fault.empty();
}

void update_end_margin(const GroupState& g, PipeState& p) {
    const Ttotal_pipe* pipe = current_pipe(g);
    if (!pipe)
        return;
    long long sum = 0;
    for (int j = 1; j <= section_count(*pipe); ++j)
        sum += pipe->pipe[j].len;
    p.end_margin = static_cast<int32_t>(std::clamp(p.tolerance * sum / 100, -max_span, max_span));
}

float get_distance_A(const GroupState& g, PipeState& p, int32_t pos, int32_t peak_index) {
    const Ttotal_pipe* pipe = current_pipe(g);
    if (!pipe || !p.mappable) {
        p.pos_status = pos_none;
        return 0;
    }
    const long long lo = (static_cast<long long>(p.fft_len) - p.pipe_span) / 2;
    const long long hi = (static_cast<long long>(p.fft_len) + p.pipe_span) / 2;
    double sum = 0;
    double part = 0;
    bool found = false;
    for (int j = 1; j <= section_count(*pipe); ++j) {
        const Tsection& s = pipe->pipe[j];
        const long long start = lo + s.li;
        const long long end = lo + s.li + s.len;
        if (start <= pos && pos <= end && s.len > 0) {
            part = static_cast<double>(s.length) * static_cast<double>(pos - start) / s.len;
            found = true;
            break;
        }
        if (pos > end)
            sum += s.length;
    }
    const long long m = p.end_margin;
    const bool end_zone = (lo - m < peak_index && peak_index < lo + m) ||
                          (hi - m < peak_index && peak_index < hi + m);
    p.pos_status = end_zone ? pos_end_zone : found ? pos_inside : pos_none;
    return static_cast<float>(sum + part);
}

void calc_distance(const GroupState& g, PipeState& p, const UnitState& units,
                   const LangTexts& texts, int32_t marker_index, int32_t peak_index, float pair_q,
                   std::string& status_text) {
    const Ttotal_pipe* pipe = current_pipe(g);
    if (g.corr_log_set.actual_pipe == 0 || !pipe)
        p.pos_status = pos_none;
    else
        p.dist_a = get_distance_A(g, p, marker_index, peak_index);

    if (p.pos_status == pos_none) {
        p.dist_a_text = "xxx";
        p.dist_b_text = "xxx";
        p.labels_shown = false;
        if (!p.pipe_fault.empty())
            status_text = p.pipe_fault;
        else if (p.pipe_valid && pair_q > 60)
            status_text = texts(text_outside_pipe);
        return;
    }
    const float length = pipe ? pipe->length : 0.0f;
    p.dist_a_text = decimal_correct(p.dist_a) + units.unit_length;
    p.dist_b_text = decimal_correct(length - p.dist_a) + units.unit_length;
    p.labels_shown = true;
    if (p.pos_status == pos_end_zone)
        status_text = texts(text_end_zone);
}

bool check4pipe(GroupState& g, PipeState& p, int32_t log1, int32_t log2) {
    auto& set = g.corr_log_set;
    set.actual_pipe = 0;
    p.pipe_valid = false;
    p.mappable = false;
    p.pipe_fault.clear();
    const int count = std::clamp(set.pipes_count, 0, max_pipes);
    for (int i = 1; i <= count; ++i) {
        const Ttotal_pipe& pipe = set.pipes[i];
        if ((pipe.log1 == log1 && pipe.log2 == log2) || (pipe.log1 == log2 && pipe.log2 == log1)) {
            p.pair_a = pipe.log1;
            p.pair_b = pipe.log2;
            set.actual_pipe = i;
            p.pipe_valid = true;
            pipeseclist_refresh(g, p);
            return true;
        }
    }
    return false;
}

int look4tree(GroupState& g, PipeState& p, int32_t log1, int32_t log2) {
    auto& set = g.corr_log_set;
    const int count = std::clamp(set.pipes_count, 0, max_pipes);
    p.chain_count = 0;
    for (int i = 1; i <= count; ++i)
        set.pipes[i].used = false;
    // paths[k][1..plen[k]]: loggers of path k.
    std::array<std::array<int32_t, max_path_loggers + 1>, max_paths + 1> paths{};
    std::array<int, max_paths + 1> plen{};
    paths[1][1] = log1;
    plen[1] = 1;
    int npaths = 1;
    int current = 1;
    int depth = 1;
    int found = 0;
    while (!found && depth < max_path_loggers && current < max_paths) {
        const int32_t x = paths[current][depth];
        for (int i = 1; i <= count && !found; ++i) {
            Ttotal_pipe& pipe = set.pipes[i];
            if (pipe.used || pipe.multi_sec != 0)
                continue;
            int32_t other;
            if (pipe.log1 == x)
                other = pipe.log2;
            else if (pipe.log2 == x)
                other = pipe.log1;
            else
                continue;
            if (npaths == max_paths) {
                p.pipe_fault = "The pipe network between the loggers needs more than " +
                               std::to_string(max_paths) +
                               " search paths: no chain of pipes used, no leak position.";
                return 0;
            }
            ++npaths;
            paths[npaths] = paths[current];
            paths[npaths][depth + 1] = other;
            plen[npaths] = depth + 1;
            pipe.used = true;
            if (other == log2)
                found = npaths;
        }
        if (found)
            break;
        ++current;
        depth = plen[current];
        if (depth == 0)
            break;
    }
    if (!found)
        return 0;
    const auto& path = paths[found];
    p.chain_count = plen[found] - 1;
    for (int k = 1; k <= p.chain_count; ++k) {
        p.chain[k] = 0;
        for (int i = 1; i <= count; ++i) {
            const Ttotal_pipe& pipe = set.pipes[i];
            if ((pipe.log1 == path[k] && pipe.log2 == path[k + 1]) ||
                (pipe.log2 == path[k] && pipe.log1 == path[k + 1]))
                p.chain[k] = i;
        }
    }
    return 1;
}

bool create_new_multi_pipe(GroupState& g, PipeState& p) {
    auto& set = g.corr_log_set;
    Ttotal_pipe* target = pipe_slot(g, set.actual_pipe);
    if (!target)
        return false;
    int total = 0;
    for (int k = 1; k <= p.chain_count; ++k) {
        const Ttotal_pipe* q = pipe_slot(g, p.chain[k]);
        total += q ? section_count(*q) : 0;
    }
    target->length = 0;
    target->sections = 0;
    if (total > max_sections) {
        target->multi_sec = 0;
        set.actual_pipe = 0;
        p.pipe_valid = false;
        p.mappable = false;
        p.pipe_fault = "The chain of pipes between the loggers has " + std::to_string(total) +
                       " sections, more than the " + std::to_string(max_sections) +
                       " a pipe holds: no leak position.";
        return false;
    }
    target->multi_sec = 1;
    int32_t at = target->log1;
    int n = 0;
    for (int k = 1; k <= p.chain_count; ++k) {
        const Ttotal_pipe* q = pipe_slot(g, p.chain[k]);
        if (!q)
            continue;
        const int m = section_count(*q);
        const bool forward = q->log1 == at;
        for (int j = 1; j <= m; ++j) {
            Tsection s = q->pipe[forward ? j : m + 1 - j];
            s.sec_inx = p.chain[k];
            target->length += s.length;
            target->pipe[++n] = s;
        }
        at = forward ? q->log2 : q->log1;
    }
    target->sections = n;
    p.pipe_valid = true;
    pipeseclist_refresh(g, p);
    return true;
}

PipeKind find_pair_pipe(GroupState& g, PipeState& p, int32_t& a, int32_t& b) {
    if (check4pipe(g, p, a, b)) {
        a = p.pair_a;
        b = p.pair_b;
        return PipeKind::direct;
    }
    auto& set = g.corr_log_set;
    if (look4tree(g, p, a, b) == 0) {
        p.pipe_valid = false;
        set.actual_pipe = 0;
        return PipeKind::none;
    }
    set.actual_pipe = std::clamp(set.pipes_count, 0, max_pipes) + 1;
    Ttotal_pipe& spare = set.pipes[set.actual_pipe];
    spare.log1 = a;
    spare.log2 = b;
    return create_new_multi_pipe(g, p) ? PipeKind::chain : PipeKind::none;
}

SaveResult delete_pipe(GroupState& g, PipeState& p, int32_t inx, const std::string& data_folder,
                       std::string* error) {
    auto& set = g.corr_log_set;
    const int count = std::clamp(set.pipes_count, 0, max_pipes);
    if (inx >= 1 && inx <= count) {
        for (int i = inx; i < count; ++i)
            set.pipes[i] = set.pipes[i + 1];
        Ttotal_pipe& freed = set.pipes[count];
        freed.length = 0;
        freed.log1 = 0;
        freed.log2 = 0;
        freed.sections = 0;
        set.pipes_count = count - 1;
        set.actual_pipe = set.pipes_count;
        p.mappable = false;
    }
    return corr_log_set_save_ini(g, data_folder, error);
}

SectionList section_list(const GroupState& g, const PipeState& p, const Tmat_table& table,
                         const UnitState& units, const LangTexts& texts) {
    SectionList list;
    const Ttotal_pipe* pipe = current_pipe(g);
    if (!pipe || g.corr_log_set.actual_pipe == 0)
        return list;
    list.visible = true;
    for (int j = 1; j <= section_count(*pipe); ++j) {
        const Tsection& s = pipe->pipe[j];
        SectionColumn c;
        c.heading = texts(text_section) + " " + std::to_string(j);
        c.length = decimal_correct(s.length) + units.unit_length;
        // A hand-entered section carries a blank diameter (empty after a load).
        const bool blank = s.diameter.empty() || s.diameter == " ";
        c.diameter = blank ? std::string(" ") : "DN" + s.diameter + units.unit_diameter;
        c.material = s.material;
        c.velocity = std::to_string(s.vel) + units.unit_velocity;
        c.material_number = get_mat_index(table, s.material);
        list.columns.push_back(std::move(c));
    }
    if (p.pipe_valid)
        list.total = texts(text_total_length) + ": " + decimal_correct(pipe->length);
    return list;
}

} // namespace pelquor

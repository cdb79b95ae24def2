#include "shell/seams.h"

#include <chrono>
#include <ctime>
#include <iostream>
#include <thread>

namespace pelquor {

void TextProgress::show_easy_guide(int pos, const std::string& text) {
    if (pos >= 1 && pos <= 100)
        gauge = pos;
    lines.push_back(text);
    if (echo_stderr)
        std::cerr << text << '\n';
}

void TextProgress::wait_ms(int ms) {
    if (real_sleep && ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint32_t SystemClock::local_now() const {
    std::time_t t = std::time(nullptr);
    std::tm lt{};
    localtime_r(&t, &lt);
    return static_cast<uint32_t>(static_cast<int64_t>(t) + lt.tm_gmtoff);
}

uint64_t SystemClock::tick_ms() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int day_of_week(uint32_t local_epoch) {
    // 1970-01-01 was a Thursday (5 when Sunday is 1).
    uint32_t days = local_epoch / 86400;
    return static_cast<int>((days + 4) % 7) + 1;
}

// Civil-from-days after H. Hinnant's public-domain algorithm.
LocalTime split_local(uint32_t local_epoch) {
    int64_t z = local_epoch / 86400;
    uint32_t rem = local_epoch % 86400;
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = static_cast<int64_t>(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    unsigned d = doy - (153 * mp + 2) / 5 + 1;
    unsigned m = mp < 10 ? mp + 3 : mp - 9;
    LocalTime t{};
    t.year = static_cast<int>(y + (m <= 2));
    t.month = static_cast<int>(m);
    t.day = static_cast<int>(d);
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>(rem % 3600 / 60);
    t.second = static_cast<int>(rem % 60);
    return t;
}

uint32_t join_local(const LocalTime& t) {
    int64_t y = t.year - (t.month <= 2);
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = static_cast<unsigned>(y - era * 400);
    unsigned mp = t.month > 2 ? t.month - 3 : t.month + 9;
    unsigned doy = (153 * mp + 2) / 5 + t.day - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t days = era * 146097 + static_cast<int64_t>(doe) - 719468;
    return static_cast<uint32_t>(days * 86400 + t.hour * 3600 + t.minute * 60 + t.second);
}

} // namespace pelquor

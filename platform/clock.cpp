#include "platform/clock.h"

#include <chrono>
#include <thread>

uint32_t GetTickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int64_t MonotonicMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

LocalTime ReadLocalTime() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const time_t seconds = system_clock::to_time_t(now);
    tm local{};
    localtime_r(&seconds, &local);
    LocalTime t;
    t.second = local.tm_sec;
    t.minute = local.tm_min;
    t.hour = local.tm_hour;
    t.day = local.tm_mday;
    t.month = local.tm_mon + 1;
    t.year = local.tm_year + 1900;
    t.seconds_since_epoch = seconds;
    t.milliseconds = static_cast<int>(
        duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

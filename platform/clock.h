// Time: the millisecond tick counter, sleeping, and the local wall clock.
#pragma once

#include <cstdint>
#include <ctime>

// Milliseconds since an arbitrary start; wraps like a 32-bit counter.
uint32_t GetTickCount();

// Microseconds of the monotonic clock (the one GStreamer's frame arrival
// times are taken on), for intervals between threads.
int64_t MonotonicMicroseconds();

// Suspends the calling thread.
void Sleep(uint32_t milliseconds);

// Local calendar time of now, with the milliseconds of the current second.
struct LocalTime {
    int second, minute, hour;
    int day, month, year;  // month 1 to 12, four-digit year
    time_t seconds_since_epoch;
    int milliseconds;
};
LocalTime ReadLocalTime();

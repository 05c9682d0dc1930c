// Shared timing loop of the GL benchmarks.
#pragma once

#include <GL/freeglut.h>

#include <chrono>
#include <functional>

// Milliseconds per run of `one_run` (given the run number) over one round of
// about `seconds`, after a few settling runs; the GL queue is drained before
// each clock read, and window events are handled after the round.
inline double TimeGlRuns(double seconds, const std::function<void(int)>& one_run) {
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < 5; ++i) one_run(i);
    glFinish();
    const auto start = Clock::now();
    int runs = 0;
    double elapsed = 0;
    do {
        for (int i = 0; i < 5; ++i) one_run(runs++);
        glFinish();
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    glutMainLoopEvent();
    return elapsed * 1000 / runs;
}

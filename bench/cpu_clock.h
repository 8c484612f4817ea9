// CPU-time clocks of the benchmarks: this thread's and the process's CPU time, and the part the window benchmarks spend
// painting.
#pragma once

#include <ctime>

// CPU time of this thread in milliseconds.
inline double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// CPU time of the whole process (every thread) in milliseconds.
inline double ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// CPU milliseconds this thread has spent so far delivering paint and update-request events (the
// painting of windows, with everything it draws), since the benchmark runner started.
double PaintCpuMs();

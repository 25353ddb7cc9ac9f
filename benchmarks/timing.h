#pragma once

#include <windows.h>

#include <algorithm>

// The high-resolution clock, in seconds.
inline double Now() {
    static const double frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return static_cast<double>(value.QuadPart) / frequency;
}

// The best of several runs, in seconds: the least disturbed by whatever else the machine does.
template <typename Work>
double Best(Work&& work, int runs = 5) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        work();
        best = std::min(best, Now() - start);
    }
    return best;
}

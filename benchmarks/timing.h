#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

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

// The middle of a set of measurements and half the width of their middle half, as a fraction of
// the middle: "2.03 ±4%".
struct Summary {
    double median = 0;
    double spread = 0;
};

inline Summary Summarise(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    const auto at = [&](double fraction) { return values[static_cast<size_t>(fraction * (values.size() - 1) + 0.5)]; };
    const double median = at(0.5);
    return {median, median > 0 ? (at(0.75) - at(0.25)) / 2 / median : 0};
}

// A piece of work that times itself: it returns the seconds spent on the part it measures, so
// that it can first set up what it measures (empty a list, say) without counting it.
using TimedWork = std::function<double()>;

template <typename Work>
TimedWork Timed(Work work) {
    return [work = std::move(work)]() mutable {
        const double start = Now();
        work();
        return Now() - start;
    };
}

constexpr int kRounds = 81;

// Times several kinds of work in interleaved rounds: each round times every kind once, so a
// machine that is busier for a while slows all of them alike, and a ratio taken within a round
// cancels it. A short piece of work is repeated within a round until the round's sample takes
// about ten milliseconds. Returns, for each kind, the seconds one run took in each round.
inline std::vector<std::vector<double>> TimeInRounds(const std::vector<TimedWork>& works, int rounds = kRounds) {
    constexpr double kSampleSeconds = 0.01;
    std::vector<int> repeats;
    for (const auto& work : works) {
        const double once = std::min(work(), work());
        repeats.push_back(std::max(1, static_cast<int>(kSampleSeconds / std::max(once, 1e-7))));
    }
    std::vector<std::vector<double>> times(works.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t which = 0; which < works.size(); ++which) {
            double spent = 0;
            for (int i = 0; i < repeats[which]; ++i) spent += works[which]();
            times[which].push_back(spent / repeats[which]);
        }
    }
    return times;
}

// The ratio of two kinds of work timed in the same rounds, round by round.
inline Summary RatioInRounds(const std::vector<double>& measured, const std::vector<double>& reference) {
    std::vector<double> ratios;
    for (size_t i = 0; i < measured.size() && i < reference.size(); ++i) ratios.push_back(measured[i] / reference[i]);
    return Summarise(std::move(ratios));
}

inline void PrintRatio(const Summary& ratio) { std::printf("  %6.2f ±%-3.0f%%", ratio.median, ratio.spread * 100); }

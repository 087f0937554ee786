#pragma once

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <string>

// Times the measured part of each iteration by hand (set-up between iterations stays out of
// it) and labels the result with the goal and whether the mean met it.
class GoalTimer {
public:
    GoalTimer(benchmark::State& state, double goalMs) : state_(state), goalMs_(goalMs) {}
    ~GoalTimer() {
        const double meanMs = runs_ ? totalMs_ / runs_ : 0.0;
        state_.counters["goal_ms"] = goalMs_;
        state_.counters["mean_ms"] = meanMs;
        state_.counters["worst_ms"] = worstMs_;
        // The processor time of the measured part alone: on a busy machine the wall time also
        // holds the time other programs had the processor.
        state_.counters["cpu_ms"] = runs_ ? cpuMs_ / runs_ : 0.0;
        state_.SetLabel(label(meanMs));
    }
    GoalTimer(const GoalTimer&) = delete;
    GoalTimer& operator=(const GoalTimer&) = delete;

    template <typename F> void measure(F&& work) {
        const double cpuStart = threadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        cpuMs_ += threadCpuMs() - cpuStart;
        state_.SetIterationTime(took.count());
        const double ms = took.count() * 1000.0;
        totalMs_ += ms;
        worstMs_ = std::max(worstMs_, ms);
        ++runs_;
    }

private:
    static double threadCpuMs() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
    }
    std::string label(double meanMs) const {
        const std::string goal = "goal: at most " + std::to_string(static_cast<int>(goalMs_)) + " ms";
        return goal + (meanMs <= goalMs_ ? " (met)" : " (MISSED)");
    }

    benchmark::State& state_;
    double goalMs_;
    double totalMs_ = 0.0;
    double worstMs_ = 0.0;
    double cpuMs_ = 0.0;
    long runs_ = 0;
};

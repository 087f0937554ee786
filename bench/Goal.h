#pragma once

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
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
        state_.SetLabel(label(meanMs));
    }
    GoalTimer(const GoalTimer&) = delete;
    GoalTimer& operator=(const GoalTimer&) = delete;

    template <typename F> void measure(F&& work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state_.SetIterationTime(took.count());
        const double ms = took.count() * 1000.0;
        totalMs_ += ms;
        worstMs_ = std::max(worstMs_, ms);
        ++runs_;
    }

private:
    std::string label(double meanMs) const {
        const std::string goal = "goal: at most " + std::to_string(static_cast<int>(goalMs_)) + " ms";
        return goal + (meanMs <= goalMs_ ? " (met)" : " (MISSED)");
    }

    benchmark::State& state_;
    double goalMs_;
    double totalMs_ = 0.0;
    double worstMs_ = 0.0;
    long runs_ = 0;
};

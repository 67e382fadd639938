#pragma once
#include <chrono>
#include <cstdio>

// One line on a terminal that updates in place: frame, show time, frames per second and time left.
// Silent when disabled (not a terminal, or asked to be quiet).
class ProgressLine {
public:
    ProgressLine(std::FILE* out, bool enabled);
    void update(long written, long total, double showSeconds);
    void end();  // moves past the line, once something was shown

private:
    using Clock = std::chrono::steady_clock;
    std::FILE* out_;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_;
    Clock::time_point last_;
};

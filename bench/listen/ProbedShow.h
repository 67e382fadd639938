#pragma once
#include <memory>
#include <string>
#include <vector>

#include "tests/support/Process.h"

// One frame as kiv-probe logged it.
struct Frame {
    long long ns;  // CLOCK_MONOTONIC after the swap
    double showTime, level, brightness;
};

// kiv-probe at 640x480 under the X server in DISPLAY, in a show folder of its own made by kiv-assets.
class ProbedShow {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    ProbedShow();
    ~ProbedShow();
    ProbedShow(const ProbedShow&) = delete;
    ProbedShow& operator=(const ProbedShow&) = delete;

    const std::string& dir() const { return dir_; }
    void start(const std::vector<std::string>& env);
    Process& process() { return *kiv_; }
    // Waits until the show's clock passes `seconds`; false when kiv ended first.
    bool until(double seconds);
    void end();  // SIGTERM, and the exit awaited
    std::vector<Frame> frames() const;

private:
    std::string dir_;
    std::unique_ptr<Process> kiv_;
};

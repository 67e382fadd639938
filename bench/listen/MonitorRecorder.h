#pragma once
#include <atomic>
#include <thread>
#include <vector>

#include <pulse/simple.h>

class PulseServer;

// Records the test server's null-sink monitor in small fragments (1.5 ms) on a thread of its own, and notes when
// each burst reached the device: the moment the read that held its first loud sample returned, less the frames
// that followed that sample in the fragment. A burst is a sample above kOnset after kQuietBefore of quiet.
class MonitorRecorder {
public:
    static constexpr float kOnset = 0.01f;
    static constexpr double kQuietBefore = 0.5;  // seconds

    explicit MonitorRecorder(const PulseServer& pulse);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    bool ok() const { return stream_ != nullptr; }
    // CLOCK_MONOTONIC nanoseconds of every burst so far.
    std::vector<long long> onsets();

private:
    void run();

    pa_simple* stream_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> busy_{false};  // guards onsets_
    std::vector<long long> onsets_;
};

// CLOCK_MONOTONIC now, in nanoseconds.
long long monotonicNs();

#include "bench/listen/MonitorRecorder.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "tests/support/PulseServer.h"

namespace {
constexpr int kRate = 44100;
constexpr size_t kFragmentFrames = 64;
}  // namespace

long long monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

MonitorRecorder::MonitorRecorder(const PulseServer& pulse)
{
    for (const std::string& e : pulse.clientEnv()) putenv(strdup(e.c_str()));  // libpulse reads them
    pa_sample_spec format{PA_SAMPLE_FLOAT32LE, kRate, 1};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = kFragmentFrames * sizeof(float);
    int error = 0;
    const std::string monitor = std::string(PulseServer::kSink) + ".monitor";
    stream_ = pa_simple_new(nullptr, "kiv-listen-bench", PA_STREAM_RECORD, monitor.c_str(), "reference", &format,
                            nullptr, &attr, &error);
    if (stream_) thread_ = std::thread([this] { run(); });
}

MonitorRecorder::~MonitorRecorder()
{
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (stream_) pa_simple_free(stream_);
}

std::vector<long long> MonitorRecorder::onsets()
{
    while (busy_.exchange(true)) {}
    std::vector<long long> copy = onsets_;
    busy_ = false;
    return copy;
}

void MonitorRecorder::run()
{
    const long quietFrames = static_cast<long>(kQuietBefore * kRate);
    float block[kFragmentFrames];
    long quiet = quietFrames;  // the recording starts as after quiet
    while (!stop_) {
        int error = 0;
        if (pa_simple_read(stream_, block, sizeof block, &error) < 0) return;
        const long long now = monotonicNs();
        for (size_t i = 0; i < kFragmentFrames; ++i) {
            if (std::fabs(block[i]) < kOnset) {
                ++quiet;
                continue;
            }
            if (quiet >= quietFrames) {
                const long long at = now - static_cast<long long>((kFragmentFrames - i) * 1e9 / kRate);
                while (busy_.exchange(true)) {}
                onsets_.push_back(at);
                busy_ = false;
            }
            quiet = 0;
        }
    }
}

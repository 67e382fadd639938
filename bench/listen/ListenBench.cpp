// kiv-listen-bench latency [BURSTS] | cpu [SECONDS] | shots TRACK OUT_DIR
// The listening show measured against a private PulseAudio server with a null sink, under a private Xvfb at
// 640x480, running kiv-probe (kiv that logs every frame's time, show time, audioLevel and brightness):
//   latency  bursts played into the sink with paplay, each timed where it reaches the device by a recorder of
//            the sink's monitor with 1.5 ms fragments; from there to the first frame whose level passes 0.1
//            and to the first brighter frame. Median and worst.
//   cpu      the whole process's CPU time per frame over show time 20 s to 20 + SECONDS (default 30), and its
//            threads', in music mode (music.mp3 played by kiv into the sink) and listening mode (the same file
//            played into the sink by paplay, kiv listening to its monitor).
//   shots    TRACK played into the sink while kiv listens: a screenshot every 10 s of the track into OUT_DIR,
//            and OUT_DIR/levels.tsv: kiv's audioLevel over the track's time beside kiv-levels' trace of it.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/ShowAudio.h"
#include "bench/listen/MonitorRecorder.h"
#include "bench/listen/ProcessCpu.h"
#include "bench/listen/ProbedShow.h"
#include "tests/support/Bursts.h"
#include "tests/support/Process.h"
#include "tests/support/PulseServer.h"
#include "tests/support/Screen.h"
#include "tests/support/Xvfb.h"
#include "tools/levels/LevelTrace.h"

namespace {

constexpr float kLevelRisen = 0.1f;
constexpr double kBrighter = 3.0;       // grey levels above the frames just before
constexpr double kBurstEvery = 1.5;     // seconds
constexpr double kFirstBurst = 14.0;    // show seconds: a picture is behind the grid from 12 s
constexpr int kWidth = ProbedShow::kWidth, kHeight = ProbedShow::kHeight;

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::vector<std::string> listening(const PulseServer& pulse)
{
    std::vector<std::string> env = {"KIV_LISTEN=1", "SDL_AUDIODRIVER=pulseaudio"};
    for (const std::string& e : pulse.clientEnv()) env.push_back(e);
    return env;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? NAN : v[v.size() / 2];
}

int latency(int bursts)
{
    PulseServer pulse;
    ProbedShow show;
    if (!pulse.ok()) return std::fprintf(stderr, "kiv-listen-bench: no PulseAudio server\n"), 1;
    show.start(listening(pulse));
    MonitorRecorder reference(pulse);
    if (!reference.ok() || !show.until(kFirstBurst - 1.0))
        return std::fprintf(stderr, "kiv-listen-bench: no reference recorder or no show\n"), 1;
    Bursts b;
    for (int i = 0; i < bursts; ++i) b.starts.push_back(1.0 + kBurstEvery * i);
    b.length = 0.3;
    b.total = 1.0 + kBurstEvery * bursts;
    const std::string track = show.dir() + "/bursts.wav";
    if (!b.writeWav(track)) return 1;
    pulse.play(track)->wait(b.total + 30);
    pause(0.5);
    show.end();

    const std::vector<Frame> frames = show.frames();
    const std::vector<long long> onsets = reference.onsets();
    std::vector<double> toLevel, toBrighter;
    std::printf("burst  at show s  frames ms apart  to level > %.1f ms  to brighter frame ms  brightness before -> after\n",
                kLevelRisen);
    for (size_t n = 0; n < onsets.size(); ++n) {
        const long long at = onsets[n];
        std::vector<double> before, apart;  // the frames of the 300 ms before the burst
        for (size_t i = 1; i < frames.size(); ++i)
            if (frames[i].ns < at && frames[i].ns > at - 300000000LL) {
                before.push_back(frames[i].brightness);
                apart.push_back((frames[i].ns - frames[i - 1].ns) * 1e-6);
            }
        const double base = median(before);
        double level = NAN, brighter = NAN, after = NAN, show_s = NAN;
        for (const Frame& f : frames) {
            if (f.ns <= at) continue;
            if (std::isnan(show_s)) show_s = f.showTime;
            if (std::isnan(level) && f.level > kLevelRisen) level = (f.ns - at) * 1e-6;
            if (std::isnan(brighter) && f.brightness > base + kBrighter) {
                brighter = (f.ns - at) * 1e-6;
                after = f.brightness;
            }
        }
        std::printf("%5zu  %9.2f  %15.1f  %18.1f  %20.1f  %.1f -> %.1f\n", n + 1, show_s, median(apart), level,
                    brighter, base, after);
        if (!std::isnan(level)) toLevel.push_back(level);
        if (!std::isnan(brighter)) toBrighter.push_back(brighter);
    }
    std::vector<double> intervals;
    for (size_t i = 1; i < frames.size(); ++i)
        if (!onsets.empty() && frames[i].ns > onsets.front() && frames[i].ns < onsets.back())
            intervals.push_back((frames[i].ns - frames[i - 1].ns) * 1e-6);
    std::sort(intervals.begin(), intervals.end());
    std::printf("\n%zu bursts heard of %d; frames between the first and the last: %zu, apart by median %.1f ms, "
                "p99 %.1f ms, worst %.1f ms\n",
                onsets.size(), bursts, intervals.size(), median(intervals),
                intervals.empty() ? NAN : intervals[intervals.size() * 99 / 100],
                intervals.empty() ? NAN : intervals.back());
    std::printf("to level: median %.1f ms, worst %.1f ms\n", median(toLevel),
                toLevel.empty() ? NAN : *std::max_element(toLevel.begin(), toLevel.end()));
    std::printf("to the first brighter frame: median %.1f ms, worst %.1f ms (%zu measured)\n", median(toBrighter),
                toBrighter.empty() ? NAN : *std::max_element(toBrighter.begin(), toBrighter.end()),
                toBrighter.size());
    std::printf("load average at the end: %s\n", loadAverage().c_str());
    return 0;
}

void cpuRun(const char* mode, ProbedShow& show, double seconds)
{
    const double from = 20.0;
    if (!show.until(from)) return;
    const pid_t pid = show.process().pid();
    const size_t framesBefore = show.frames().size();
    const double cpuBefore = processCpuSeconds(pid);
    const std::map<std::string, double> threadsBefore = threadCpuSeconds(pid);
    const long long t0 = monotonicNs();
    show.until(from + seconds);
    const double wall = (monotonicNs() - t0) * 1e-9;
    const size_t frames = show.frames().size() - framesBefore;
    const double cpu = processCpuSeconds(pid) - cpuBefore;
    std::map<std::string, double> threads = threadCpuSeconds(pid);
    show.end();
    std::printf("%-10s %6zu frames in %5.1f s (%5.1f fps)  process CPU %6.2f ms/frame (%4.0f%% of a core)\n", mode,
                frames, wall, frames / wall, 1e3 * cpu / frames, 100.0 * cpu / wall);
    for (auto& [name, s] : threads) {
        const double used = s - (threadsBefore.count(name) ? threadsBefore.at(name) : 0.0);
        if (used > 0.005) std::printf("%12s %-16s %6.3f ms/frame\n", "", name.c_str(), 1e3 * used / frames);
    }
}

int cpu(double seconds)
{
    PulseServer pulse;
    if (!pulse.ok()) return std::fprintf(stderr, "kiv-listen-bench: no PulseAudio server\n"), 1;
    std::vector<std::string> music = {"SDL_AUDIODRIVER=pulseaudio"};
    for (const std::string& e : pulse.clientEnv()) music.push_back(e);
    {
        ProbedShow show;
        show.start(music);
        cpuRun("music", show, seconds);
    }
    {
        ProbedShow show;
        show.start(listening(pulse));
        show.until(11.0);  // the music show starts its music at 12 s
        std::unique_ptr<Process> player = pulse.play(show.dir() + "/music.mp3");
        cpuRun("listening", show, seconds);
    }
    std::printf("load average at the end: %s\n", loadAverage().c_str());
    return 0;
}

int shots(const std::string& track, const std::string& outDir)
{
    PulseServer pulse;
    ProbedShow show;
    if (!pulse.ok()) return std::fprintf(stderr, "kiv-listen-bench: no PulseAudio server\n"), 1;
    show.start(listening(pulse));
    MonitorRecorder reference(pulse);
    if (!reference.ok() || !show.until(2.0)) return 1;
    std::unique_ptr<Process> player = pulse.play(track);
    while (player->running() && reference.onsets().empty()) pause(0.01);
    if (reference.onsets().empty()) return std::fprintf(stderr, "kiv-listen-bench: the track was not heard\n"), 1;
    const long long begun = reference.onsets().front();  // the track's first sound at the device
    for (double at = 10.0; player->running(); at += 10.0) {
        while (player->running() && (monotonicNs() - begun) * 1e-9 < at) pause(0.01);
        if (!player->running()) break;
        char name[64];
        std::snprintf(name, sizeof name, "/listening-%03.0fs.png", at);
        Screen::grab(outDir + name);
    }
    show.end();

    std::ofstream out(outDir + "/levels.tsv");
    out << "# track seconds, kiv listening: audioLevel; kiv-levels of the same file: audioLevel\n";
    ShowAudio sound(track.c_str());
    const LevelTrace trace = traceShow([&](float* o, int frames) { return sound.read(o, frames); });
    size_t k = 0;
    for (const Frame& f : show.frames()) {
        const double t = (f.ns - begun) * 1e-9;
        if (t < 0) continue;
        while (k + 1 < trace.time.size() && trace.time[k + 1] - LevelTrace::kMusicStart <= t) ++k;
        if (trace.time[k] - LevelTrace::kMusicStart > t + 0.1) break;
        out << t << "\t" << f.level << "\t" << trace.level[k] << "\n";
    }
    std::printf("shots and levels.tsv written to %s; load average %s\n", outDir.c_str(), loadAverage().c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "latency") {
        Xvfb server(kWidth, kHeight);
        return latency(argc > 2 ? std::atoi(argv[2]) : 20);
    }
    if (what == "cpu") {
        Xvfb server(kWidth, kHeight);
        return cpu(argc > 2 ? std::atof(argv[2]) : 30.0);
    }
    if (what == "shots" && argc == 4) {
        Xvfb server(kWidth, kHeight);
        return shots(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: kiv-listen-bench latency [BURSTS] | cpu [SECONDS] | shots TRACK OUT_DIR\n");
    return 2;
}

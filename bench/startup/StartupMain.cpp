// kiv-startup [--runs N] [--whole-show]: the real kiv's start-up, from launch to its first frame, under a
// private Xvfb with SDL's dummy sound driver, on the generated pictures and music. Each run preloads
// kiv-firstframe, which notes the steps and ends the process after the first swap. The first run is reported
// apart: it starts with an empty shader cache, as a first start does. --whole-show then plays one full show, without
// the preloaded library, and reports its memory: resident size sampled every second and the peak.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/scenes/Summary.h"
#include "tests/support/TempDir.h"
#include "tests/support/Xvfb.h"

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr double kStartTimeout = 30.0;   // seconds for one start-up
constexpr double kShowTimeout = 175.0;   // the show ends itself just after 152 s
constexpr double kFirstFrameGoal = 250.0;
const char* const kGeometry = "1024x768+0+0";  // no window manager: the window stays where it is made

using Clock = std::chrono::steady_clock;

long long monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

struct Child {
    pid_t pid = -1;
    int status = -1;  // exit status, -2 when killed by a signal, -1 when it had to be stopped
    rusage usage{};
};

Child launch(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& env)
{
    Child c;
    std::fflush(stdout);
    const std::string stamp = std::to_string(monotonicNs());
    c.pid = fork();
    if (c.pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("KIV_LAUNCH_NS", stamp.c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // A shader cache of the run's own: the first run starts without one, as on a first start.
        setenv("MESA_SHADER_CACHE_DIR", (dir + "/shader-cache").c_str(), 1);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        if (!std::freopen((dir + "/kiv-stderr.txt").c_str(), "a", stderr)) _exit(126);
        execl(KIV_BINARY, KIV_BINARY, "-geometry", kGeometry, static_cast<char*>(nullptr));
        _exit(127);
    }
    return c;
}

// Waits for the child up to `seconds`, calling `tick` about once a second meanwhile; stops it after that.
template <typename Tick>
void finish(Child& c, double seconds, Tick tick)
{
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    auto nextTick = Clock::now();
    int raw = 0;
    while (c.pid > 0) {
        const pid_t done = wait4(c.pid, &raw, WNOHANG, &c.usage);
        if (done == c.pid) {
            c.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -2;
            return;
        }
        if (Clock::now() > until) {
            kill(c.pid, SIGKILL);
            wait4(c.pid, &raw, 0, &c.usage);
            c.status = -1;
            return;
        }
        if (Clock::now() >= nextTick) {
            tick();
            nextTick += std::chrono::seconds(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::map<std::string, double> readMarks(const std::string& path)
{
    std::map<std::string, double> marks;
    std::ifstream in(path);
    std::string name;
    double value;
    while (in >> name >> value) marks[name] = value;
    return marks;
}

long residentKib(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, 6, "VmRSS:") == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

struct Phase {
    const char* name;
    const char* from;  // mark names; "launch" is 0
    const char* to;
};
const Phase kPhases[] = {
    {"exec, libraries, static set-up", "launch", "loaded"},
    {"up to sound start-up", "loaded", "sound_init"},
    {"sound: SDL audio, device", "sound_init", "device_opened"},
    {"sound: music stream opened", "device_opened", "music_opened"},
    {"window: toolkit, GL context", "window_init", "window_created"},
    {"window: full screen, callbacks", "window_created", "first_picture"},
    {"four pictures read and uploaded", "first_picture", "last_texture"},
    {"92 effects built", "last_texture", "loop_entered"},
    {"first idle + display + swap", "loop_entered", "first_frame"},
    {"launch to first frame", "launch", "first_frame"},
};

int measureStartUp(const std::string& dir, int runs)
{
    std::vector<std::map<std::string, double>> results;
    std::vector<double> peaks;
    std::vector<double> faults;
    for (int i = 0; i < runs; ++i) {
        const std::string out = dir + "/firstframe-" + std::to_string(i) + ".txt";
        Child c = launch(dir, {{"LD_PRELOAD", KIV_FIRSTFRAME_SHIM}, {"KIV_FIRSTFRAME_OUT", out},
                               {"KIV_FIRSTFRAME_EXIT", "1"}});
        finish(c, kStartTimeout, [] {});
        auto marks = readMarks(out);
        if (c.status != 0 || !marks.count("first_frame")) {
            std::fprintf(stderr, "kiv-startup: run %d did not reach its first frame (status %d); see %s\n", i,
                         c.status, (dir + "/kiv-stderr.txt").c_str());
            return 1;
        }
        marks["launch"] = 0.0;
        peaks.push_back(marks["peak_rss_kib"] / 1024.0);
        faults.push_back(static_cast<double>(c.usage.ru_minflt));
        results.push_back(marks);
    }
    std::printf("start-up, %d runs (the first one cold), milliseconds from launch:\n", runs);
    std::printf("  %-34s %8s %8s %8s\n", "step", "cold", "median", "best");
    for (const Phase& p : kPhases) {
        std::vector<double> warm;
        for (size_t i = 1; i < results.size(); ++i)
            if (results[i].count(p.from) && results[i].count(p.to)) warm.push_back(results[i][p.to] - results[i][p.from]);
        const bool coldKnown = results[0].count(p.from) && results[0].count(p.to);
        const double cold = coldKnown ? results[0][p.to] - results[0][p.from] : -1;
        const Summary s = Summary::of(warm);
        std::printf("  %-34s %8.1f %8.1f %8.1f\n", p.name, cold, s.median, s.best);
    }
    const Summary peak = Summary::of(std::vector<double>(peaks.begin() + 1, peaks.end()));
    const Summary faulted = Summary::of(std::vector<double>(faults.begin() + 1, faults.end()));
    std::printf("  peak resident memory at the first frame: %.1f MiB; minor page faults up to it: %.0f"
                " (medians of the warm runs)\n", peak.median, faulted.median);
    std::vector<double> totals;
    for (size_t i = 1; i < results.size(); ++i) totals.push_back(results[i]["first_frame"]);
    std::printf("goal, first frame within %.0f ms of launch (median of the warm runs): %s\n", kFirstFrameGoal,
                Summary::of(totals).median < kFirstFrameGoal ? "met" : "MISSED");
    return 0;
}

int measureWholeShow(const std::string& dir)
{
    std::printf("\nwhole show, one run without the preloaded library:\n");
    std::vector<long> samples;
    const auto began = Clock::now();
    Child c = launch(dir, {});
    finish(c, kShowTimeout, [&] { samples.push_back(residentKib(c.pid)); });
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    if (c.status != 0) {
        std::fprintf(stderr, "kiv-startup: the show ended with status %d after %.1f s\n", c.status, seconds);
        return 1;
    }
    std::printf("  ended by itself with status 0 after %.1f s; CPU %.1f s user, %.1f s system; %ld minor page faults\n",
                seconds, static_cast<double>(c.usage.ru_utime.tv_sec) + c.usage.ru_utime.tv_usec * 1e-6,
                static_cast<double>(c.usage.ru_stime.tv_sec) + c.usage.ru_stime.tv_usec * 1e-6, c.usage.ru_minflt);
    std::printf("  resident memory each 20 s (MiB):");
    for (size_t i = 0; i < samples.size(); i += 20) std::printf(" %zus:%.1f", i, samples[i] / 1024.0);
    long largest = 0;
    for (long kib : samples) largest = std::max(largest, kib);
    std::printf("\n  peak resident memory: %.1f MiB by the kernel's count (wait4 ru_maxrss), largest sample %.1f MiB\n",
                static_cast<double>(c.usage.ru_maxrss) / 1024.0, static_cast<double>(largest) / 1024.0);
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    int runs = 11;
    bool wholeShow = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc && std::atoi(argv[i + 1]) >= 2) {
            runs = std::atoi(argv[++i]);
        } else if (a == "--whole-show") {
            wholeShow = true;
        } else {
            std::fprintf(stderr, "usage: kiv-startup [--runs N (2 or more)] [--whole-show]\n");
            return 2;
        }
    }
    Xvfb server(kWidth, kHeight);
    if (!server.ok()) {
        std::fprintf(stderr, "kiv-startup: cannot start Xvfb\n");
        return 1;
    }
    const std::string dir = makeTempDir();
    const std::string assets = std::string(KIV_ASSETS_TOOL) + " '" + dir + "' >/dev/null";
    if (dir.empty() || std::system(assets.c_str()) != 0) {
        std::fprintf(stderr, "kiv-startup: cannot write the show's pictures and music into a temporary folder\n");
        return 1;
    }
    std::ifstream loadavg("/proc/loadavg");
    std::string one, five, fifteen;
    loadavg >> one >> five >> fifteen;
    std::printf("load average %s %s %s, %ld cpus\n", one.c_str(), five.c_str(), fifteen.c_str(),
                sysconf(_SC_NPROCESSORS_ONLN));
    int status = measureStartUp(dir, runs);
    if (status == 0 && wholeShow) status = measureWholeShow(dir);
    std::system(("rm -rf '" + dir + "'").c_str());
    return status;
}

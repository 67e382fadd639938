// Every way out of the real kiv, on a loaded machine: Escape, the window closed (WM_DELETE_WINDOW, as a window
// manager sends it), the X client killed (xkill), the X server shut down, SIGINT, SIGTERM and SIGHUP. Each is
// tried one second after the window appears and while the music plays, and those that can come earlier also
// during start-up, before the window exists. Every run must be gone within kGone seconds of the action (timed
// from the action, not from start-up), end with its documented status and not by a signal, and its sound
// output must stop growing. The listening show (KIV_LISTEN, capturing a file through the disk driver) is put
// through the same ways out, at start-up once its capture device is open and while it runs, and its capture
// device is closed in the same orderly shutdown. KIV_SHUTDOWN_TRIALS sets the trials of each (`make soak`:
// 50); the figures are printed at the end. In the sanitizer build the bound is looser, as the exit scans for
// leaks, and no leak may be of a block our code allocated.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "tests/support/Bursts.h"
#include "tests/support/ShowRun.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kAtOnce = 3;  // runs alive at a time: each show takes a core's worth of CPU, besides the load
#if defined(__SANITIZE_ADDRESS__)
// This build's exit also scans the heap for leaks, which the program allows 8 s before its hard limit.
constexpr double kGone = 9.0;
// Leaks are reported without changing the status (the test judges whose they are); any other finding aborts.
// GCC 12's runtime takes a dynamic TLS block that malloc happens to place 16 bytes into a page for a glibc 2.19
// one and records the two words before it as its range; the leak scan at exit then reads that garbage range and
// crashes ("Tracer caught signal 11", "DTLS 13 at 0x919-0x1800001a1b"): Mesa's threads make such blocks.
const std::vector<std::string> kRunEnv = {"ASAN_OPTIONS=detect_leaks=1:exitcode=0:abort_on_error=1:intercept_tls_get_addr=0",
                                                "UBSAN_OPTIONS=print_stacktrace=1:abort_on_error=1"};
#else
constexpr double kGone = 2.0;         // seconds from the action until the process must be gone
const std::vector<std::string> kRunEnv;
#endif
// Of each way out at each moment, in each build: CI tries each twice, once with the sanitizers; `make soak` asks
// for 50.
constexpr int kDefaultTrials = 1;
constexpr double kHung = kGone + 8;   // a run still there this long after the action is hung, and killed
constexpr double kBeforeMusic = 1.0;  // seconds after the window appears
constexpr double kReachLimit = 90.0;  // hard limit for a loaded run to reach its moment (sound, window, music)
constexpr double kSettle = 0.3;       // seconds the sound output is watched after the exit
constexpr int kBusyThreads = 2;

enum class Way { Escape, Close, KillClient, CloseDisplay, Interrupt, Terminate, HangUp };
enum class When { StartUp, BeforeMusic, WithMusic };

struct WayOut {
    Way way;
    const char* name;
    int status;      // the documented exit status
    bool atStartUp;  // can come before the window exists
};

const WayOut kWays[] = {
    {Way::Escape, "Escape", 0, false},      {Way::Close, "window closed", 0, false},
    {Way::KillClient, "xkill", 1, false},   {Way::CloseDisplay, "display closed", 1, true},
    {Way::Interrupt, "SIGINT", 130, true},  {Way::Terminate, "SIGTERM", 143, true},
    {Way::HangUp, "SIGHUP", 129, true},
};

const char* whenName(When when, bool listening)
{
    switch (when) {
    case When::StartUp: return listening ? "start-up, listening" : "start-up";
    case When::BeforeMusic: return listening ? "listening" : "before music";
    case When::WithMusic: return "with music";
    }
    return "";
}

// Whether process `pid` has `file` open: the listening show's capture device, through the disk driver.
bool holdsOpen(pid_t pid, const std::string& file)
{
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
        if (std::filesystem::read_symlink(fd.path(), ec) == file) return true;
    return false;
}

// What the listening runs capture: a chord now and then, read as fast as the show reads it. Made once, in a
// folder removed at exit.
struct CaptureFile {
    std::string dir = makeTempDir();
    std::string path;
    CaptureFile()
    {
        Bursts bursts;
        for (double at = 0.2; at < 30; at += 0.5) bursts.starts.push_back(at);
        bursts.total = 30;
        if (!dir.empty() && bursts.writeRaw(dir + "/capture.raw")) path = dir + "/capture.raw";
    }
    ~CaptureFile() { std::system(("rm -rf '" + dir + "'").c_str()); }
};

const std::string& captureFile()
{
    static const CaptureFile file;
    return file.path;
}

struct Outcome {
    std::string failure;  // why the run never reached its moment; empty when it did
    int status = -1;      // Process::wait's code: the exit status, -1 hung, -2 ended by a signal
    int signal = 0;
    double seconds = 0;   // from the action until the process was gone
    bool forced = false;  // the hard limit ended it, not the orderly shutdown
    bool soundStopped = true;
    std::string err;
};

void pause(double seconds) { std::this_thread::sleep_for(Seconds(seconds)); }

// Waits for the moment to act: sound open (start-up; for a listening run, its capture device), a second after
// the window appears, or the music heard.
std::string reach(ShowRun& run, When when, bool listening, std::string& window)
{
    const auto limit = Clock::now() + Seconds(kReachLimit);
    auto soundOpen = [&] { return listening ? holdsOpen(run.process().pid(), captureFile()) : run.soundBytes() >= 0; };
    if (when == When::StartUp) {
        while (!soundOpen() && run.process().running() && Clock::now() < limit) pause(0.002);
    } else {
        window = run.window(kReachLimit);
        if (window.empty()) return "no window appeared";
        if (when == When::BeforeMusic) pause(kBeforeMusic);
        while (when == When::WithMusic && !run.musicHeard() && run.process().running() && Clock::now() < limit)
            pause(0.05);
    }
    if (!run.process().running()) return "ended before the way out";
    if (Clock::now() >= limit) return "did not get there in time";
    return "";
}

void act(ShowRun& run, Way way, const std::string& window)
{
    switch (way) {
    case Way::Escape: run.x("xdotool key Escape"); break;
    case Way::Close: run.askToClose(window); break;
    case Way::KillClient: run.killClient(window); break;
    case Way::CloseDisplay: run.closeDisplay(); break;
    case Way::Interrupt: run.process().signal(SIGINT); break;
    case Way::Terminate: run.process().signal(SIGTERM); break;
    case Way::HangUp: run.process().signal(SIGHUP); break;
    }
}

Outcome trial(ShowRun& run, const WayOut& out, When when, bool listening)
{
    Outcome o;
    std::string window;
    o.failure = reach(run, when, listening, window);
    if (!o.failure.empty()) return o;
    act(run, out.way, window);
    const auto acted = Clock::now();
    o.status = run.process().wait(kHung);
    o.seconds = Seconds(Clock::now() - acted).count();
    if (o.status == -1) {
        run.process().signal(SIGKILL);
        run.process().wait(kHung);
    }
    o.signal = run.process().signalNumber();
    const long bytes = run.soundBytes();
    pause(kSettle);
    o.soundStopped = run.soundBytes() == bytes;
    o.err = run.stderrText();
    o.forced = o.err.find("kiv: the shutdown took too long") != std::string::npos;
    return o;
}

// The leak records whose block our code allocated: the first frame below the sanitizer's allocator is in one of
// the show's sources. Mesa, X, SDL and D-Bus keep or lose blocks of their own at exit; those are theirs.
std::vector<std::string> leaksOfOurs(const std::string& report)
{
    std::vector<std::string> ours;
    std::istringstream in(report);
    std::string line, record;
    bool deciding = false;
    while (std::getline(in, line)) {
        const size_t text = line.find_first_not_of(' ');
        const bool frame = text != std::string::npos && line[text] == '#';  // "    #1 0x55... in f() file:line"
        if (line.find(" leak of ") != std::string::npos) {
            record = line;
            deciding = true;
        } else if (deciding && frame && line.find("libsanitizer") == std::string::npos &&
                   line.find("libasan") == std::string::npos) {
            deciding = false;
            for (const char* folder : {"/app/", "/fx/", "/gfx/", "/audio/"})
                if (line.find(std::string(KIV_SOURCE_DIR) + folder) != std::string::npos)
                    ours.push_back(record + "\n" + line);
        }
    }
    return ours;
}

struct Figures {
    int trials = 0;
    std::map<int, int> statuses;
    int bySignal = 0;
    int late = 0;  // gone, but later than kGone
    int hung = 0;
    int forced = 0;
    double worst = 0;
};

void print(const std::map<std::string, Figures>& figures)
{
    std::printf("%-30s %6s %8s %6s %6s %7s %9s  statuses\n", "way out, when", "trials", "signal", "late",
                "hung", "forced", "worst s");
    for (const auto& [name, f] : figures) {
        std::string statuses;
        for (const auto& [status, count] : f.statuses)
            statuses += std::to_string(status) + " x" + std::to_string(count) + "  ";
        std::printf("%-30s %6d %8d %6d %6d %7d %9.3f  %s\n", name.c_str(), f.trials, f.bySignal, f.late, f.hung,
                    f.forced, f.worst, statuses.c_str());
    }
    std::fflush(stdout);
}

int trialsOfEach()
{
    const char* asked = std::getenv("KIV_SHUTDOWN_TRIALS");
    return asked && std::atoi(asked) > 0 ? std::atoi(asked) : kDefaultTrials;
}

struct Case {
    const WayOut* out;
    When when;
    bool listening;
    int trial;
    Outcome outcome;
};

// Every way out at every moment it can come, in both shows, `trials` times over, the runs of each trial in a
// row. The listening show has no music to wait for.
std::vector<Case> allCases(int trials)
{
    std::vector<Case> cases;
    for (int t = 1; t <= trials; ++t)
        for (When when : {When::WithMusic, When::BeforeMusic, When::StartUp})  // the longest runs first
            for (bool listening : {false, true})
                for (const WayOut& out : kWays)
                    if ((when != When::StartUp || out.atStartUp) && !(listening && when == When::WithMusic))
                        cases.push_back({&out, when, listening, t, {}});
    return cases;
}

TEST(Shutdown, EveryWayOutEndsPromptlyWithItsStatusUnderLoad)
{
    ASSERT_FALSE(defaultAssets().empty());
    ASSERT_FALSE(captureFile().empty());
    std::vector<Case> cases = allCases(trialsOfEach());

    std::atomic<bool> busy{true};
    std::vector<std::thread> load;
    for (int i = 0; i < kBusyThreads; ++i)
        load.emplace_back([&busy] {
            volatile unsigned spin = 0;
            while (busy.load(std::memory_order_relaxed)) spin = spin + 1;
        });
    std::atomic<size_t> next{0};
    std::vector<std::thread> runners;
    for (int i = 0; i < kAtOnce; ++i)
        runners.emplace_back([&] {
            for (size_t n; (n = next++) < cases.size();) {
                Case& c = cases[n];
                ShowRun run;
                if (!run.ok()) {
                    c.outcome.failure = "no X server or assets";
                    continue;
                }
                std::vector<std::string> env = kRunEnv;
                if (c.listening) env.insert(env.end(), {"KIV_LISTEN=1", "SDL_DISKAUDIOFILEIN=" + captureFile()});
                run.start(env);
                c.outcome = trial(run, *c.out, c.when, c.listening);
            }
        });
    for (std::thread& r : runners) r.join();
    busy = false;
    for (std::thread& l : load) l.join();

    std::map<std::string, Figures> figures;
    for (const Case& c : cases) {
        const Outcome& o = c.outcome;
        const std::string name = std::string(c.out->name) + ", " + whenName(c.when, c.listening);
        SCOPED_TRACE(name + ", trial " + std::to_string(c.trial));
        EXPECT_EQ(o.failure, "") << o.err;
        if (!o.failure.empty()) continue;
        Figures& f = figures[name];
        ++f.trials;
        ++f.statuses[o.status == -2 ? 128 + o.signal : o.status];
        f.bySignal += o.signal != 0;
        f.hung += o.status == -1;
        f.late += o.status != -1 && o.seconds > kGone;
        f.forced += o.forced;
        f.worst = std::max(f.worst, o.seconds);

        EXPECT_EQ(o.signal, 0) << o.err;
        EXPECT_EQ(o.status, c.out->status) << o.err;
        EXPECT_LE(o.seconds, kGone) << o.err;
        EXPECT_TRUE(o.soundStopped);
        EXPECT_EQ(leaksOfOurs(o.err), std::vector<std::string>()) << o.err;
        EXPECT_EQ(o.err.find("ERROR: AddressSanitizer"), std::string::npos) << o.err;
        EXPECT_EQ(o.err.find("runtime error:"), std::string::npos) << o.err;
        if (c.out->status == 1) {  // one line of ours in place of Xlib's
            EXPECT_NE(o.err.find("kiv: "), std::string::npos) << o.err;
            EXPECT_EQ(o.err.find("X connection to"), std::string::npos) << o.err;
            EXPECT_EQ(o.err.find("XIO:"), std::string::npos) << o.err;
        }
    }
    print(figures);
}

// No SDL_AUDIODRIVER on a machine without a sound card: SDL finds no device. No display to open: the toolkit's
// error, in a line of ours, with the sound device already open.
TEST(Shutdown, NoSoundDeviceOrNoDisplayExitsOneWithTheReason)
{
    ShowRun noDisplay;
    ASSERT_TRUE(noDisplay.ok());
    noDisplay.closeDisplay();
    noDisplay.start();
    EXPECT_EQ(noDisplay.process().wait(15), 1) << noDisplay.stderrText();
    EXPECT_NE(noDisplay.stderrText().find("kiv: failed to open display"), std::string::npos)
        << noDisplay.stderrText();
    EXPECT_GE(noDisplay.soundBytes(), 0);  // sound was open when the display was not there

    ShowRun run;
    ASSERT_TRUE(run.ok());
    run.start({"SDL_AUDIODRIVER=", "AUDIODEV=", "SDL_DISKAUDIOFILE="});
    const int status = run.process().wait(15);
    if (status != 1 && !run.window(0.1).empty()) {
        run.escape();
        GTEST_SKIP() << "a sound device opened here: " << run.stderrText();
    }
    EXPECT_EQ(status, 1);
    const std::string err = run.stderrText();
    EXPECT_NE(err.find("kiv: cannot open the sound device"), std::string::npos) << err;
    EXPECT_EQ(err.find("ALSA lib"), std::string::npos) << "ALSA's own lines come through: " << err;
    EXPECT_EQ(run.x("xdotool search --name '^kiv$' 2>/dev/null"), "");
}

// A crash is no way out: it ends the show by its signal, not as a lost display would, and a test that meets one
// shows where each thread was from the core it left.
TEST(Shutdown, ACrashEndsByItsSignalAndItsStacksReachTheTest)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer takes the crash and reports it itself";
#endif
    ShowRun run;
    ASSERT_TRUE(run.ok());
    run.start();
    ASSERT_FALSE(run.window(60).empty()) << run.stderrText();
    run.process().signal(SIGSEGV);
    EXPECT_EQ(run.process().wait(30), -2) << run.stderrText();
    EXPECT_EQ(run.process().signalNumber(), SIGSEGV);
    const std::string err = run.stderrText();
    EXPECT_EQ(err.find("lost"), std::string::npos) << err;
    const std::string pattern = shellOutput("cat /proc/sys/kernel/core_pattern");
    if (pattern.rfind("core", 0) != 0 || shellOutput("command -v gdb").empty())
        GTEST_SKIP() << "cores go elsewhere here (" << pattern << "), or there is no gdb";
    EXPECT_NE(err.find("kiv's stacks at the crash"), std::string::npos) << err;
    EXPECT_NE(err.find("#0 "), std::string::npos) << err;
}

}  // namespace

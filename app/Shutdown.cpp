#include "app/Shutdown.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

#include "app/Demo.h"
#include "app/XConnection.h"
#include "audio/fsound.h"

namespace {
constexpr int kSignalStatusBase = 128;  // the shell's convention for a process ended by signal N
// The orderly shutdown's time before the hard limit ends the process. The sanitizer build's exit also scans
// every heap block for leaks, which takes seconds on a loaded machine.
#if defined(__SANITIZE_ADDRESS__)
constexpr unsigned kGraceSeconds = 8;
#else
constexpr unsigned kGraceSeconds = 1;
#endif
constexpr int kNone = -1;
constexpr int kDisplayFailed = 1;

// Touched from signal handlers: lock-free atomics only.
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
std::atomic<int> endStatus{kNone};  // the first way out's status
std::atomic<bool> leaving{false};   // leaveShow has begun

// Async-signal-safe: the main loop does the work.
void onTerminationSignal(int sig)
{
    requestEnd(kSignalStatusBase + sig);
}

// The orderly shutdown stalled (a lock held by a library, a server that stopped answering): end now, running
// no exit handler. The sound device, if still open, goes with the process.
void onHardLimit(int)
{
    static const char line[] = "kiv: the shutdown took too long; ending at once\n";
    ssize_t ignored = write(STDERR_FILENO, line, sizeof line - 1);
    (void)ignored;
    _exit(endStatus.load());
}

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS};
struct sigaction crashActions[2];  // what handled each crash signal before

// The GL library can crash reading a reply that never came when the X server goes away while it sets up, before
// Xlib reports the lost connection. Such a crash is the lost display it is; any other goes to what handled it
// before (the default action, or the sanitizer's report).
void onCrash(int sig, siginfo_t* info, void*)
{
    if (xConnectionClosed()) {
        static const char line[] = "kiv: lost the display (the server closed its connection)\n";
        ssize_t ignored = write(STDERR_FILENO, line, sizeof line - 1);
        (void)ignored;
        _exit(kDisplayFailed);  // the sound device goes with the process: nothing is sound after a crash
    }
    for (int i = 0; i < 2; ++i)
        if (kCrashSignals[i] == sig) sigaction(sig, &crashActions[i], nullptr);
    if (info->si_code <= 0) raise(sig);  // sent, not a fault: a fault recurs by itself on return
}

void handle(int sig, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(sig, &action, nullptr);
}
}  // namespace

void installShutdown()
{
    signal(SIGPIPE, SIG_IGN);
    handle(SIGALRM, onHardLimit);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) handle(sig, onTerminationSignal);
    struct sigaction crash = {};
    crash.sa_sigaction = onCrash;
    sigemptyset(&crash.sa_mask);
    crash.sa_flags = SA_SIGINFO;
    for (int i = 0; i < 2; ++i) sigaction(kCrashSignals[i], &crash, &crashActions[i]);
}

void requestEnd(int status)
{
    int none = kNone;
    if (endStatus.compare_exchange_strong(none, status)) alarm(kGraceSeconds);
}

void endIfRequested()
{
    const int status = endStatus.load();
    if (status != kNone) leaveShow(status);
}

void leaveShow(int status)
{
    requestEnd(status);
    if (leaving.exchange(true)) _exit(endStatus.load());  // reached again while exiting: sound is closed already
    stopSound();
    std::exit(endStatus.load());
}

void stopSound()
{
    FSOUND_Stream_Stop(stream);
    FSOUND_Stream_Close(stream);
    FSOUND_Close();
}

#include "tests/support/Xvfb.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
constexpr int kStartSeconds = 60;  // a loaded machine starting many servers at once can take many seconds
}  // namespace

Xvfb::Xvfb(int width, int height, bool pointDisplayHere) : pointsDisplay_(pointDisplayHere)
{
    if (const char* d = std::getenv("DISPLAY"); d && pointsDisplay_) {
        hadDisplay_ = true;
        previousDisplay_ = d;
    }
    // Its messages (one pair for every display number taken, as it looks for a free one) would bury a failing
    // test's own output; they are kept aside and shown only when the server does not start.
    char logName[] = "/tmp/kiv-xvfb-XXXXXX";
    const int log = mkstemp(logName);
    if (log >= 0) unlink(logName);
    int fds[2];
    if (pipe(fds) != 0) {
        if (log >= 0) close(log);
        return;
    }
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::string fd = std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // a crashed test takes its children with it
        close(fds[0]);
        if (log >= 0) dup2(log, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        if (log >= 0) close(log);
        return;
    }
    // Xvfb writes its display number once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, kStartSeconds * 1000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        std::fprintf(stderr, "Xvfb did not start:\n");
        if (log >= 0) {
            char buffer[4096];
            ssize_t n;
            lseek(log, 0, SEEK_SET);
            while ((n = read(log, buffer, sizeof buffer)) > 0) fwrite(buffer, 1, static_cast<size_t>(n), stderr);
            close(log);
        }
        return;
    }
    if (log >= 0) close(log);
    display_ = ":" + number;
    if (pointsDisplay_) setenv("DISPLAY", display_.c_str(), 1);
}

Xvfb::~Xvfb()
{
    stop();
    if (!pointsDisplay_) return;
    if (hadDisplay_)
        setenv("DISPLAY", previousDisplay_.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

void Xvfb::stop()
{
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

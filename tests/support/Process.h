#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

// A child process for whole-program tests: started with extra environment, its stderr collected to a file,
// killed on destruction if still running.
class Process {
public:
    // env entries "NAME=value" are added; "NAME=" with nothing after removes NAME. With `keepCore`, a child
    // that crashes may dump its core (where the system's core pattern says: by default, in `dir`).
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& dir,
            bool keepCore = false);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool running();
    // Waits up to `seconds`; the exit status, or -1 when it did not end in time, -2 when killed by a signal.
    int wait(double seconds);
    // The signal that ended it, once it has ended by one; 0 otherwise.
    int signalNumber() const { return signal_; }
    void signal(int sig);
    std::string stderrText() const;
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    int signal_ = 0;
    bool done_ = false;
    std::string errPath_;
};

// Runs a shell command and returns its standard output (trailing newline removed).
std::string shellOutput(const std::string& command);

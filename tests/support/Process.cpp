#include "tests/support/Process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
// The calling process's environment with `changes` applied in order: "NAME=value" sets, "NAME=" removes.
std::vector<std::string> environmentWith(const std::vector<std::string>& changes)
{
    std::vector<std::string> result;
    for (char** e = environ; *e; ++e) result.emplace_back(*e);
    for (const std::string& c : changes) {
        const std::string name = c.substr(0, c.find('=') + 1);
        result.erase(std::remove_if(result.begin(), result.end(),
                                    [&](const std::string& e) { return e.compare(0, name.size(), name) == 0; }),
                     result.end());
        if (c.size() > name.size()) result.push_back(c);
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (std::string& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}
}  // namespace

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& dir,
                 bool keepCore)
{
    char tmpl[] = "/tmp/kiv-stderr-XXXXXX";
    int fd = mkstemp(tmpl);
    errPath_ = tmpl;
    // Everything the child needs is made here: between fork and exec it may only make system calls, as other
    // threads of the test may hold the allocator's locks.
    std::vector<std::string> args = argv, environment = environmentWith(env);
    std::vector<char*> argp = pointers(args), envp = pointers(environment);
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // a crashed test takes its children with it
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
        if (keepCore) {
            const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
            setrlimit(RLIMIT_CORE, &unlimited);
        }
        dup2(fd, 2);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    close(fd);
}

Process::~Process()
{
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    unlink(errPath_.c_str());
}

bool Process::running()
{
    if (done_ || pid_ <= 0) return false;
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        done_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        return false;
    }
    return true;
}

int Process::wait(double seconds)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (running()) {
        if (std::chrono::steady_clock::now() > until) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
}

void Process::signal(int sig)
{
    if (running()) kill(pid_, sig);
}

std::string Process::stderrText() const
{
    std::ifstream in(errPath_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string shellOutput(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

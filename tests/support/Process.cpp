#include "tests/support/Process.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <sys/prctl.h>
#include <unistd.h>

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& dir)
{
    char tmpl[] = "/tmp/kiv-stderr-XXXXXX";
    int fd = mkstemp(tmpl);
    errPath_ = tmpl;
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // a crashed test takes its children with it
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
        dup2(fd, 2);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        for (const std::string& e : env) {
            size_t eq = e.find('=');
            std::string name = e.substr(0, eq);
            std::string value = e.substr(eq + 1);
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
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
        return false;
    }
    return true;
}

int Process::wait(double seconds)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (running()) {
        if (std::chrono::steady_clock::now() > until) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
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

std::string makeTempDir()
{
    char tmpl[] = "/tmp/kiv-test-XXXXXX";
    return mkdtemp(tmpl) ? std::string(tmpl) : std::string();
}

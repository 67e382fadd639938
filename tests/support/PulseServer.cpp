#include "tests/support/PulseServer.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "tests/support/TempDir.h"

namespace {
constexpr double kAnswerSeconds = 30.0;  // a loaded machine can take seconds to start a server
}  // namespace

PulseServer::PulseServer() : dir_(makeTempDir())
{
    if (!dir_.empty()) start();
}

PulseServer::~PulseServer()
{
    kill();
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
}

void PulseServer::kill()
{
    if (!server_) return;
    server_->signal(SIGKILL);
    server_->wait(kAnswerSeconds);
    server_.reset();
}

bool PulseServer::start()
{
    kill();
    const std::vector<std::string> env = {"HOME=" + dir_, "XDG_RUNTIME_DIR=" + dir_, "PULSE_RUNTIME_PATH=" + dir_,
                                          "PULSE_STATE_PATH=" + dir_, "DBUS_SESSION_BUS_ADDRESS=disabled:",
                                          "DBUS_SYSTEM_BUS_ADDRESS=disabled:"};
    server_.reset(new Process({"/usr/bin/pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                               "--disallow-exit", "--use-pid-file=no", "--disable-shm=yes", "--log-target=stderr",
                               std::string("--load=module-null-sink sink_name=") + kSink,
                               "--load=module-native-protocol-unix auth-anonymous=1 socket=" + dir_ + "/native"},
                              env, dir_));
    std::string prefix;
    for (const std::string& e : clientEnv()) prefix += "'" + e + "' ";
    const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(kAnswerSeconds);
    while (server_->running() && std::chrono::steady_clock::now() < limit) {
        if (std::system(("env " + prefix + "pactl info >/dev/null 2>&1").c_str()) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    server_.reset();
    return false;
}

std::vector<std::string> PulseServer::clientEnv() const
{
    return {"PULSE_SERVER=unix:" + dir_ + "/native", "PULSE_COOKIE=" + dir_ + "/cookie",
            "PULSE_CLIENTCONFIG=/dev/null"};
}

std::unique_ptr<Process> PulseServer::play(const std::string& file) const
{
    return std::make_unique<Process>(
        std::vector<std::string>{"/usr/bin/paplay", std::string("--device=") + kSink, file}, clientEnv(), dir_);
}

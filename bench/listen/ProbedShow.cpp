#include "bench/listen/ProbedShow.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "tests/support/TempDir.h"

ProbedShow::ProbedShow() : dir_(makeTempDir())
{
    std::system((std::string(KIV_ASSETS_TOOL) + " '" + dir_ + "' >/dev/null").c_str());
}

ProbedShow::~ProbedShow()
{
    kiv_.reset();
    std::system(("rm -rf '" + dir_ + "'").c_str());
}

void ProbedShow::start(const std::vector<std::string>& env)
{
    std::vector<std::string> all = {"KIV_PROBE_OUT=" + dir_ + "/probe.txt", "LP_NUM_THREADS=1",
                                    "MESA_SHADER_CACHE_DISABLE=true"};
    all.insert(all.end(), env.begin(), env.end());
    kiv_.reset(new Process({KIV_PROBE_BINARY, "-geometry", std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                           "+0+0"}, all, dir_));
}

bool ProbedShow::until(double seconds)
{
    while (kiv_->running()) {
        const std::vector<Frame> f = frames();
        if (!f.empty() && f.back().showTime > seconds) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void ProbedShow::end()
{
    kiv_->signal(SIGTERM);
    kiv_->wait(10);
}

std::vector<Frame> ProbedShow::frames() const
{
    std::vector<Frame> frames;
    std::ifstream in(dir_ + "/probe.txt");
    Frame f{};
    while (in >> f.ns >> f.showTime >> f.level >> f.brightness) frames.push_back(f);
    return frames;
}

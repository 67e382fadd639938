#include "bench/listen/ProcessCpu.h"

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace {

// utime + stime of a process or of one of its threads.
double cpuSeconds(const std::string& statPath)
{
    std::ifstream in(statPath);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');  // the name in parentheses may hold spaces
    if (close == std::string::npos) return 0;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    std::vector<std::string> f;
    while (rest >> field) f.push_back(field);
    return f.size() > 12 ? (std::stod(f[11]) + std::stod(f[12])) / sysconf(_SC_CLK_TCK) : 0;
}

}  // namespace

double processCpuSeconds(pid_t pid)
{
    return cpuSeconds("/proc/" + std::to_string(pid) + "/stat");
}

std::map<std::string, double> threadCpuSeconds(pid_t pid)
{
    std::map<std::string, double> byName;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return byName;
    while (const dirent* entry = readdir(dir)) {
        const std::string tid = entry->d_name;
        if (tid == "." || tid == "..") continue;
        std::ifstream comm(tasks + "/" + tid + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("SDLAudio", 0) == 0) name = name.substr(0, 9);  // SDLAudioP / SDLAudioC, whatever number
        if (tid == std::to_string(pid)) name = "show (main)";
        byName[name] += cpuSeconds(tasks + "/" + tid + "/stat");
    }
    closedir(dir);
    return byName;
}

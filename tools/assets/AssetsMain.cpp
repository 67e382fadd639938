// kiv-assets DIR: fills DIR with the show's default pictures and music. It makes a file only when it is
// missing or was made by another build of kiv-assets; a file that anyone else put there is kept. Says on
// stdout what it made and what it kept.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <system_error>
#include <vector>

#include "tools/assets/AssetStamp.h"
#include "tools/assets/Music.h"
#include "tools/assets/Pictures.h"

namespace fs = std::filesystem;

namespace {
using Writer = std::function<bool(const std::string& dir)>;

struct Asset {
    std::string name;
    Writer write;
};

std::vector<Asset> defaultAssets()
{
    std::vector<Asset> assets;
    for (const char* name : {"img1.tif", "img2.tif", "img4.tif", "img5.tif"})
        assets.push_back({name, [name](const std::string& dir) { return writePicture(dir, name); }});
    assets.push_back({"music.mp3", writeMusic});
    return assets;
}

struct Job {
    const Asset* asset;
    const char* why;
    std::future<bool> done;
};

// Why `name` must be made, or null when the file there stays as it is (after saying so when it is not ours).
const char* reasonToMake(const std::string& dir, const std::string& name, const AssetStamp& stamp,
                         const std::string& generator)
{
    std::error_code error;
    if (!fs::exists(dir + "/" + name, error)) return "missing";
    if (!stamp.madeHere(name)) {
        std::printf("kiv-assets: keeping %s/%s: kiv-assets did not make it (remove it to get the default back)\n",
                    dir.c_str(), name.c_str());
        return nullptr;
    }
    return stamp.generatorOf(name) == generator ? nullptr : "a different kiv-assets made it";
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kiv-assets DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "kiv-assets: cannot make the folder %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    // Any change to the program, its generators included, changes this.
    const std::string generator = fileHash("/proc/self/exe");
    AssetStamp stamp(dir);
    const std::vector<Asset> assets = defaultAssets();

    std::vector<Job> jobs;
    for (const Asset& asset : assets)
        if (const char* why = reasonToMake(dir, asset.name, stamp, generator)) jobs.push_back({&asset, why, {}});
    if (jobs.empty()) {
        std::printf("kiv-assets: %s: nothing to make\n", dir.c_str());
        return 0;
    }

    // Files are made aside and moved in whole, so an interrupted run never leaves half a file to be kept.
    std::string aside = dir + "/.kiv-assets-XXXXXX";
    if (!mkdtemp(aside.data())) {
        std::fprintf(stderr, "kiv-assets: cannot write into %s\n", dir.c_str());
        return 1;
    }
    for (Job& job : jobs) job.done = std::async(std::launch::async, job.asset->write, aside);
    bool ok = true;
    for (Job& job : jobs) {
        const std::string& name = job.asset->name;
        if (!job.done.get()) {
            ok = false;  // the writer said why
        } else if (std::rename((aside + "/" + name).c_str(), (dir + "/" + name).c_str()) != 0) {
            std::fprintf(stderr, "kiv-assets: cannot write %s/%s: %s\n", dir.c_str(), name.c_str(), std::strerror(errno));
            ok = false;
        } else {
            stamp.record(name, generator);
            std::printf("kiv-assets: made %s/%s (%s)\n", dir.c_str(), name.c_str(), job.why);
        }
    }
    fs::remove_all(aside, error);
    ok = stamp.save() && ok;
    return ok ? 0 : 1;
}

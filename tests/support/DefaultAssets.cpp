#include "tests/support/DefaultAssets.h"

#include <cstdlib>

#include "tests/support/DecodedMusic.h"
#include "tests/support/TempDir.h"

namespace {
std::string* assetsDir = nullptr;

void removeAssets()
{
    std::system(("rm -rf '" + *assetsDir + "'").c_str());
}
}  // namespace

const std::string& defaultAssets()
{
    if (!assetsDir && std::getenv("KIV_DEFAULT_SHOW")) assetsDir = new std::string(std::getenv("KIV_DEFAULT_SHOW"));
    if (!assetsDir) {
        assetsDir = new std::string(makeTempDir());
        if (std::system((std::string(KIV_ASSETS_TOOL) + " '" + *assetsDir + "' >/dev/null").c_str()) != 0)
            assetsDir->clear();
        else
            std::atexit(removeAssets);
    }
    return *assetsDir;
}

bool copyDefaultAssets(const std::string& dir)
{
    const std::string& assets = defaultAssets();
    return !assets.empty() && std::system(("cp '" + assets + "'/* '" + dir + "'/").c_str()) == 0;
}

DecodedMusic& defaultMusic()
{
    static DecodedMusic* music = new DecodedMusic(defaultAssets() + "/music.mp3");
    return *music;
}

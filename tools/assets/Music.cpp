#include "tools/assets/Music.h"

#include <cstdio>

#include "tools/assets/Master.h"
#include "tools/assets/Mp3Writer.h"
#include "tools/assets/Score.h"
#include "tools/assets/Synth.h"

namespace {
constexpr int kBitRate = 192;
}

bool writeMusic(const std::string& dir)
{
    std::string path = dir + "/music.mp3";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "kiv-assets: cannot write %s\n", path.c_str());
        return false;
    }
    Bus track(static_cast<int>(kMusicLength * kMusicRate));
    renderScore(track);
    master(track);
    std::vector<unsigned char> mp3 = encodeMp3(track.left, track.right, kMusicRate, kBitRate);
    bool ok = !mp3.empty() && std::fwrite(mp3.data(), 1, mp3.size(), file) == mp3.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "kiv-assets: cannot %s %s\n", mp3.empty() ? "encode" : "write", path.c_str());
        std::remove(path.c_str());  // no half-written file for the show to stumble over
    }
    return ok;
}

#include "tests/support/FirstSound.h"

#include <cmath>
#include <fstream>

long firstSound(const std::vector<float>& samples, float floor)
{
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::fabs(samples[i]) > floor) return static_cast<long>(i);
    return -1;
}

std::streamoff firstSoundInFile(const std::string& path, std::streamoff& from, float floor)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(from);
    float block[4096];
    while (in.read(reinterpret_cast<char*>(block), sizeof block) || in.gcount() > 0) {
        const std::streamsize n = in.gcount() / static_cast<std::streamsize>(sizeof(float));
        for (std::streamsize i = 0; i < n; ++i) {
            if (std::fabs(block[i]) > floor) {
                const std::streamoff at = from + i * static_cast<std::streamoff>(sizeof(float));
                from = at + static_cast<std::streamoff>(sizeof(float));
                return at;
            }
        }
        from += n * static_cast<std::streamoff>(sizeof(float));
    }
    return -1;
}

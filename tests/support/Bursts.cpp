#include "tests/support/Bursts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

std::vector<float> Bursts::samples() const
{
    std::vector<float> out(2 * static_cast<size_t>(frameOf(total)), 0.0f);
    for (double start : starts) {
        const long first = frameOf(start);
        const long end = std::min(frameOf(start + length), frameOf(total));
        for (long n = first; n < end; ++n) {
            double s = 0.0;
            for (int bin : bins) s += amplitude * std::sin(2.0 * kPi * bin * static_cast<double>(n - first) / 1024.0);
            out[2 * n] = out[2 * n + 1] = static_cast<float>(s);
        }
    }
    return out;
}

bool Bursts::writeRaw(const std::string& path) const
{
    const std::vector<float> s = samples();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(s.data(), sizeof(float), s.size(), f) == s.size();
    return std::fclose(f) == 0 && written;
}

bool Bursts::writeWav(const std::string& path) const
{
    const std::string raw = path + ".raw";
    const bool ok = writeRaw(raw) &&
                    std::system(("sox -q -t raw -e floating-point -b 32 -c 2 -r 44100 '" + raw + "' -b 16 '" + path +
                                 "'").c_str()) == 0;
    std::remove(raw.c_str());
    return ok;
}

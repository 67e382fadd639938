#include "tests/support/Screen.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

#include "tests/support/Process.h"

namespace {
Screen readRaw(const std::string& command, const std::string& raw)
{
    Screen s;
    std::string size = shellOutput(command);
    if (std::sscanf(size.c_str(), "%dx%d", &s.width, &s.height) != 2) return Screen{};
    std::ifstream in(raw, std::ios::binary);
    s.rgb.resize(static_cast<size_t>(s.width) * s.height * 3);
    in.read(reinterpret_cast<char*>(s.rgb.data()), static_cast<std::streamsize>(s.rgb.size()));
    unlink(raw.c_str());
    if (!in) return Screen{};
    return s;
}
}  // namespace

Screen Screen::grab(const std::string& png)
{
    std::string raw = "/tmp/kiv-screen-" + std::to_string(getpid()) + ".rgb";
    std::string keep = png.empty() ? "" : " -write '" + png + "'";
    return readRaw("xwd -root -silent | convert xwd:-" + keep + " -format '%wx%h' -write info:- -depth 8 rgb:" + raw,
                   raw);
}

Screen Screen::pictureAsShown(const std::string& path, int width, int height)
{
    std::string raw = "/tmp/kiv-picture-" + std::to_string(getpid()) + ".rgb";
    std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "!";
    // The show's texture coordinates stop at 0.99: the right-most and top-most hundredth never shows.
    return readRaw("convert '" + path + "' -alpha off -gravity SouthWest -crop 99%x99%+0+0 +repage -flip -resize " +
                       geometry +
                       " -format '%wx%h' -write info:- -depth 8 rgb:" + raw,
                   raw);
}

double Screen::mean() const
{
    double sum = 0;
    for (uint8_t v : rgb) sum += v;
    return rgb.empty() ? 0 : sum / rgb.size();
}

double Screen::stddev() const
{
    double m = mean(), sum = 0;
    for (uint8_t v : rgb) sum += (v - m) * (v - m);
    return rgb.empty() ? 0 : std::sqrt(sum / rgb.size());
}

double Screen::meanDifference(const Screen& other) const
{
    if (other.rgb.size() != rgb.size() || rgb.empty()) return 255;
    double sum = 0;
    for (size_t i = 0; i < rgb.size(); ++i) sum += std::abs(int(rgb[i]) - int(other.rgb[i]));
    return sum / rgb.size();
}

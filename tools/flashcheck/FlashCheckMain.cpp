// kiv-flashcheck [--plot OUT.png] VIDEO...: each video measured for general and red flashes, one line each.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "render/FlashMeter.h"
#include "render/VideoReader.h"
#include "tools/flashcheck/FlashPlot.h"

namespace {
constexpr int kAllPass = 0, kSomeFail = 1, kUnusable = 2;

const char* const kUsage =
    "usage: kiv-flashcheck [--plot OUT.png] VIDEO...\n"
    "Decodes each video and measures every frame for flashing: general flashes (changes of the mean relative\n"
    "luminance of 0.1 or more over a quarter of the picture) and red flashes (saturated red), against the\n"
    "limit of three flashes in any one second and against extended flashing (two or three flashes a second\n"
    "held for four seconds of five). Prints one line a video: for each kind, the transitions, the most in\n"
    "one second and when, the seconds over the limit and of extended flashing, and pass or FAIL.\n"
    "  --plot OUT.png  also draw luminance and transitions per second over time, a row a video (gnuplot)\n"
    "Exit status: 0 when every video passes, 1 when any fails, 2 for a bad command line, a video that cannot\n"
    "be read or a plot that cannot be drawn.\n";

// Measures one video; null after a line on stderr when it cannot be read.
std::unique_ptr<FlashMeter> measure(const std::string& path)
{
    VideoReader reader;
    std::string error;
    if (!reader.open(path, false, error)) {
        std::fprintf(stderr, "kiv-flashcheck: %s\n", error.c_str());
        return nullptr;
    }
    if (reader.fps() <= 0) {
        std::fprintf(stderr, "kiv-flashcheck: %s declares no frame rate\n", path.c_str());
        return nullptr;
    }
    const int width = reader.width(), height = reader.height();
    auto meter = std::make_unique<FlashMeter>(width, height, reader.fps(), 0.0,
                                              std::lround(reader.seconds() * reader.fps()));
    RgbConverter converter;
    long unreadable = 0;
    reader.decode(
        [&](const AVFrame* picture) {
            const uint8_t* rgb = converter.convert(picture);
            if (!rgb || !meter->add({rgb, width, height, static_cast<long>(width) * 3, PixelLayout::Rgb}))
                ++unreadable;
        },
        nullptr);
    if (unreadable > 0 || meter->summary().frames == 0) {
        std::fprintf(stderr, "kiv-flashcheck: %s: %ld of %ld pictures could not be measured\n", path.c_str(),
                     unreadable, unreadable + meter->summary().frames);
        return nullptr;
    }
    return meter;
}
}  // namespace

int main(int argc, char** argv)
{
    std::string plot;
    std::vector<std::string> videos;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return kAllPass;
        }
        if (arg == "--plot" && i + 1 < argc) {
            plot = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "kiv-flashcheck: %s '%s'\n%s", arg == "--plot" ? "no file name after" : "unknown option",
                         arg.c_str(), kUsage);
            return kUnusable;
        } else {
            videos.push_back(arg);
        }
    }
    if (videos.empty()) {
        std::fputs(kUsage, stderr);
        return kUnusable;
    }

    bool unusable = false, failed = false;
    std::vector<std::unique_ptr<FlashMeter>> meters;
    std::vector<FlashPlotRow> rows;
    for (const std::string& video : videos) {
        meters.push_back(measure(video));
        if (!meters.back()) {
            unusable = true;
            continue;
        }
        const FlashSummary& s = meters.back()->summary();
        std::printf("%s: %s\n", video.c_str(), describe(s).c_str());
        std::fflush(stdout);
        failed = failed || !s.passes();
        rows.push_back({video, meters.back().get()});
    }
    if (!plot.empty() && !rows.empty() && !plotFlashes(rows, plot)) unusable = true;
    return unusable ? kUnusable : failed ? kSomeFail : kAllPass;
}

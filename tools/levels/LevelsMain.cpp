// kiv-levels [--plot OUT.png] [--gain DB] FILE...: how the show sees each music file, as a Markdown table.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/ShowAudio.h"
#include "tools/levels/Gain.h"
#include "tools/levels/LevelTrace.h"
#include "tools/levels/Plot.h"

namespace {
const char* const kUsage =
    "usage: kiv-levels [--plot OUT.png] [--gain DB] FILE...\n"
    "For each music file, as the show hears it at 60 idle passes a second (12 s of silence, then the music):\n"
    "audioLevel p10 p50 p90 p99 max, background brightness p10 p50 p90, and the onset response: how many\n"
    "onsets (passes 6 dB louder than the one before), the share of them that raise the brightness by 0.1 or\n"
    "more within two passes, and the median rise, over the time the music plays.\n"
    "  --plot OUT.png  also draw level and brightness over the show's time, one row per file (gnuplot)\n"
    "  --gain DB       play every file this much louder (or quieter), clipped at full scale as a hot master\n";

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

int main(int argc, char** argv)
{
    std::string plot;
    double gainDb = 0.0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--plot" || arg == "--gain") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--plot") {
                plot = value;
            } else if (!Gain::parse(value, gainDb)) {
                std::fprintf(stderr, "kiv-levels: --gain wants decibels, not '%s'\n", value.c_str());
                return 2;
            }
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "kiv-levels: unknown option '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    const Gain gain(gainDb);
    std::printf("| file | level p10 | p50 | p90 | p99 | max | brightness p10 | p50 | p90 | onsets | answered | rise |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    bool ok = true;
    std::vector<LevelTrace> traces;
    std::vector<std::string> titles;
    for (const std::string& file : files) {
        ShowAudio sound(file.c_str());  // one decoder at a time: each is gone before the next opens
        if (!sound.error().empty()) {
            std::fprintf(stderr, "kiv-levels: %s\n", sound.error().c_str());
            ok = false;
            continue;
        }
        traces.push_back(traceShow([&](float* out, int frames) {
            const int got = sound.read(out, frames);
            gain.apply(out, static_cast<long>(got) * ShowAudio::kChannels);
            return got;
        }));
        const LevelSummary s = summarise(traces.back());
        std::printf("| %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %d | %.2f | %.2f |\n",
                    baseName(file).c_str(), s.level[0], s.level[1], s.level[2], s.level[3], s.level[4], s.brightness[0],
                    s.brightness[1], s.brightness[2], s.onsets, s.answered, s.rise);
        std::fflush(stdout);
        char title[512];
        std::snprintf(title, sizeof title, gainDb != 0.0 ? "%s (%+g dB)" : "%s", baseName(file).c_str(), gainDb);
        titles.push_back(title);
    }
    if (!plot.empty() && !traces.empty()) {
        std::vector<PlotRow> rows;
        for (size_t i = 0; i < traces.size(); ++i) rows.push_back({titles[i], &traces[i]});
        ok = plotLevels(rows, plot) && ok;
    }
    return ok ? 0 : 1;
}

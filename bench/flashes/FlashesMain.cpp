// kiv-flashes: the whole show swept offscreen with each music file, every frame measured for flashing, as a
// Markdown table; or the stress music written for such sweeps. A benchmark: it runs for minutes a track.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/flashes/BeatRise.h"
#include "bench/flashes/ShowSweep.h"
#include "bench/flashes/StressMusic.h"
#include "tools/flashcheck/FlashPlot.h"

namespace {
const char* const kUsage =
    "usage: kiv-flashes [--size WxH] [--fps N,...] [--show DIR]... [--plot OUT.png] [--gain DB] MUSIC...\n"
    "                   [--gain DB MUSIC...]\n"
    "       kiv-flashes --stress DIR\n"
    "Plays the whole show offscreen as kiv-render does, once for each picture set, music file and frame rate,\n"
    "without encoding, measures every frame for general and red flashes and prints a Markdown table row each.\n"
    "  --size WxH   picture size (default 640x360)\n"
    "  --fps N,...  frame rates, each a sweep (default 60,30)\n"
    "  --show DIR   a folder with the pictures img1.tif ... img5.tif (default: the current one); each --show\n"
    "               is a picture set swept with every music file\n"
    "  --plot PNG   also draw each sweep's luminance and transitions per second over the show (gnuplot)\n"
    "  --gain DB    play the music files after it this much louder or quieter, clipped at full scale\n"
    "  --beats N    the music is drum hits N a second (--stress): also give the rise of the screen's mean\n"
    "               relative luminance on each hit, the least, the 10th percentile and the median\n"
    "  --hits FILE  with --beats, also list every hit in FILE: pictures, music, fps, second, rise (tab-separated)\n"
    "  --stress DIR write the stress music (drum hits, gated noise, bursts) into DIR and print the paths\n";

struct Track {
    std::string path;
    double gain;
};

int usageError(const std::string& why)
{
    std::fprintf(stderr, "kiv-flashes: %s\n%s", why.c_str(), kUsage);
    return 2;
}

std::string title(const Track& t)
{
    std::string name = std::filesystem::path(t.path).filename().string();
    if (t.gain != 0.0) {
        char gain[32];
        std::snprintf(gain, sizeof gain, " (%+g dB)", t.gain);
        name += gain;
    }
    return name;
}

std::string cells(const FlashCounts& c)
{
    char most[32] = "";
    if (c.mostInOneSecond > 0) std::snprintf(most, sizeof most, " (%.1f s)", c.mostAt);
    char text[128];
    std::snprintf(text, sizeof text, "%d | %d%s | %.2f | %.2f", c.transitions, c.mostInOneSecond, most, c.secondsOver,
                  c.extendedSeconds);
    return text;
}
}  // namespace

int main(int argc, char** argv)
{
    int width = 640, height = 360;
    std::vector<int> rates = {60, 30};
    std::vector<std::string> shows;
    std::string plot, hits;
    double gain = 0.0;
    int beats = 0;
    std::vector<Track> tracks;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const bool takesValue = arg == "--size" || arg == "--fps" || arg == "--show" || arg == "--gain" ||
                                arg == "--beats" || arg == "--hits" ||
                                arg == "--stress" || arg == "--plot";
        if (takesValue && i + 1 >= argc) return usageError(arg + " needs a value");
        if (arg == "--stress") {
            const std::vector<std::string> paths = writeStressMusic(argv[++i]);
            for (const std::string& path : paths) std::printf("%s\n", path.c_str());
            return paths.empty() ? 1 : 0;
        } else if (arg == "--size") {
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 16 || height < 16)
                return usageError("--size wants WIDTHxHEIGHT");
        } else if (arg == "--fps") {
            rates.clear();
            std::stringstream list(argv[++i]);
            for (std::string rate; std::getline(list, rate, ',');) rates.push_back(std::atoi(rate.c_str()));
            for (int rate : rates)
                if (rate < 1 || rate > 240) return usageError("--fps wants frame rates from 1 to 240");
        } else if (arg == "--show") {
            shows.push_back(std::filesystem::absolute(argv[++i]).string());
        } else if (arg == "--beats") {
            beats = std::atoi(argv[++i]);
            if (beats < 1 || beats > 20) return usageError("--beats wants hits a second from 1 to 20");
        } else if (arg == "--hits") {
            hits = std::filesystem::absolute(argv[++i]).string();
        } else if (arg == "--plot") {
            plot = std::filesystem::absolute(argv[++i]).string();
        } else if (arg == "--gain") {
            if (!Gain::parse(argv[++i], gain)) return usageError("--gain wants decibels");
        } else if (arg.rfind("--", 0) == 0) {
            return usageError("unknown option '" + arg + "'");
        } else {
            tracks.push_back({std::filesystem::absolute(arg).string(), gain});
        }
    }
    if (tracks.empty()) return usageError("no music given");
    if (!hits.empty() && !beats) return usageError("--hits lists the hits of --beats");
    std::FILE* hitList = nullptr;
    if (!hits.empty() && !(hitList = std::fopen(hits.c_str(), "w"))) {
        std::fprintf(stderr, "kiv-flashes: cannot write %s\n", hits.c_str());
        return 1;
    }
    if (shows.empty()) shows.push_back(std::filesystem::current_path().string());

    std::printf("| pictures | music | fps | transitions | most in 1 s (from) | s over | extended s | red transitions | "
                "red most (from) | red s over | red extended s | verdict | sweep s |%s\n"
                "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|---:|%s\n",
                beats ? " beat rise: least | p10 | median |" : "", beats ? "---:|---:|---:|" : "");
    std::fflush(stdout);
    bool ok = true;
    std::vector<SweepResult> kept;  // for the plot
    std::vector<FlashPlotRow> rows;
    for (const std::string& show : shows) {
        if (chdir(show.c_str()) != 0) return usageError("cannot enter " + show);
        const std::string pictures = std::filesystem::path(show).filename().string();
        for (const Track& track : tracks)
            for (int fps : rates) {
                SweepResult r = sweepShow(track.path, Gain(track.gain), width, height, fps);
                if (!r.ok) {
                    std::fprintf(stderr, "kiv-flashes: %s: %s\n", track.path.c_str(), r.error.c_str());
                    ok = false;
                    continue;
                }
                const FlashSummary& s = r.meter->summary();
                std::printf("| %s | %s | %d | %s | %s | %s | %.0f |", pictures.c_str(), title(track).c_str(), fps,
                            cells(s.general).c_str(), cells(s.red).c_str(), s.passes() ? "pass" : "FAIL", r.seconds);
                if (beats) {
                    const BeatRise rise = beatRise(r.meter->luminance(), fps, beats);
                    std::printf(" %.3f | %.3f | %.3f |", rise.least, rise.tenth, rise.median);
                    if (hitList)
                        for (const BeatRise::Hit& hit : rise.each)
                            std::fprintf(hitList, "%s\t%s\t%d\t%.2f\t%.4f\n", pictures.c_str(), title(track).c_str(), fps,
                                         hit.seconds, hit.rise);
                }
                std::printf("\n");
                std::fflush(stdout);
                if (plot.empty()) continue;
                rows.push_back({pictures + ", " + title(track) + ", " + std::to_string(fps) + " fps", r.meter.get()});
                kept.push_back(std::move(r));
            }
    }
    if (hitList && std::fclose(hitList) != 0) {
        std::fprintf(stderr, "kiv-flashes: cannot write %s\n", hits.c_str());
        ok = false;
    }
    if (!rows.empty() && !plotFlashes(rows, plot)) ok = false;
    return ok ? 0 : 1;
}

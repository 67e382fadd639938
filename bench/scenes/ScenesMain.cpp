// kiv-scenes [--frames N] [--warmup N] [--rounds N] [SECONDS...]: frame rate and the show's own CPU time per
// frame at chosen show times, under a private Xvfb with Mesa at 1024x768, on the generated pictures and music.
// Each round builds the show afresh and runs it on a 60 Hz clock, without drawing, up to each scene; there it
// draws warm-up frames and then measured ones, centred on the scene's time, the pointer moving all along.
#include <GL/freeglut.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "bench/scenes/ShowDriver.h"
#include "bench/scenes/Summary.h"
#include "fx/BkgImage.h"
#include "fx/HexFire.h"
#include "fx/JuggleBall.h"
#include "tests/support/DecodedMusic.h"
#include "tests/support/GlWindow.h"
#include "tests/support/TempDir.h"
#include "tests/support/Xvfb.h"

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr float kPassesPerSecond = 60.0f;
constexpr double kOwnShareGoal = 0.05;   // of the frame time, in every scene
constexpr double kBusyIdleGoal = 50.0;   // microseconds for one idle pass at the busiest scene
constexpr float kBusiestScene = 120.0f;
const std::vector<float> kDefaultScenes = {5, 20, 45, 60, 90, 120, 148};
#if defined(__SSE__)
constexpr unsigned kFlushToZero = 0x8040;  // as the show's main sets it
#endif

struct Options {
    int frames = 120;
    int warmup = 15;
    int rounds = 3;
    std::vector<float> scenes;
};

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto count = [&](int& into) {
            if (i + 1 >= argc) return false;
            into = std::atoi(argv[++i]);
            return into > 0;
        };
        if (a == "--frames") {
            if (!count(o.frames)) return false;
        } else if (a == "--warmup") {
            if (!count(o.warmup)) return false;
        } else if (a == "--rounds") {
            if (!count(o.rounds)) return false;
        } else {
            char* end = nullptr;
            const float t = std::strtof(a.c_str(), &end);
            if (end == a.c_str() || *end || !(t > 1.0f && t < 151.0f)) return false;
            o.scenes.push_back(t);
        }
    }
    if (o.scenes.empty()) o.scenes = kDefaultScenes;
    for (size_t i = 1; i < o.scenes.size(); ++i)
        if (!(o.scenes[i] > o.scenes[i - 1])) return false;  // the show only runs forward
    return true;
}

std::string firstLine(const std::string& path, const std::string& key)
{
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, key.size(), key) == 0) return line.substr(line.find(':') + 2);
    return "?";
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// What the scene shows, read from the effects active at the last pass.
std::string describe(const Demo& demo)
{
    int pictures = 0, balls = 0;
    std::string grids;
    for (Fx* fx : demo.effects) {
        if (auto* b = dynamic_cast<BkgImage*>(fx); b && b->isActive(demo.time)) ++pictures;
        if (auto* g = dynamic_cast<HexFire*>(fx); g && g->isActive(demo.time))
            grids += (grids.empty() ? "grid mode " : ",") + std::to_string(g->mode);
        if (auto* j = dynamic_cast<JuggleBall*>(fx); j && j->isActive(demo.time)) ++balls;
    }
    std::string s = std::to_string(pictures) + (pictures == 1 ? " picture" : " pictures");
    if (!grids.empty()) s += ", " + grids;
    if (balls) s += ", " + std::to_string(balls) + " balls";
    return s;
}

std::vector<double> column(const std::vector<FrameTimes>& frames, double (*pick)(const FrameTimes&))
{
    std::vector<double> v;
    v.reserve(frames.size());
    for (const FrameTimes& f : frames) v.push_back(pick(f));
    return v;
}
// One line per scene, then the goals.
void report(const std::vector<float>& scenes, const std::map<float, std::vector<FrameTimes>>& measured,
            const std::map<float, std::string>& described)
{
    std::printf("%5s  %-30s %6s %6s %9s %14s %7s %8s %6s %8s %6s %7s %9s\n", "show", "scene", "fps", "fps",
                "frame ms", "idle us", "pointer", "display", "fill", "present", "own", "thread", "triangles");
    std::printf("%5s  %-30s %6s %6s %9s %14s %7s %8s %6s %8s %6s %7s %9s\n", "s", "", "median", "best", "median",
                "med/best/p90", "us med", "CPU us", "us med", "ms med", "% med", "% med", "median");
    bool ownGoal = true, threadGoal = true, idleMeasured = false, idleGoal = false;
    for (float scene : scenes) {
        const std::vector<FrameTimes>& f = measured.at(scene);
        const Summary wall = Summary::of(column(f, [](const FrameTimes& t) { return t.wall; }));
        const Summary idle = Summary::of(column(f, [](const FrameTimes& t) { return t.idle; }));
        const Summary mouse = Summary::of(column(f, [](const FrameTimes& t) { return t.mouse; }));
        const Summary display = Summary::of(column(f, [](const FrameTimes& t) { return t.display; }));
        const Summary fill = Summary::of(column(f, [](const FrameTimes& t) { return t.fill; }));
        const Summary present = Summary::of(column(f, [](const FrameTimes& t) { return t.present; }));
        const Summary triangles = Summary::of(column(f, [](const FrameTimes& t) { return t.triangles; }));
        // Our code alone: the idle pass, the pointer pass and the vertex fills.
        const Summary own = Summary::of(
            column(f, [](const FrameTimes& t) { return 100.0 * (t.idle + t.mouse + t.fill) / t.wall; }));
        // Everything on our thread, Mesa's work inside the draw calls included: an upper bound.
        const Summary thread = Summary::of(
            column(f, [](const FrameTimes& t) { return 100.0 * (t.idle + t.mouse + t.display) / t.wall; }));
        std::printf("%5.0f  %-30s %6.1f %6.1f %9.2f %4.0f/%3.0f/%4.0f %7.1f %8.0f %6.0f %8.2f %6.2f %7.2f %9.0f\n",
                    scene, described.at(scene).c_str(), 1e6 / wall.median, 1e6 / wall.best, wall.median / 1e3,
                    idle.median, idle.best, idle.p90, mouse.median, display.median, fill.median,
                    present.median / 1e3, own.median, thread.median, triangles.median);
        ownGoal = ownGoal && own.median < 100.0 * kOwnShareGoal;
        threadGoal = threadGoal && thread.median < 100.0 * kOwnShareGoal;
        if (scene == kBusiestScene) {
            idleMeasured = true;
            idleGoal = idle.median < kBusyIdleGoal;
        }
    }
    std::printf("\nload average at the end: %s\n", loadAverage().c_str());
    std::printf("goal, own work (idle, pointer, vertex fills) under %.0f%% of the frame in every scene: %s\n",
                100.0 * kOwnShareGoal, ownGoal ? "met" : "MISSED");
    std::printf("     all of our thread's CPU, Mesa's work inside the draw calls included, under %.0f%%: %s\n",
                100.0 * kOwnShareGoal, threadGoal ? "yes" : "no");
    std::printf("goal, one idle pass at %.0f s under %.0f us (median): %s\n", kBusiestScene, kBusyIdleGoal,
                !idleMeasured ? "not measured" : idleGoal ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: kiv-scenes [--frames N] [--warmup N] [--rounds N] [SECONDS...]\n"
                             "  SECONDS: increasing show times between 1 and 151\n");
        return 2;
    }
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() | kFlushToZero);
#endif

    Xvfb server(kWidth, kHeight);
    if (!server.ok()) {
        std::fprintf(stderr, "kiv-scenes: cannot start Xvfb\n");
        return 1;
    }
    const std::string dir = makeTempDir();
    const std::string assets = std::string(KIV_ASSETS_TOOL) + " '" + dir + "' >/dev/null";
    if (dir.empty() || std::system(assets.c_str()) != 0 || chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "kiv-scenes: cannot write the show's pictures and music into a temporary folder\n");
        return 1;
    }
    {
        DecodedMusic music(dir + "/music.mp3");
        GlWindow::open(kWidth, kHeight);
        for (int i = 0; i < 20; ++i) glutMainLoopEvent();  // the window is mapped before the first frame

        std::printf("machine: %ld cpus, %s; load average %s\n", sysconf(_SC_NPROCESSORS_ONLN),
                    firstLine("/proc/cpuinfo", "model name").c_str(), loadAverage().c_str());
        std::printf("GL: %s, %s; LP_NUM_THREADS=%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                    reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                    std::getenv("LP_NUM_THREADS") ? std::getenv("LP_NUM_THREADS") : "(default)");
        std::printf("%d rounds x %d measured frames per scene (after %d warm-up frames), %dx%d, music %s\n\n",
                    options.rounds, options.frames, options.warmup, kWidth, kHeight,
                    music.ok() ? "decoded" : "MISSING: silent spectrum");

        std::map<float, std::vector<FrameTimes>> measured;
        std::map<float, std::string> described;
        ShowDriver driver(music, kWidth, kHeight);
        for (int round = 0; round < options.rounds; ++round) {
            driver.build();
            for (float scene : options.scenes) {
                const float lead = static_cast<float>(options.warmup + options.frames / 2) / kPassesPerSecond;
                driver.advanceTo(scene - lead);
                for (int i = 0; i < options.warmup; ++i) driver.frame();
                for (int i = 0; i < options.frames; ++i) measured[scene].push_back(driver.frame());
                described[scene] = describe(driver.demo());
            }
        }
        driver.release();

        report(options.scenes, measured, described);
        GlWindow::close();
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}

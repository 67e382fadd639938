#include "render/RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;
constexpr int kMaxFps = 240;
constexpr int kMaxQuality = 63;  // x264's CRF tops out at 51, VP9's at 63

bool wholeNumber(const char* text, long low, long high, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno || end == text || *end || v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

bool seconds(const char* text, double& value)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool size(const char* text, int& width, int& height)
{
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    const std::string w(text, x);
    return wholeNumber(w.c_str(), kMinSide, kMaxSide, width) && wholeNumber(x + 1, kMinSide, kMaxSide, height) &&
           width % 2 == 0 && height % 2 == 0;
}
}  // namespace

long RenderOptions::firstFrame() const
{
    return std::lround(from * fps);
}

long RenderOptions::frameCount() const
{
    return std::lround((to - from) * fps);
}

ParseResult parseOptions(int argc, char** argv, RenderOptions& o, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return ParseResult::Help;
        if (arg == "--version") return ParseResult::Version;
        if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
            continue;
        }
        if (arg == "--flash-report" || arg == "--flash-report=strict") {
            o.flashReport = arg == "--flash-report" ? FlashReport::Plain : FlashReport::Strict;
            continue;
        }
        const bool takesValue = arg == "--size" || arg == "--fps" || arg == "--from" || arg == "--to" ||
                                arg == "--pointer" || arg == "--quality";
        if (takesValue) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return ParseResult::Error;
            }
            const char* value = argv[++i];
            bool good = true;
            if (arg == "--size") good = size(value, o.width, o.height);
            if (arg == "--fps") good = wholeNumber(value, 1, kMaxFps, o.fps);
            if (arg == "--from") good = seconds(value, o.from);
            if (arg == "--to") good = seconds(value, o.to);
            if (arg == "--pointer") o.pointerFile = value;
            if (arg == "--quality") good = wholeNumber(value, 0, kMaxQuality, o.quality);
            if (!good) {
                const char* want = arg == "--size"    ? "WIDTHxHEIGHT, even numbers from 16 to 8192"
                                   : arg == "--fps"   ? "a whole number from 1 to 240"
                                   : arg == "--quality" ? "a whole number from 0 to 63"
                                                        : "a number of seconds";
                error = arg + " '" + value + "': expected " + want;
                return ParseResult::Error;
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "' (see --help)";
            return ParseResult::Error;
        }
        if (!o.output.empty()) {
            error = "one OUTPUT only, got '" + o.output + "' and '" + arg + "'";
            return ParseResult::Error;
        }
        o.output = arg;
    }
    if (o.output.empty()) {
        error = "no OUTPUT file given (see --help)";
        return ParseResult::Error;
    }
    if (o.from < 0.0 || o.to > RenderOptions::kShowEnd || o.from >= o.to) {
        error = "--from and --to must satisfy 0 <= from < to <= 152";
        return ParseResult::Error;
    }
    if (o.frameCount() < 1) {
        error = "--from to --to spans no whole frame at this --fps";
        return ParseResult::Error;
    }
    return ParseResult::Run;
}

int statusAfterRender(FlashReport report, bool flashesPass)
{
    return report == FlashReport::Strict && !flashesPass ? kFlashFailed : 0;
}

const char* usageText()
{
    return "Usage: kiv-render [options] OUTPUT\n"
           "Plays the show in the current folder (img1.tif, img2.tif, img4.tif, img5.tif, music.mp3) on a\n"
           "virtual clock and writes it, with its music, to OUTPUT. Needs no display and no sound device.\n"
           "OUTPUT's extension picks the container: .mp4 (H.264 + AAC), .mkv (H.264 + FLAC), .webm (VP9 + Opus).\n"
           "\n"
           "  --size WxH      picture size in pixels, even numbers (default 1920x1080)\n"
           "  --fps N         frames per second (default 60); one show update per frame, as on an N Hz display\n"
           "  --from S        first show second to write (default 0); the show still runs from 0 before it\n"
           "  --to S          show second to stop at (default 152, the show's end)\n"
           "  --pointer FILE  pointer path: one 'seconds x y' line each, x and y from 0 (left, top) to 1\n"
           "                  (right, bottom); '#' starts a comment. Default: a built-in sweep over the grids\n"
           "  --quality Q     the encoder's constant quality: x264 CRF 0-51 (default 20), VP9 CRF 0-63\n"
           "                  (default 32); lower is better and larger\n"
           "  --flash-report  measure every frame for flashing (general and red flashes, three a second at\n"
           "                  most) and print one summary line at the end; =strict also exits with 3 if it fails\n"
           "  --quiet         no progress line\n"
           "  --help          this text\n"
           "  --version       the version\n";
}

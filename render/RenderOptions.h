#pragma once
#include <string>

// --flash-report: none, a summary line, or a summary line and exit status 3 when the video fails.
enum class FlashReport { Off, Plain, Strict };

// What kiv-render was asked to do, read from its command line.
struct RenderOptions {
    static constexpr double kShowEnd = 152.0;  // seconds; the show's own end

    int width = 1920;           // 16..8192, even (the video's chroma is subsampled 2x2)
    int height = 1080;
    int fps = 60;               // 1..240
    double from = 0.0;          // show seconds, 0 <= from < to <= kShowEnd
    double to = kShowEnd;
    std::string pointerFile;    // empty: the built-in sweep
    int quality = -1;           // the encoder's constant-quality value; < 0: the container's default
    bool quiet = false;
    FlashReport flashReport = FlashReport::Off;
    std::string output;

    long firstFrame() const;    // round(from * fps): frame n shows show time n / fps
    long frameCount() const;    // round((to - from) * fps)
};

enum class ParseResult { Run, Help, Version, Error };

// Reads argv into `options`. On Error, `error` holds one line saying what is wrong.
ParseResult parseOptions(int argc, char** argv, RenderOptions& options, std::string& error);

// The exit status of a render that wrote its file: 0, or kFlashFailed when strict and the video fails the
// flash criteria.
constexpr int kFlashFailed = 3;
int statusAfterRender(FlashReport report, bool flashesPass);

// The --help text.
const char* usageText();

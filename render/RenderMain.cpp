// kiv-render: plays the show in the working folder on a virtual clock and writes it as a video file.
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "audio/ShowAudio.h"
#include "render/FlashMeter.h"
#include "render/OffscreenGl.h"
#include "render/PointerPath.h"
#include "render/ProgressLine.h"
#include "render/RenderOptions.h"
#include "render/Renderer.h"
#include "render/VideoFile.h"
#include "render/VirtualShow.h"

namespace {
constexpr int kFailed = 1;
constexpr int kBadRequest = 2;  // the command line or the pointer path asked for something unusable
#if defined(__SSE__)
constexpr unsigned kFlushToZero = 0x8040;  // MXCSR: flush-to-zero and denormals-are-zero, as kiv runs
#endif

volatile std::sig_atomic_t stopSignal = 0;
void onStopSignal(int signal) { stopSignal = signal; }

void handleSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Past a file size limit, writes then fail with EFBIG and are reported, instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

int complain(int status, const std::string& line)
{
    std::fprintf(stderr, "kiv-render: %s\n", line.c_str());
    return status;
}

// The file being written, beside OUTPUT under a hidden name; removed unless it became OUTPUT.
class PartialFile {
public:
    bool create(const std::string& output, std::string& error)
    {
        const size_t slash = output.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? output : output.substr(slash + 1);
        path_ = (slash == std::string::npos ? std::string() : folder) + "." + base + ".partial-XXXXXX";
        const int fd = mkstemp(path_.data());
        if (fd < 0) {
            error = "cannot write '" + output + "': " + std::strerror(errno);
            path_.clear();
            return false;
        }
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);  // as a file the user created; mkstemp's is private
        close(fd);
        return true;
    }
    bool commit(const std::string& output, std::string& error)
    {
        if (std::rename(path_.c_str(), output.c_str()) != 0) {
            error = "cannot write '" + output + "': " + std::strerror(errno);
            return false;
        }
        path_.clear();
        return true;
    }
    ~PartialFile()
    {
        if (!path_.empty()) unlink(path_.c_str());
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};
}  // namespace

int main(int argc, char** argv)
{
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() | kFlushToZero);  // the grids compute as in kiv, bit for bit
#endif
    RenderOptions options;
    std::string error;
    switch (parseOptions(argc, argv, options, error)) {
    case ParseResult::Help: std::fputs(usageText(), stdout); return 0;
    case ParseResult::Version: std::printf("kiv-render %s\n", KIV_VERSION); return 0;
    case ParseResult::Error: return complain(kBadRequest, error);
    case ParseResult::Run: break;
    }
    const Container* container = containerFor(options.output);
    if (!container)
        return complain(kBadRequest, "'" + options.output + "': unknown container; use " + knownExtensions());
    PointerPath pointer;
    if (!options.pointerFile.empty() && !pointer.load(options.pointerFile, error)) return complain(kBadRequest, error);
    handleSignals();

    PartialFile partial;
    if (!partial.create(options.output, error)) return complain(kFailed, error);
    VideoFile file;
    const VideoFile::Settings settings{options.width, options.height, options.fps, options.quality, VideoFile::kPreset};
    if (!file.open(partial.path(), options.output, *container, settings, error)) return complain(kFailed, error);

    // As kiv: music that cannot be played is named and the show goes on without it.
    ShowAudio audio("music.mp3");
    if (!audio.error().empty()) complain(0, audio.error());
    OffscreenGl gl;
    if (!gl.open(options.width, options.height, error)) return complain(kFailed, error);
    VirtualShow show(options.width, options.height, options.fps, pointer);
    show.build();

    ProgressLine progress(stderr, !options.quiet && isatty(STDERR_FILENO));
    Renderer renderer(options, show, audio, file);
    std::optional<FlashMeter> meter;
    if (options.flashReport != FlashReport::Off) {
        meter.emplace(options.width, options.height, options.fps,
                      static_cast<double>(options.firstFrame()) / options.fps, options.frameCount());
        renderer.measureWith(&*meter);
    }
    const bool done = renderer.run(
        stopSignal, [&](long written, long total, double seconds) { progress.update(written, total, seconds); },
        error);
    progress.end();
    if (stopSignal) {
        complain(0, "stopped; no file written");
        return 128 + stopSignal;
    }
    if (!done || !partial.commit(options.output, error)) return complain(kFailed, error);
    if (!meter) return 0;
    complain(0, "flashes: " + describe(meter->summary()));
    return statusAfterRender(options.flashReport, meter->summary().passes());
}

// kiv-render-bench: frames per second of each stage of kiv-render alone (draw, readback, colour conversion,
// encoding) and of the whole pipeline, over one span of the show, in the show folder given.
//   kiv-render-bench SHOW_FOLDER [WxH FPS FROM TO [PRESET...]]
// The stages alone: the show is drawn and read back synchronously, frame by frame, with glFinish between,
// keeping the converted pictures; those are converted again and then encoded, with nothing else running.
// The pipeline: the renderer itself over the same span, all stages overlapping, without and with the flash meter.
#include <GL/gl.h>
#include <unistd.h>

extern "C" {
#include <libavutil/frame.h>
}

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/ShowAudio.h"
#include "render/FlashMeter.h"
#include "render/FrameConverter.h"
#include "render/OffscreenGl.h"
#include "render/PointerPath.h"
#include "render/Readback.h"
#include "render/RenderOptions.h"
#include "render/Renderer.h"
#include "render/VideoFile.h"
#include "render/VirtualShow.h"

namespace {
using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct Span {
    int width = 1280, height = 720, fps = 30;
    double from = 100, to = 110;  // balls over the busiest grid: the slowest drawing of the show
};

void stagesAlone(const Span& s, const std::vector<std::string>& presets)
{
    RenderOptions o;
    o.width = s.width, o.height = s.height, o.fps = s.fps, o.from = s.from, o.to = s.to;
    const long first = o.firstFrame(), count = o.frameCount();
    PointerPath pointer;
    std::string error;
    OffscreenGl gl;
    if (!gl.open(s.width, s.height, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    VirtualShow show(s.width, s.height, s.fps, pointer);
    show.build();
    ShowAudio audio("music.mp3");
    Readback readback(s.width, s.height);
    FrameConverter converter(s.width, s.height);
    VideoFile sizing;  // only for its picture format
    const Container* mp4 = containerFor("x.mp4");
    const std::string scratch = "/tmp/kiv-render-bench.mp4";
    sizing.open(scratch, scratch, *mp4, {s.width, s.height, s.fps, -1, VideoFile::kPreset}, error);

    std::vector<uint8_t> pixels(readback.frameBytes());
    std::vector<AVFrame*> pictures;
    std::vector<float> samples;
    double draw = 0, read = 0;
    for (long n = 0; n < first + count; ++n) {
        const long heard = static_cast<long>(static_cast<int64_t>(n) * ShowAudio::kRate / s.fps);
        samples.resize(static_cast<size_t>(heard - audio.position()) * ShowAudio::kChannels);
        show.hear(samples.data(), audio.read(samples.data(), static_cast<int>(heard - audio.position())), 2);
        auto t = Clock::now();
        show.step(n);
        if (n < first) continue;
        show.draw();
        glFinish();
        draw += since(t);
        t = Clock::now();
        readback.start();
        readback.finish(pixels.data());
        read += since(t);
        pictures.push_back(sizing.newPicture());
        converter.convert(pixels.data(), pictures.back());
    }
    auto t = Clock::now();
    for (AVFrame* picture : pictures) converter.convert(pixels.data(), picture);
    const double convert = since(t);
    std::printf("%dx%d %d fps, show %.0f-%.0f s, %ld frames, %s\n", s.width, s.height, s.fps, s.from, s.to, count,
                gl.renderer().c_str());
    std::printf("  draw alone        %6.1f fps\n", count / draw);
    std::printf("  readback alone    %6.1f fps\n", count / read);
    std::printf("  conversion alone  %6.1f fps\n", count / convert);
    for (const std::string& preset : presets) {
        VideoFile file;
        file.open(scratch, scratch, *mp4, {s.width, s.height, s.fps, -1, preset.c_str()}, error);
        t = Clock::now();
        for (AVFrame* picture : pictures) file.writeVideo(picture, error);
        file.finish(error);
        std::printf("  encoding alone    %6.1f fps  (x264 %s)\n", count / since(t), preset.c_str());
    }
    for (AVFrame*& picture : pictures) av_frame_free(&picture);
    unlink(scratch.c_str());
}

// The renderer itself; with `measure`, also the flash meter, as kiv-render --flash-report runs it.
void pipeline(const Span& s, bool measure)
{
    RenderOptions o;
    o.width = s.width, o.height = s.height, o.fps = s.fps, o.from = s.from, o.to = s.to;
    PointerPath pointer;
    std::string error;
    OffscreenGl gl;
    gl.open(s.width, s.height, error);
    VirtualShow show(s.width, s.height, s.fps, pointer);
    show.build();
    ShowAudio audio("music.mp3");
    VideoFile file;
    const std::string scratch = "/tmp/kiv-render-bench.mp4";
    file.open(scratch, scratch, *containerFor(scratch), {s.width, s.height, s.fps, -1, VideoFile::kPreset}, error);
    Renderer renderer(o, show, audio, file);
    FlashMeter meter(s.width, s.height, s.fps, s.from, o.frameCount());
    if (measure) renderer.measureWith(&meter);
    static volatile std::sig_atomic_t never = 0;
    Clock::time_point firstFrame;
    renderer.run(never, [&](long written, long, double) { if (written == 1) firstFrame = Clock::now(); }, error);
    const StageTimes& t = renderer.times();
    const double wall = since(firstFrame);  // from the first frame written: the run-up before --from is apart
    std::printf("  pipeline%s %6.1f fps  (x264 %s; thread seconds: draw %.1f, readback %.1f, conversion %.1f,"
                " flash meter %.1f CPU (%.2f ms a frame), encoding %.1f; wall %.1f)\n",
                measure ? " + meter " : "         ", static_cast<double>(t.frames - 1) / wall, VideoFile::kPreset,
                t.draw, t.readback, t.convert, t.measure, 1000 * t.measure / static_cast<double>(t.frames), t.encode,
                t.wall);
    unlink(scratch.c_str());
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: kiv-render-bench SHOW_FOLDER [WxH FPS FROM TO [PRESET...]]\n");
        return 2;
    }
    std::vector<Span> spans;
    std::vector<std::string> presets;
    if (argc >= 6) {
        Span s;
        std::sscanf(argv[2], "%dx%d", &s.width, &s.height);
        s.fps = std::atoi(argv[3]);
        s.from = std::atof(argv[4]);
        s.to = std::atof(argv[5]);
        spans.push_back(s);
        for (int i = 6; i < argc; ++i) presets.push_back(argv[i]);
    } else {
        spans = {Span{1280, 720, 30, 100, 110}, Span{1920, 1080, 60, 100, 105}};
    }
    if (presets.empty()) presets = {VideoFile::kPreset};
    for (const Span& s : spans) {
        stagesAlone(s, presets);
        pipeline(s, false);
        pipeline(s, true);
    }
    return 0;
}

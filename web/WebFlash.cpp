// The page's frames measured for flashing by the same FlashMeter as kiv-render's: the test hook reads each
// frame back from the canvas right after drawing it.
#include <GL/gl.h>
#include <emscripten/emscripten.h>

#include <memory>
#include <string>
#include <vector>

#include "render/FlashMeter.h"

namespace {
std::unique_ptr<FlashMeter> meter;
std::vector<uint8_t> pixels;
std::string report;
int width = 0, height = 0;
}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void kiv_flash_begin(int w, int h, double fps, double startSeconds, long expectedFrames)
{
    width = w;
    height = h;
    pixels.assign(static_cast<size_t>(w) * h * 4, 0);
    meter = std::make_unique<FlashMeter>(w, h, fps, startSeconds, expectedFrames);
}

// The frame just drawn; rows come bottom to top, which the meter does not mind.
EMSCRIPTEN_KEEPALIVE void kiv_flash_frame()
{
    if (!meter) return;
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    meter->add(FrameView{pixels.data(), width, height, static_cast<long>(width) * 4, PixelLayout::Rgba});
}

// The same line as kiv-render's --flash-report, verdict last.
EMSCRIPTEN_KEEPALIVE const char* kiv_flash_report()
{
    report = meter ? describe(meter->summary()) : "";
    return report.c_str();
}
}

#include "render/ProgressLine.h"

namespace {
constexpr auto kInterval = std::chrono::milliseconds(250);  // redraws a second: readable, and cheap
}

ProgressLine::ProgressLine(std::FILE* out, bool enabled)
    : out_(out), enabled_(enabled), start_(Clock::now()), last_(start_ - kInterval)
{
}

void ProgressLine::update(long written, long total, double showSeconds)
{
    const auto now = Clock::now();
    if (written <= 1) start_ = now;  // the rate counts from the first frame written, past the run-up to --from
    if (!enabled_ || (now - last_ < kInterval && written < total)) return;
    last_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double fps = elapsed > 0 ? static_cast<double>(written - 1) / elapsed : 0.0;
    const long left = fps > 0 ? static_cast<long>(static_cast<double>(total - written) / fps + 0.5) : 0;
    std::fprintf(out_, "\r\033[Kframe %ld/%ld  show %.2f s  %.1f fps  %ld:%02ld left", written, total, showSeconds,
                 fps, left / 60, left % 60);
    std::fflush(out_);
    shown_ = true;
}

void ProgressLine::end()
{
    if (shown_) std::fputc('\n', out_);
    shown_ = false;
}

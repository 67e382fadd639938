#pragma once
#include <cstdint>
#include <string>
#include <vector>

// How the bytes of one pixel are laid out: 8 bits a channel, sRGB-encoded, 3 or 4 bytes a pixel.
enum class PixelLayout { Rgb, Bgr, Rgba, Bgra };

// One frame as it lies in memory: row y starts at data + y * stride bytes. The stride may be larger than a
// row (padding) or negative (rows bottom to top); the meter never looks at where a row is on the screen.
struct FrameView {
    const uint8_t* data = nullptr;
    int width = 0, height = 0;
    long stride = 0;
    PixelLayout layout = PixelLayout::Rgba;
};

// What the meter found for one kind of flash, general or red.
struct FlashCounts {
    int transitions = 0;
    int mostInOneSecond = 0;      // transitions in the busiest window of one second
    double mostAt = 0;            // seconds: the start of that window
    double secondsOver = 0;       // time whose last second holds more than kMaxTransitions
    double extendedSeconds = 0;   // time whose last five seconds hold four seconds of kBusyTransitions or more
    bool passes() const { return secondsOver == 0 && extendedSeconds == 0; }
};

struct FlashSummary {
    FlashCounts general, red;
    long frames = 0;
    bool passes() const { return general.passes() && red.passes(); }
};

// One line: both kinds' counts and the verdict, e.g. for kiv-render's and kiv-flashcheck's reports.
std::string describe(const FlashSummary& summary);

// Measures flashing in a sequence of frames against the general-flash and red-flash criteria (WCAG 2.x
// "three flashes or below threshold", ITU-R BT.1702); docs/flash-safety.md says exactly how. Frames go in
// one at a time, in order, all the same size. Costs well under a millisecond of CPU a 1280x720 frame and
// allocates nothing per frame once the expected frames are reserved.
class FlashMeter {
public:
    static constexpr int kMaxTransitions = 6;   // in any one second: three flashes
    static constexpr int kBusyTransitions = 4;  // a second with this many or more counts towards extended flashing

    // fps > 0; startSeconds is the time of the first frame, for the times reported; expectedFrames sizes the
    // per-frame series up front (more may come, at the cost of their growing).
    FlashMeter(int width, int height, double fps, double startSeconds = 0, long expectedFrames = 0);

    // False, measuring nothing, when the frame is not the size given.
    bool add(const FrameView& frame);

    const FlashSummary& summary() const { return summary_; }
    double fps() const { return fps_; }
    double timeOf(long frame) const { return start_ + static_cast<double>(frame) / fps_; }
    // Per frame, for plots: mean relative luminance (0..1) and each kind's transitions in the second up to it.
    const std::vector<float>& luminance() const { return luminance_; }
    const std::vector<uint16_t>& generalPerSecond() const { return general_.perSecond; }
    const std::vector<uint16_t>& redPerSecond() const { return red_.perSecond; }

private:
    // One kind of flash: its quantity per pixel, followed run by run.
    struct Track {
        float threshold;     // the change that makes a transition
        float darkLimit;     // the darker state must be below this
        std::vector<float> start, extreme, current;  // per sample: at the run's start, at its extreme, now
        float startMean = 0, extremeMean = 0;
        int direction = 0;   // +1 rising, -1 falling, 0 before the first change
        bool counted = false;
        std::vector<uint8_t> lastSecond;  // ring: transitions per frame
        std::vector<uint8_t> lastFive;    // ring: busy seconds per frame
        int inSecond = 0, busyInFive = 0;
        std::vector<uint16_t> perSecond;
        long overFrames = 0, extendedFrames = 0;

        Track(float threshold, float darkLimit, size_t samples, size_t second);
        bool follow(float mean);
        float changedShare() const;
        void tally(long frame, bool transition, FlashCounts& counts, const FlashMeter& meter);
    };

    void sample(const FrameView& frame, double& luminance, double& red);

    int width_, height_;
    double fps_, start_;
    int step_;  // the per-pixel test looks at every step_-th pixel of every step_-th row
    int columns_, rows_;
    FlashSummary summary_;
    std::vector<float> luminance_;
    Track general_, red_;
};

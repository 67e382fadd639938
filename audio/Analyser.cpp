#include "audio/Analyser.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>

#include <fftw3.h>

#include "audio/Ballistics.h"
#include "audio/FlashGuard.h"
#include "audio/ScreenLight.h"
#include "audio/Sensitivity.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kBandWeight = 0.1f;  // the show's loudness weighs each band bin by this
constexpr int kBandCount = Analyser::kBandLast - Analyser::kBandFirst + 1;

// The show's loudness of a spectrum, summed as the show sums it.
float bandLoudness(const float* bins)
{
    float sum = 0.0f;
    for (int k = Analyser::kBandFirst; k <= Analyser::kBandLast; ++k) sum += bins[k] * kBandWeight;
    return sum;
}

}  // namespace

struct Analyser::Impl {
    explicit Impl(int rate)
        : sensitivity(static_cast<double>(kFrames) / rate), ballistics(static_cast<double>(kHop) / rate), guard(rate)
    {
    }

    // The pushing thread's, all of it behind `lock` so that clear() can come from another thread.
    std::mutex lock;
    float ring[kFrames] = {};    // mono frames; the oldest sits at head
    int head = 0;                // next slot to write
    int64_t pushed = 0;          // frames since the start or the last clear
    int64_t streamed = 0;        // frames since the start, clears or not: the show's time runs on through them
    Sensitivity sensitivity;
    Ballistics ballistics;
    FlashGuard guard;
    float* in = fftwf_alloc_real(kFrames);
    fftwf_complex* out = fftwf_alloc_complex(kFrames / 2 + 1);
    // ESTIMATE leaves the buffers alone and plans in microseconds; a 1024-point transform needs no tuning.
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(kFrames, in, out, FFTW_ESTIMATE);
    float window[kFrames];       // periodic Hann: exact 0.5 leakage into each neighbour of a centred tone
    float scale;                 // 2 / sum of the window: a full-scale centred sine's magnitude is 1.0
    float heard[kBins] = {};     // this hop's bins: magnitudes, then after the gain
    float measured[kBins] = {};  // the band's magnitudes after the ballistics, for the sensitivity
    float shown[kBins] = {};     // the spectrum handed out: after the ballistics and the guard

    float bins[kBins] = {};      // the caller's copy

    ~Impl()
    {
        fftwf_destroy_plan(plan);
        fftwf_free(out);
        fftwf_free(in);
    }

    void hop()
    {
        const int older = kFrames - head;
        std::memcpy(in, ring + head, sizeof(float) * older);
        std::memcpy(in + older, ring, sizeof(float) * head);
        for (int n = 0; n < kFrames; ++n) in[n] *= window[n];
        fftwf_execute(plan);
        for (int k = 0; k < kBins; ++k) heard[k] = std::sqrt(out[k][0] * out[k][0] + out[k][1] * out[k][1]) * scale;

        // The sensitivity aims the band as the show would show it, before the clamp and the guard; whole
        // blocks of the raw stream decide whether there is anything to hear, so silence and fade tails leave
        // it alone however slowly the shown bins fall.
        const float raw = bandLoudness(heard);
        ballistics.step(heard + kBandFirst, raw, measured + kBandFirst, bandLoudness(measured), kBandCount);
        if (head == 0 && sensitivity.hears(raw)) sensitivity.measure(bandLoudness(measured));
        const float gain = sensitivity.gain();
        for (int k = 0; k < kBins; ++k) {
            const float m = heard[k] * gain;
            // Written so that NaN reads as silence and the range holds whatever the input.
            heard[k] = m > 1.0f ? 1.0f : (m >= 0.0f ? m : 0.0f);
        }

        // The guard may keep the loudness between where it was and where the ballistics would take it: every
        // bin then moves the same share of its way, so the bins stay in range and the loudness is the guard's.
        float would[kBins];
        std::memcpy(would, shown, sizeof would);
        const float was = bandLoudness(shown);
        ballistics.step(heard, bandLoudness(heard), would, was, kBins);
        const float wants = bandLoudness(would);
        const float may = guard.limit(wants, streamed);
        const float share = may == wants || wants == was ? 1.0f : (may - was) / (wants - was);
        const float kept = share < 0.0f ? 0.0f : (share > 1.0f ? 1.0f : share);
        for (int k = 0; k < kBins; ++k) shown[k] += (would[k] - shown[k]) * kept;
    }
};

Analyser::Analyser(int rate) : impl_(new Impl(rate > 0 ? rate : 44100))
{
    Impl& a = *impl_;
    double sum = 0.0;
    for (int n = 0; n < kFrames; ++n) {
        a.window[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * n / kFrames));
        sum += a.window[n];
    }
    a.scale = static_cast<float>(2.0 / sum);
}

Analyser::~Analyser()
{
    delete impl_;
}

void Analyser::push(const float* interleaved, int frames, int channels)
{
    if (!interleaved || frames <= 0 || channels <= 0)
        return;
    const float perChannel = 1.0f / static_cast<float>(channels);
    Impl& a = *impl_;
    std::lock_guard<std::mutex> guard(a.lock);
    for (int f = 0; f < frames; ++f) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += interleaved[static_cast<long>(f) * channels + c];
        a.ring[a.head] = sum * perChannel;
        a.head = (a.head + 1) % kFrames;
        ++a.pushed;
        ++a.streamed;
        if (a.head % kHop == 0) a.hop();
    }
}

void Analyser::clear()
{
    Impl& a = *impl_;
    {
        std::lock_guard<std::mutex> guard(a.lock);
        std::memset(a.ring, 0, sizeof a.ring);
        a.head = 0;
        a.pushed = 0;
        a.sensitivity.reset();
        a.guard.reset();
        std::memset(a.measured, 0, sizeof a.measured);
        std::memset(a.shown, 0, sizeof a.shown);
    }
    std::memset(a.bins, 0, sizeof a.bins);
}

void Analyser::describe(const ScreenLight& light, double seconds)
{
    std::lock_guard<std::mutex> guard(impl_->lock);
    impl_->guard.describe(light, seconds, impl_->streamed);
}

float* Analyser::compute()
{
    Impl& a = *impl_;
    {
        std::lock_guard<std::mutex> guard(a.lock);
        std::memcpy(a.bins, a.shown, sizeof a.bins);
    }
    return a.bins;
}

float* Analyser::bins()
{
    return impl_->bins;
}

float Analyser::gain() const
{
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->sensitivity.gain();
}

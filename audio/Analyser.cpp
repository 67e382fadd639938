#include "audio/Analyser.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include <fftw3.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

struct Analyser::Impl {
    std::mutex lock;             // guards ring and head, shared with the mixer's thread
    float ring[kFrames] = {};    // mono frames; the oldest sits at head
    int head = 0;                // next slot to write

    float window[kFrames];       // periodic Hann: exact 0.5 leakage into each neighbour of a centred tone
    float scale;                 // 2 / sum of the window, so a full-scale centred sine reads 1.0
    float* in;                   // FFTW-aligned time samples, oldest first
    fftwf_complex* out;          // FFTW-aligned bins 0..kFrames/2
    fftwf_plan plan;
    float bins[kBins] = {};
};

Analyser::Analyser() : impl_(new Impl)
{
    Impl& a = *impl_;
    double sum = 0.0;
    for (int n = 0; n < kFrames; ++n) {
        a.window[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * n / kFrames));
        sum += a.window[n];
    }
    a.scale = static_cast<float>(2.0 / sum);
    a.in = fftwf_alloc_real(kFrames);
    a.out = fftwf_alloc_complex(kFrames / 2 + 1);
    // ESTIMATE leaves the buffers alone and plans in microseconds; a 1024-point transform needs no tuning.
    a.plan = fftwf_plan_dft_r2c_1d(kFrames, a.in, a.out, FFTW_ESTIMATE);
}

Analyser::~Analyser()
{
    fftwf_destroy_plan(impl_->plan);
    fftwf_free(impl_->out);
    fftwf_free(impl_->in);
    delete impl_;
}

void Analyser::push(const float* interleaved, int frames, int channels)
{
    if (!interleaved || frames <= 0 || channels <= 0)
        return;
    // Only the newest kFrames can ever be read back.
    if (frames > kFrames) {
        interleaved += static_cast<long>(frames - kFrames) * channels;
        frames = kFrames;
    }
    const float perChannel = 1.0f / static_cast<float>(channels);
    Impl& a = *impl_;
    std::lock_guard<std::mutex> guard(a.lock);
    for (int f = 0; f < frames; ++f) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += interleaved[f * channels + c];
        a.ring[a.head] = sum * perChannel;
        if (++a.head == kFrames)
            a.head = 0;
    }
}

void Analyser::clear()
{
    Impl& a = *impl_;
    {
        std::lock_guard<std::mutex> guard(a.lock);
        std::memset(a.ring, 0, sizeof a.ring);
        a.head = 0;
    }
    std::memset(a.bins, 0, sizeof a.bins);
}

float* Analyser::compute()
{
    Impl& a = *impl_;
    {
        std::lock_guard<std::mutex> guard(a.lock);
        const int older = kFrames - a.head;
        std::memcpy(a.in, a.ring + a.head, sizeof(float) * older);
        std::memcpy(a.in + older, a.ring, sizeof(float) * a.head);
    }
    for (int n = 0; n < kFrames; ++n)
        a.in[n] *= a.window[n];
    fftwf_execute(a.plan);
    for (int k = 0; k < kBins; ++k) {
        const float re = a.out[k][0];
        const float im = a.out[k][1];
        const float m = std::sqrt(re * re + im * im) * a.scale;
        // Written so that NaN reads as silence and the range holds whatever the input.
        a.bins[k] = m > 1.0f ? 1.0f : (m >= 0.0f ? m : 0.0f);
    }
    return a.bins;
}

float* Analyser::bins()
{
    return impl_->bins;
}

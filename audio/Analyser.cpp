#include "audio/Analyser.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include <fftw3.h>

#include "audio/Sensitivity.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kBandWeight = 0.1f;  // the show's loudness weighs each band bin by this

// One windowed 1024-point transform with buffers of its own, so that two can run on two threads at once.
struct Transform {
    float* in = fftwf_alloc_real(Analyser::kFrames);
    fftwf_complex* out = fftwf_alloc_complex(Analyser::kFrames / 2 + 1);
    // ESTIMATE leaves the buffers alone and plans in microseconds; a 1024-point transform needs no tuning.
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(Analyser::kFrames, in, out, FFTW_ESTIMATE);

    ~Transform()
    {
        fftwf_destroy_plan(plan);
        fftwf_free(out);
        fftwf_free(in);
    }
    // Windows `in` in place and transforms it into `out`.
    void run(const float* window)
    {
        for (int n = 0; n < Analyser::kFrames; ++n) in[n] *= window[n];
        fftwf_execute(plan);
    }
    float magnitude(int k) const { return std::sqrt(out[k][0] * out[k][0] + out[k][1] * out[k][1]); }
};

}  // namespace

struct Analyser::Impl {
    explicit Impl(int rate) : sensitivity(static_cast<double>(kFrames) / rate) {}

    std::mutex lock;             // guards ring, head and sensitivity, shared with the mixer's thread
    float ring[kFrames] = {};    // mono frames; the oldest sits at head
    int head = 0;                // next slot to write; 0 whenever a block of kFrames has completed
    Sensitivity sensitivity;

    float window[kFrames];       // periodic Hann: exact 0.5 leakage into each neighbour of a centred tone
    float scale;                 // 2 / sum of the window: a full-scale centred sine's magnitude is 1.0
    Transform reader;            // compute()'s, on the caller's thread
    Transform blocks;            // the sensitivity's, on the pushing thread
    float bins[kBins] = {};

    // The raw band loudness of the block that has just filled the ring, oldest frame first at 0.
    float blockLevel()
    {
        std::memcpy(blocks.in, ring, sizeof ring);
        blocks.run(window);
        float sum = 0.0f;
        for (int k = kBandFirst; k <= kBandLast; ++k) sum += blocks.magnitude(k) * scale * kBandWeight;
        return sum;
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
        if (++a.head == kFrames) {
            a.head = 0;
            a.sensitivity.measure(a.blockLevel());
        }
    }
}

void Analyser::clear()
{
    Impl& a = *impl_;
    {
        std::lock_guard<std::mutex> guard(a.lock);
        std::memset(a.ring, 0, sizeof a.ring);
        a.head = 0;
        a.sensitivity.reset();
    }
    std::memset(a.bins, 0, sizeof a.bins);
}

float* Analyser::compute()
{
    Impl& a = *impl_;
    float gain;
    {
        std::lock_guard<std::mutex> guard(a.lock);
        const int older = kFrames - a.head;
        std::memcpy(a.reader.in, a.ring + a.head, sizeof(float) * older);
        std::memcpy(a.reader.in + older, a.ring, sizeof(float) * a.head);
        gain = a.sensitivity.gain();
    }
    a.reader.run(a.window);
    const float factor = a.scale * gain;
    for (int k = 0; k < kBins; ++k) {
        const float m = a.reader.magnitude(k) * factor;
        // Written so that NaN reads as silence and the range holds whatever the input.
        a.bins[k] = m > 1.0f ? 1.0f : (m >= 0.0f ? m : 0.0f);
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

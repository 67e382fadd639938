#include "tests/support/DecodedMusic.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
struct HandleDeleter {
    void operator()(mpg123_handle* handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
}  // namespace

DecodedMusic::DecodedMusic(const std::string& path)
{
    int error = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleDeleter> handle(mpg123_new(nullptr, &error));
    if (!handle) return;
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    // Float samples at whatever rate and layout the file has: the format table must be set before opening.
    mpg123_format_none(handle.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(handle.get(), path.c_str()) != MPG123_OK) return;

    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK) return;
    if (encoding != MPG123_ENC_FLOAT_32) return;

    std::vector<unsigned char> chunk(1 << 16);
    for (;;) {
        size_t bytes = 0;
        int result = mpg123_read(handle.get(), chunk.data(), chunk.size(), &bytes);
        const float* decoded = reinterpret_cast<const float*>(chunk.data());
        samples_.insert(samples_.end(), decoded, decoded + bytes / sizeof(float));
        if (result == MPG123_DONE) break;
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            samples_.clear();
            return;
        }
    }
    rate_ = static_cast<int>(rate);
    channels_ = channels;
    samples_.resize(samples_.size() - samples_.size() % channels_);
    silence_.assign(static_cast<size_t>(Analyser::kFrames) * channels_, 0.0f);
    ok_ = rate_ > 0 && (channels_ == 1 || channels_ == 2);
}

void DecodedMusic::hearUntil(double seconds)
{
    constexpr double kFar = 1e6;  // seconds: beyond any music, and still a whole number of frames
    const long until = ok_ && std::isfinite(seconds) ? std::lround(std::clamp(seconds, -kFar, kFar) * rate_) : 0;
    if (until < fed_) {
        analyser_.clear();
        fed_ = 0;
    }
    if (fed_ < frames() && until > fed_) {
        const long last = std::min(until, frames());
        analyser_.push(samples_.data() + fed_ * channels_, static_cast<int>(last - fed_), channels_);
        fed_ = last;
    }
    // Past the end only silence follows. Within a few seconds of it the spectrum's fall has ended and nothing
    // is left to hear: more silence changes nothing.
    constexpr long kEverythingFallen = 5;  // seconds
    for (long quiet = std::min(until - fed_, kEverythingFallen * rate_); quiet > 0; quiet -= Analyser::kFrames)
        analyser_.push(silence_.data(), static_cast<int>(std::min<long>(quiet, Analyser::kFrames)), channels_);
    fed_ = std::max(fed_, until);
}

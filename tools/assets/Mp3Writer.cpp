#include "tools/assets/Mp3Writer.h"

#include <lame/lame.h>

#include <algorithm>
#include <memory>

namespace {
constexpr int kChunkFrames = 1152 * 16;
constexpr int kQuality = 3;  // 0 best .. 9 fastest; 3 is near-best at a third of the time

struct LameDeleter {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
}  // namespace

std::vector<unsigned char> encodeMp3(const std::vector<float>& left, const std::vector<float>& right, int rate,
                                     int kbps)
{
    std::vector<unsigned char> out;
    if (left.size() != right.size()) return out;
    std::unique_ptr<lame_global_flags, LameDeleter> lame(lame_init());
    if (!lame) return out;
    lame_set_num_channels(lame.get(), 2);
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_out_samplerate(lame.get(), rate);
    lame_set_brate(lame.get(), kbps);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_quality(lame.get(), kQuality);
    lame_set_bWriteVbrTag(lame.get(), 1);
    if (lame_init_params(lame.get()) < 0) return out;

    // Worst case per call, as the encoder documents it: 1.25 x frames + 7200 bytes.
    std::vector<unsigned char> buffer(kChunkFrames * 5 / 4 + 7200);
    int total = static_cast<int>(left.size());
    for (int done = 0; done < total; done += kChunkFrames) {
        int frames = std::min(kChunkFrames, total - done);
        int bytes = lame_encode_buffer_ieee_float(lame.get(), left.data() + done, right.data() + done, frames,
                                                  buffer.data(), static_cast<int>(buffer.size()));
        if (bytes < 0) return {};
        out.insert(out.end(), buffer.begin(), buffer.begin() + bytes);
    }
    int bytes = lame_encode_flush(lame.get(), buffer.data(), static_cast<int>(buffer.size()));
    if (bytes < 0) return {};
    out.insert(out.end(), buffer.begin(), buffer.begin() + bytes);

    // The encoder reserved the first frame for the tag; it can be filled in only now.
    size_t tagBytes = lame_get_lametag_frame(lame.get(), buffer.data(), buffer.size());
    if (tagBytes == 0 || tagBytes > out.size()) return {};
    std::copy(buffer.begin(), buffer.begin() + tagBytes, out.begin());
    return out;
}

#include "tests/support/ToneFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <lame/lame.h>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMp3Kbps = 192;

// Interleaved stereo 16-bit samples.
std::vector<int16_t> tone(double hz, double seconds, double amplitude, int rate)
{
    const double peak = 32767.0 * std::fmin(std::fmax(amplitude, 0.0), 1.0);
    const int frames = static_cast<int>(seconds * rate);
    std::vector<int16_t> pcm(2 * static_cast<size_t>(frames));
    for (int n = 0; n < frames; ++n) {
        const auto s = static_cast<int16_t>(std::lround(peak * std::sin(2.0 * kPi * hz * n / rate)));
        pcm[2 * n] = s;
        pcm[2 * n + 1] = s;
    }
    return pcm;
}

bool writeBytes(const std::string& path, const void* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(v & 0xff);
    out.push_back((v >> 8) & 0xff);
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

}  // namespace

bool writeWavTone(const std::string& path, double hz, double seconds, double amplitude, int rate)
{
    const std::vector<int16_t> pcm = tone(hz, seconds, amplitude, rate);
    const auto dataBytes = static_cast<uint32_t>(pcm.size() * sizeof(int16_t));
    std::vector<uint8_t> file;
    file.insert(file.end(), {'R', 'I', 'F', 'F'});
    put32(file, 36 + dataBytes);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(file, 16);
    put16(file, 1);  // PCM
    put16(file, 2);
    put32(file, static_cast<uint32_t>(rate));
    put32(file, static_cast<uint32_t>(rate) * 4);
    put16(file, 4);
    put16(file, 16);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    put32(file, dataBytes);
    for (int16_t s : pcm)
        put16(file, static_cast<uint16_t>(s));
    return writeBytes(path, file.data(), file.size());
}

bool writeMp3Tone(const std::string& path, double hz, double seconds, double amplitude, int rate)
{
    std::vector<int16_t> pcm = tone(hz, seconds, amplitude, rate);
    const int frames = static_cast<int>(pcm.size() / 2);
    lame_global_flags* lame = lame_init();
    if (!lame)
        return false;
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, kMp3Kbps);
    lame_set_quality(lame, 2);
    lame_set_bWriteVbrTag(lame, 0);  // no tag frame: the file is nothing but the tone
    std::vector<unsigned char> mp3(frames + frames / 4 + 7200);
    int size = -1;
    if (lame_init_params(lame) >= 0) {
        size = lame_encode_buffer_interleaved(lame, pcm.data(), frames, mp3.data(), static_cast<int>(mp3.size()));
        if (size >= 0) {
            const int tail = lame_encode_flush(lame, mp3.data() + size, static_cast<int>(mp3.size()) - size);
            size = tail < 0 ? -1 : size + tail;
        }
    }
    lame_close(lame);
    return size > 0 && writeBytes(path, mp3.data(), static_cast<size_t>(size));
}

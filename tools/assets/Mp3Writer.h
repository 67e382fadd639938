#pragma once
#include <vector>

// Encodes stereo float PCM (samples in [-1, 1], both channels the same length) as a constant-bit-rate MP3
// whose first frame is a LAME info tag: it tells decoders the encoder's delay and padding, so a gapless
// decoder returns exactly the frames given. The same input gives the same bytes. Empty on encoder failure.
std::vector<unsigned char> encodeMp3(const std::vector<float>& left, const std::vector<float>& right, int rate,
                                     int kbps);

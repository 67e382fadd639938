#pragma once
#include <string>

// Sound files for the sound tests: a steady stereo sine, the same in both channels, of `seconds` at
// `hz` with peak `amplitude` (1 = full 16-bit scale, kept within [0, 1]). Each writer returns false
// when the file cannot be written or encoded.
bool writeWavTone(const std::string& path, double hz, double seconds, double amplitude, int rate = 44100);
// Encoded with libmp3lame at 192 kbit/s; link the test with MP3LAME_LIBRARY.
bool writeMp3Tone(const std::string& path, double hz, double seconds, double amplitude, int rate = 44100);

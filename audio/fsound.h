#pragma once

// The sound interface the show is written against: a streaming player with a spectrum analyser.
// Implemented over SDL2_mixer (decoding, mixing, device output) and FFTW (the analyser).
// Failures are reported once on stderr by this layer; callers get false or a null handle.

struct FSOUND_STREAM;
struct FSOUND_DSPUNIT;

// Opens the default output device at `mixrate` Hz, stereo. False when no device can be opened.
bool FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
// Opens a music file for streaming (format detected by content). Null when it cannot be opened or decoded.
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int offset, int length);
// Plays the stream once from its start. Returns the channel, or -1. A null stream does nothing.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
bool FSOUND_Stream_Stop(FSOUND_STREAM* stream);
bool FSOUND_Stream_Close(FSOUND_STREAM* stream);
void FSOUND_Close();

FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit();
bool FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, bool active);
// The analyser's spectrum: 512 magnitudes in [0, 1], refreshed from the latest mixed output by
// each call. Owned by the layer; the pointer stays valid until FSOUND_Close.
float* FSOUND_DSP_GetSpectrum();

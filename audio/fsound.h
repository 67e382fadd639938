#pragma once

// The sound interface the show is written against: a streaming player with a spectrum analyser.
// Implemented over SDL2_mixer (decoding, mixing, device output) and FFTW (the analyser).
// Failures are reported once on stderr by this layer; callers get false, -1 or a null handle.
// All calls come from one thread; the mixer runs on SDL's audio thread and only feeds the analyser.

struct FSOUND_STREAM;
struct FSOUND_DSPUNIT;

// Starts SDL's audio subsystem only and opens the output device at exactly `mixrate` Hz, stereo
// (SDL_AUDIODRIVER picks the driver). False, after one line on stderr with SDL's reason, when no device
// can be opened or `mixrate` is not positive. The channel count and flags are accepted and unused.
// A second call while open is a no-op that returns true.
bool FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
// Opens a music file for streaming; the format (MP3, OGG, FLAC, WAV, ...) is judged by content, not by
// name. Null, after one line on stderr naming the file and the reason, when it cannot be opened or decoded
// or sound is not initialised. Only 0 is meaningful for mode, offset and length.
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int offset, int length);
// Plays the stream once from its start, replacing any music playing. Returns the channel (0), or -1 for
// a null or closed stream or a failed start. The channel argument is ignored.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// Stops the stream if it is the one playing. False for a null or closed stream; a stream that never
// played is fine.
bool FSOUND_Stream_Stop(FSOUND_STREAM* stream);
// Frees the stream; its handle is invalid afterwards. False for a null or already closed stream.
// Also valid after FSOUND_Close, which releases the decoder but leaves the handle to this call.
bool FSOUND_Stream_Close(FSOUND_STREAM* stream);
// Stops everything, switches the analyser off and closes the device. When it returns, the mixer's thread has
// ended and no callback of the layer runs again. Safe without a successful FSOUND_Init and when repeated.
// A successful FSOUND_Init registers it to run at exit too, for a process that exits without calling it.
void FSOUND_Close();

// The analyser unit: the one FFT unit of the output, off until switched on.
FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit();
// Switches the analyser; switching on starts from silence. False for any unit but the FFT unit.
bool FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, bool active);
// The analyser's spectrum: 512 values in [0, 1], refreshed by each call from the latest 1024 mixed
// frames (bin k centred at k * mixrate / 1024 Hz), each its magnitude times the automatic sensitivity that
// brings any track to the show's range (audio/Analyser.h, audio/Sensitivity.h).
// All zeros while the analyser is off, before Init, after Close and before anything has played.
// The array is owned by the layer, never null and at the same address for the life of the process.
float* FSOUND_DSP_GetSpectrum();

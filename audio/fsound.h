#pragma once

// The sound interface the show is written against: a streaming player and a recorder, with a spectrum analyser.
// Implemented over SDL2_mixer (decoding, mixing, device output), SDL's capture devices (recording) and FFTW
// (the analyser).
// Failures are reported once on stderr by this layer; callers get false, -1 or a null handle.
// All calls come from one thread; the mixer and the recorder run on SDL's audio threads and only feed the
// analyser.

struct FSOUND_STREAM;
struct FSOUND_DSPUNIT;
struct ScreenLight;

// What FSOUND_Init opens.
enum FSOUND_OUTPUTTYPES {
    FSOUND_OUTPUT_NOSOUND,  // no output device: nothing plays, the layer only records
    FSOUND_OUTPUT_SDL,      // SDL's output device, the driver as SDL_AUDIODRIVER picks it (the default)
};
// Chooses the output for the next FSOUND_Init. False while initialised or for an unknown type.
bool FSOUND_SetOutput(int outputtype);

// Starts SDL's audio subsystem only and, for FSOUND_OUTPUT_SDL, opens the output device at exactly `mixrate`
// Hz, stereo (SDL_AUDIODRIVER picks the driver). False, after one line on stderr with SDL's reason, when the
// subsystem cannot start, no device can be opened or `mixrate` is not positive. The channel count and flags
// are accepted and unused. A second call while open is a no-op that returns true.
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
// Stops everything (the recording first), switches the analyser off and closes the devices. When it returns,
// the mixer's and the recorder's threads have ended and no callback of the layer runs again. Safe without a successful FSOUND_Init and when repeated.
// A successful FSOUND_Init registers it to run at exit too, for a process that exits without calling it.
void FSOUND_Close();

// Keeps the recording going; call it once a frame. A recording whose device went away (unplugged, the sound
// server gone) is reported in one line, reads as silence and is tried again every few seconds until it is
// back, which is reported too.
void FSOUND_Update();

// Recording, from a capture device: a line-in, a microphone, or the monitor of an output ("what the computer
// plays"). While a recording runs the analyser hears it in place of the output. Drivers are SDL's capture
// devices, numbered from 0 in the order SDL lists them (monitors included).
enum { FSOUND_RECORD_DEFAULT = -1 };  // the default source, for FSOUND_Record_SetDriver
// Takes the list of capture devices afresh and returns its length; 0 before FSOUND_Init.
int FSOUND_Record_GetNumDrivers();
// The name of driver `id` of the last list, or null out of range. Valid until the list is taken again.
const char* FSOUND_Record_GetDriverName(int id);
// The driver the next FSOUND_Record_Start opens: an index of the last list, or FSOUND_RECORD_DEFAULT (the
// default) for the default source: the monitor of the default output where the sound server offers one
// (PulseAudio, PipeWire), else the default capture device. False for an index out of range or while recording.
bool FSOUND_Record_SetDriver(int outputdriver);
// Opens the chosen driver and starts recording into the analyser. Capture buffers are small (under 6 ms) so
// the analyser follows the sound closely. False, after one line on stderr naming what was asked, when it
// cannot be opened, when not initialised or when already recording. A lost device is tried again by the
// same choice: the same name, or the default source as it is then.
bool FSOUND_Record_Start();
// Stops and closes the recording; its thread has ended when this returns. False when not recording.
bool FSOUND_Record_Stop();
// Frames recorded since FSOUND_Record_Start, as heard by the spectrum last returned by
// FSOUND_DSP_GetSpectrum: a spectrum and the point of the recording it was taken at go together. -1 when no
// spectrum has been taken of the recording.
long FSOUND_Record_GetPosition();

// The analyser unit: the one FFT unit of the output (or of the recording), off until switched on.
FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit();
// Switches the analyser; switching on starts from silence. False for any unit but the FFT unit.
bool FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, bool active);
// The analyser's spectrum: 512 values in [0, 1], refreshed by each call from the latest 1024 mixed frames, or
// recorded ones while recording (bin k centred at k * mixrate / 1024 Hz), each its magnitude times the
// automatic sensitivity that brings any track to the show's range (audio/Analyser.h, audio/Sensitivity.h).
// All zeros while the analyser is off, before Init, after Close and before anything has played
// or been recorded.
// The array is owned by the layer, never null and at the same address for the life of the process.
float* FSOUND_DSP_GetSpectrum();
// This layer's own addition: what the show's screen makes of the loudness (audio/ScreenLight.h), so that the
// analyser's flash guard limits the swings the screen really makes. `showSeconds` is the show's time now; the
// show's time then runs with the sound's. Copies `light`; call it as a show starts. Ignored before Init and
// after Close, and for a null `light`.
void FSOUND_DSP_SetScreen(const ScreenLight* light, float showSeconds);

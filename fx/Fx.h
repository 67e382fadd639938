#pragma once

// An effect of the show. The runtime asks every effect, at every idle pass, frame and pointer event, whether
// it is active at the show time, and only then calls update, draw or onMouse with that same time.
// Times are show seconds; pos is the normalised pointer (x, y): (0, 0) top-left, (1, 1) bottom-right,
// values outside [0, 1] allowed, valid only during the call.
struct Fx {
    virtual bool isActive(float time) = 0;
    virtual void draw(float time) = 0;
    virtual void update(float time) = 0;
    virtual void onMouse(const float* pos, float time) = 0;
    virtual ~Fx() {}
};

// What the runtime shares with the effects. Both are written by the runtime's idle pass.
extern float audioLevel;  // loudness of the music, see loudness(); 1.0 until the first idle pass
extern float* spectrum;   // the analyser's current spectrum, at least kSpectrumBins floats, or null

constexpr int kSpectrumBins = 512;

// The loudness of a spectrum: the sum of 0.1 x bin over bins 2 to 59, summed in float in bin order.
// A null spectrum reads as silence.
float loudness(const float* bins);

#pragma once
#include <atomic>

class Analyser;

// The sound layer's recording (the FSOUND_Record_* calls and FSOUND_Update): one SDL capture device whose
// thread pushes what it hears into the layer's analyser, as the output's tap does. Internal to audio/; called
// on the layer's one thread.
namespace capture {

// From FSOUND_Init, after the audio subsystem has started: what the recording feeds and at what rate.
// `on` is the analyser's switch. `restartable`: no output device is open, so a lost sound server may be
// reached again by restarting the audio subsystem.
void begin(Analyser* analyser, const std::atomic<bool>* on, int rate, bool restartable);
// From FSOUND_Close, first: stops any recording; no callback of it runs afterwards.
void end();
// Whether a recording feeds the analyser now; the output's tap then steps aside. Safe from any thread.
bool recording();

// While one lives, the recording's callback waits, so a spectrum taken meanwhile and the recording position
// go together (FSOUND_Record_GetPosition).
class Held {
public:
    Held();
    ~Held();
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    unsigned device_;
};

}  // namespace capture

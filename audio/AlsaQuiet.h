#pragma once

// While one of these lives, the ALSA library prints none of its own errors. SDL probes ALSA when sound
// starts, and on a machine without a sound card ALSA would print a screen of lines before the sound layer's
// one line that says what went wrong. Not nested; lives on one thread.
class AlsaQuiet {
public:
    AlsaQuiet();
    ~AlsaQuiet();  // ALSA's own printing again
    AlsaQuiet(const AlsaQuiet&) = delete;
    AlsaQuiet& operator=(const AlsaQuiet&) = delete;
};

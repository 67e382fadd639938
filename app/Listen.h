#pragma once

// Listening mode, chosen by KIV_LISTEN: the show hears a capture device (by default what the computer plays)
// instead of its music, and starts over at its end until a way out.
//   KIV_LISTEN=1     the default source: the monitor of the default output where the sound server has one,
//                    else the default capture device
//   KIV_LISTEN=NAME  the first capture device whose name contains NAME, in any case
//   KIV_LISTEN=list  prints the capture devices, one a line, and exits 0
// Unset or empty: the music show. KIV_TEST_TIME_SCALE=N (for tests only, 1 to 1000) runs the listening show's
// clock N times faster, so its passes are short.

// KIV_LISTEN's value, or null for the music show.
const char* listenRequest();

// Starts listening to what `request` asks, sound initialised without an output. Returns -1 when the show goes
// on, or the status to exit with, sound closed: 0 after the list, 1 when nothing can be listened to (one line
// on stderr naming what was asked and what exists).
int startListening(const char* request);

// Binds the platform for listening: no music; the recording kept going each frame; at the show's end, the
// show started over (startShowOver).
void bindListening();

// The show of currentDemo started over at show time 0, as at start-up; the window, the pictures and the
// sound device are kept.
void startShowOver();

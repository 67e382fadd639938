#pragma once
#include "tools/assets/Signal.h"

// The instruments of the soundtrack. Each call adds one note or hit into a stereo bus, starting at a time in
// seconds; a note that runs past the bus's end is cut there. Pitches are MIDI note numbers (69 = A4, 440 Hz).
// Gains are linear; pan runs from -1 (left) to 1 (right). Everything is deterministic: the noise of a hit
// is seeded from its start frame, so the order of calls does not change the result.

double midiToHz(double midi);

// Drums. The kick's body sweeps from about 160 Hz down to 52 Hz; the snare is a tone and band-passed noise;
// the hat is high-passed noise, short or open.
void kick(Bus& bus, double at, float gain);
void snare(Bus& bus, double at, float gain);
void hat(Bus& bus, double at, float gain, bool open);

// A rising noise sweep of `length` seconds that ends at full `gain`, for the breaks between sections.
void riser(Bus& bus, double at, double length, float gain);

// Pitched voices, each held for `length` seconds and then released.
// bass: a square and a saw, slightly detuned, through a low-pass that opens on each note; tone in [0, 1]
// sets how far it stays open (0 dark, 1 buzzing up to about 2.5 kHz).
void bass(Bus& bus, double at, double length, int midi, float gain, float tone);
// pad: three detuned saws per note, soft attack, darkened; spread in stereo by pan.
void pad(Bus& bus, double at, double length, int midi, float gain, float pan);
// lead: a square and a saw with delayed vibrato.
void lead(Bus& bus, double at, double length, int midi, float gain, float pan);
// pluck: a quickly decaying bright saw, for arpeggios.
void pluck(Bus& bus, double at, double length, int midi, float gain, float pan);

// Adds a ping-pong echo of the bus to itself: `delay` seconds, each repeat `feedback` times the last.
void echo(Bus& bus, double delay, float feedback, float wet);

#pragma once
#include <vector>

// What plays when in the show's soundtrack: the chords, the melodies and, section by section, who plays and how
// loud. Score renders it.

struct Chord {
    int bass;      // MIDI, in the bass's octave
    int notes[3];  // the pad's voicing, around middle C
};

struct Note {
    double beat;    // from the start of its phrase
    double length;  // in beats
    int midi;
};
using Phrase = std::vector<Note>;  // four bars of a melody

enum class BassStyle { none, held, pulse, octave };

// One section: its place in music time, how many beats share it, and who plays.
struct Plan {
    const char* name;
    double start, end;
    int beats;
    std::vector<Chord> bars;  // one per bar of four beats, a last shorter bar included; or one for all beats
    std::vector<const Phrase*> melody;  // one per four bars, null for a rest
    int transpose = 0;
    int kickFromBar = -1;  // -1: no kick
    bool snare = false;
    int hatsPerBeat = 0;
    BassStyle bass = BassStyle::none;
    int bassFromBar = 0;
    float bassTone = 1.0f;
    float pad = 1.0f;
    int arpPerBeat = 0;
    float arp = 1.0f;
    bool fill = false;   // a snare roll over the last two beats
    bool riser = false;  // a noise sweep over the whole section
    bool octaveLead = false;
    // How loud the whole band plays, in dB below the loudest sections, at the first and at the last bar:
    // the quiet sections before the drops read dark on screen and the drops flare up.
    float dbFirst = 0.0f;
    float dbLast = 0.0f;
};

// The sections in order, from the first at 0 to the last, which ends at kMusicLength.
const std::vector<Plan>& plans();

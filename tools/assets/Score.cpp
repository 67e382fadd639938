#include "tools/assets/Score.h"

#include <algorithm>
#include <cmath>

namespace {
// Bus levels before mastering; they set how loud the show's analyser hears each section.
constexpr float kDrumLevel = 0.6f;
constexpr float kBassLevel = 0.5f;
constexpr float kPadLevel = 0.55f;
constexpr float kLeadLevel = 0.45f;
constexpr float kArpLevel = 0.35f;
constexpr float kRiserLevel = 0.5f;
constexpr float kDuckDepth = 0.45f;  // how far pads, arp and bass dip under each kick
constexpr double kDuckTime = 0.09;
constexpr double kEchoDelay = 0.36;

struct Chord {
    int bass;      // MIDI, in the bass's octave
    int notes[3];  // the pad's voicing, around middle C
};
const Chord kAm{45, {57, 60, 64}};
const Chord kF{41, {57, 60, 65}};
const Chord kC{48, {55, 60, 64}};
const Chord kG{43, {55, 59, 62}};
const Chord kDm{38, {57, 62, 65}};
const Chord kE{40, {56, 59, 64}};
const Chord kEm{40, {55, 59, 64}};

struct Note {
    double beat;    // from the start of its phrase
    double length;  // in beats
    int midi;
};
using Phrase = std::vector<Note>;  // four bars of a melody

// The hook, its answer, and a second theme over the subdominant; then the build's and breakdown's lines.
const Phrase kHook{{0, 1, 69},    {1, .5, 72},   {1.5, 1, 76}, {2.5, .5, 74}, {3, 1, 72},    {4, 1, 69},
                   {5, .5, 72},   {5.5, 1, 77},  {6.5, .5, 76}, {7, 1, 72},   {8, 1, 67},    {9, .5, 72},
                   {9.5, 1, 76},  {10.5, 1, 79}, {11.5, .5, 76}, {12, 1.5, 74}, {13.5, .5, 71}, {14, .5, 74},
                   {14.5, 1.5, 67}};
const Phrase kAnswer{{0, 1, 69},   {1, .5, 72},    {1.5, 1, 76}, {2.5, .5, 74}, {3, 1, 72}, {4, 1, 77},
                     {5, .5, 76},  {5.5, 1, 72},   {6.5, .5, 69}, {7, 1, 72},  {8, 1, 79}, {9, .5, 76},
                     {9.5, 1, 72}, {10.5, 1, 76},  {11.5, .5, 74}, {12, 1, 71}, {13, 1, 74}, {14, 2, 76}};
const Phrase kTheme{{0, 1.5, 77}, {1.5, .5, 76}, {2, 1, 74},  {3, 1, 72},  {4, 1.5, 76}, {5.5, .5, 74},
                    {6, 1, 72},   {7, 1, 69},    {8, 1, 72},  {9, 1, 77},  {10, 1, 81},  {11, 1, 77},
                    {12, 2, 79},  {14, 1, 74},   {15, 1, 71}};
const Phrase kThemeEnd{{0, 1.5, 77}, {1.5, .5, 76}, {2, 1, 74}, {3, 1, 72},  {4, 1.5, 76}, {5.5, .5, 74},
                       {6, 1, 72},   {7, 1, 69},    {8, 1, 71}, {9, 1, 68},  {10, 1, 71},  {11, 1, 74},
                       {12, 3, 76},  {15, 1, 80}};
const Phrase kRise{{0, 2, 72}, {2, 2, 69}, {4, 2, 71}, {6, 2, 74}, {8, 3, 71}, {11, 1, 67}, {12, 4, 69}};
const Phrase kRiseEnd{{0, 2, 72}, {2, 2, 77}, {4, 2, 74}, {6, 2, 79}, {8, 4, 76}, {12, 2, 80}};
const Phrase kFloat{{0, 3, 72}, {3, 1, 69}, {4, 3, 74}, {7, 1, 71}, {8, 2, 67}, {10, 2, 71}, {12, 4, 69}};

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

std::vector<Plan> makePlans()
{
    std::vector<Plan> p(11);
    p[0] = {"intro", 0.0, 15.3, 32, {kAm, kF, kC, kG, kAm, kF, kC, kG}, {}};
    p[0].kickFromBar = 4;
    p[0].bass = BassStyle::held;
    p[0].bassFromBar = 4;
    p[0].bassTone = 0.2f;
    p[0].arpPerBeat = 4;
    p[0].arp = 0.6f;
    p[0].pad = 0.65f;
    p[0].dbFirst = -16.0f;
    p[0].dbLast = -12.0f;

    p[1] = {"verse", 15.3, 26.8, 24, {kAm, kF, kC, kG, kDm, kE}, {}};
    p[1].kickFromBar = 0;
    p[1].snare = true;
    p[1].hatsPerBeat = 2;
    p[1].bass = BassStyle::octave;
    p[1].bassTone = 0.6f;
    p[1].pad = 0.6f;
    p[1].arpPerBeat = 2;
    p[1].arp = 0.6f;
    p[1].dbFirst = p[1].dbLast = -8.0f;

    p[2] = {"build", 26.8, 41.2, 30, {kF, kG, kEm, kAm, kF, kG, kAm, kE}, {&kRise, &kRiseEnd}};
    p[2].kickFromBar = 0;
    p[2].snare = true;
    p[2].hatsPerBeat = 4;
    p[2].bass = BassStyle::pulse;
    p[2].bassTone = 0.7f;
    p[2].pad = 0.65f;
    p[2].fill = true;
    p[2].dbFirst = -7.0f;
    p[2].dbLast = -2.0f;

    p[3] = {"break", 41.2, 42.0, 2, {kE}, {}};
    p[3].pad = 0.6f;
    p[3].riser = true;
    p[3].dbFirst = p[3].dbLast = -14.0f;

    p[4] = {"drop", 42.0, 56.8, 32, {kAm, kF, kC, kG, kAm, kF, kC, kG}, {&kHook, &kAnswer}};
    p[4].kickFromBar = 0;
    p[4].snare = true;
    p[4].hatsPerBeat = 2;
    p[4].bass = BassStyle::octave;
    p[4].arpPerBeat = 4;

    p[5] = {"breakdown", 56.8, 64.0, 16, {kF, kG, kEm, kAm}, {&kFloat}};
    p[5].bass = BassStyle::held;
    p[5].bassTone = 0.3f;
    p[5].arpPerBeat = 2;
    p[5].arp = 0.4f;
    p[5].pad = 0.5f;
    p[5].dbFirst = p[5].dbLast = -16.0f;

    p[6] = {"main", 64.0, 94.0, 64,
            {kAm, kF, kC, kG, kAm, kF, kC, kG, kDm, kAm, kF, kG, kDm, kAm, kE, kE},
            {&kHook, &kAnswer, &kTheme, &kThemeEnd}};
    p[6].kickFromBar = 0;
    p[6].snare = true;
    p[6].hatsPerBeat = 2;
    p[6].bass = BassStyle::octave;
    p[6].arpPerBeat = 4;
    p[6].dbFirst = p[6].dbLast = -1.0f;

    p[7] = {"lift", 94.0, 94.8, 2, {kE}, {}};
    p[7].transpose = 2;
    p[7].pad = 0.6f;
    p[7].riser = true;
    p[7].dbFirst = p[7].dbLast = -14.0f;

    p[8] = {"finale", 94.8, 132.5, 80,
            {kAm, kF, kC, kG, kAm, kF, kC, kG, kDm, kAm, kF, kG, kDm, kAm, kE, kE, kAm, kF, kC, kG},
            {&kHook, &kAnswer, &kTheme, &kThemeEnd, &kHook}};
    p[8].transpose = 2;
    p[8].kickFromBar = 0;
    p[8].snare = true;
    p[8].hatsPerBeat = 4;
    p[8].bass = BassStyle::octave;
    p[8].arpPerBeat = 4;
    p[8].octaveLead = true;

    p[9] = {"turn", 132.5, 134.0, 3, {kF}, {}};
    p[9].transpose = 2;
    p[9].kickFromBar = 0;
    p[9].bass = BassStyle::held;
    p[9].bassTone = 0.5f;
    p[9].arpPerBeat = 2;
    p[9].dbFirst = p[9].dbLast = -5.0f;

    p[10] = {"coda", 134.0, kMusicLength, 12, {kAm}, {}};
    p[10].transpose = 2;
    p[10].bass = BassStyle::held;
    p[10].bassTone = 0.2f;
    p[10].arpPerBeat = 1;
    p[10].dbFirst = p[10].dbLast = -14.0f;
    return p;
}

const std::vector<Plan>& plans()
{
    static const std::vector<Plan> all = makePlans();
    return all;
}

struct Buses {
    explicit Buses(int frames) : drums(frames), bass(frames), pads(frames), lead(frames), arp(frames) {}
    Bus drums, bass, pads, lead, arp;
    std::vector<double> kicks;  // start times, for the ducking
};

// The section's loudness at a bar, stepping evenly in dB from its first bar to its last.
float barLevel(const Plan& plan, int bar)
{
    const int bars = static_cast<int>(plan.bars.size());
    const float along = bars > 1 ? static_cast<float>(bar) / static_cast<float>(bars - 1) : 0.0f;
    return std::pow(10.0f, (plan.dbFirst + (plan.dbLast - plan.dbFirst) * along) / 20.0f);
}

void renderBar(Buses& b, const Plan& plan, int bar, double beatLength)
{
    const float level = barLevel(plan, bar);
    const Chord& chord = plan.bars[bar];
    int t = plan.transpose;
    int barBeats = plan.bars.size() == 1 ? plan.beats : 4;  // a one-chord section holds it throughout
    int firstBeat = bar * barBeats;
    int beats = std::min(barBeats, plan.beats - firstBeat);
    auto at = [&](double beat) { return plan.start + (firstBeat + beat) * beatLength; };
    double held = beats * beatLength;

    for (int i = 0; i < 3; ++i)
        pad(b.pads, at(0), held, chord.notes[i] + t, plan.pad * level, -0.5f + 0.5f * i);

    if (plan.kickFromBar >= 0 && bar >= plan.kickFromBar) {
        for (int beat = 0; beat < beats; ++beat) {
            float gain = bar == plan.kickFromBar && plan.kickFromBar > 0 ? 0.8f : 1.0f;
            kick(b.drums, at(beat), gain * level);
            b.kicks.push_back(at(beat));
        }
    }
    bool fillBar = plan.fill && firstBeat + beats == plan.beats;
    for (int beat = 0; beat < beats; ++beat) {
        bool filling = fillBar && beat >= beats - 2;
        if (plan.snare && beat % 2 == 1 && !filling) snare(b.drums, at(beat), level);
        for (int h = 0; h < plan.hatsPerBeat; ++h) {
            double step = static_cast<double>(h) / plan.hatsPerBeat;
            float gain = step == 0.5 ? 0.22f : 0.12f;
            if (plan.hatsPerBeat > 1 && step == 0.0) continue;  // the kick has the beat
            hat(b.drums, at(beat + step), gain * level, false);
        }
        if (filling) {
            for (int s = 0; s < 4; ++s) {
                double progress = (beat - (beats - 2)) * 4 + s;
                snare(b.drums, at(beat + s * 0.25), (0.25f + 0.04f * static_cast<float>(progress)) * level);
            }
        }
    }

    if (plan.bass != BassStyle::none && bar >= plan.bassFromBar) {
        int root = chord.bass + t;
        if (plan.bass == BassStyle::held) {
            bass(b.bass, at(0), held - 0.05, root, 0.8f * level, plan.bassTone);
        } else {
            for (int e = 0; e < beats * 2; ++e) {
                int midi = plan.bass == BassStyle::octave && e % 2 == 1 ? root + 12 : root;
                bass(b.bass, at(e * 0.5), beatLength * 0.42, midi, level, plan.bassTone);
            }
        }
    }

    if (plan.arpPerBeat > 0) {
        static const int kOrder[] = {0, 1, 2, 3, 2, 1, 0, 2};
        int count = beats * plan.arpPerBeat;
        for (int n = 0; n < count; ++n) {
            int step = kOrder[n % 8];
            int midi = (step == 3 ? chord.notes[0] + 12 : chord.notes[step]) + 12 + t;
            double beat = static_cast<double>(n) / plan.arpPerBeat;
            float pan = n % 2 == 0 ? -0.4f : 0.4f;
            pluck(b.arp, at(beat), beatLength / plan.arpPerBeat * 0.8, midi, plan.arp * level, pan);
        }
    }

    if (bar % 4 == 0 && bar / 4 < static_cast<int>(plan.melody.size()) && plan.melody[bar / 4]) {
        for (const Note& note : *plan.melody[bar / 4]) {
            if (firstBeat + note.beat >= plan.beats) continue;
            double length = note.length * beatLength * 0.92;
            lead(b.lead, at(note.beat), length, note.midi + t, level, 0.1f);
            if (plan.octaveLead) lead(b.lead, at(note.beat), length, note.midi + t + 12, 0.35f * level, -0.2f);
        }
    }
}

// Dips the bus after every kick, so the kick speaks through the held sounds.
void duck(Bus& bus, const std::vector<double>& kicks)
{
    size_t next = 0;
    double last = -1e9;
    for (int i = 0; i < bus.frames(); ++i) {
        double t = static_cast<double>(i) / kMusicRate;
        while (next < kicks.size() && kicks[next] <= t) last = kicks[next++];
        float gain = 1.0f - kDuckDepth * static_cast<float>(std::exp(-(t - last) / kDuckTime));
        bus.left[i] *= gain;
        bus.right[i] *= gain;
    }
}
}  // namespace

const std::vector<Section>& sections()
{
    static const std::vector<Section> all = [] {
        std::vector<Section> s;
        for (const Plan& p : plans()) s.push_back({p.name, p.start, p.end});
        return s;
    }();
    return all;
}

void renderScore(Bus& out)
{
    Buses b(out.frames());
    for (const Plan& plan : plans()) {
        double beatLength = (plan.end - plan.start) / plan.beats;
        for (int bar = 0; bar < static_cast<int>(plan.bars.size()); ++bar) renderBar(b, plan, bar, beatLength);
        if (plan.riser) riser(b.drums, plan.start - 0.4, plan.end - plan.start + 0.4, kRiserLevel * barLevel(plan, 0));
    }
    std::sort(b.kicks.begin(), b.kicks.end());
    duck(b.pads, b.kicks);
    duck(b.arp, b.kicks);
    duck(b.bass, b.kicks);
    echo(b.lead, kEchoDelay, 0.35f, 0.3f);
    echo(b.arp, kEchoDelay * 0.75, 0.3f, 0.25f);

    out.mixIn(b.drums, kDrumLevel);
    out.mixIn(b.bass, kBassLevel);
    out.mixIn(b.pads, kPadLevel);
    out.mixIn(b.lead, kLeadLevel);
    out.mixIn(b.arp, kArpLevel);
}

#include "tools/assets/Score.h"

#include <algorithm>
#include <cmath>

#include "tools/assets/Arrangement.h"

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

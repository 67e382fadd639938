#include "tools/assets/Synth.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kDt = 1.0 / kMusicRate;

constexpr double kKickLength = 0.4;
constexpr double kKickLowHz = 52.0;
constexpr double kKickSweepHz = 110.0;  // start pitch is low + sweep
constexpr double kKickDrive = 2.5;       // saturation: overtones that reach the analysed band
constexpr double kSnareLength = 0.3;
constexpr double kSnareToneHz = 185.0;
constexpr double kSnareNoiseHz = 1800.0;
constexpr double kHatHz = 7000.0;
constexpr double kBassDetuneCents = 7.0;
constexpr double kBassDarkHz = 250.0;     // filter floor at tone 0
constexpr double kBassBrightHz = 1600.0;  // and at tone 1: buzzy overtones up to the top of the band
constexpr double kPadDetuneCents = 9.0;
constexpr double kPadCutoffHz = 3000.0;
constexpr double kPadAttack = 0.25;
constexpr double kPadRelease = 0.6;
constexpr int kPadWobbleStride = 64;
constexpr double kLeadCutoffHz = 3200.0;
constexpr double kVibratoHz = 5.5;
constexpr double kVibratoSemitones = 0.2;
constexpr double kRelease = 0.06;  // of bass, lead and pluck: short enough to keep notes apart

int frameOf(double seconds) { return static_cast<int>(std::lround(seconds * kMusicRate)); }

double cents(double c) { return std::pow(2.0, c / 1200.0); }

// Equal-power panning: the centre gets 0.707 on both sides.
void panGains(float pan, float& left, float& right)
{
    double angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0) * kPi / 4.0;
    left = static_cast<float>(std::cos(angle));
    right = static_cast<float>(std::sin(angle));
}

// Attack, then hold until `length`, then a linear release; 0 outside.
double gate(double t, double attack, double length, double release)
{
    if (t < 0.0) return 0.0;
    double level = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
    if (t > length) level *= std::max(0.0, 1.0 - (t - length) / release);
    return level;
}

// Adds `seconds` of a stereo source into the bus from `at`; source(t, l, r) gives the frame at time t.
template <class Source>
void render(Bus& bus, double at, double seconds, Source source)
{
    int first = frameOf(at);
    int count = static_cast<int>(std::ceil(seconds * kMusicRate));
    for (int n = 0; n < count; ++n) {
        int i = first + n;
        if (i >= bus.frames()) break;
        float l = 0.0f, r = 0.0f;
        source(n * kDt, l, r);
        if (i < 0) continue;
        bus.left[i] += l;
        bus.right[i] += r;
    }
}

template <class Source>
void renderMono(Bus& bus, double at, double seconds, float gain, float pan, Source source)
{
    float gl, gr;
    panGains(pan, gl, gr);
    render(bus, at, seconds, [&](double t, float& l, float& r) {
        float s = static_cast<float>(source(t)) * gain;
        l = s * gl;
        r = s * gr;
    });
}
}  // namespace

double midiToHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

void kick(Bus& bus, double at, float gain)
{
    Oscillator body;
    Noise click(static_cast<uint32_t>(frameOf(at)));
    Filter knock;
    renderMono(bus, at, kKickLength, gain, 0.0f, [&](double t) {
        double hz = kKickLowHz + kKickSweepHz * std::exp(-t / 0.035);
        double amp = std::exp(-t / 0.11) * std::min(1.0, (kKickLength - t) / 0.02);
        knock.run(click.next(), 1200.0, 0.8);
        double s = body.sine(hz) * amp + knock.band * 1.5 * std::exp(-t / 0.008);
        return std::tanh(kKickDrive * s) / std::tanh(kKickDrive);
    });
}

void snare(Bus& bus, double at, float gain)
{
    Oscillator tone;
    Noise noise(static_cast<uint32_t>(frameOf(at)) ^ 0x5A5A5A5Au);
    Filter filter;
    renderMono(bus, at, kSnareLength, gain, 0.05f, [&](double t) {
        filter.run(noise.next(), kSnareNoiseHz, 0.7);
        double fade = std::min(1.0, (kSnareLength - t) / 0.02);
        return (0.55 * tone.sine(kSnareToneHz) * std::exp(-t / 0.04) +
                2.2 * filter.band * std::exp(-t / 0.09)) * fade;
    });
}

void hat(Bus& bus, double at, float gain, bool open)
{
    double decay = open ? 0.12 : 0.025;
    double length = decay * 5.0;
    Noise noise(static_cast<uint32_t>(frameOf(at)) ^ 0xC3C3C3C3u);
    Filter filter;
    renderMono(bus, at, length, gain, -0.25f, [&](double t) {
        filter.run(noise.next(), kHatHz, 0.9);
        return filter.high * std::exp(-t / decay);
    });
}

void riser(Bus& bus, double at, double length, float gain)
{
    Noise left(static_cast<uint32_t>(frameOf(at)) ^ 0x1234567u);
    Noise right(static_cast<uint32_t>(frameOf(at)) ^ 0x7654321u);
    Filter fl, fr;
    render(bus, at, length, [&](double t, float& l, float& r) {
        double u = t / length;
        double hz = 300.0 * std::pow(20.0, u);
        fl.run(left.next(), hz, 2.0);
        fr.run(right.next(), hz, 2.0);
        double amp = gain * u * u;
        l = static_cast<float>(fl.band * amp);
        r = static_cast<float>(fr.band * amp);
    });
}

void bass(Bus& bus, double at, double length, int midi, float gain, float tone)
{
    double hz = midiToHz(midi);
    double floor = kBassDarkHz + (kBassBrightHz - kBassDarkHz) * std::clamp(tone, 0.0f, 1.0f);
    Oscillator a, b, sub;
    b.phase = 0.37;
    Filter filter;
    const double flat = hz / cents(kBassDetuneCents), sharp = hz * cents(kBassDetuneCents);
    renderMono(bus, at, length + kRelease, gain, 0.0f, [&](double t) {
        double raw = 0.6 * a.square(flat) + 0.4 * b.saw(sharp);
        filter.run(raw, floor + 1800.0 * std::exp(-t / 0.09), 1.2);
        return (filter.low + 0.2 * sub.sine(hz)) * gate(t, 0.004, length, kRelease);
    });
}

void pad(Bus& bus, double at, double length, int midi, float gain, float pan)
{
    double hz = midiToHz(midi);
    // Phases differ per note, or the saws of a chord would line up into peaks at every attack.
    Oscillator lo, mid, hi;
    lo.phase = std::fmod(midi * 0.618034, 1.0);
    mid.phase = std::fmod(midi * 0.414214, 1.0);
    hi.phase = std::fmod(midi * 0.732051, 1.0);
    Filter fl, fr;
    float gl, gr;
    panGains(pan, gl, gr);
    const double flat = hz / cents(kPadDetuneCents), sharp = hz * cents(kPadDetuneCents);
    double cutoff = kPadCutoffHz;
    int frame = 0;
    render(bus, at, length + kPadRelease, [&](double t, float& l, float& r) {
        // The slow wobble of the cutoff is computed every few frames: each new cutoff costs a tangent.
        if (frame++ % kPadWobbleStride == 0) cutoff = kPadCutoffHz * (1.0 + 0.15 * std::sin(2.0 * kPi * 0.3 * t));
        double m = mid.saw(hz);
        double below = lo.saw(flat);
        double above = hi.saw(sharp);
        fl.run(below + 0.7 * m + 0.3 * above, cutoff, 0.8);
        fr.run(above + 0.7 * m + 0.3 * below, cutoff, 0.8);
        double amp = gain * 0.6 * gate(t, kPadAttack, length, kPadRelease);
        l = static_cast<float>(fl.low * amp * gl);
        r = static_cast<float>(fr.low * amp * gr);
    });
}

void lead(Bus& bus, double at, double length, int midi, float gain, float pan)
{
    double hz = midiToHz(midi);
    Oscillator sq, sw, lfo;
    Filter filter;
    const double sawDetune = cents(4.0);
    renderMono(bus, at, length + kRelease, gain, pan, [&](double t) {
        double depth = kVibratoSemitones * std::clamp((t - 0.15) / 0.2, 0.0, 1.0);
        double f = hz * std::pow(2.0, depth * lfo.sine(kVibratoHz) / 12.0);
        filter.run(0.55 * sq.square(f) + 0.45 * sw.saw(f * sawDetune), kLeadCutoffHz, 0.9);
        double body = 0.8 + 0.2 * std::exp(-t / 0.15);
        return filter.low * body * gate(t, 0.01, length, kRelease);
    });
}

void pluck(Bus& bus, double at, double length, int midi, float gain, float pan)
{
    double hz = midiToHz(midi);
    Oscillator osc;
    Filter filter;
    renderMono(bus, at, length + kRelease, gain, pan, [&](double t) {
        filter.run(osc.saw(hz), 400.0 + 3800.0 * std::exp(-t / 0.06), 1.1);
        return filter.low * std::exp(-t / 0.3) * gate(t, 0.002, length, kRelease);
    });
}

void echo(Bus& bus, double delay, float feedback, float wet)
{
    int d = std::max(1, frameOf(delay));
    int frames = bus.frames();
    std::vector<float> toLeft(frames, 0.0f), toRight(frames, 0.0f);
    for (int i = d; i < frames; ++i) {
        float dry = 0.5f * (bus.left[i - d] + bus.right[i - d]);
        toLeft[i] = dry + feedback * toRight[i - d];
        toRight[i] = feedback * toLeft[i - d];
    }
    for (int i = 0; i < frames; ++i) {
        bus.left[i] += wet * toLeft[i];
        bus.right[i] += wet * toRight[i];
    }
}

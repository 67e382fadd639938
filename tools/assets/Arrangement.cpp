#include "tools/assets/Arrangement.h"

#include "tools/assets/Score.h"

namespace {
const Chord kAm{45, {57, 60, 64}};
const Chord kF{41, {57, 60, 65}};
const Chord kC{48, {55, 60, 64}};
const Chord kG{43, {55, 59, 62}};
const Chord kDm{38, {57, 62, 65}};
const Chord kE{40, {56, 59, 64}};
const Chord kEm{40, {55, 59, 64}};

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
}  // namespace

const std::vector<Plan>& plans()
{
    static const std::vector<Plan> all = makePlans();
    return all;
}

#include "fx/HexFire.h"

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace {

constexpr float kRiseGain = 0.17f;        // mode 1: 4 x own + 2 x mean below, times this
constexpr float kRiseCeiling = 0.995f;
constexpr float kSpreadThreshold = 0.9f;  // mode 2: only neighbours above this spread
constexpr float kSpreadGain = 0.01f;
constexpr float kFillGain = 0.1f;         // mode 3
constexpr float kFillBase = 0.002f;
constexpr float kCeiling = 0.999f;        // modes 2 and 3
constexpr float kGravity = 0.001f;        // mode 4: added to a falling cell's vy per step

float rise(const HexCell& cell) {
    const float a = 4.0f * cell.current();
    float s = 0.0f;
    int n = 0;
    for (const HexCell* below : cell.lower) {
        if (below) {
            s = below->current() + s;
            n = n + 1;
        }
    }
    const float m = n > 0 ? s / static_cast<float>(n) : s;
    const float t = 2.0f * m + a;
    const float next = t * kRiseGain;
    return next > kRiseCeiling ? kRiseCeiling : next;
}

float spread(const HexCell& cell) {
    float s = 0.0f;
    for (int k = 0; k < 3; ++k) {
        for (const HexCell* n : {cell.lower[k], cell.upper[k]}) {
            if (n && n->current() > kSpreadThreshold) s = n->current() * kSpreadGain + s;
        }
    }
    const float next = s + cell.current();
    return next > kCeiling ? kCeiling : next;
}

float fill(const HexCell& cell) {
    float s = 0.0f;
    for (int k = 0; k < 3; ++k) {
        for (const HexCell* n : {cell.lower[k], cell.upper[k]}) {
            if (n) s = n->current() * kFillGain + s;
        }
    }
    const float next = (s + kFillBase) + cell.current();
    return next > kCeiling ? kCeiling : next;
}

void fall(HexCell& cell) {
    if (cell.falling) {
        cell.x = cell.x + cell.vx;
        cell.y = cell.y + cell.vy;
        cell.vy = cell.vy + kGravity;
    }
}

// The next value of a cell under mode `Mode`, written into its other buffer. Modes outside 0 to 4
// darken every cell.
template <int Mode>
void stepAs(HexCell& cell) {
    float next = 0.0f;
    if constexpr (Mode == 0) next = cell.current();
    if constexpr (Mode == 1) next = rise(cell);
    if constexpr (Mode == 2) next = spread(cell);
    if constexpr (Mode == 3) next = fill(cell);
    if constexpr (Mode == 4) fall(cell);
    cell.value[cell.flip ? 0 : 1] = next;
}

#if defined(__SSE2__)
// Modes 1 to 3 for four cells at once, one per lane, every lane doing the very float operations of
// the rule above in its order, so the results are the same to the bit. A missing link reads as +0:
// the sums start at +0 and so never hold -0, and adding +0 leaves them as they are. Reading the
// neighbours dominates a step; the lanes share the arithmetic and its latency.
float linkValue(const HexCell* n) { return n ? n->current() : 0.0f; }

__m128 lowerValues(const HexCell* c, int k) {
    return _mm_setr_ps(linkValue(c[0].lower[k]), linkValue(c[1].lower[k]), linkValue(c[2].lower[k]),
                       linkValue(c[3].lower[k]));
}

__m128 upperValues(const HexCell* c, int k) {
    return _mm_setr_ps(linkValue(c[0].upper[k]), linkValue(c[1].upper[k]), linkValue(c[2].upper[k]),
                       linkValue(c[3].upper[k]));
}

__m128 ownValues(const HexCell* c) {
    return _mm_setr_ps(c[0].current(), c[1].current(), c[2].current(), c[3].current());
}

// min(ceiling, next) is `next > ceiling ? ceiling : next`, also for NaN.
void storeNext(HexCell* c, __m128 next, float ceiling) {
    alignas(16) float out[4];
    _mm_store_ps(out, _mm_min_ps(_mm_set1_ps(ceiling), next));
    for (int i = 0; i < 4; ++i) c[i].value[c[i].flip ? 0 : 1] = out[i];
}

// With no cell below, s is 0 and so is m; dividing by 1 gives that.
float cellsBelow(const HexCell& cell) {
    int n = 0;
    for (const HexCell* below : cell.lower) n += below != nullptr;
    return n > 0 ? static_cast<float>(n) : 1.0f;
}

void riseFour(HexCell* c) {
    const __m128 a = _mm_mul_ps(_mm_set1_ps(4.0f), ownValues(c));
    __m128 s = _mm_setzero_ps();
    for (int k = 0; k < 3; ++k) s = _mm_add_ps(lowerValues(c, k), s);
    const __m128 n = _mm_setr_ps(cellsBelow(c[0]), cellsBelow(c[1]), cellsBelow(c[2]), cellsBelow(c[3]));
    const __m128 m = _mm_div_ps(s, n);
    const __m128 t = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(2.0f), m), a);
    storeNext(c, _mm_mul_ps(t, _mm_set1_ps(kRiseGain)), kRiseCeiling);
}

void spreadFour(HexCell* c) {
    const __m128 threshold = _mm_set1_ps(kSpreadThreshold);
    const __m128 gain = _mm_set1_ps(kSpreadGain);
    __m128 s = _mm_setzero_ps();
    for (int k = 0; k < 3; ++k) {
        for (__m128 v : {lowerValues(c, k), upperValues(c, k)}) {
            // Masked rather than branched on: which neighbours pass is unpredictable.
            s = _mm_add_ps(_mm_and_ps(_mm_cmpgt_ps(v, threshold), _mm_mul_ps(v, gain)), s);
        }
    }
    storeNext(c, _mm_add_ps(s, ownValues(c)), kCeiling);
}

void fillFour(HexCell* c) {
    const __m128 gain = _mm_set1_ps(kFillGain);
    __m128 s = _mm_setzero_ps();
    for (int k = 0; k < 3; ++k) {
        s = _mm_add_ps(_mm_mul_ps(lowerValues(c, k), gain), s);
        s = _mm_add_ps(_mm_mul_ps(upperValues(c, k), gain), s);
    }
    storeNext(c, _mm_add_ps(_mm_add_ps(s, _mm_set1_ps(kFillBase)), ownValues(c)), kCeiling);
}

template <int Mode>
void stepFour(HexCell* c) {
    if constexpr (Mode == 1) riseFour(c);
    if constexpr (Mode == 2) spreadFour(c);
    if constexpr (Mode == 3) fillFour(c);
}
#endif

template <int Mode>
void stepAll(std::vector<HexCell>& cells) {
    std::size_t i = 0;
#if defined(__SSE2__)
    if constexpr (Mode >= 1 && Mode <= 3) {
        for (; i + 4 <= cells.size(); i += 4) stepFour<Mode>(&cells[i]);
    }
#endif
    for (; i < cells.size(); ++i) stepAs<Mode>(cells[i]);
}

}  // namespace

void HexCell::step(int mode) {
    switch (mode) {
        case 0: stepAs<0>(*this); break;
        case 1: stepAs<1>(*this); break;
        case 2: stepAs<2>(*this); break;
        case 3: stepAs<3>(*this); break;
        case 4: stepAs<4>(*this); break;
        default: stepAs<-1>(*this); break;
    }
}

void HexFire::update(float time) {
    const bool due = time - lastStep > stepInterval;
    const bool clockWentBack = time < lastStep;
    if (!due && !clockWentBack) return;
    lastStep = time;
    // HexCell::step for every cell, with the mode chosen once for the whole grid.
    switch (mode) {
        case 0: stepAll<0>(cells); break;
        case 1: stepAll<1>(cells); break;
        case 2: stepAll<2>(cells); break;
        case 3: stepAll<3>(cells); break;
        case 4: stepAll<4>(cells); break;
        default: stepAll<-1>(cells); break;
    }
    // Every cell reads its neighbours' old values, so all flip only after the last one stepped.
    for (HexCell& cell : cells) cell.flip = !cell.flip;
}

#include "fx/HexFire.h"
#include "fx/HexRandom.h"

namespace {

constexpr float kFullStrength = 1.0f;  // the pointer's strength
constexpr float kNearFactor = 0.8f;    // the six neighbours
constexpr float kFarFactor = 0.5f;     // the cells two links away
constexpr float kLooseAbove = 0.5f;    // mode 4: a stronger excitation sets the cell falling
constexpr float kDrift = 0.01f;        // a loosened cell's vx magnitude and starting vy

// Truncation toward zero, for values the int holds; anything else, NaN included, is a slot
// outside every grid (-1) instead of undefined behaviour.
int truncateToSlot(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return -1;
    return static_cast<int>(v);
}

}  // namespace

void HexFire::locate(const float* pos, int& row, int& col) const {
    const float lastCol = static_cast<float>(cols - 1);
    const float lastRow = static_cast<float>(rows - 1);
    // The 32-bit reciprocals decide positions that lie exactly on a slot boundary.
    const float invCol = 1.0f / lastCol;
    const float invRow = 1.0f / lastRow;
    col = truncateToSlot((static_cast<double>(pos[0]) + 0.5 * static_cast<double>(invCol)) *
                         static_cast<double>(lastCol));
    // Odd columns sit half a row higher.
    const double rowOffset = col % 2 != 0 ? 0.5 * static_cast<double>(invRow) : 0.0;
    row = truncateToSlot((static_cast<double>(pos[1]) + rowOffset) * static_cast<double>(lastRow));
}

void HexFire::excite(const float* pos, float strength) {
    int row = 0;
    int col = 0;
    locate(pos, row, col);
    if (row < 0 || row >= rows || col < 0 || col >= cols) return;
    HexCell& centre = cells[col + row * cols];
    centre.excite(mode, strength);
    const float nearStrength = kNearFactor * strength;
    const float farStrength = kFarFactor * strength;
    // Left, middle, right; above before below. The second ring also reaches back to the centre and
    // its neighbours, which an excitation never dims.
    for (int d = 0; d < 3; ++d) {
        for (HexCell* n : {centre.upper[d], centre.lower[d]}) {
            if (!n) continue;
            n->excite(mode, nearStrength);
            for (int i = 0; i < 3; ++i) {
                if (n->upper[i]) n->upper[i]->excite(mode, farStrength);
                if (n->lower[i]) n->lower[i]->excite(mode, farStrength);
            }
        }
    }
}

void HexFire::onMouse(const float* pos, float) { excite(pos, kFullStrength); }

void HexCell::excite(int mode, float strength) {
    float& now = value[flip ? 1 : 0];
    if (strength > now) now = strength;
    if (mode == 4 && strength > kLooseAbove) {
        falling = true;
        vx = nextHexRandom() % 2 == 0 ? kDrift : -kDrift;
        vy = kDrift;
    }
}

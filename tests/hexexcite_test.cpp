// Lighting the hex grid: mapping positions to slots, the two rings around a slot, loosening cells in
// mode 4 with the show's random drifts, and ignoring positions outside the grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "fx/HexRandom.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/GridTest.h"

namespace {

class HexExciteTest : public GridTest {
protected:
    HexExciteTest() : GridTest(0.0f, 200.0f) {}

    void SetUp() override {
        grid.mode = 0;
        resetHexRandom();
    }
    std::pair<int, int> slot(float x, float y) const {
        const float pos[2] = {x, y};
        int row = 12345;
        int col = 12345;
        grid.locate(pos, row, col);
        return {row, col};
    }
    void excite(float x, float y, float strength = 1.0f) {
        const float pos[2] = {x, y};
        grid.excite(pos, strength);
    }
    std::vector<HexCell*> neighbours(HexCell& cell) {
        std::vector<HexCell*> out;
        for (int k = 0; k < 3; ++k) {
            if (cell.upper[k]) out.push_back(cell.upper[k]);
            if (cell.lower[k]) out.push_back(cell.lower[k]);
        }
        return out;
    }
    // The cells two links away from `centre` that are neither it nor one of its neighbours.
    std::set<HexCell*> outerRing(HexCell& centre) {
        const std::vector<HexCell*> near = neighbours(centre);
        std::set<HexCell*> out;
        for (HexCell* n : near) {
            for (HexCell* m : neighbours(*n)) {
                if (m != &centre && std::find(near.begin(), near.end(), m) == near.end()) out.insert(m);
            }
        }
        return out;
    }
    int litCells() const {
        int n = 0;
        for (const HexCell& c : grid.cells) n += c.current() != 0.0f;
        return n;
    }
    bool untouched() const {
        for (const HexCell& c : grid.cells) {
            if (c.value[0] != 0.0f || c.value[1] != 0.0f || c.falling) return false;
        }
        return true;
    }
};

TEST(HexRandomTest, FirstTwelveDrawsFromTheStartingState)
{
    resetHexRandom();
    const int expected[12] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464, 5705, 28145};
    for (int e : expected) EXPECT_EQ(nextHexRandom(), e);
    resetHexRandom();
    EXPECT_EQ(nextHexRandom(), 41);
}

TEST(HexRandomTest, StaysInFifteenBitsOverAFullCycleSample)
{
    resetHexRandom();
    int odd = 0;
    for (int i = 0; i < 100000; ++i) {
        const int r = nextHexRandom();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 0x7FFF);
        odd += r % 2;
    }
    // Drifts go both ways about equally often.
    EXPECT_GT(odd, 45000);
    EXPECT_LT(odd, 55000);
}

TEST_F(HexExciteTest, LocatesSlotsAsLaidOut)
{
    EXPECT_EQ(slot(0.25f, 0.25f), std::make_pair(11, 16));  // even column
    EXPECT_EQ(slot(0.27f, 0.25f), std::make_pair(12, 17));  // odd column, half a row higher
    // On the boundary between rows 23 and 24; the 32-bit 1/47 lies just below 1/47.
    EXPECT_EQ(slot(0.49f, 0.5f), std::make_pair(23, 31));
    EXPECT_EQ(slot(0.0f, 0.0f), std::make_pair(0, 0));
    // A hair below a slot boundary: double sums keep these in the lower slot, float sums round them up.
    EXPECT_EQ(slot(0x1.082082p-1f, 0.5f).second, 32);
    EXPECT_EQ(slot(0.0f, 0x1.057262p-4f).first, 2);
    EXPECT_EQ(slot(0.27f, 0x1.b3bea2p-5f).first, 2);
    EXPECT_EQ(slot(1.0f, 1.0f), std::make_pair(47, 63));  // an odd column: row 47 reaches 47.5 rows down
    // Every cell's own centre locates its slot.
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.cols; ++c) {
            const HexCell& cell = at(r, c);
            ASSERT_EQ(slot(cell.x, cell.y + 0.5f * cell.h), std::make_pair(r, c)) << r << "," << c;
        }
    }
}

TEST_F(HexExciteTest, TruncationWidensTheTopAndLeftEdges)
{
    EXPECT_EQ(slot(-0.0238f, 0.5f).second, 0);   // just above -1.5/63
    EXPECT_EQ(slot(-0.0239f, 0.5f).second, -1);
    EXPECT_EQ(slot(-0.03f, 0.5f).second, -1);
    EXPECT_EQ(slot(-0.3f, 0.5f).second, -18);   // negative slots are still reported
    // Even column: down to just above -1/47; odd column (half a row higher): just above -1.5/47.
    EXPECT_EQ(slot(0.5f, -0.0212f), std::make_pair(0, 32));
    EXPECT_EQ(slot(0.5f, -0.0213f), std::make_pair(-1, 32));
    EXPECT_EQ(slot(0.27f, -0.0319f), std::make_pair(0, 17));
    EXPECT_EQ(slot(0.27f, -0.032f), std::make_pair(-1, 17));
    // A negative odd column takes the odd offset too: 0.99 rows down is row 1 there, row 0 in column 0.
    EXPECT_EQ(slot(-0.03f, 0.99f / 47.0f), std::make_pair(1, -1));
    EXPECT_EQ(slot(0.0f, 0.99f / 47.0f), std::make_pair(0, 0));

    excite(-0.03f, 0.5f);
    excite(0.5f, -0.0213f);
    excite(0.27f, -0.032f);
    EXPECT_TRUE(untouched());
    excite(-0.0238f, -0.0212f);
    EXPECT_EQ(at(0, 0).current(), 1.0f);
}

TEST_F(HexExciteTest, RightAndBottomEdgesEndWhereTheSlotsEnd)
{
    EXPECT_EQ(slot(1.0079f, 0.5f).second, 63);  // below 63.5/63
    EXPECT_EQ(slot(1.008f, 0.5f).second, 64);
    EXPECT_EQ(slot(0.5f, 1.0212f), std::make_pair(47, 32));  // even: below 48/47
    EXPECT_EQ(slot(0.5f, 1.0213f), std::make_pair(48, 32));
    EXPECT_EQ(slot(0.27f, 1.0106f), std::make_pair(47, 17));  // odd: below 47.5/47
    EXPECT_EQ(slot(0.27f, 1.0107f), std::make_pair(48, 17));

    excite(1.008f, 0.5f);
    excite(0.5f, 1.0213f);
    excite(0.27f, 1.0107f);
    EXPECT_TRUE(untouched());
    excite(1.0079f, 1.0106f);
    EXPECT_EQ(at(47, 63).current(), 1.0f);
}

TEST_F(HexExciteTest, FarAwayAndNonNumericPositionsAreIgnored)
{
    // Still an int after scaling: reported exactly as truncated.
    EXPECT_EQ(slot(1000.0f, -1000.0f), std::make_pair(-47000, 63000));
    EXPECT_EQ(slot(3.0e7f, 0.5f).second, 1890000000);

    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float far[][2] = {{4.0e7f, 0.5f},  {-4.0e7f, 0.5f}, {0.5f, 5.0e7f}, {0.5f, -5.0e7f}, {1e30f, -1e30f},
                            {inf, 0.5f},     {-inf, 0.5f},    {0.5f, inf},    {0.5f, -inf},    {nan, 0.5f},
                            {0.5f, nan},     {nan, nan},      {-1e38f, inf},  {3.4e38f, 3.4e38f}};
    for (const auto& p : far) {
        const auto [row, col] = slot(p[0], p[1]);
        EXPECT_TRUE(row == -1 || col == -1) << p[0] << "," << p[1] << " gave " << row << "," << col;
        for (int mode : {0, 4}) {
            grid.mode = mode;
            excite(p[0], p[1]);
            grid.onMouse(p, 1.0f);
        }
    }
    EXPECT_TRUE(untouched());
    EXPECT_EQ(nextHexRandom(), 41);
}

TEST_F(HexExciteTest, InteriorExcitationLightsTwoRings)
{
    excite(0.25f, 0.25f);
    HexCell& centre = at(11, 16);
    EXPECT_EQ(centre.current(), 1.0f);
    const std::vector<HexCell*> near = neighbours(centre);
    ASSERT_EQ(near.size(), 6u);
    for (HexCell* n : near) EXPECT_EQ(n->current(), 0.8f);
    const std::set<HexCell*> outer = outerRing(centre);
    ASSERT_EQ(outer.size(), 12u);
    for (HexCell* n : outer) EXPECT_EQ(n->current(), 0.5f);
    EXPECT_EQ(litCells(), 19);
    for (const HexCell& c : grid.cells) EXPECT_EQ(c.value[1], 0.0f);  // only the current buffer
}

TEST_F(HexExciteTest, CornerExcitationLightsEightCells)
{
    excite(0.0f, 0.0f);
    HexCell& corner = at(0, 0);
    EXPECT_EQ(corner.current(), 1.0f);
    const std::vector<HexCell*> near = neighbours(corner);
    ASSERT_EQ(near.size(), 3u);
    for (HexCell* n : near) EXPECT_EQ(n->current(), 0.8f);
    const std::set<HexCell*> outer = outerRing(corner);
    ASSERT_EQ(outer.size(), 4u);
    for (HexCell* n : outer) EXPECT_EQ(n->current(), 0.5f);
    EXPECT_EQ(litCells(), 8);
}

// With a strength above 1 every cell call in mode 4 draws once, so the draws count the calls.
int cellCallsAt(HexFire& grid, float x, float y) {
    resetHexRandom();
    grid.mode = 4;
    const float pos[2] = {x, y};
    grid.excite(pos, 2.5f);
    const int next = nextHexRandom();
    resetHexRandom();
    for (int calls = 0; calls < 100; ++calls) {
        if (nextHexRandom() == next) return calls;
    }
    return -1;
}

TEST_F(HexExciteTest, VisitsEachNeighbourAndItsLinks)
{
    EXPECT_EQ(cellCallsAt(grid, 0.25f, 0.25f), 43);
    EXPECT_EQ(cellCallsAt(grid, 0.0f, 0.0f), 17);
}

TEST_F(HexExciteTest, NeverLowersAValue)
{
    HexCell& centre = at(11, 16);
    HexCell* up = centre.upper[1];
    up->value[0] = 0.9f;
    centre.value[0] = 1.0f;
    HexCell* bright = *outerRing(centre).begin();
    bright->value[0] = 0.7f;
    excite(0.25f, 0.25f);
    EXPECT_EQ(up->current(), 0.9f);
    EXPECT_EQ(centre.current(), 1.0f);
    EXPECT_EQ(bright->current(), 0.7f);

    excite(0.25f, 0.25f, 0.3f);  // a weaker excitation changes nothing
    EXPECT_EQ(centre.current(), 1.0f);
    EXPECT_EQ(centre.upper[0]->current(), 0.8f);
}

TEST_F(HexExciteTest, WritesTheBufferTheFlipSelects)
{
    for (HexCell& c : grid.cells) c.flip = true;
    excite(0.25f, 0.25f, 0.6f);
    EXPECT_EQ(at(11, 16).value[1], 0.6f);
    EXPECT_EQ(at(11, 16).value[0], 0.0f);
}

TEST_F(HexExciteTest, ModeFourLoosensTheCellAndItsNeighbours)
{
    grid.mode = 4;
    excite(0.25f, 0.25f);
    HexCell& centre = at(11, 16);
    // Drawn in the order: the cell, upper-left, lower-left, up, down, upper-right, lower-right.
    HexCell* order[7] = {&centre,         centre.upper[0], centre.lower[0], centre.upper[1],
                         centre.lower[1], centre.upper[2], centre.lower[2]};
    const float vx[7] = {-0.01f, -0.01f, 0.01f, 0.01f, -0.01f, 0.01f, 0.01f};
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(order[i]->falling) << i;
        EXPECT_EQ(order[i]->vx, vx[i]) << i;
        EXPECT_EQ(order[i]->vy, 0.01f) << i;
    }
    for (HexCell* n : outerRing(centre)) EXPECT_FALSE(n->falling);  // 0.5 is not above 0.5
    int falling = 0;
    for (const HexCell& c : grid.cells) falling += c.falling;
    EXPECT_EQ(falling, 7);
    EXPECT_EQ(nextHexRandom(), 29358);  // exactly seven draws were made
    EXPECT_EQ(litCells(), 19);
}

TEST_F(HexExciteTest, ModeFourRedrawsAFallingCell)
{
    grid.mode = 4;
    HexCell& centre = at(11, 16);
    centre.falling = true;
    centre.vx = 0.01f;
    centre.vy = 0.3f;  // grown while falling
    centre.value[0] = 1.0f;  // loosened even when the value does not change
    excite(0.25f, 0.25f);
    EXPECT_EQ(centre.vx, -0.01f);
    EXPECT_EQ(centre.vy, 0.01f);
    EXPECT_TRUE(centre.falling);

    centre.excite(4, 0.5f);  // not strong enough: velocities stay
    centre.vy = 0.2f;
    centre.excite(4, 0.5f);
    EXPECT_EQ(centre.vy, 0.2f);
}

TEST_F(HexExciteTest, OtherModesDrawNothingAndLoosenNothing)
{
    for (int mode : {0, 1, 2, 3, 5, -4}) {
        grid.mode = mode;
        excite(0.25f, 0.25f, 3.0f);
        at(20, 20).excite(mode, 1.0f);
    }
    for (const HexCell& c : grid.cells) ASSERT_FALSE(c.falling);
    EXPECT_EQ(nextHexRandom(), 41);
}

TEST_F(HexExciteTest, PointerExcitesAtFullStrengthAtAnyTime)
{
    for (float time : {-5.0f, 0.0f, 1e9f, std::numeric_limits<float>::quiet_NaN()}) {
        for (HexCell& c : grid.cells) c.value[0] = 0.0f;
        const float pos[2] = {0.25f, 0.25f};
        grid.onMouse(pos, time);
        EXPECT_EQ(at(11, 16).current(), 1.0f);
        EXPECT_EQ(litCells(), 19);
    }
}

TEST_F(HexExciteTest, NeitherStepsNorExcitationsAllocate)
{
    {
        AllocationCounter probe;
        int* volatile probed = new int(1);  // volatile: the pair must not be optimised away
        delete probed;
        ASSERT_EQ(probe.count(), 1u);
    }
    AllocationCounter counter;
    float time = 1.0f;
    for (int round = 0; round < 200; ++round) {
        grid.setMode(round % 6);
        for (int b = 0; b < 80; ++b) {
            const float pos[2] = {0.1f + 0.01f * static_cast<float>(b), b % 2 ? 0.35f : 0.65f};
            grid.excite(pos, 1.0f);
            grid.onMouse(pos, time);
        }
        time += 0.03f;
        grid.update(time);
    }
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace

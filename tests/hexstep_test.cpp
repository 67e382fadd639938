// The hex grid's step: its timing and the rule of every mode, with single-precision results.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "fx/HexRandom.h"
#include "tests/support/GridTest.h"

namespace {

class HexStepTest : public GridTest {
protected:
    HexStepTest() : GridTest(0.0f, 200.0f) {}

    void setAll(float v) {
        for (HexCell& cell : grid.cells) cell.value[cell.flip ? 1 : 0] = v;
    }
    void setNeighbours(HexCell& cell, float v) {
        for (int k = 0; k < 3; ++k) {
            if (cell.upper[k]) cell.upper[k]->value[cell.flip ? 1 : 0] = v;
            if (cell.lower[k]) cell.lower[k]->value[cell.flip ? 1 : 0] = v;
        }
    }
    // Whether every cell's current value is exactly `v`; names the first that is not.
    testing::AssertionResult everyCellIs(float v) {
        for (std::size_t i = 0; i < grid.cells.size(); ++i)
            if (grid.cells[i].current() != v)
                return testing::AssertionFailure() << "cell " << i << " is " << grid.cells[i].current() << ", not " << v;
        return testing::AssertionSuccess();
    }
    // Every cell at `from`, then one step: whether every cell is then exactly `to`.
    testing::AssertionResult stepsUniformly(float from, float to) {
        setAll(from);
        step();
        return everyCellIs(to);
    }
    // One step whatever the clock says: the clock going back always steps.
    void step() {
        grid.lastStep = 100.0f;
        grid.update(50.0f);
    }
};

TEST_F(HexStepTest, StepsOnlyWhenMoreThanAnIntervalPassedOrTheClockWentBack)
{
    grid.mode = 0;
    grid.update(0.02f);  // exactly one interval is not more than one
    EXPECT_FALSE(at(0, 0).flip);
    EXPECT_EQ(grid.lastStep, 0.0f);

    grid.lastStep = 1.0f;
    grid.update(1.01f);
    EXPECT_FALSE(at(0, 0).flip);
    EXPECT_EQ(grid.lastStep, 1.0f);

    grid.update(1.05f);
    EXPECT_TRUE(at(0, 0).flip);
    EXPECT_EQ(grid.lastStep, 1.05f);

    grid.update(1.06f);  // measured from 1.05, not from 1.02
    EXPECT_TRUE(at(0, 0).flip);
    EXPECT_EQ(grid.lastStep, 1.05f);

    grid.update(0.5f);  // the clock went back
    EXPECT_FALSE(at(0, 0).flip);
    EXPECT_EQ(grid.lastStep, 0.5f);

    grid.update(100.0f);  // a long pause still makes one step
    EXPECT_TRUE(at(0, 0).flip);
    EXPECT_EQ(grid.lastStep, 100.0f);
}

TEST_F(HexStepTest, ModeZeroCarriesEveryValueAndFlipsEveryCell)
{
    grid.mode = 0;
    for (std::size_t i = 0; i < grid.cells.size(); ++i) grid.cells[i].value[0] = static_cast<float>(i % 97) / 97.0f;
    const std::vector<HexCell> before = grid.cells;
    step();
    for (std::size_t i = 0; i < grid.cells.size(); ++i) {
        ASSERT_TRUE(grid.cells[i].flip) << i;
        ASSERT_EQ(grid.cells[i].current(), before[i].current()) << i;
        ASSERT_EQ(grid.cells[i].value[0], before[i].value[0]) << i;  // the old buffer is left alone
    }
}

TEST_F(HexStepTest, ModeOneRisesFromTheMeanBelow)
{
    grid.mode = 1;
    setAll(0.5f);
    step();
    EXPECT_EQ(at(20, 10).current(), 0.51f);  // 0.17 x (4 x 0.5 + 2 x 0.5)
    EXPECT_EQ(at(20, 11).current(), 0.51f);
    EXPECT_EQ(at(47, 0).current(), 0.34f);    // no cell below: 0.68 of its value
    EXPECT_EQ(at(0, 1).current(), 0.51f);     // nothing above changes nothing
    // Row 47's odd cells have two neighbours below, and their mean is over those two.
    EXPECT_EQ(at(47, 1).current(), 0.51f);

    setAll(1.0f);
    step();
    EXPECT_EQ(at(20, 10).current(), 0.995f);  // 1.02 before the clamp
    EXPECT_EQ(at(47, 0).current(), 0.68f);

    ASSERT_TRUE(stepsUniformly(0.0f, 0.0f));
}

TEST_F(HexStepTest, ModeOneReadsOnlyTheCellsBelow)
{
    grid.mode = 1;
    HexCell& lit = at(20, 10);
    setNeighbours(lit, 0.0f);
    lit.value[0] = 0.0f;
    // Only the cells above a lit cell have it below them.
    at(20, 10).value[0] = 1.0f;
    step();
    EXPECT_EQ(lit.current(), 0.68f);
    for (HexCell* up : lit.upper) EXPECT_EQ(up->current(), 2.0f * (1.0f / 3.0f) * 0.17f);
    for (HexCell* down : lit.lower) EXPECT_EQ(down->current(), 0.0f);

    // An odd bottom cell averages its two neighbours below, not three.
    setAll(0.0f);
    at(47, 0).value[1] = 0.5f;
    at(47, 2).value[1] = 0.5f;
    step();
    EXPECT_EQ(at(47, 1).current(), 0.17f);
}

TEST_F(HexStepTest, ModeTwoSpreadsOnlyFromNeighboursAboveNineTenths)
{
    grid.mode = 2;
    HexCell& cell = at(20, 10);
    cell.value[0] = 0.5f;
    setNeighbours(cell, 0.9f);
    step();
    EXPECT_EQ(cell.current(), 0.5f);  // exactly 0.9 adds nothing

    setNeighbours(cell, 0.0f);
    cell.lower[1]->value[1] = 0.95f;
    step();
    EXPECT_EQ(cell.current(), 0.95f * 0.01f + 0.5f);
    EXPECT_NE(cell.current(), 0.5f);

    ASSERT_TRUE(stepsUniformly(1.0f, 0.999f));
    step();
    ASSERT_TRUE(everyCellIs(0.999f));  // never past the ceiling

    // A dark grid stays dark: nothing above 0.9 to spread from.
    ASSERT_TRUE(stepsUniformly(0.0f, 0.0f));
}

TEST_F(HexStepTest, ModeTwoAddsNeighboursInLinkOrder)
{
    grid.mode = 2;
    HexCell& cell = at(20, 10);
    cell.value[0] = 0.25f;
    const float v[6] = {0.91f, 0.93f, 0.97f, 0.95f, 0.99f, 0.92f};  // lower[0], upper[0], lower[1], ...
    for (int k = 0; k < 3; ++k) {
        cell.lower[k]->value[0] = v[2 * k];
        cell.upper[k]->value[0] = v[2 * k + 1];
    }
    step();
    float s = 0.0f;
    for (float x : v) s = x * 0.01f + s;
    EXPECT_EQ(cell.current(), s + 0.25f);
}

TEST_F(HexStepTest, ModeThreeFillsFromEveryNeighbour)
{
    grid.mode = 3;
    step();
    ASSERT_TRUE(everyCellIs(0.002f));

    setAll(0.5f);
    step();
    // s over six neighbours first, then the base, then the cell's own value.
    float s = 0.0f;
    for (int k = 0; k < 6; ++k) s = 0.5f * 0.1f + s;
    const float expected = (s + 0.002f) + 0.5f;
    EXPECT_EQ(at(20, 10).current(), expected);
    EXPECT_NEAR(at(20, 10).current(), 0.802f, 1e-6f);
    // The corner has three neighbours.
    EXPECT_EQ(at(0, 0).current(), ((0.05f + 0.05f + 0.05f) + 0.002f) + 0.5f);

    ASSERT_TRUE(stepsUniformly(1.0f, 0.999f));
}

TEST_F(HexStepTest, ModeFourDarkensAndMovesFallingCells)
{
    grid.mode = 4;
    setAll(1.0f);
    HexCell& falling = at(20, 10);
    const float x0 = falling.x;
    const float y0 = falling.y;
    falling.falling = true;
    falling.vx = 0.01f;
    falling.vy = 0.01f;
    const HexCell still = at(20, 11);

    step();
    ASSERT_TRUE(everyCellIs(0.0f));
    EXPECT_EQ(falling.x, x0 + 0.01f);
    EXPECT_EQ(falling.y, y0 + 0.01f);
    EXPECT_EQ(falling.vy, 0.01f + 0.001f);
    EXPECT_EQ(falling.vx, 0.01f);

    step();
    EXPECT_EQ(falling.x, (x0 + 0.01f) + 0.01f);
    EXPECT_EQ(falling.y, (y0 + 0.01f) + (0.01f + 0.001f));
    EXPECT_EQ(falling.vy, (0.01f + 0.001f) + 0.001f);

    EXPECT_EQ(at(20, 11).x, still.x);
    EXPECT_EQ(at(20, 11).y, still.y);
    EXPECT_EQ(at(20, 11).vy, still.vy);
}

TEST_F(HexStepTest, FallingCellsStayPutOutsideModeFour)
{
    HexCell& cell = at(20, 10);
    cell.falling = true;
    cell.vx = 0.01f;
    cell.vy = 0.01f;
    const float x0 = cell.x;
    const float y0 = cell.y;
    for (int mode : {0, 1, 2, 3, 5}) {
        grid.mode = mode;
        step();
    }
    EXPECT_EQ(cell.x, x0);
    EXPECT_EQ(cell.y, y0);
    EXPECT_EQ(cell.vy, 0.01f);
}

TEST_F(HexStepTest, UnknownModesDarkenEveryCell)
{
    for (int mode : {5, -1, 1000}) {
        grid.mode = mode;
        ASSERT_TRUE(stepsUniformly(0.7f, 0.0f)) << "mode " << mode;
    }
}

// A value raised between steps lands in the current buffer, and the next step must read that one.
TEST_F(HexStepTest, StepsReadValuesRaisedSinceTheLastStep)
{
    for (int mode : {0, 1, 2, 3}) {
        grid.mode = mode;
        step();  // leave the grid flipped one way or the other
        setAll(0.0f);
        for (HexCell& c : grid.cells) c.value[c.flip ? 0 : 1] = 0.0f;
        HexCell& cell = at(20, 10);
        cell.excite(mode, 1.0f);
        const float before = cell.current();
        step();
        EXPECT_GT(cell.current(), 0.5f) << "mode " << mode << " read the stale buffer";
        EXPECT_LE(cell.current(), before);
    }
}

// The grid steps its cells in batches; every result must match stepping each cell on its own, to the bit.
TEST_F(HexStepTest, GridStepMatchesSteppingEachCell)
{
    std::mt19937 random(7);
    const float special[] = {0.0f, 0.9f, 0.95f, 1.0f, 0.999f, 0.9990001f, 0.995f, 1e-3f, 0.5f};
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    for (HexCell& cell : grid.cells) {
        const unsigned pick = random() % 12;
        cell.value[0] = pick < 9 ? special[pick] : uniform(random);
        cell.value[1] = uniform(random);
        cell.falling = random() % 3 == 0;
        cell.vx = cell.falling ? 0.01f : 0.0f;
        cell.vy = cell.falling ? 0.013f : 0.0f;
    }
    Texture otherTexture;
    HexFire twin(0.0f, 200.0f, otherTexture);
    for (std::size_t i = 0; i < grid.cells.size(); ++i) {
        HexCell& t = twin.cells[i];
        const HexCell& g = grid.cells[i];
        t.value[0] = g.value[0];
        t.value[1] = g.value[1];
        t.falling = g.falling;
        t.vx = g.vx;
        t.vy = g.vy;
    }
    for (int round = 0; round < 40; ++round) {
        const int mode = round % 7 - 1;  // -1 to 5
        grid.mode = mode;
        twin.mode = mode;
        step();
        for (HexCell& cell : twin.cells) cell.step(mode);
        for (HexCell& cell : twin.cells) cell.flip = !cell.flip;
        for (std::size_t i = 0; i < grid.cells.size(); ++i) {
            const HexCell& g = grid.cells[i];
            const HexCell& t = twin.cells[i];
            ASSERT_EQ(std::memcmp(g.value, t.value, sizeof g.value), 0) << "mode " << mode << " cell " << i;
            ASSERT_EQ(g.flip, t.flip);
            ASSERT_EQ(g.x, t.x);
            ASSERT_EQ(g.y, t.y);
            ASSERT_EQ(g.vx, t.vx) << "round " << round << " cell " << i;
            ASSERT_EQ(g.vy, t.vy);
        }
        // Light a few spots between steps, as the pointer and the balls do.
        const float pos[2] = {uniform(random), uniform(random)};
        resetHexRandom();  // both grids draw the same drifts in mode 4
        grid.excite(pos, 1.0f);
        resetHexRandom();
        twin.excite(pos, 1.0f);
    }
}

}  // namespace

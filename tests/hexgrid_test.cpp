// The hex grid's construction: slots, neighbour links, geometry, time window and mode switch.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/GridTest.h"

namespace {

class HexGridTest : public GridTest {
protected:
    HexGridTest() : GridTest(10.0f, 20.0f) {}

    HexCell* link(int row, int col) { return &at(row, col); }
    // Distinct values, so a test sees which cells changed and which buffer.
    void fillDistinctValues() {
        for (std::size_t i = 0; i < grid.cells.size(); ++i) {
            grid.cells[i].value[0] = 0.25f + static_cast<float>(i) * 1e-4f;
            grid.cells[i].value[1] = 0.75f - static_cast<float>(i) * 1e-4f;
        }
    }
};

TEST_F(HexGridTest, StartsWithItsWindowAndFullSizedArray)
{
    EXPECT_EQ(grid.start, 10.0f);
    EXPECT_EQ(grid.end, 20.0f);
    EXPECT_EQ(grid.stepInterval, 0.02f);
    EXPECT_EQ(grid.lastStep, 0.0f);
    EXPECT_EQ(grid.cols, 64);
    EXPECT_EQ(grid.rows, 48);
    ASSERT_EQ(grid.cells.size(), 3072u);
    EXPECT_EQ(&grid.texture, &texture);
    for (const HexCell& cell : grid.cells) {
        EXPECT_EQ(cell.value[0], 0.0f);
        EXPECT_EQ(cell.value[1], 0.0f);
        EXPECT_FALSE(cell.flip);
        EXPECT_FALSE(cell.falling);
        EXPECT_EQ(cell.vx, 0.0f);
        EXPECT_EQ(cell.vy, 0.0f);
    }
}

TEST_F(HexGridTest, IsActiveStrictlyInsideItsWindow)
{
    EXPECT_FALSE(grid.isActive(0.0f));
    EXPECT_FALSE(grid.isActive(10.0f));
    EXPECT_TRUE(grid.isActive(std::nextafter(10.0f, 11.0f)));
    EXPECT_TRUE(grid.isActive(15.0f));
    EXPECT_TRUE(grid.isActive(std::nextafter(20.0f, 19.0f)));
    EXPECT_FALSE(grid.isActive(20.0f));
    EXPECT_FALSE(grid.isActive(30.0f));
    EXPECT_FALSE(grid.isActive(std::numeric_limits<float>::quiet_NaN()));

    HexFire never(5.0f, 5.0f, texture);
    EXPECT_FALSE(never.isActive(5.0f));
}

TEST_F(HexGridTest, CornerAndEdgeCellsLinkAndSitAsLaidOut)
{
    const float h = 1.0f / 47.0f;

    HexCell& topLeft = at(0, 0);
    EXPECT_EQ(topLeft.upper, (std::array<HexCell*, 3>{nullptr, nullptr, link(0, 1)}));
    EXPECT_EQ(topLeft.lower, (std::array<HexCell*, 3>{nullptr, link(1, 0), link(1, 1)}));
    EXPECT_EQ(topLeft.x, 0.0f);
    EXPECT_EQ(topLeft.y, 0.0f);

    HexCell& topOdd = at(0, 1);
    EXPECT_EQ(topOdd.upper, (std::array<HexCell*, 3>{nullptr, nullptr, nullptr}));
    EXPECT_EQ(topOdd.lower, (std::array<HexCell*, 3>{link(0, 0), link(1, 1), link(0, 2)}));
    EXPECT_EQ(topOdd.y, -0.5f / 47.0f);

    HexCell& bottomLeft = at(47, 0);
    EXPECT_EQ(bottomLeft.upper, (std::array<HexCell*, 3>{nullptr, link(46, 0), link(47, 1)}));
    EXPECT_EQ(bottomLeft.lower, (std::array<HexCell*, 3>{nullptr, nullptr, nullptr}));
    EXPECT_EQ(bottomLeft.y, 1.0f);

    HexCell& bottomRight = at(47, 63);
    EXPECT_EQ(bottomRight.upper, (std::array<HexCell*, 3>{link(46, 62), link(46, 63), nullptr}));
    EXPECT_EQ(bottomRight.lower, (std::array<HexCell*, 3>{link(47, 62), nullptr, nullptr}));
    EXPECT_EQ(bottomRight.x, std::nextafter(1.0f, 0.0f));
    EXPECT_EQ(bottomRight.y, 1.0f - 0.5f * h);
}

TEST_F(HexGridTest, InteriorCellsLinkToTheirSixNeighbours)
{
    // Even column: side neighbours in the same row above and the next row below.
    HexCell& even = at(20, 10);
    EXPECT_EQ(even.upper, (std::array<HexCell*, 3>{link(20, 9), link(19, 10), link(20, 11)}));
    EXPECT_EQ(even.lower, (std::array<HexCell*, 3>{link(21, 9), link(21, 10), link(21, 11)}));
    // Odd column, half a row higher: side neighbours in the row above and the same row below.
    HexCell& odd = at(20, 11);
    EXPECT_EQ(odd.upper, (std::array<HexCell*, 3>{link(19, 10), link(19, 11), link(19, 12)}));
    EXPECT_EQ(odd.lower, (std::array<HexCell*, 3>{link(20, 10), link(21, 11), link(20, 12)}));
}

TEST_F(HexGridTest, EveryLinkIsMutualAndStaysInTheGrid)
{
    const HexCell* first = grid.cells.data();
    const HexCell* last = first + grid.cells.size() - 1;
    int links = 0;
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.cols; ++c) {
            HexCell& cell = at(r, c);
            const bool interior = r > 0 && r < grid.rows - 1 && c > 0 && c < grid.cols - 1;
            for (int k = 0; k < 3; ++k) {
                if (HexCell* up = cell.upper[k]) {
                    ASSERT_TRUE(up >= first && up <= last) << r << "," << c;
                    EXPECT_EQ(up->lower[2 - k], &cell) << r << "," << c << " upper " << k;
                    ++links;
                } else {
                    EXPECT_FALSE(interior) << r << "," << c << " upper " << k;
                }
                if (HexCell* down = cell.lower[k]) {
                    ASSERT_TRUE(down >= first && down <= last) << r << "," << c;
                    EXPECT_EQ(down->upper[2 - k], &cell) << r << "," << c << " lower " << k;
                    ++links;
                } else {
                    EXPECT_FALSE(interior) << r << "," << c << " lower " << k;
                }
            }
        }
    }
    // Each neighbouring pair counted from both sides: 64 columns of 47 vertical pairs plus
    // 63 column gaps of 95 slanted pairs (48 + 47 for the two slants).
    EXPECT_EQ(links, 2 * (64 * 47 + 63 * 95));
}

TEST_F(HexGridTest, CellsShareOnePitchAndSitOnTheirColumnsAndRows)
{
    const float w = 1.0f / 63.0f;
    const float h = 1.0f / 47.0f;
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.cols; ++c) {
            const HexCell& cell = at(r, c);
            ASSERT_EQ(cell.w, w);
            ASSERT_EQ(cell.h, h);
            // Numerically column / 63, up to the rounding of the quotient before the subtraction.
            EXPECT_NEAR(cell.x, static_cast<float>(c) / 63.0f, 1e-7f) << r << "," << c;
            const float top = static_cast<float>(r) / 47.0f;
            EXPECT_EQ(cell.y, c % 2 == 1 ? top - 0.5f * h : top) << r << "," << c;
        }
    }
    // Columns advance monotonically across the window and end just inside it.
    for (int c = 1; c < grid.cols; ++c) EXPECT_LT(at(0, c - 1).x, at(0, c).x);
    EXPECT_LT(at(0, 63).x, 1.0f);
}

TEST_F(HexGridTest, SetModeTwoClearsOnlyTheValues)
{
    fillDistinctValues();
    for (std::size_t i = 0; i < grid.cells.size(); i += 7) {
        grid.cells[i].flip = true;
        grid.cells[i].falling = true;
        grid.cells[i].vx = -0.01f;
        grid.cells[i].vy = 0.5f;
        grid.cells[i].x = 3.0f;
    }
    std::vector<HexCell> before = grid.cells;

    grid.setMode(2);

    EXPECT_EQ(grid.mode, 2);
    for (std::size_t i = 0; i < grid.cells.size(); ++i) {
        const HexCell& cell = grid.cells[i];
        ASSERT_EQ(cell.value[0], 0.0f) << i;
        ASSERT_EQ(cell.value[1], 0.0f) << i;
        EXPECT_EQ(cell.flip, before[i].flip);
        EXPECT_EQ(cell.falling, before[i].falling);
        EXPECT_EQ(cell.vx, before[i].vx);
        EXPECT_EQ(cell.vy, before[i].vy);
        EXPECT_EQ(cell.x, before[i].x);
        EXPECT_EQ(cell.y, before[i].y);
        EXPECT_EQ(cell.upper, before[i].upper);
        EXPECT_EQ(cell.lower, before[i].lower);
    }
}

TEST_F(HexGridTest, OtherModesKeepTheValues)
{
    fillDistinctValues();
    const std::vector<HexCell> before = grid.cells;
    for (int mode : {1, 3, 4, 0, 7, -1}) {
        grid.setMode(mode);
        EXPECT_EQ(grid.mode, mode);
        for (std::size_t i = 0; i < grid.cells.size(); ++i) {
            ASSERT_EQ(grid.cells[i].value[0], before[i].value[0]) << "mode " << mode << " cell " << i;
            ASSERT_EQ(grid.cells[i].value[1], before[i].value[1]) << "mode " << mode << " cell " << i;
        }
    }
}

TEST_F(HexGridTest, CurrentFollowsTheFlipAcrossAStep)
{
    HexCell& cell = at(5, 5);
    cell.value[0] = 0.3f;
    cell.value[1] = 0.6f;
    EXPECT_EQ(cell.current(), 0.3f);

    grid.mode = 0;
    grid.update(1.0f);
    ASSERT_TRUE(cell.flip);
    // Mode 0 carried 0.3 into the other buffer, which is now current.
    EXPECT_EQ(cell.value[1], 0.3f);
    EXPECT_EQ(cell.current(), cell.value[1]);

    cell.value[1] = 0.9f;
    EXPECT_EQ(cell.current(), 0.9f);
}

}  // namespace

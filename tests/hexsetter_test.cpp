// The one-shot mode trigger.
#include <gtest/gtest.h>

#include "fx/HexSetter.h"
#include "tests/support/GridTest.h"

namespace {

class HexSetterTest : public GridTest {
protected:
    HexSetterTest() : GridTest(38.8f, 68.8f) {}
    void SetUp() override { grid.mode = 0; }
};

TEST_F(HexSetterTest, FiresOnceStrictlyAfterItsTime)
{
    HexSetter setter(12.0f, 1, &grid);
    EXPECT_FALSE(setter.isActive(0.0f));
    EXPECT_FALSE(setter.isActive(12.0f));
    EXPECT_EQ(grid.mode, 0);
    EXPECT_FALSE(setter.fired);

    EXPECT_TRUE(setter.isActive(12.001f));
    EXPECT_EQ(grid.mode, 1);
    EXPECT_TRUE(setter.fired);

    grid.mode = 3;  // a later change by someone else is not undone
    EXPECT_FALSE(setter.isActive(12.001f));  // same time again
    EXPECT_FALSE(setter.isActive(100.0f));
    EXPECT_FALSE(setter.isActive(5.0f));  // the clock going back does not re-arm it
    EXPECT_EQ(grid.mode, 3);
}

TEST_F(HexSetterTest, SwitchesAGridOutsideItsWindow)
{
    HexSetter setter(20.0f, 4, &grid);
    ASSERT_FALSE(grid.isActive(20.5f));
    EXPECT_TRUE(setter.isActive(20.5f));
    EXPECT_EQ(grid.mode, 4);
}

TEST_F(HexSetterTest, SwitchToModeTwoClearsTheGrid)
{
    for (HexCell& c : grid.cells) c.value[0] = c.value[1] = 0.7f;
    HexSetter setter(1.0f, 2, &grid);
    EXPECT_TRUE(setter.isActive(2.0f));
    for (const HexCell& c : grid.cells) {
        ASSERT_EQ(c.value[0], 0.0f);
        ASSERT_EQ(c.value[1], 0.0f);
    }
}

TEST_F(HexSetterTest, TwoSettersOnOneGridFireInTimeOrder)
{
    HexSetter first(12.0f, 1, &grid);
    HexSetter second(27.3f, 4, &grid);
    for (float t = 0.0f; t < 40.0f; t += 0.5f) {
        second.isActive(t);
        first.isActive(t);
        if (t > 12.0f && t <= 27.3f) {
            EXPECT_EQ(grid.mode, 1) << t;
        }
    }
    EXPECT_EQ(grid.mode, 4);
}

TEST_F(HexSetterTest, OtherOperationsChangeNothing)
{
    HexSetter setter(12.0f, 3, &grid);
    const float pos[2] = {0.5f, 0.5f};
    setter.draw(13.0f);
    setter.update(13.0f);
    setter.onMouse(pos, 13.0f);
    EXPECT_FALSE(setter.fired);
    EXPECT_EQ(grid.mode, 0);
    for (const HexCell& c : grid.cells) ASSERT_EQ(c.current(), 0.0f);
}

TEST_F(HexSetterTest, DeletingASetterLeavesItsGrid)
{
    Fx* setter = new HexSetter(1.0f, 2, &grid);
    delete setter;
    grid.cells[100].value[0] = 0.5f;
    EXPECT_EQ(grid.cells[100].current(), 0.5f);
}

}  // namespace

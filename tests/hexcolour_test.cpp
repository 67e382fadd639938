#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fx/HexColour.h"

namespace {

void expectColour(const CellColour& c, float r, float g, float b, float a)
{
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
    EXPECT_EQ(c.a, a);
}

float justAbove(float v) { return std::nextafter(v, 2.0f); }

TEST(HexColourMode0, OpaqueWhiteOnlyStrictlyAboveHalf)
{
    expectColour(cellColour(0, 0.0f, 0.7f), 0, 0, 0, 0);
    expectColour(cellColour(0, 0.5f, 0.7f), 0, 0, 0, 0);
    expectColour(cellColour(0, justAbove(0.5f), 0.7f), 1, 1, 1, 1);
    expectColour(cellColour(0, 1.0f, 0.7f), 1, 1, 1, 1);
}

TEST(HexColourMode1, GreenStartsStrictlyAboveHalf)
{
    const CellColour half = cellColour(1, 0.5f, 0.2f);
    EXPECT_EQ(half.g, 0.0f);
    EXPECT_EQ(half.r, 0.3f * 0.5f + 0.1f);
    EXPECT_EQ(half.a, 0.5f);
    EXPECT_NEAR(cellColour(1, justAbove(0.5f), 0.2f).g, 0.36f, 1e-6f);
}

TEST(HexColourMode1, ThreeQuarters)
{
    const float a = 0.2f;
    const CellColour c = cellColour(1, 0.75f, a);
    EXPECT_NEAR(c.r, 0.325f, 1e-6f);
    EXPECT_NEAR(c.g, 0.49f, 1e-6f);
    EXPECT_NEAR(c.b, 0.225f + a, 1e-6f);
    EXPECT_EQ(c.a, 0.75f);
}

TEST(HexColourMode1, GreenIsRoundedToFloatBeforeSquaring)
{
    // A v whose g = 0.4 v + 0.4 differs between float and double, so the rounding order shows.
    for (float v = 0.51f; v < 0.95f; v += 0.0137f) {
        const float g = 0.4f * v + 0.4f;
        EXPECT_EQ(cellColour(1, v, 0.0f).g, g * g) << v;
    }
}

TEST(HexColourMode1, FormulaUpToAndIncluding095ThenBlack)
{
    const float a = 0.3f;
    const CellColour edge = cellColour(1, 0.95f, a);
    const float g = 0.4f * 0.95f + 0.4f;
    expectColour(edge, 0.3f * 0.95f + 0.1f, g * g, 0.3f * 0.95f + a, 0.95f);
    expectColour(cellColour(1, justAbove(0.95f), a), 0, 0, 0, justAbove(0.95f));
    expectColour(cellColour(1, 0.96f, a), 0, 0, 0, 0.96f);
    expectColour(cellColour(1, 1.0f, a), 0, 0, 0, 1.0f);
}

TEST(HexColourMode1, DarkCellIsInvisible)
{
    const CellColour c = cellColour(1, 0.0f, 0.4f);
    EXPECT_EQ(c.a, 0.0f);
    EXPECT_EQ(c.g, 0.0f);
    EXPECT_EQ(c.b, 0.4f);
}

TEST(HexColourPicture, Modes2And3AreIdentical)
{
    for (float v : {0.0f, 0.25f, 0.9f, 0.999f, 1.0f})
        for (float a : {0.0f, 0.2f, 1.5f}) {
            const CellColour two = cellColour(2, v, a);
            const CellColour three = cellColour(3, v, a);
            expectColour(three, two.r, two.g, two.b, two.a);
            expectColour(two, a + 0.3f, a + 0.3f, a + 0.3f, v);
        }
    expectColour(cellColour(2, 0.6f, 0.2f), 0.5f, 0.5f, 0.5f, 0.6f);
}

TEST(HexColourFalling, Mode4IsOpaqueGreyWhateverTheValue)
{
    for (float v : {0.0f, 0.5f, 1.0f, -3.0f})
        expectColour(cellColour(4, v, 0.1f), 0.1f + 0.6f, 0.1f + 0.6f, 0.1f + 0.6f, 1.0f);
}

TEST(HexColourLoudness, ComponentsAreNotClamped)
{
    EXPECT_GT(cellColour(2, 0.5f, 0.8f).r, 1.0f);
    EXPECT_GT(cellColour(3, 0.5f, 0.71f).g, 1.0f);
    EXPECT_GT(cellColour(4, 0.5f, 0.45f).b, 1.0f);
    EXPECT_EQ(cellColour(4, 0.5f, 7.0f).r, 7.6f);
    EXPECT_EQ(cellColour(1, 0.9f, 5.0f).b, 0.3f * 0.9f + 5.0f);
}

TEST(HexColourOther, ModesOutsideZeroToFourAreRed)
{
    for (int mode : {-1, 5, 42, std::numeric_limits<int>::min()})
        expectColour(cellColour(mode, 0.5f, 0.9f), 0.5f, 0.2f * 0.5f, 0.2f * 0.5f, 0.5f);
}

}  // namespace

// What a picture gives the screen, measured as it loads: flat pictures, colours, and the middle a zoom shows.
#include "gfx/PictureLight.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

double linear(int value)
{
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

uint32_t rgba(int r, int g, int b, int a = 255)
{
    return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16 |
           static_cast<uint32_t>(a) << 24;
}

PictureLight flat(uint32_t pixel, int width = 64, int height = 48)
{
    const std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, pixel);
    PictureLight light;
    light.measure(pixels.data(), width, height);
    return light;
}

// Black, with a white square in the middle half of it each way.
PictureLight brightMiddle(int side)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(side) * side, rgba(0, 0, 0));
    for (int y = side / 4; y < 3 * side / 4; ++y)
        for (int x = side / 4; x < 3 * side / 4; ++x) pixels[static_cast<size_t>(y) * side + x] = rgba(255, 255, 255);
    PictureLight light;
    light.measure(pixels.data(), side, side);
    return light;
}

TEST(PictureLight, FlatPicturesGiveTheirRelativeLuminance)
{
    EXPECT_NEAR(1.0, PictureLight::white().luminance(1, 1, 1), 1e-9);
    EXPECT_NEAR(1.0, flat(rgba(255, 255, 255)).luminance(1, 1, 1, 0.3f), 1e-9);
    EXPECT_NEAR(linear(128), flat(rgba(128, 128, 128)).luminance(1, 1, 1), 1e-9);
    EXPECT_NEAR(0.2126, flat(rgba(255, 0, 0)).luminance(1, 1, 1), 1e-9);
    EXPECT_NEAR(0.0722, flat(rgba(0, 0, 255)).luminance(1, 1, 1), 1e-9);
    EXPECT_EQ(0.0, flat(rgba(0, 0, 0)).luminance(1, 1, 1));
    // However much of it shows through, a picture gives no more light than when opaque.
    EXPECT_NEAR(linear(200), flat(rgba(200, 200, 200, 10)).luminance(1, 1, 1), 1e-9);
    EXPECT_EQ(0.0, PictureLight().luminance(1, 1, 1)) << "nothing measured";
}

TEST(PictureLight, ColoursModulateAsGlDoesAndClamp)
{
    const PictureLight white = PictureLight::white();
    EXPECT_NEAR(linear(128), white.luminance(0.5f, 0.5f, 0.5f), 1e-9);  // 255 x 0.5 rounds to 128
    EXPECT_NEAR(linear(77), white.luminance(0.3f, 0.3f, 0.3f), 1e-9);
    EXPECT_NEAR(1.0, white.luminance(1.6f, 7.0f, 1.3f), 1e-9) << "greys above 1 show as 1";
    EXPECT_EQ(0.0, white.luminance(-1.0f, -0.5f, 0.0f));
    EXPECT_NEAR(0.0722 * linear(128), white.luminance(0.0f, 0.0f, 0.5f), 1e-9);
    EXPECT_NEAR(linear(64), flat(rgba(128, 128, 128)).luminance(0.5f, 0.5f, 0.5f), 1e-9);
}

// A zoom shows the middle: a picture bright only there gives the screen far more light zoomed than whole.
TEST(PictureLight, TheMiddleOfAPictureIsWhatAZoomShows)
{
    for (int side : {64, 256, 2048}) {
        SCOPED_TRACE(side);
        const PictureLight light = brightMiddle(side);
        EXPECT_NEAR(0.25, light.luminance(1, 1, 1), 1e-6);
        EXPECT_NEAR(1.0, light.luminance(1, 1, 1, 0.5f), 1e-6);
        EXPECT_NEAR(1.0, light.luminance(1, 1, 1, 0.2f), 1e-6);
        const double between = light.luminance(1, 1, 1, 0.75f);
        EXPECT_GT(between, 0.4);
        EXPECT_LT(between, 0.6);
        // The more it zooms, the brighter: never darker than a wider view.
        double wider = 0.0;
        for (float share = 1.0f; share > 0.05f; share -= 0.01f) {
            const double here = light.luminance(1, 1, 1, share);
            ASSERT_GE(here + 1e-9, wider) << share;
            wider = here;
        }
    }
}

TEST(PictureLight, TinyAndOddPicturesMeasure)
{
    EXPECT_NEAR(linear(90), flat(rgba(90, 90, 90), 1, 1).luminance(1, 1, 1, 0.01f), 1e-9);
    EXPECT_NEAR(linear(90), flat(rgba(90, 90, 90), 2, 2).luminance(1, 1, 1, 0.1f), 1e-9);
    EXPECT_NEAR(linear(90), flat(rgba(90, 90, 90), 3, 1000).luminance(1, 1, 1, 0.5f), 1e-9);
    PictureLight none;
    none.measure(nullptr, 10, 10);
    EXPECT_FALSE(none.measured());
}

}  // namespace

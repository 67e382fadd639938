// What the show tells the flash guard about its screen: which layers follow the level when, and how bright.
#include "app/ShowLight.h"

#include <cmath>
#include <list>
#include <vector>

#include <gtest/gtest.h>

#include "app/Demo.h"
#include "app/Show.h"
#include "fx/BkgImage.h"
#include "fx/HexFire.h"
#include "fx/HexSetter.h"
#include "gfx/Texture.h"
#include "tests/support/FakePlatform.h"

namespace {

// A loaded picture, as far as the light goes: no GL needed.
struct Picture {
    Texture texture;
    explicit Picture(uint32_t pixel)
    {
        const std::vector<uint32_t> pixels(64 * 64, pixel);
        texture.light.measure(pixels.data(), 64, 64);
        texture.id = 1;
    }
};

class ShowLightTest : public testing::Test {
protected:
    std::list<Fx*> effects;
    ~ShowLightTest() override
    {
        for (Fx* fx : effects) delete fx;
    }
    template <typename T>
    T* add(T* fx)
    {
        effects.push_back(fx);
        return fx;
    }
    // The layers on the screen at show time t, per the description.
    static std::vector<ScreenLight::Layer> at(const ScreenLight& light, double t)
    {
        size_t hint = 0;
        const ScreenLight::Span* span = light.find(t, hint);
        return span ? span->layers : std::vector<ScreenLight::Layer>{};
    }
    static float swing(const ScreenLight::Layer& layer) { return layer.at(ScreenLight::kTop) - layer.at(0.0f); }
};

TEST_F(ShowLightTest, ABackgroundSwingsAsItsPictureIsBright)
{
    Picture white(0xffffffffu), grey(0xff808080u), dark(0xff202020u);
    add(new BkgImage(10.0f, 20.0f, &white.texture));
    add(new BkgImage(30.0f, 40.0f, &grey.texture));
    add(new BkgImage(50.0f, 60.0f, &dark.texture));
    const ScreenLight light = showLight(effects);
    ASSERT_EQ(1u, at(light, 15).size());
    // Quiet, a background is drawn at grey 0.3; at the top level, at full brightness.
    EXPECT_NEAR(0.0730, at(light, 15)[0].at(0.0f), 0.002);
    EXPECT_NEAR(1.0, at(light, 15)[0].at(ScreenLight::kTop), 1e-6);
    const float whiteSwing = swing(at(light, 15)[0]), greySwing = swing(at(light, 35)[0]);
    const float darkSwing = swing(at(light, 55)[0]);
    EXPECT_GT(whiteSwing, 3.0f * greySwing);
    EXPECT_GT(greySwing, 5.0f * darkSwing);
    EXPECT_GT(darkSwing, 0.0f);
    for (int i = 1; i <= ScreenLight::kSteps; ++i)
        ASSERT_GE(at(light, 15)[0].luminance[i], at(light, 15)[0].luminance[i - 1]) << "louder is never darker";
}

TEST_F(ShowLightTest, LayersCountFromHalfASecondEarlyToHalfASecondLate)
{
    Picture white(0xffffffffu);
    add(new BkgImage(10.0f, 20.0f, &white.texture));
    const ScreenLight light = showLight(effects);
    EXPECT_TRUE(at(light, 9.45).empty());
    EXPECT_EQ(1u, at(light, 9.55).size());
    EXPECT_EQ(1u, at(light, 20.45).size());
    EXPECT_TRUE(at(light, 20.55).empty());
}

// The closing picture is drawn plainly after 146 s and a background without a picture draws nothing: neither
// follows the level.
TEST_F(ShowLightTest, PlainAndMissingPicturesAddNothing)
{
    Picture white(0xffffffffu);
    Texture missing;
    add(new BkgImage(BkgImage::kPlainAfter, 151.0f, &white.texture));
    add(new BkgImage(20.0f, 30.0f, &missing));
    EXPECT_TRUE(showLight(effects).spans.empty());
}

// A grid follows the level only in some modes, over its picture in the textured ones and in its own colours
// (as over white) when its picture is missing; its triggers move it from one to the next.
TEST_F(ShowLightTest, GridsFollowTheirModesAndPictures)
{
    Picture grey(0xff808080u);
    Texture missing;
    HexFire* pictured = add(new HexFire(0.0f, 60.0f, grey.texture));
    pictured->mode = 0;
    add(new HexSetter(20.0f, 2, pictured));
    add(new HexSetter(40.0f, 1, pictured));
    HexFire* bare = add(new HexFire(100.0f, 120.0f, missing));
    bare->setMode(2);
    const ScreenLight light = showLight(effects);

    EXPECT_TRUE(at(light, 10).empty()) << "mode 0 lights cells white whatever the level";
    ASSERT_EQ(1u, at(light, 30).size());
    const double grey128 = std::pow((128 / 255.0 + 0.055) / 1.055, 2.4);
    EXPECT_NEAR(grey128, at(light, 30)[0].at(0.7f), 0.01) << "grey level + 0.3, full at 0.7";
    ASSERT_EQ(1u, at(light, 50).size());
    EXPECT_GT(swing(at(light, 50)[0]), 0.05f) << "the glowing mode's blue follows the level";
    EXPECT_LT(swing(at(light, 50)[0]), 0.0722f);
    ASSERT_EQ(1u, at(light, 110).size());
    EXPECT_NEAR(1.0, at(light, 110)[0].at(0.7f), 0.01) << "a missing picture: the cells' own grey, as over white";
    EXPECT_EQ(2u, at(light, 39.8).size()) << "around a trigger both modes count";
    EXPECT_EQ((std::vector<float>{20.0f, 40.0f, 60.0f, 100.0f, 120.0f}), light.cuts);
}

// The show tells the guard as it is built, at the clock's time, and again at time 0 when it starts over.
TEST(ShowDescribesItsScreen, WhenBuiltAndWhenStartedOver)
{
    FakePlatform fake;
    Demo demo;
    FakePlatform::ticks = 5000;
    demo.startTicks = 4250;
    buildShow(&demo);
    ASSERT_NE(nullptr, FakePlatform::described);
    EXPECT_FLOAT_EQ(0.75f, FakePlatform::describedAt);
    // The pictures are missing here: the grids' modes that follow the level remain.
    EXPECT_FALSE(FakePlatform::described->spans.empty());
    FakePlatform::described = nullptr;
    demo.startTicks = FakePlatform::ticks;
    restartShow(&demo);
    ASSERT_NE(nullptr, FakePlatform::described);
    EXPECT_FLOAT_EQ(0.0f, FakePlatform::describedAt);
    releaseShow(&demo);
}

}  // namespace

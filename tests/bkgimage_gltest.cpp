// The background picture effect: its time window, and how the spectrum pulses it until 146 s.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "fx/BkgImage.h"
#include "gfx/Texture.h"
#include "tests/support/GlWindow.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestTiff.h"

namespace {
constexpr int kSide = 128;
constexpr int kFrame = 13;  // a red frame round a white picture, about a tenth of each side
constexpr Rgba8 kWhite{255, 255, 255, 255};
constexpr Rgba8 kFrameRed{255, 0, 0, 255};

class BkgImageTest : public testing::Test {
protected:
    void SetUp() override
    {
        window_ = &GlWindow::open();
        const std::string dir = makeTempDir();
        ASSERT_FALSE(dir.empty());
        const std::string file = dir + "/framed.tif";
        ASSERT_TRUE(writeRgbaTiff(file, kSide, kSide, [](int x, int y) {
            const bool frame = x < kFrame || y < kFrame || x >= kSide - kFrame || y >= kSide - kFrame;
            return frame ? kFrameRed : kWhite;
        }));
        texture_.load(file.c_str());
        ASSERT_NE(texture_.id, 0u);
        std::system(("rm -rf '" + dir + "'").c_str());
        bins_.assign(kSpectrumBins, 0.0f);
        spectrum = bins_.data();
    }
    void TearDown() override { spectrum = nullptr; }

    // Draws `effect` at `time` over a black window and returns the window.
    std::vector<Rgba> drawn(BkgImage& effect, float time)
    {
        window_->clear();
        effect.draw(time);
        return window_->read();
    }
    Rgba centre(const std::vector<Rgba>& pixels) const
    {
        return pixels[static_cast<size_t>(window_->height() / 2) * window_->width() + window_->width() / 2];
    }
    Rgba edge(const std::vector<Rgba>& pixels) const  // just inside the left edge, halfway down
    {
        return pixels[static_cast<size_t>(window_->height() / 2) * window_->width() + 3];
    }

    GlWindow* window_ = nullptr;
    Texture texture_;
    std::vector<float> bins_;
};
}

TEST_F(BkgImageTest, ActiveStrictlyInsideItsWindow)
{
    BkgImage effect(12.0f, 27.3f, &texture_);
    EXPECT_FALSE(effect.isActive(12.0f));
    EXPECT_TRUE(effect.isActive(std::nextafter(12.0f, 100.0f)));
    EXPECT_TRUE(effect.isActive(20.0f));
    EXPECT_TRUE(effect.isActive(std::nextafter(27.3f, 0.0f)));
    EXPECT_FALSE(effect.isActive(27.3f));
    EXPECT_FALSE(effect.isActive(0.0f));
    EXPECT_FALSE(effect.isActive(100.0f));
    EXPECT_FALSE(effect.isActive(std::nanf("")));
}

TEST_F(BkgImageTest, KeepsItsFieldsInOrder)
{
    BkgImage effect(54.0f, 76.0f, &texture_);
    EXPECT_EQ(effect.start, 54.0f);
    EXPECT_EQ(effect.end, 76.0f);
    EXPECT_EQ(effect.texture, &texture_);
}

TEST_F(BkgImageTest, SilencePulsesAtThirtyPercentAndOnePointThreeTimesTheSize)
{
    BkgImage effect(76.0f, 144.5f, &texture_);
    const std::vector<Rgba> pixels = drawn(effect, 100.0f);
    // White at grey 0.3; the picture is 1.3 windows wide, so its red frame lies outside the window.
    EXPECT_NEAR(centre(pixels).r, 77, 1);
    EXPECT_NEAR(centre(pixels).g, 77, 1);
    EXPECT_NEAR(edge(pixels).g, 77, 1) << "the frame shows: the picture is not enlarged";
}

TEST_F(BkgImageTest, LoudnessBrightensWithItsSquare)
{
    BkgImage effect(76.0f, 144.5f, &texture_);
    bins_[10] = 5.0f;  // level 0.5: amount 0.25 + 0.3
    EXPECT_NEAR(centre(drawn(effect, 100.0f)).g, 140, 1);
    bins_[10] = 0.0f;
    bins_[59] = 10.0f;  // level 1: amount 1.3, full brightness
    EXPECT_EQ(centre(drawn(effect, 100.0f)).g, 255);
    bins_[59] = 0.0f;
    bins_[2] = 10.0f;
    EXPECT_EQ(centre(drawn(effect, 100.0f)).g, 255);
}

TEST_F(BkgImageTest, BinsOutsideTwoToFiftyNineChangeNothing)
{
    BkgImage effect(76.0f, 144.5f, &texture_);
    const std::vector<Rgba> quiet = drawn(effect, 100.0f);
    bins_[0] = 1000.0f;
    bins_[1] = 1000.0f;
    for (int k = 60; k < kSpectrumBins; ++k) bins_[k] = 1000.0f;
    const std::vector<Rgba> loudElsewhere = drawn(effect, 100.0f);
    ASSERT_EQ(quiet.size(), loudElsewhere.size());
    for (size_t i = 0; i < quiet.size(); ++i)
        ASSERT_TRUE(quiet[i].r == loudElsewhere[i].r && quiet[i].g == loudElsewhere[i].g) << "pixel " << i;
}

TEST_F(BkgImageTest, PulsesUpToAndIncluding146ThenDrawsPlainly)
{
    BkgImage effect(140.0f, 151.0f, &texture_);
    const std::vector<Rgba> at146 = drawn(effect, 146.0f);
    EXPECT_NEAR(centre(at146).g, 77, 1);
    EXPECT_NEAR(edge(at146).g, 77, 1);

    const std::vector<Rgba> after = drawn(effect, std::nextafter(146.0f, 200.0f));
    EXPECT_EQ(centre(after).g, 255);
    EXPECT_EQ(edge(after).r, 255);  // window-sized: the red frame shows
    EXPECT_EQ(edge(after).g, 0);

    bins_[10] = 50.0f;  // loud, yet plain after 146 s
    const std::vector<Rgba> loud = drawn(effect, 150.0f);
    EXPECT_EQ(centre(loud).g, 255);
    EXPECT_EQ(edge(loud).g, 0);
}

TEST_F(BkgImageTest, NoSpectrumReadsAsSilence)
{
    BkgImage effect(76.0f, 144.5f, &texture_);
    spectrum = nullptr;
    const std::vector<Rgba> pixels = drawn(effect, 100.0f);
    EXPECT_NEAR(centre(pixels).g, 77, 1);
}

TEST_F(BkgImageTest, IgnoresAudioLevelMouseAndUpdates)
{
    BkgImage effect(76.0f, 144.5f, &texture_);
    const float savedLevel = audioLevel;
    audioLevel = 5.0f;
    const float pos[2] = {0.5f, 0.5f};
    effect.update(100.0f);
    effect.onMouse(pos, 100.0f);
    EXPECT_NEAR(centre(drawn(effect, 100.0f)).g, 77, 1);
    EXPECT_EQ(effect.start, 76.0f);
    EXPECT_EQ(effect.end, 144.5f);
    EXPECT_EQ(effect.texture, &texture_);
    audioLevel = savedLevel;
}

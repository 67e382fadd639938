// Pictures on screen: where a loaded picture lands in the window, how pulsing scales and tints it,
// and what a picture that could not be loaded draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "gfx/Texture.h"
#include "tests/support/GlWindow.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestTiff.h"

namespace {
constexpr Rgba8 kRed{255, 0, 0, 255};
constexpr Rgba8 kGreen{0, 255, 0, 255};
constexpr Rgba8 kBlue{0, 0, 255, 255};
constexpr Rgba8 kWhite{255, 255, 255, 255};
constexpr Rgba8 kYellow{255, 255, 0, 255};
constexpr Rgba8 kMagenta{255, 0, 255, 255};
constexpr Rgba8 kGrey{128, 128, 128, 255};
constexpr Rgba8 kClay{200, 100, 50, 255};
constexpr float kCentre[2] = {0.5f, 0.5f};

bool same(Rgba p, Rgba8 c, int tolerance = 2)
{
    return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance;
}

std::string show(Rgba p)
{
    return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) + ")";
}

class TextureTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = makeTempDir();
        ASSERT_FALSE(dir_.empty());
        window_ = &GlWindow::open();
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Loads a picture painted by `pixel` (y = 0 is the top row in an image viewer).
    Texture picture(int width, int height, const std::function<Rgba8(int x, int y)>& pixel)
    {
        const std::string file = path("picture.tif");
        EXPECT_TRUE(writeRgbaTiff(file, width, height, pixel));
        Texture texture;
        texture.load(file.c_str());
        EXPECT_NE(texture.id, 0u);
        return texture;
    }
    Texture uniform(Rgba8 colour)
    {
        return picture(16, 16, [=](int, int) { return colour; });
    }

    void clearTo(Rgba8 c)
    {
        glClearColor(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // Columns [x0, x1) of the middle row all match `c`.
    void expectColumns(int x0, int x1, Rgba8 c)
    {
        const int y = window_->height() / 2;
        for (int x = x0; x < x1; ++x) {
            const Rgba p = window_->at(x, y);
            EXPECT_TRUE(same(p, c)) << "x " << x << " " << show(p);
        }
    }

    GlWindow* window_ = nullptr;
    std::string dir_;
};
}

TEST_F(TextureTest, DrawFillsTheWindowWithThePictureUpsideDown)
{
    // Viewer quadrants: red top-left, green top-right, blue bottom-left, white bottom-right.
    Texture texture = picture(64, 64, [](int x, int y) {
        if (y < 32) return x < 32 ? kRed : kGreen;
        return x < 32 ? kBlue : kWhite;
    });
    window_->clear();
    texture.draw(kCentre);
    // GL's default wrap mode repeats the picture, so the left and top edges blend in a little of the far side.
    const int right = window_->width() - 2;
    const int bottom = window_->height() - 2;
    EXPECT_TRUE(same(window_->at(4, 4), kBlue)) << show(window_->at(4, 4));
    EXPECT_TRUE(same(window_->at(right, 4), kWhite)) << show(window_->at(right, 4));
    EXPECT_TRUE(same(window_->at(4, bottom), kRed)) << show(window_->at(4, bottom));
    EXPECT_TRUE(same(window_->at(right, bottom), kGreen)) << show(window_->at(right, bottom));
    for (const Rgba& p : window_->read()) ASSERT_FALSE(p.r == 0 && p.g == 0 && p.b == 0) << "uncovered pixel";
}

TEST_F(TextureTest, PicturesBottomRowLiesAlongTheWindowsTopEdge)
{
    Texture texture = picture(64, 256, [](int, int y) { return y >= 248 ? kYellow : kBlue; });
    window_->clear();
    texture.draw(kCentre);
    for (int y = 1; y < 5; ++y) EXPECT_TRUE(same(window_->at(100, y), kYellow)) << "row " << y;
    for (int y = 10; y < window_->height(); y += 7) EXPECT_TRUE(same(window_->at(100, y), kBlue)) << "row " << y;
}

TEST_F(TextureTest, FarHundredthOfThePictureNeverShows)
{
    // Magenta in the right-most and top-most hundredth, green just inside it, grey elsewhere.
    constexpr int kSide = 1024;
    constexpr int kHidden = 10;   // below 1% of 1024
    constexpr int kInside = 24;
    Texture texture = picture(kSide, kSide, [](int x, int y) {
        if (x >= kSide - kHidden || y < kHidden) return kMagenta;
        if (x >= kSide - kHidden - kInside || y < kHidden + kInside) return kGreen;
        return kGrey;
    });
    window_->clear();
    texture.draw(kCentre);
    for (const Rgba& p : window_->read()) ASSERT_GT(p.g, 100) << "magenta shows: " << show(p);
    // The band just inside does show, at the window's right and bottom edges.
    EXPECT_TRUE(same(window_->at(window_->width() - 1, 50), kGreen));
    EXPECT_TRUE(same(window_->at(50, window_->height() - 1), kGreen));
}

TEST_F(TextureTest, PulseOfZeroDrawsThePictureBlackThroughItsAlpha)
{
    // Left half opaque white, right half fully transparent.
    Texture texture = picture(64, 64, [](int x, int) { return x < 32 ? kWhite : Rgba8{0, 0, 0, 0}; });
    clearTo(kGreen);
    texture.drawPulse(kCentre, 0.0f);
    expectColumns(4, 120, Rgba8{0, 0, 0, 255});  // the left edge repeats a little of the transparent right
    expectColumns(136, window_->width(), kGreen);
}

TEST_F(TextureTest, PulseOfOneDoublesTheSizeAtFullBrightness)
{
    Texture texture = uniform(kClay);
    clearTo(kGreen);
    texture.drawPulse(kCentre, 1.0f);
    for (const Rgba& p : window_->read()) ASSERT_TRUE(same(p, kClay, 0)) << show(p);

    // Centred a window's width to the left, a quad twice the window's size ends at the middle.
    const float left[2] = {-0.5f, 0.5f};
    clearTo(kGreen);
    texture.drawPulse(left, 1.0f);
    const int half = window_->width() / 2;
    expectColumns(0, half, kClay);
    expectColumns(half, window_->width(), kGreen);
    const float up[2] = {0.5f, -0.5f};
    clearTo(kGreen);
    texture.drawPulse(up, 1.0f);
    EXPECT_TRUE(same(window_->at(10, window_->height() / 2 - 1), kClay, 0));
    EXPECT_TRUE(same(window_->at(10, window_->height() / 2), kGreen, 0));
}

TEST_F(TextureTest, PulseAboveOneIsOnlyLarger)
{
    Texture texture = uniform(kClay);
    clearTo(kGreen);
    texture.drawPulse(kCentre, 3.0f);
    for (const Rgba& p : window_->read()) ASSERT_TRUE(same(p, kClay, 0)) << show(p);
    // Scale 4: two window widths to the left of the centre still reaches the middle.
    const float farLeft[2] = {-1.5f, 0.5f};
    clearTo(kGreen);
    texture.drawPulse(farLeft, 3.0f);
    const int half = window_->width() / 2;
    expectColumns(0, half, kClay);
    expectColumns(half, window_->width(), kGreen);
}

TEST_F(TextureTest, PulseBelowOneDimsAndShrinks)
{
    Texture texture = uniform(kClay);
    clearTo(kGreen);
    const float left[2] = {-0.5f, 0.5f};
    texture.drawPulse(left, 0.5f);  // scale 1.5: ends a quarter of the way across
    const int quarter = window_->width() / 4;
    expectColumns(0, quarter, Rgba8{100, 50, 25, 255});
    expectColumns(quarter, window_->width(), kGreen);
}

TEST_F(TextureTest, DrawingLeavesMatricesSetAndTexturingOff)
{
    Texture texture = uniform(kClay);
    const float pos[2] = {0.25f, 0.75f};
    texture.drawPulse(pos, 1.0f);
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    EXPECT_FLOAT_EQ(modelView[0], 2.0f);
    EXPECT_FLOAT_EQ(modelView[5], 2.0f);
    EXPECT_FLOAT_EQ(modelView[10], 0.0f);
    EXPECT_FLOAT_EQ(modelView[12], 0.25f);
    EXPECT_FLOAT_EQ(modelView[13], 0.75f);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 2.0f);    // x: 0..1 to -1..1
    EXPECT_FLOAT_EQ(projection[5], -2.0f);   // y grows downward
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint source = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture.id);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, LoadLeavesTheNewTextureBound)
{
    Texture texture = uniform(kClay);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture.id);
    EXPECT_EQ(texture.width, 16);
    EXPECT_EQ(texture.height, 16);
}

TEST_F(TextureTest, UnloadablePictureDrawsNothing)
{
    const Texture red = uniform(kRed);  // left bound
    ASSERT_NE(red.id, 0u);
    Texture missing;
    missing.load(path("missing.tif").c_str());
    EXPECT_EQ(missing.id, 0u);
    EXPECT_EQ(missing.width, 0);
    EXPECT_EQ(missing.height, 0);
    clearTo(kClay);
    missing.draw(kCentre);
    missing.drawPulse(kCentre, 0.3f);
    missing.drawPulse(kCentre, 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const std::vector<Rgba> pixels = window_->read();
    const size_t changed = static_cast<size_t>(
        std::count_if(pixels.begin(), pixels.end(), [](Rgba p) { return !same(p, kClay, 0); }));
    EXPECT_EQ(changed, 0u) << "first pixel " << show(pixels[0]);
}

TEST_F(TextureTest, ReloadOverAGoodPictureThatFailsClearsIt)
{
    Texture texture = uniform(kRed);
    texture.load(path("missing.tif").c_str());
    EXPECT_EQ(texture.id, 0u);
    EXPECT_EQ(texture.width, 0);
}

TEST_F(TextureTest, RefusesPicturesBeyondTheGlLimit)
{
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    ASSERT_GT(maxSide, 0);
    const uint32_t over = static_cast<uint32_t>(maxSide) + 1;
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{over, 1}, {1, over}, {100000, 100000}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        const std::string file = path("big.tif");
        ASSERT_TRUE(writeClaimingTiff(file, w, h));
        Texture texture;
        texture.load(file.c_str());
        EXPECT_EQ(texture.id, 0u);
        EXPECT_EQ(texture.width, 0);
        EXPECT_EQ(texture.height, 0);
    }
    const std::string file = path("edge.tif");
    ASSERT_TRUE(writeClaimingTiff(file, static_cast<uint32_t>(maxSide), 1, static_cast<uint32_t>(maxSide)));
    Texture edge;
    edge.load(file.c_str());
    EXPECT_NE(edge.id, 0u);
    EXPECT_EQ(edge.width, maxSide);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, BadFilesLeaveNoTexture)
{
    std::string noise(2048, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 2654435761u >> 13);
    const std::string whole = path("whole.tif");
    ASSERT_TRUE(writeLayoutTiff(whole, TiffLayout::Rgb8, 32, 32));
    const std::string cut = readBytes(whole).substr(0, 40);
    for (auto [name, bytes] : {std::pair<const char*, std::string>{"empty", ""}, {"noise", noise}, {"cut", cut}}) {
        SCOPED_TRACE(name);
        const std::string file = path(name);
        ASSERT_TRUE(writeBytes(file, bytes));
        Texture texture;
        texture.load(file.c_str());
        EXPECT_EQ(texture.id, 0u);
        EXPECT_EQ(texture.width, 0);
    }
}

TEST_F(TextureTest, PictureCutInItsPixelsShowsWhatWasRead)
{
    const std::string early = path("early.tif");
    ASSERT_TRUE(writeCutTiff(early, 64, 64, 8, 100));
    Texture none;
    none.load(early.c_str());
    EXPECT_EQ(none.id, 0u);

    const std::string late = path("late.tif");
    ASSERT_TRUE(writeCutTiff(late, 64, 64, 8, 64 * 40));
    Texture partial;
    partial.load(late.c_str());
    ASSERT_NE(partial.id, 0u);
    window_->clear();
    partial.draw(kCentre);
    // The picture's top rows were read; the show puts them along the window's bottom.
    const Rgba8 grey{kCutGrey, kCutGrey, kCutGrey, 255};
    EXPECT_TRUE(same(window_->at(100, window_->height() - 4), grey)) << show(window_->at(100, window_->height() - 4));
}

class TextureLayouts : public TextureTest, public testing::WithParamInterface<TiffLayout> {};

TEST_P(TextureLayouts, LoadAndShowUpsideDown)
{
    const std::string file = path("layout.tif");
    ASSERT_TRUE(writeLayoutTiff(file, GetParam(), 64, 64));
    Texture texture;
    texture.load(file.c_str());
    ASSERT_NE(texture.id, 0u);
    window_->clear();
    texture.draw(kCentre);
    const bool grey = GetParam() == TiffLayout::Grey8;
    const Rgba8 top = grey ? Rgba8{kTopColour.r, kTopColour.r, kTopColour.r, 255} : kTopColour;
    const Rgba8 bottom = grey ? Rgba8{kBottomColour.r, kBottomColour.r, kBottomColour.r, 255} : kBottomColour;
    EXPECT_TRUE(same(window_->at(100, 40), bottom)) << show(window_->at(100, 40));
    EXPECT_TRUE(same(window_->at(100, 150), top)) << show(window_->at(100, 150));
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, TextureLayouts,
                         testing::Values(TiffLayout::Rgb8, TiffLayout::Lzw, TiffLayout::Tiled, TiffLayout::Planar,
                                         TiffLayout::Grey8, TiffLayout::Rgb16, TiffLayout::Palette, TiffLayout::Cmyk),
                         [](const testing::TestParamInfo<TiffLayout>& info) { return layoutName(info.param); });

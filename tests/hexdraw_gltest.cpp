#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "fx/HexFire.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/GlWindow.h"
#include "tests/support/TestTexture.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kEdgeMargin = 1.5f;  // pixels this close to a hexagon edge may go either way

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kYellow{255, 255, 0, 255};

bool same(Rgba p, Rgba q, int tolerance = 0)
{
    return std::abs(p.r - q.r) <= tolerance && std::abs(p.g - q.g) <= tolerance && std::abs(p.b - q.b) <= tolerance;
}

// Where a pixel centre lies against a cell's hexagon: > 0 inside by that many pixels, < 0 outside.
float insideBy(const HexCell& c, float px, float py)
{
    const float xs[6] = {c.x + 0.4f * c.w, c.x - 0.4f * c.w, c.x - 0.6f * c.w,
                         c.x - 0.4f * c.w, c.x + 0.4f * c.w, c.x + 0.6f * c.w};
    const float ys[6] = {c.y, c.y, c.y + 0.5f * c.h, c.y + c.h, c.y + c.h, c.y + 0.5f * c.h};
    const float cx = c.x * kWidth, cy = (c.y + 0.5f * c.h) * kHeight;
    float nearest = 1e9f;
    for (int k = 0; k < 6; ++k) {
        const float x0 = xs[k] * kWidth, y0 = ys[k] * kHeight;
        const float x1 = xs[(k + 1) % 6] * kWidth, y1 = ys[(k + 1) % 6] * kHeight;
        const float len = std::hypot(x1 - x0, y1 - y0);
        auto side = [&](float x, float y) { return ((x1 - x0) * (y - y0) - (y1 - y0) * (x - x0)) / len; };
        const float d = side(px, py) * (side(cx, cy) > 0 ? 1.0f : -1.0f);
        nearest = std::min(nearest, d);
    }
    return nearest;
}

// The window's quadrants in four colours: texture row 0 (t = 0) lies along the window's top edge.
std::vector<Rgba> quadrants(int size)
{
    std::vector<Rgba> texels(static_cast<size_t>(size) * size);
    for (int t = 0; t < size; ++t)
        for (int s = 0; s < size; ++s)
            texels[static_cast<size_t>(t) * size + s] =
                t < size / 2 ? (s < size / 2 ? kRed : kGreen) : (s < size / 2 ? kBlue : kYellow);
    return texels;
}

std::vector<Rgba> stripes(int size)
{
    std::vector<Rgba> texels(static_cast<size_t>(size) * size);
    for (int t = 0; t < size; ++t)
        for (int s = 0; s < size; ++s)
            texels[static_cast<size_t>(t) * size + s] = {static_cast<uint8_t>(s * 255 / size), 90,
                                                         static_cast<uint8_t>(t * 255 / size), 200};
    return texels;
}

class HexDrawTest : public testing::Test {
protected:
    GlWindow& window = GlWindow::open(kWidth, kHeight);
    Texture picture;
    HexFire grid{0.0f, 100.0f, picture};

    void SetUp() override
    {
        uploadTestTexture(picture, 64, 64, quadrants(64));
        glDisable(GL_TEXTURE_2D);
        window.clear();
        audioLevel = 0.2f;
        grid.mode = 0;
    }
    void TearDown() override { glDeleteTextures(1, &picture.id); }

    HexCell& cell(int row, int col) { return grid.cells[col + row * grid.cols]; }
    static void set(HexCell& c, float v) { c.value[c.flip ? 1 : 0] = v; }
    void setAll(float v)
    {
        for (HexCell& c : grid.cells) set(c, v);
    }
    Rgba atNormalised(float x, float y) const
    {
        return window.at(static_cast<int>(x * kWidth), static_cast<int>(y * kHeight));
    }
};

TEST_F(HexDrawTest, Mode0SingleCellIsWhiteOnItsHexagonOnly)
{
    HexCell& lit = cell(20, 31);
    set(lit, 0.75f);
    set(cell(20, 32), 0.5f);  // not above the threshold: invisible
    grid.draw(1.0f);

    const std::vector<Rgba> pixels = window.read();
    int white = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const Rgba p = pixels[static_cast<size_t>(y) * kWidth + x];
            const float d = insideBy(lit, x + 0.5f, y + 0.5f);
            if (d > kEdgeMargin) {
                ASSERT_TRUE(same(p, {255, 255, 255, 255})) << x << "," << y;
                ++white;
            } else if (d < -kEdgeMargin) {
                ASSERT_TRUE(same(p, {0, 0, 0, 0})) << x << "," << y;
            }
        }
    // The hexagon covers 0.9 w x h: about 9.1 x 10.2 pixels here, less the margins.
    EXPECT_GT(white, 30);
}

TEST_F(HexDrawTest, EveryCellLitCoversTheWindowWithoutGaps)
{
    for (bool drop : {true, false}) {
        window.clear();
        setAll(1.0f);
        grid.mesh.dropTransparent = drop;
        grid.draw(1.0f);
        const std::vector<Rgba> pixels = window.read();
        const auto gap = std::find_if(pixels.begin(), pixels.end(), [](Rgba p) { return !same(p, {255, 255, 255, 255}); });
        EXPECT_EQ(gap, pixels.end()) << "first gap at pixel " << (gap - pixels.begin());
    }
}

TEST_F(HexDrawTest, PictureShowsThroughInModes2To4)
{
    const struct {
        int mode;
        float level;  // brings the grey to 1 or above, so the picture shows at full colour
    } cases[] = {{2, 0.7f}, {3, 1.0f}, {4, 0.4f}, {4, 2.0f}};
    for (const auto& c : cases) {
        window.clear();
        grid.mode = c.mode;
        audioLevel = c.level;
        setAll(1.0f);
        grid.draw(1.0f);
        EXPECT_TRUE(same(atNormalised(0.25f, 0.25f), kRed, 1)) << c.mode;
        EXPECT_TRUE(same(atNormalised(0.75f, 0.25f), kGreen, 1)) << c.mode;
        EXPECT_TRUE(same(atNormalised(0.25f, 0.75f), kBlue, 1)) << c.mode;
        EXPECT_TRUE(same(atNormalised(0.75f, 0.75f), kYellow, 1)) << c.mode;
    }
}

TEST_F(HexDrawTest, ValueSetsThePicturesOpacityInModes2And3)
{
    for (int mode : {2, 3}) {
        window.clear();
        grid.mode = mode;
        audioLevel = 0.7f;
        setAll(0.5f);
        grid.draw(1.0f);
        EXPECT_TRUE(same(atNormalised(0.25f, 0.25f), {128, 0, 0, 0}, 2)) << mode;
        EXPECT_TRUE(same(atNormalised(0.75f, 0.75f), {128, 128, 0, 0}, 2)) << mode;
    }
}

TEST_F(HexDrawTest, Modes0And1DrawWithoutThePicture)
{
    // Texturing left on by someone else must not survive a grid's draw into its next frame.
    glEnable(GL_TEXTURE_2D);
    grid.mode = 2;
    setAll(0.0f);
    grid.draw(1.0f);
    grid.mode = 0;
    setAll(1.0f);
    grid.draw(1.0f);
    EXPECT_TRUE(same(atNormalised(0.25f, 0.25f), {255, 255, 255, 255}));
    EXPECT_TRUE(same(atNormalised(0.75f, 0.75f), {255, 255, 255, 255}));
}

TEST_F(HexDrawTest, GridOverAPictureThatFailedToLoadShowsItsCells)
{
    Texture none;  // as a failed load leaves it
    HexFire bare{0.0f, 100.0f, none};
    for (int mode : {2, 3, 4}) {
        window.clear();
        bare.mode = mode;
        audioLevel = 2.0f;
        for (HexCell& c : bare.cells) set(c, 1.0f);
        bare.draw(1.0f);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_TRUE(same(atNormalised(0.25f, 0.25f), {255, 255, 255, 255}, 1)) << mode;
        EXPECT_TRUE(same(atNormalised(0.75f, 0.75f), {255, 255, 255, 255}, 1)) << mode;
    }
}

TEST_F(HexDrawTest, FallingCellIsDrawnWhereItHasMoved)
{
    // Mode 0: the lit cell appears at its new place and its slot stays dark.
    HexCell& c = cell(10, 10);
    const float slotX = c.x, slotY = c.y + 0.5f * c.h;
    set(c, 1.0f);
    c.falling = true;
    c.x += 0.3f;
    c.y += 0.2f;
    grid.draw(1.0f);
    EXPECT_TRUE(same(atNormalised(c.x, c.y + 0.5f * c.h), {255, 255, 255, 255}));
    EXPECT_TRUE(same(atNormalised(slotX, slotY), {0, 0, 0, 0}));

    // Mode 4: every cell is opaque and shows the picture under where it is, so the moved cell leaves a hole
    // of background in its slot while the picture stays whole where it went.
    const Rgba magenta{255, 0, 255, 255};
    glClearColor(1, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    HexCell& d = cell(10, 40);
    const float holeX = d.x, holeY = d.y + 0.5f * d.h;
    d.falling = true;
    d.x -= 0.2f;
    d.y += 0.4f;
    grid.mode = 4;
    audioLevel = 0.5f;
    grid.draw(1.0f);
    EXPECT_TRUE(same(atNormalised(holeX, holeY), magenta));
    EXPECT_TRUE(same(atNormalised(holeX - 0.05f, holeY), kGreen, 1));  // the slot lies in the top-right quadrant
    EXPECT_TRUE(same(atNormalised(d.x, d.y + 0.5f * d.h), kBlue, 1));  // moved into the bottom-left one
}

TEST_F(HexDrawTest, LeavesTexturingOffArraysOffAndTheOrthoProjection)
{
    GLuint other = 0;
    glGenTextures(1, &other);
    for (int mode : {0, 1, 2, 3, 4, 9}) {
        glBindTexture(GL_TEXTURE_2D, other);
        glBlendFunc(GL_ONE, GL_ZERO);
        grid.mode = mode;
        setAll(0.7f);
        grid.draw(1.0f);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << mode;
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY)) << mode;
        EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY)) << mode;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << mode;
        GLint src = 0, dst = 0, bound = 0, matrixMode = 0;
        glGetIntegerv(GL_BLEND_SRC, &src);
        glGetIntegerv(GL_BLEND_DST, &dst);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
        EXPECT_EQ(src, GL_SRC_ALPHA);
        EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
        EXPECT_EQ(matrixMode, GL_MODELVIEW);
        const bool textured = mode >= 2 && mode <= 4;
        EXPECT_EQ(static_cast<GLuint>(bound), textured ? picture.id : other) << mode;

        GLfloat projection[16], modelview[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        // gluOrtho2D(0, 1, 1, 0): x' = 2x - 1, y' = 1 - 2y.
        const GLfloat ortho[16] = {2, 0, 0, 0, 0, -2, 0, 0, 0, 0, -1, 0, -1, 1, 0, 1};
        for (int k = 0; k < 16; ++k) {
            EXPECT_FLOAT_EQ(projection[k], ortho[k]) << k;
            EXPECT_FLOAT_EQ(modelview[k], k % 5 == 0 ? 1.0f : 0.0f) << k;
        }
    }
    glDeleteTextures(1, &other);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Leaving out the cells of alpha exactly 0 must not change a single pixel, in any mode, over a picture.
TEST_F(HexDrawTest, LeavingOutTransparentCellsDrawsTheSamePicture)
{
    Texture background;
    uploadTestTexture(background, 32, 32, stripes(32));
    std::srand(7);

    auto render = [&](bool drop) {
        window.clear();
        drawTestBackground(background);
        grid.mesh.dropTransparent = drop;
        grid.draw(1.0f);
        return window.read();
    };
    const float levels[] = {0.0f, 0.2f, 1.3f};
    for (int mode : {0, 1, 2, 3, 4, 6}) {
        for (int pattern = 0; pattern < 4; ++pattern) {
            for (int i = 0; i < static_cast<int>(grid.cells.size()); ++i) {
                const float choices[] = {0.0f, 0.5f, 0.51f, 0.3f, 0.96f, 1.0f};
                float v = 0.0f;
                if (pattern == 1) v = (i + i / grid.cols) % 2 ? 1.0f : 0.0f;
                if (pattern == 2) v = choices[std::rand() % 6];
                if (pattern == 3) v = static_cast<float>(std::rand() % 1000) / 999.0f;
                set(grid.cells[i], v);
            }
            // One falling cell lying across others, to keep the order of overlaps in the comparison.
            cell(5, 7).x += 0.013f * pattern;
            cell(5, 7).y += 0.007f * pattern;
            audioLevel = levels[pattern % 3];
            grid.mode = mode;

            const std::vector<Rgba> full = render(false);
            const int allVertices = grid.mesh.vertexCount;
            const std::vector<Rgba> dropped = render(true);
            EXPECT_LE(grid.mesh.vertexCount, allVertices);
            int different = 0;
            for (size_t k = 0; k < full.size(); ++k) different += !same(full[k], dropped[k]);
            EXPECT_EQ(different, 0) << "mode " << mode << " pattern " << pattern;
        }
    }
    glDeleteTextures(1, &background.id);
}

TEST_F(HexDrawTest, LeavingOutTransparentCellsSendsFewerTriangles)
{
    setAll(0.0f);
    set(cell(1, 1), 0.9f);
    grid.mode = 2;
    grid.draw(1.0f);
    EXPECT_EQ(grid.mesh.vertexCount, HexMesh::kVerticesPerCell);
    grid.mode = 4;
    grid.draw(1.0f);
    EXPECT_EQ(grid.mesh.vertexCount, 3072 * HexMesh::kVerticesPerCell);
}

TEST_F(HexDrawTest, DrawingAllocatesNothingAfterTheFirstFrame)
{
    setAll(0.6f);
    grid.draw(1.0f);
    AllocationCounter counter;
    for (int frame = 0; frame < 30; ++frame) {
        grid.mode = frame % 5;
        set(cell(frame, frame), 0.0f);
        grid.draw(static_cast<float>(frame));
    }
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace

#include <gtest/gtest.h>

#include "fx/HexColour.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/GridTest.h"

namespace {

constexpr int kVerts = HexMesh::kVerticesPerCell;

struct Point {
    float x, y;
};

class HexMeshTest : public GridTest {
protected:
    HexMeshTest() : GridTest(0.0f, 10.0f) {}

    void fill(int mode, float level = 0.25f)
    {
        grid.mesh.fill(grid.cells.data(), grid.cells.size(), mode, level);
    }
    Point vertex(int index) const
    {
        return {grid.mesh.positions[2 * index], grid.mesh.positions[2 * index + 1]};
    }
    CellColour colourOf(int index) const
    {
        const float* c = &grid.mesh.colours[4 * index];
        return {c[0], c[1], c[2], c[3]};
    }
    void setAll(float v)
    {
        for (HexCell& c : grid.cells) c.value[0] = v;
    }
};

void expectPoint(Point p, float x, float y)
{
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
}

TEST_F(HexMeshTest, FanAroundTopRightCornerInOrder)
{
    setAll(1.0f);
    grid.mesh.dropTransparent = false;
    fill(4);
    ASSERT_EQ(grid.mesh.vertexCount, 3072 * kVerts);

    // Cell (row 3, column 5), an odd column: the fan A,B,C; A,C,D; A,D,E; A,E,F.
    const HexCell& c = at(3, 5);
    const float ax = c.x + 0.4f * c.w, bx = c.x - 0.4f * c.w;
    const float cx = c.x - 0.6f * c.w, fx = c.x + 0.6f * c.w;
    const float top = c.y, mid = c.y + 0.5f * c.h, bottom = c.y + c.h;
    const Point expected[kVerts] = {{ax, top}, {bx, top},  {cx, mid},   {ax, top}, {cx, mid},     {bx, bottom},
                                    {ax, top}, {bx, bottom}, {ax, bottom}, {ax, top}, {ax, bottom}, {fx, mid}};
    const int first = (5 + 3 * grid.cols) * kVerts;
    for (int v = 0; v < kVerts; ++v) expectPoint(vertex(first + v), expected[v].x, expected[v].y);
}

TEST_F(HexMeshTest, TopLeftCellReachesLeftOfWindow)
{
    grid.mesh.dropTransparent = false;
    fill(0);
    const float w = 1.0f / 63.0f;
    expectPoint(vertex(0), 0.4f * w, 0.0f);           // A
    expectPoint(vertex(1), -0.4f * w, 0.0f);          // B
    EXPECT_FLOAT_EQ(vertex(2).x, -0.6f / 63.0f);      // C, left of the window
}

TEST_F(HexMeshTest, NeighboursMeetEdgeToEdge)
{
    grid.mesh.dropTransparent = false;
    fill(0);
    auto corner = [&](int row, int col, int index) { return vertex((col + row * grid.cols) * kVerts + index); };
    // Vertex slots of the corners in the fan: A 0, B 1, C 2, D 5, E 8, F 11.
    for (int row = 0; row + 1 < grid.rows; ++row)
        for (int col = 0; col < grid.cols; ++col) {
            // Bottom edge D-E is the top edge B-A of the cell below.
            EXPECT_NEAR(corner(row, col, 5).x, corner(row + 1, col, 1).x, 1e-6f);
            EXPECT_NEAR(corner(row, col, 5).y, corner(row + 1, col, 1).y, 1e-6f);
            EXPECT_NEAR(corner(row, col, 8).x, corner(row + 1, col, 0).x, 1e-6f);
            EXPECT_NEAR(corner(row, col, 8).y, corner(row + 1, col, 0).y, 1e-6f);
            // An even column's edge A-F is the edge C-D of its upper-right neighbour (same row, half a row up).
            if (col % 2 == 0 && col + 1 < grid.cols) {
                EXPECT_NEAR(corner(row, col, 0).x, corner(row, col + 1, 2).x, 1e-6f);
                EXPECT_NEAR(corner(row, col, 0).y, corner(row, col + 1, 2).y, 1e-6f);
                EXPECT_NEAR(corner(row, col, 11).x, corner(row, col + 1, 5).x, 1e-6f);
                EXPECT_NEAR(corner(row, col, 11).y, corner(row, col + 1, 5).y, 1e-6f);
            }
        }
}

TEST_F(HexMeshTest, EveryVertexCarriesItsCellsColourFromTheCurrentBuffer)
{
    for (std::size_t i = 0; i < grid.cells.size(); ++i) {
        grid.cells[i].value[0] = 0.9f;                                      // stale buffer
        grid.cells[i].value[1] = static_cast<float>(i % 100) / 100.0f;      // current
        grid.cells[i].flip = true;
    }
    grid.mesh.dropTransparent = false;
    fill(1, 0.3f);
    for (std::size_t i = 0; i < grid.cells.size(); ++i) {
        const CellColour want = cellColour(1, grid.cells[i].value[1], 0.3f);
        for (int v = 0; v < kVerts; ++v) {
            const CellColour got = colourOf(static_cast<int>(i) * kVerts + v);
            ASSERT_EQ(got.r, want.r) << i;
            ASSERT_EQ(got.g, want.g) << i;
            ASSERT_EQ(got.b, want.b) << i;
            ASSERT_EQ(got.a, want.a) << i;
        }
    }
}

TEST_F(HexMeshTest, FallingCellIsMeshedAtItsMovedPosition)
{
    HexCell& c = at(10, 10);
    c.falling = true;
    c.x += 0.25f;
    c.y += 0.125f;
    grid.mesh.dropTransparent = false;
    fill(4);
    expectPoint(vertex((10 + 10 * grid.cols) * kVerts), c.x + 0.4f * c.w, c.y);
}

TEST_F(HexMeshTest, TransparentCellsAreLeftOutInOrder)
{
    // Mode 0: only cells above 0.5 are visible; keep every third cell.
    for (std::size_t i = 0; i < grid.cells.size(); ++i) grid.cells[i].value[0] = i % 3 == 0 ? 0.75f : 0.5f;
    fill(0);
    ASSERT_EQ(grid.mesh.vertexCount, 1024 * kVerts);
    for (int k = 0; k < 1024; ++k) {
        const HexCell& c = grid.cells[3 * k];
        expectPoint(vertex(k * kVerts), c.x + 0.4f * c.w, c.y);
        EXPECT_EQ(colourOf(k * kVerts).a, 1.0f);
    }

    // Modes 1 to 3 drop exactly the cells at 0; mode 4 is opaque everywhere.
    setAll(0.0f);
    at(0, 0).value[0] = 1e-30f;
    for (int mode : {1, 2, 3}) {
        fill(mode);
        EXPECT_EQ(grid.mesh.vertexCount, kVerts) << mode;
    }
    fill(4);
    EXPECT_EQ(grid.mesh.vertexCount, 3072 * kVerts);

    grid.mesh.dropTransparent = false;
    fill(0);
    EXPECT_EQ(grid.mesh.vertexCount, 3072 * kVerts);
}

TEST_F(HexMeshTest, ArraysAreAllocatedOnceAndReused)
{
    AllocationCounter firstFrame;
    fill(3);
    EXPECT_EQ(firstFrame.count(), 0u) << "the grid's first frame allocates: the show would allocate mid-way";
    const float* positions = grid.mesh.positions.data();
    const float* colours = grid.mesh.colours.data();
    EXPECT_EQ(grid.mesh.positions.size(), 3072u * kVerts * 2);
    EXPECT_EQ(grid.mesh.colours.size(), 3072u * kVerts * 4);

    AllocationCounter counter;
    for (int frame = 0; frame < 20; ++frame) {
        setAll(static_cast<float>(frame % 4) / 3.0f);
        grid.mesh.dropTransparent = frame % 2 == 0;
        fill(frame % 6);
    }
    EXPECT_EQ(counter.count(), 0u);
    EXPECT_EQ(grid.mesh.positions.data(), positions);
    EXPECT_EQ(grid.mesh.colours.data(), colours);
}

}  // namespace

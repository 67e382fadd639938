#include "fx/HexMesh.h"

#include "fx/HexColour.h"
#include "fx/HexFire.h"

namespace {
constexpr float kEdgeHalf = 0.4f;   // top and bottom edges span x +- 0.4 w
constexpr float kPointHalf = 0.6f;  // left and right points at x +- 0.6 w
constexpr float kMiddle = 0.5f;     // the points sit half-way down the hexagon
constexpr int kFloatsPerPosition = 2;
constexpr int kFloatsPerColour = 4;
}

void HexMesh::reserve(std::size_t cellCount)
{
    const std::size_t capacity = cellCount * kVerticesPerCell;
    if (positions.size() == capacity * kFloatsPerPosition) return;
    positions.assign(capacity * kFloatsPerPosition, 0.0f);
    colours.assign(capacity * kFloatsPerColour, 0.0f);
}

void HexMesh::fill(const HexCell* cells, std::size_t count, int mode, float audioLevel)
{
    reserve(count);

    float* p = positions.data();
    float* c = colours.data();
    for (std::size_t i = 0; i < count; ++i) {
        const HexCell& cell = cells[i];
        const CellColour colour = cellColour(mode, cell.current(), audioLevel);
        if (dropTransparent && colour.a == 0.0f) continue;

        const float right = cell.x + kEdgeHalf * cell.w;
        const float left = cell.x - kEdgeHalf * cell.w;
        const float leftPoint = cell.x - kPointHalf * cell.w;
        const float rightPoint = cell.x + kPointHalf * cell.w;
        const float top = cell.y;
        const float middle = cell.y + kMiddle * cell.h;
        const float bottom = cell.y + cell.h;
        const float fan[kVerticesPerCell * kFloatsPerPosition] = {
            right, top,    left, top,          leftPoint, middle,   // A, B, C
            right, top,    leftPoint, middle,  left, bottom,        // A, C, D
            right, top,    left, bottom,       right, bottom,       // A, D, E
            right, top,    right, bottom,      rightPoint, middle,  // A, E, F
        };
        for (float f : fan) *p++ = f;
        for (int v = 0; v < kVerticesPerCell; ++v) {
            *c++ = colour.r;
            *c++ = colour.g;
            *c++ = colour.b;
            *c++ = colour.a;
        }
    }
    vertexCount = static_cast<int>((p - positions.data()) / kFloatsPerPosition);
}

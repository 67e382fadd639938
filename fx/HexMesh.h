#pragma once

// The vertex arrays a grid is drawn from. Filled in by the grid's rendering.
struct HexMesh {
};

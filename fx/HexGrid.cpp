#include "fx/HexFire.h"

namespace {

HexCell* cellAt(std::vector<HexCell>& cells, int cols, int rows, int row, int col) {
    if (row < 0 || row >= rows || col < 0 || col >= cols) return nullptr;
    return &cells[col + row * cols];
}

}  // namespace

HexFire::HexFire(float start, float end, Texture& texture)
    : start(start), end(end), cells(cols * rows), texture(texture) {
    mesh.reserve(cells.size());  // so no frame of the show allocates
    const float lastCol = static_cast<float>(cols - 1);
    const float lastRow = static_cast<float>(rows - 1);
    const float pitchW = 1.0f / lastCol;
    const float pitchH = 1.0f / lastRow;
    for (int d = 0; d < rows; ++d) {
        for (int i = 0; i < cols; ++i) {
            HexCell& cell = cells[i + d * cols];
            const bool odd = i % 2 == 1;
            // Odd columns sit half a row higher, so their side neighbours are one row up.
            const int sideUp = odd ? d - 1 : d;
            const int sideDown = odd ? d : d + 1;
            cell.upper = {cellAt(cells, cols, rows, sideUp, i - 1), cellAt(cells, cols, rows, d - 1, i),
                          cellAt(cells, cols, rows, sideUp, i + 1)};
            cell.lower = {cellAt(cells, cols, rows, sideDown, i - 1), cellAt(cells, cols, rows, d + 1, i),
                          cellAt(cells, cols, rows, sideDown, i + 1)};

            cell.w = pitchW;
            cell.h = pitchH;
            const float centre = (static_cast<float>(i) + 0.5f) / lastCol;
            cell.x = centre - 0.5f * cell.w;
            const float top = static_cast<float>(d) / lastRow;
            cell.y = odd ? top - 0.5f * cell.h : top;
        }
    }
}

void HexFire::setMode(int newMode) {
    mode = newMode;
    if (mode != 2) return;
    for (HexCell& cell : cells) {
        cell.value[0] = 0.0f;
        cell.value[1] = 0.0f;
    }
}

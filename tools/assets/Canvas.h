#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An RGBA picture, opaque unless told otherwise, painted in screen orientation: row 0 is the row the show puts along the window's top
// edge. The show displays a picture's bottom row at the top, so the file is written with the rows reversed.
class Canvas {
public:
    struct Colour {
        float r, g, b;  // 0 to 1; values outside are clamped when written
    };

    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    void set(int x, int y, Colour c);  // 0 <= x < width, 0 <= y < height
    void setAlpha(int x, int y, float a);  // 0 transparent to 1 opaque, the default

    // Writes an 8-bit RGBA TIFF (unassociated alpha), LZW-compressed. Deterministic: the same picture gives the
    // same bytes. Returns false, after a line on stderr, when the file cannot be written.
    bool writeTiff(const std::string& path) const;

private:
    int width_;
    int height_;
    std::vector<uint8_t> rgba_;  // screen rows, top first
};

#pragma once
#include <cstdint>
#include <vector>

// A GL context for drawing tests: one window (created once per process, under the display in DISPLAY)
// whose back buffer is drawn into and read back.
struct Rgba {
    uint8_t r, g, b, a;
};

class GlWindow {
public:
    // Creates the window on first use; later calls resize it. Leaves the GL state as the show sets it up.
    static GlWindow& open(int width = 256, int height = 192);
    // Lets go of the display; the X server must outlive this.
    static void close();

    int width() const { return width_; }
    int height() const { return height_; }
    void clear();                        // black, like the show's frame start
    std::vector<Rgba> read() const;      // the back buffer, row 0 at the top of the window
    Rgba at(int x, int y) const;         // one pixel, y from the top

private:
    int width_ = 0;
    int height_ = 0;
};

#pragma once
#include <string>
#include <vector>

// Where the viewer's pointer is at each show second, in normalised window coordinates ((0, 0) top-left,
// (1, 1) bottom-right, values outside allowed). Between two points the pointer moves in a straight line;
// before the first and after the last it rests there.
class PointerPath {
public:
    struct Point {
        double seconds;
        float x, y;
    };

    // The built-in path: the sweep the show's measurements also use (sweep()).
    PointerPath() = default;
    // One "seconds x y" line each, seconds not decreasing; blank lines and '#' comments are skipped.
    // False, with `error` naming the file and line, for a file that cannot be read or a bad line.
    bool load(const std::string& path, std::string& error);

    void at(double seconds, float& x, float& y) const;

    // A Lissajous sweep over the whole window, now and then just past its edges. Its two periods (7.0 s
    // across, 4.8 s down) never line up, so it does not retrace itself: within every few seconds it crosses
    // the grid's middle, where the opening's cells wait to be lit, and both rows of juggle balls (y 0.35 and
    // 0.65, spread across the width).
    static void sweep(double seconds, float& x, float& y);

private:
    std::vector<Point> points_;  // empty: the sweep
};

// kiv-icon OUT.svg: the show's icon, a honeycomb of the grids' hexagonal cells lit around one cell as the
// pointer lights them, in the grids' own glow colours (fx/HexColour), over the show's black.
#include <cmath>
#include <cstdio>
#include <string>

#include "fx/HexColour.h"

namespace {
constexpr double kSize = 128.0;        // the SVG's own units; it scales to any size
constexpr double kCorner = 22.0;       // of the rounded square behind the cells
constexpr double kCellRadius = 10.5;   // centre to corner of a cell
constexpr double kGap = 1.4;           // dark line between cells
constexpr double kDiscRadius = 58.0;   // cells whose centre lies within this of the middle are drawn
constexpr int kLitQ = -1, kLitR = 0;   // the cell the pointer lit
constexpr float kLevel = 0.15f;        // the music's loudness the colours are taken at
// Light by distance from the lit cell, in steps between neighbours: the show's excitation (1, 0.8, 0.5), with
// the lit cell just short of the glow's burnt-out black, then fading with distance.
constexpr float kLight[] = {0.94f, 0.8f, 0.5f, 0.3f, 0.16f, 0.08f};
constexpr double kPi = 3.14159265358979323846;
const char* const kBackground = "#07070d";

int hexDistance(int q, int r)
{
    const int s = -q - r;
    return (std::abs(q) + std::abs(r) + std::abs(s)) / 2;
}

// A cell's colour as the show draws it in mode 1: its glow blended over black by its own alpha.
std::string colour(float v)
{
    const CellColour c = cellColour(1, v, kLevel);
    auto channel = [&](float x) {
        const double shown = std::fmin(1.0, std::fmax(0.0, x * c.a));
        return static_cast<int>(std::lround(7.0 + shown * 248.0));  // the background's black, brightened
    };
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", channel(c.r), channel(c.g), channel(c.b));
    return hex;
}

std::string hexagon(double cx, double cy, double radius)
{
    std::string points;
    for (int i = 0; i < 6; ++i) {
        const double a = kPi / 180.0 * (60.0 * i - 30.0);  // pointed top
        char p[48];
        std::snprintf(p, sizeof p, "%s%.2f,%.2f", i ? " " : "", cx + radius * std::cos(a), cy + radius * std::sin(a));
        points += p;
    }
    return points;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kiv-icon OUT.svg\n");
        return 2;
    }
    FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n"
                 "  <rect width=\"%.0f\" height=\"%.0f\" rx=\"%.0f\" fill=\"%s\"/>\n",
                 kSize, kSize, kSize, kSize, kSize, kSize, kCorner, kBackground);
    const double across = std::sqrt(3.0) * kCellRadius;  // between neighbours in a row
    for (int r = -5; r <= 5; ++r) {
        for (int q = -8; q <= 8; ++q) {
            const double x = kSize / 2 + across * (q + r / 2.0);
            const double y = kSize / 2 + 1.5 * kCellRadius * r;
            if (std::hypot(x - kSize / 2, y - kSize / 2) > kDiscRadius) continue;
            const int d = hexDistance(q - kLitQ, r - kLitR);
            const float v = d < 6 ? kLight[d] : kLight[5];
            std::fprintf(out, "  <polygon points=\"%s\" fill=\"%s\"/>\n",
                         hexagon(x, y, kCellRadius - kGap).c_str(), colour(v).c_str());
        }
    }
    std::fprintf(out, "</svg>\n");
    return std::fclose(out) == 0 ? 0 : 1;
}

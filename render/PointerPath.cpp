#include "render/PointerPath.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {
constexpr float kSweepX = 0.55f;      // amplitudes about the centre: a little past the edges
constexpr float kSweepY = 0.45f;
constexpr float kSweepRateX = 0.9f;   // radians per second
constexpr float kSweepRateY = 1.3f;
}  // namespace

void PointerPath::sweep(double seconds, float& x, float& y)
{
    const float t = static_cast<float>(seconds);
    x = 0.5f + kSweepX * std::sin(t * kSweepRateX);
    y = 0.5f + kSweepY * std::sin(t * kSweepRateY);
}

bool PointerPath::load(const std::string& path, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot read pointer path '" + path + "'";
        return false;
    }
    points_.clear();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const size_t comment = line.find('#');
        if (comment != std::string::npos) line.erase(comment);
        std::istringstream fields(line);
        Point p{};
        std::string extra;
        if (!(fields >> std::ws) || fields.eof()) continue;  // blank
        const bool parsed = static_cast<bool>(fields >> p.seconds >> p.x >> p.y) && !(fields >> extra);
        const char* why = !parsed ? "expected 'seconds x y'"
                          : !std::isfinite(p.seconds) || !std::isfinite(p.x) || !std::isfinite(p.y)
                              ? "numbers must be finite"
                          : !points_.empty() && p.seconds < points_.back().seconds ? "seconds go backwards"
                                                                                  : nullptr;
        if (why) {
            error = path + ":" + std::to_string(number) + ": " + why + ": '" + line + "'";
            return false;
        }
        points_.push_back(p);
    }
    if (points_.empty()) {
        error = path + ": no points";
        return false;
    }
    return true;
}

void PointerPath::at(double seconds, float& x, float& y) const
{
    if (points_.empty()) return sweep(seconds, x, y);
    const auto after = std::upper_bound(points_.begin(), points_.end(), seconds,
                                        [](double s, const Point& p) { return s < p.seconds; });
    const size_t next = static_cast<size_t>(after - points_.begin());
    if (next == 0 || next == points_.size()) {
        const Point& p = next == 0 ? points_.front() : points_.back();
        x = p.x;
        y = p.y;
        return;
    }
    const Point& a = points_[next - 1];
    const Point& b = points_[next];
    const float f = static_cast<float>((seconds - a.seconds) / (b.seconds - a.seconds));
    x = a.x + (b.x - a.x) * f;
    y = a.y + (b.y - a.y) * f;
}

#include "audio/ScreenModel.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {
// The greys the show draws from a level: backgrounds level² + 0.3, grids level + 0.3 and level + 0.6.
constexpr float kBackgroundFloor = 0.3f;
constexpr double kMiddlePerSize = 0.125;  // how bright a zoomed picture's middle may be, per window of size
constexpr float kGridFloors[] = {0.3f, 0.6f};
static_assert(std::size(kGridFloors) == std::size(ScreenModel::Light{}.grids));

// Relative luminance of an sRGB grey.
double luminance(float grey)
{
    const double c = std::clamp(static_cast<double>(grey), 0.0, 1.0);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// A pulsing background's mean relative luminance: its grey times the part of its picture in the window. Zoomed
// in far enough, that part may be brighter than the picture as a whole, as the middles of the show's tunnel and
// galaxy are (0.29 and 0.33 at 2.7 windows, 0.36 and 0.43 at 3.5, 0.46 and 0.54 at 5): so a level that
// swings above full brightness still swings the picture.
double background(float level)
{
    const double amount = static_cast<double>(level) * level + kBackgroundFloor;
    const double size = 1.0 + amount;
    const double picture = std::min(1.0, std::max<double>(ScreenModel::kPictureLuminance, kMiddlePerSize * size));
    return luminance(static_cast<float>(amount)) * picture;
}

ScreenModel::Light lightAt(float level)
{
    ScreenModel::Light light;
    light.background = background(level);
    for (size_t i = 0; i < std::size(kGridFloors); ++i) light.grids[i] = luminance(level + kGridFloors[i]);
    return light;
}

float between(const ScreenModel::Light& a, const ScreenModel::Light& b)
{
    double most = std::fabs(a.background - b.background);
    for (size_t i = 0; i < std::size(kGridFloors); ++i)
        most = std::max(most, ScreenModel::kPictureLuminance * std::fabs(a.grids[i] - b.grids[i]));
    return static_cast<float>(most);
}
}  // namespace

float ScreenModel::swing(float from, float to)
{
    return between(lightAt(from), lightAt(to));
}

float ScreenModel::kept(float from, float to)
{
    const Light a = at(from);  // a copy: keeping `to` may take its place
    return between(a, at(to));
}

const ScreenModel::Light& ScreenModel::at(float level)
{
    for (const Seen& seen : seen_)
        if (seen.level == level) return seen.light;
    Seen& fresh = seen_[next_];
    next_ = (next_ + 1) % kSeen;
    fresh = {level, lightAt(level)};
    return fresh.light;
}

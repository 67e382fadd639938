#include "gfx/PictureLight.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kChannels = 3;
constexpr int kValues = 256;
constexpr double kWeights[kChannels] = {0.2126, 0.7152, 0.0722};  // relative luminance of linear R, G, B

// The linear light of each 8-bit sRGB value.
struct Linear {
    double of[kValues];
    Linear()
    {
        for (int v = 0; v < kValues; ++v) {
            const double c = v / 255.0;
            of[v] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
    }
};
const Linear kLinear;

// Each pixel's ring, along one side: how far its centre lies from the picture's middle, in rings.
std::vector<int> ringsAlong(int pixels)
{
    std::vector<int> ring(static_cast<size_t>(pixels));
    for (int i = 0; i < pixels; ++i) {
        const double distance = std::fabs(2.0 * (i + 0.5) / pixels - 1.0);  // 0 in the middle, below 1 at the edge
        ring[static_cast<size_t>(i)] =
            std::min(PictureLight::kRings - 1, static_cast<int>(distance * PictureLight::kRings));
    }
    return ring;
}
}  // namespace

void PictureLight::measure(const uint32_t* pixels, int width, int height)
{
    counts_.assign(static_cast<size_t>(kRings) * kChannels * kValues, 0);
    std::fill(std::begin(pixelsWithin_), std::end(pixelsWithin_), 0u);
    if (!pixels || width <= 0 || height <= 0) {
        counts_.clear();
        return;
    }
    const std::vector<int> across = ringsAlong(width);
    const std::vector<int> down = ringsAlong(height);
    const auto* bytes = reinterpret_cast<const uint8_t*>(pixels);
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = bytes + static_cast<size_t>(y) * width * 4;
        const int rowRing = down[static_cast<size_t>(y)];
        for (int x = 0; x < width; ++x, p += 4) {
            const int r = std::max(rowRing, across[static_cast<size_t>(x)]);
            uint32_t* ring = &counts_[static_cast<size_t>(r) * kChannels * kValues];
            ++ring[p[0]];
            ++ring[kValues + p[1]];
            ++ring[2 * kValues + p[2]];
        }
    }
    // Each ring then holds everything nearer the middle too.
    for (int r = 0; r < kRings; ++r) {
        uint32_t* ring = &counts_[static_cast<size_t>(r) * kChannels * kValues];
        if (r > 0) {
            const uint32_t* inner = ring - kChannels * kValues;
            for (int i = 0; i < kChannels * kValues; ++i) ring[i] += inner[i];
        }
        for (int v = 0; v < kValues; ++v) pixelsWithin_[r] += ring[v];
    }
}

PictureLight PictureLight::white()
{
    const uint32_t pixel = 0xffffffffu;
    PictureLight light;
    light.measure(&pixel, 1, 1);
    return light;
}

double PictureLight::within(int ring, const float (&colour)[3]) const
{
    // A picture of few pixels has none near its middle: a zoom into it shows its nearest ones.
    while (ring < kRings - 1 && pixelsWithin_[ring] == 0) ++ring;
    const uint32_t count = pixelsWithin_[ring];
    const uint32_t* counts = &counts_[static_cast<size_t>(ring) * kChannels * kValues];
    double sum = 0.0;
    for (int c = 0; c < kChannels; ++c) {
        double channel = 0.0;
        // GL modulates the 8-bit texel by the colour and rounds back to 8 bits before the screen shows it.
        for (int v = 0; v < kValues; ++v)
            if (counts[c * kValues + v])
                channel += counts[c * kValues + v] * kLinear.of[static_cast<int>(v * colour[c] + 0.5f)];
        sum += kWeights[c] * channel;
    }
    return sum / count;
}

double PictureLight::luminance(float r, float g, float b, float share) const
{
    if (!measured()) return 0.0;
    const float colour[3] = {std::clamp(r, 0.0f, 1.0f), std::clamp(g, 0.0f, 1.0f), std::clamp(b, 0.0f, 1.0f)};
    // Between two rings' edges the mean is taken in proportion.
    const double at = std::clamp(static_cast<double>(share), 0.0, 1.0) * kRings;
    const int outer = std::min(kRings - 1, static_cast<int>(at));
    const int inner = outer - 1;
    if (inner < 0) return within(0, colour);
    const double toOuter = std::min(1.0, at - outer);
    return within(inner, colour) * (1.0 - toOuter) + within(outer, colour) * toOuter;
}

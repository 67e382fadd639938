#include "tools/picture/Fit.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {
constexpr int kChannels = 4;

// The source pixels, with their weights, that make one output pixel along one axis.
using Taps = std::vector<std::pair<int, float>>;

std::vector<Taps> taps(int sourceSize, double start, double length, int outputSize)
{
    const double scale = length / outputSize;
    const double radius = std::max(1.0, scale);  // a tent over the source pixels one output pixel covers
    std::vector<Taps> all(static_cast<size_t>(outputSize));
    for (int i = 0; i < outputSize; ++i) {
        const double centre = start + (i + 0.5) * scale - 0.5;  // in source pixel indices
        double total = 0.0;
        Taps& t = all[static_cast<size_t>(i)];
        for (int j = static_cast<int>(std::ceil(centre - radius)); j <= static_cast<int>(std::floor(centre + radius));
             ++j) {
            const double w = 1.0 - std::fabs(j - centre) / radius;
            if (w <= 0.0) continue;
            t.push_back({std::clamp(j, 0, sourceSize - 1), static_cast<float>(w)});
            total += w;
        }
        for (auto& tap : t) tap.second = static_cast<float>(tap.second / total);
    }
    return all;
}
}  // namespace

Fitting fitting(const Photo& photo, double aspect, int maxSide)
{
    Fitting f{0.0, 0.0, static_cast<double>(photo.width), static_cast<double>(photo.height), 1};
    if (f.width > f.height * aspect) {
        f.width = f.height * aspect;
        f.x0 = (photo.width - f.width) / 2.0;
    } else {
        f.height = f.width / aspect;
        f.y0 = (photo.height - f.height) / 2.0;
    }
    while (f.side < maxSide && f.side < std::max(f.width, f.height)) f.side *= 2;
    return f;
}

Canvas fit(const Photo& photo, const Fitting& f)
{
    const std::vector<Taps> across = taps(photo.width, f.x0, f.width, f.side);
    const std::vector<Taps> down = taps(photo.height, f.y0, f.height, f.side);
    const size_t side = static_cast<size_t>(f.side);

    // Across first, premultiplied, for every source row that some output row reads.
    int firstRow = photo.height, lastRow = -1;
    for (const Taps& t : down)
        for (const auto& tap : t) {
            firstRow = std::min(firstRow, tap.first);
            lastRow = std::max(lastRow, tap.first);
        }
    std::vector<float> rows(static_cast<size_t>(lastRow - firstRow + 1) * side * kChannels, 0.0f);
    for (int y = firstRow; y <= lastRow; ++y) {
        const uint8_t* source = &photo.rgba[static_cast<size_t>(y) * photo.width * kChannels];
        float* out = &rows[static_cast<size_t>(y - firstRow) * side * kChannels];
        for (size_t x = 0; x < side; ++x) {
            for (const auto& [column, weight] : across[x]) {
                const uint8_t* p = source + static_cast<size_t>(column) * kChannels;
                const float a = p[3] / 255.0f * weight;
                out[x * kChannels + 0] += p[0] / 255.0f * a;
                out[x * kChannels + 1] += p[1] / 255.0f * a;
                out[x * kChannels + 2] += p[2] / 255.0f * a;
                out[x * kChannels + 3] += a;
            }
        }
    }

    Canvas canvas(f.side, f.side);
    for (size_t y = 0; y < side; ++y) {
        for (size_t x = 0; x < side; ++x) {
            float sum[kChannels] = {};
            for (const auto& [row, weight] : down[y]) {
                const float* p = &rows[(static_cast<size_t>(row - firstRow) * side + x) * kChannels];
                for (int c = 0; c < kChannels; ++c) sum[c] += p[c] * weight;
            }
            const float a = sum[3];
            const float unpremultiply = a > 0.0f ? 1.0f / a : 0.0f;
            canvas.set(static_cast<int>(x), static_cast<int>(y),
                       {sum[0] * unpremultiply, sum[1] * unpremultiply, sum[2] * unpremultiply});
            canvas.setAlpha(static_cast<int>(x), static_cast<int>(y), a);
        }
    }
    return canvas;
}

Canvas forShow(const Photo& photo, double aspect) { return fit(photo, fitting(photo, aspect, kMaxPictureSide)); }

#include "tools/picture/Photo.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr int kChannels = 4;
}

bool photoTooLarge(const std::string& path, uint64_t width, uint64_t height)
{
    if (width > 0 && height > 0 && width * height <= kMaxPhotoPixels) return false;
    std::fprintf(stderr, "kiv-picture: %s: a picture of %llu x %llu pixels is more than it takes (%llu pixels)\n",
                 path.c_str(), static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
                 static_cast<unsigned long long>(kMaxPhotoPixels));
    return true;
}

Photo oriented(const Photo& photo, int orientation)
{
    if (orientation < 2 || orientation > 8) return photo;
    const int w = photo.width, h = photo.height;
    const bool turned = orientation >= 5;  // a quarter turn swaps the sides
    Photo out;
    out.width = turned ? h : w;
    out.height = turned ? w : h;
    out.rgba.resize(photo.rgba.size());
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            int sx = x, sy = y;  // the source pixel shown at (x, y)
            switch (orientation) {
            case 2: sx = w - 1 - x; break;                      // mirrored left to right
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;      // half a turn
            case 4: sy = h - 1 - y; break;                      // mirrored top to bottom
            case 5: sx = y; sy = x; break;                      // mirrored about the main diagonal
            case 6: sx = y; sy = h - 1 - x; break;              // to be turned a quarter clockwise
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;      // mirrored about the other diagonal
            case 8: sx = w - 1 - y; sy = x; break;              // to be turned a quarter anticlockwise
            }
            std::memcpy(&out.rgba[(static_cast<size_t>(y) * out.width + x) * kChannels],
                        &photo.rgba[(static_cast<size_t>(sy) * w + sx) * kChannels], kChannels);
        }
    }
    return out;
}

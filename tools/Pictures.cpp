#include "tools/Pictures.h"

#include "tools/Canvas.h"
#include "tools/Designs.h"

namespace {
constexpr int kSize = 1024;      // power of two, so every GL takes them
constexpr int kSamplesPerAxis = 2;  // supersampling smooths the thin lines

struct Picture {
    const char* name;
    Canvas::Colour (*design)(float u, float v);
};

constexpr Picture kPictures[] = {
    {"img1.tif", stainedGlass},
    {"img2.tif", tunnel},
    {"img4.tif", closingCard},
    {"img5.tif", galaxy},
};

Canvas render(Canvas::Colour (*design)(float, float))
{
    Canvas canvas(kSize, kSize);
    constexpr float kWeight = 1.0f / (kSamplesPerAxis * kSamplesPerAxis);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Canvas::Colour sum{0.0f, 0.0f, 0.0f};
            for (int sy = 0; sy < kSamplesPerAxis; ++sy) {
                for (int sx = 0; sx < kSamplesPerAxis; ++sx) {
                    const float u = (static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / kSamplesPerAxis) / kSize;
                    const float v = (static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / kSamplesPerAxis) / kSize;
                    const Canvas::Colour c = design(u, v);
                    sum.r += c.r * kWeight;
                    sum.g += c.g * kWeight;
                    sum.b += c.b * kWeight;
                }
            }
            canvas.set(x, y, sum);
        }
    }
    return canvas;
}
}

bool writePictures(const std::string& dir)
{
    bool ok = true;
    for (const Picture& picture : kPictures) ok = render(picture.design).writeTiff(dir + "/" + picture.name) && ok;
    return ok;
}

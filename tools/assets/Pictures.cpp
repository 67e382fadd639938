#include "tools/assets/Pictures.h"

#include "tools/assets/Canvas.h"
#include "tools/assets/Designs.h"

namespace {
constexpr int kSize = 1024;         // power of two, so every GL takes them
constexpr int kSamplesPerAxis = 2;  // supersampling smooths the thin lines

using Design = Canvas::Colour (*)(float u, float v);

struct Picture {
    const char* name;
    Design design;
};

constexpr Picture kPictures[] = {
    {"img1.tif", stainedGlass},
    {"img2.tif", tunnel},
    {"img4.tif", closingCard},
    {"img5.tif", galaxy},
};

// Screen position, 0 to 1, of sub-sample `sample` of pixel `pixel`.
float position(int pixel, int sample)
{
    return (static_cast<float>(pixel) + (static_cast<float>(sample) + 0.5f) / kSamplesPerAxis) / kSize;
}

Canvas render(Design design)
{
    Canvas canvas(kSize, kSize);
    constexpr float kWeight = 1.0f / (kSamplesPerAxis * kSamplesPerAxis);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Canvas::Colour sum{0.0f, 0.0f, 0.0f};
            for (int sy = 0; sy < kSamplesPerAxis; ++sy) {
                for (int sx = 0; sx < kSamplesPerAxis; ++sx) {
                    const Canvas::Colour c = design(position(x, sx), position(y, sy));
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

bool writePicture(const std::string& dir, const std::string& name)
{
    for (const Picture& picture : kPictures)
        if (name == picture.name) return render(picture.design).writeTiff(dir + "/" + picture.name);
    return false;
}

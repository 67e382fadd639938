#include "fx/BkgImage.h"

#include "gfx/Texture.h"

namespace {
constexpr float kQuietAmount = 0.3f;   // size beyond the window and brightness in silence
constexpr float kCentre[2] = {0.5f, 0.5f};
}

BkgImage::BkgImage(float start, float end, Texture* texture) : start(start), end(end), texture(texture) {}

bool BkgImage::isActive(float time)
{
    return start < time && time < end;
}

void BkgImage::draw(float time)
{
    const float level = loudness(spectrum);
    if (time > kPlainAfter) {
        texture->draw(kCentre);
    } else {
        texture->drawPulse(kCentre, pulseAmount(level));
    }
}

float BkgImage::pulseAmount(float level)
{
    return level * level + kQuietAmount;
}

void BkgImage::update(float) {}

void BkgImage::onMouse(const float*, float) {}

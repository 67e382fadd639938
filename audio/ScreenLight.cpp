#include "audio/ScreenLight.h"

float ScreenLight::Layer::at(float level) const
{
    const float step = (level > 0.0f ? (level < kTop ? level : kTop) : 0.0f) * (kSteps / kTop);
    const int below = step < kSteps ? static_cast<int>(step) : kSteps - 1;
    const float part = step - static_cast<float>(below);
    return luminance[below] + (luminance[below + 1] - luminance[below]) * part;
}

const ScreenLight::Span* ScreenLight::find(double t, size_t& hint) const
{
    if (spans.empty()) return nullptr;
    if (hint >= spans.size() || t < spans[hint].from) hint = 0;  // the stream went back: look from the start
    while (hint + 1 < spans.size() && t >= spans[hint].to) ++hint;
    const Span& span = spans[hint];
    return span.from <= t && t < span.to ? &span : nullptr;
}

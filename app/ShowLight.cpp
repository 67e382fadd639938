#include "app/ShowLight.h"

#include <algorithm>
#include <map>
#include <vector>

#include "fx/BkgImage.h"
#include "fx/HexColour.h"
#include "fx/HexFire.h"
#include "fx/HexSetter.h"
#include "gfx/Texture.h"

namespace {
constexpr float kBrightestCell = 0.95f;  // the glowing mode's cells are brightest just short of burning out
constexpr float kNever = 1e9f;

struct Timed {
    float from, to;
    ScreenLight::Layer layer;
};

float levelAt(int step)
{
    return ScreenLight::kTop * static_cast<float>(step) / ScreenLight::kSteps;
}

// A pulsing background: brighter and wider with the level, so a zoom shows more of the picture's middle.
ScreenLight::Layer backgroundLayer(const PictureLight& picture)
{
    ScreenLight::Layer layer;
    for (int i = 0; i <= ScreenLight::kSteps; ++i) {
        const float amount = BkgImage::pulseAmount(levelAt(i));
        layer.luminance[i] = static_cast<float>(picture.luminance(amount, amount, amount, 1.0f / (1.0f + amount)));
    }
    return layer;
}

// A grid filling the screen with its brightest cells, over its picture or in its own colours.
ScreenLight::Layer gridLayer(int mode, const PictureLight& picture)
{
    ScreenLight::Layer layer;
    for (int i = 0; i <= ScreenLight::kSteps; ++i) {
        const CellColour c = cellColour(mode, kBrightestCell, levelAt(i));
        layer.luminance[i] = static_cast<float>(picture.luminance(c.r, c.g, c.b));
    }
    return layer;
}

bool followsLevel(const ScreenLight::Layer& layer)
{
    const auto [low, high] = std::minmax_element(std::begin(layer.luminance), std::end(layer.luminance));
    return *high > *low;
}

// Each grid's modes over time: its mode as built, then each trigger aimed at it.
void addGrid(const HexFire& grid, const std::vector<const HexSetter*>& setters, std::vector<Timed>& out)
{
    std::map<float, int> modes{{grid.start, grid.mode}};
    for (const HexSetter* s : setters)
        if (s->target == &grid) modes[std::max(s->triggerTime, grid.start)] = s->mode;
    const PictureLight white = PictureLight::white();
    for (auto it = modes.begin(); it != modes.end(); ++it) {
        const auto next = std::next(it);
        const float to = std::min(grid.end, next == modes.end() ? kNever : next->first);
        const PictureLight& picture = HexFire::showsPicture(it->second) && grid.texture.id ? grid.texture.light : white;
        const ScreenLight::Layer layer = gridLayer(it->second, picture);
        if (it->first < to && followsLevel(layer)) out.push_back({it->first, to, layer});
    }
}
}  // namespace

ScreenLight showLight(const std::list<Fx*>& effects)
{
    std::vector<const HexSetter*> setters;
    for (Fx* fx : effects)
        if (const auto* s = dynamic_cast<const HexSetter*>(fx)) setters.push_back(s);

    std::vector<Timed> timed;
    for (Fx* fx : effects) {
        if (const auto* b = dynamic_cast<const BkgImage*>(fx)) {
            const float to = std::min(b->end, BkgImage::kPlainAfter);
            if (b->texture->id && b->start < to) timed.push_back({b->start, to, backgroundLayer(b->texture->light)});
        } else if (const auto* g = dynamic_cast<const HexFire*>(fx)) {
            addGrid(*g, setters, timed);
        }
    }

    // Spans between every edge, each with the layers on the screen at any moment of it, give or take kLead.
    std::vector<float> edges;
    for (const Timed& t : timed) {
        edges.push_back(t.from - kLead);
        edges.push_back(t.to + kLead);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    ScreenLight light;
    for (const Timed& t : timed) {
        light.cuts.push_back(t.from);
        light.cuts.push_back(t.to);
    }
    std::sort(light.cuts.begin(), light.cuts.end());
    light.cuts.erase(std::unique(light.cuts.begin(), light.cuts.end()), light.cuts.end());
    for (size_t i = 0; i + 1 < edges.size(); ++i) {
        ScreenLight::Span span{edges[i], edges[i + 1], {}};
        for (const Timed& t : timed)
            if (t.from - kLead < span.to && span.from < t.to + kLead) span.layers.push_back(t.layer);
        if (!span.layers.empty()) light.spans.push_back(std::move(span));
    }
    return light;
}

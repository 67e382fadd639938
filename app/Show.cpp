#include "app/Show.h"

#include <set>

#include "app/Demo.h"
#include "fx/BkgImage.h"
#include "fx/HexFire.h"
#include "fx/HexSetter.h"
#include "fx/JuggleBall.h"
#include "gfx/Texture.h"

namespace {
constexpr int kBallPairs = 40;
constexpr float kBallFirstStart = 106.0f;
constexpr float kBallFirstEnd = 140.8f;
constexpr float kBallStagger = 0.1f;    // seconds between pairs
constexpr float kBallFirstHomeX = 0.1f;
constexpr float kBallHomeStep = 0.02f;  // across the screen
constexpr float kBallRowHigh = 0.35f;
constexpr float kBallRowLow = 0.65f;

// base + step * i in double, where both are exact for these values, rounded once.
float series(float base, float step, int i)
{
    return static_cast<float>(static_cast<double>(base) + static_cast<double>(step) * i);
}

template <typename T>
T* add(Demo* demo, T* fx)
{
    demo->effects.push_back(fx);
    return fx;
}
}  // namespace

void buildShow(Demo* demo)
{
    // Textures and effects live until the process ends.
    Texture* img1 = new Texture;
    Texture* img2 = new Texture;
    Texture* img4 = new Texture;
    Texture* img5 = new Texture;
    img1->load("img1.tif");
    img2->load("img2.tif");
    img4->load("img4.tif");
    img5->load("img5.tif");

    add(demo, new BkgImage(12.0f, 27.3f, img1));
    add(demo, new BkgImage(27.3f, 54.0f, img2));
    add(demo, new BkgImage(54.0f, 76.0f, img1));
    add(demo, new BkgImage(76.0f, 144.5f, img5));

    HexFire* gridA = add(demo, new HexFire(0.0f, 38.8f, *img1));
    gridA->mode = 0;
    add(demo, new HexSetter(12.0f, 1, gridA));
    add(demo, new HexSetter(27.3f, 4, gridA));

    HexFire* gridB = add(demo, new HexFire(38.8f, 68.8f, *img1));
    gridB->setMode(2);
    add(demo, new HexSetter(53.2f, 3, gridB));

    HexFire* gridC = add(demo, new HexFire(68.8f, 149.0f, *img1));
    gridC->setMode(2);
    for (int i = 0; i < kBallPairs; ++i) {
        float start = series(kBallFirstStart, kBallStagger, i);
        float end = series(kBallFirstEnd, kBallStagger, i);
        float homeX = series(kBallFirstHomeX, kBallHomeStep, i);
        add(demo, new JuggleBall(start, end, homeX, kBallRowHigh, start, gridC));
        add(demo, new JuggleBall(start, end, homeX, kBallRowLow, start, gridC));
    }
    add(demo, new HexSetter(106.8f, 1, gridC));

    add(demo, new BkgImage(146.0f, 151.0f, img4));
}

void releaseShow(Demo* demo)
{
    std::set<Texture*> textures;
    for (Fx* fx : demo->effects) {
        if (auto* bkg = dynamic_cast<BkgImage*>(fx)) textures.insert(bkg->texture);
        if (auto* grid = dynamic_cast<HexFire*>(fx)) textures.insert(&grid->texture);
    }
    for (Fx* fx : demo->effects) delete fx;
    demo->effects.clear();
    for (Texture* t : textures) delete t;
}

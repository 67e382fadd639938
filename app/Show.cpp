#include "app/Show.h"

#include "app/Demo.h"
#include "app/ShowLight.h"
#include "fx/BkgImage.h"
#include "fx/Fx.h"
#include "fx/HexFire.h"
#include "fx/HexRandom.h"
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

struct Pictures {
    Texture* img1 = nullptr;
    Texture* img2 = nullptr;
    Texture* img4 = nullptr;
    Texture* img5 = nullptr;
};
Pictures pictures;  // of the show built last; its effects point at them
ScreenLight light;  // what that show makes of the loudness; measured once, told again at each start over

void addEffects(Demo* demo, Texture* img1, Texture* img2, Texture* img4, Texture* img5)
{
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

void deleteEffects(Demo* demo)
{
    for (Fx* fx : demo->effects) delete fx;
    demo->effects.clear();
}
}  // namespace

void buildShow(Demo* demo)
{
    // Textures and effects live until the process ends.
    pictures = {new Texture, new Texture, new Texture, new Texture};
    pictures.img1->load("img1.tif");
    pictures.img2->load("img2.tif");
    pictures.img4->load("img4.tif");
    pictures.img5->load("img5.tif");
    addEffects(demo, pictures.img1, pictures.img2, pictures.img4, pictures.img5);
    light = showLight(demo->effects);
    demo->describeScreen(light);
}

void restartShow(Demo* demo)
{
    deleteEffects(demo);
    // What a fresh process starts with, so every pass runs the same.
    resetHexRandom();
    audioLevel = 1.0f;
    musicStarted = false;
    demo->time = 0.0f;
    addEffects(demo, pictures.img1, pictures.img2, pictures.img4, pictures.img5);
    demo->describeScreen(light);
}

void releaseShow(Demo* demo)
{
    deleteEffects(demo);
    // The page builds the show again with other pictures; their textures go with them.
    for (Texture* t : {pictures.img1, pictures.img2, pictures.img4, pictures.img5}) {
        if (t && t->id) glDeleteTextures(1, &t->id);
        delete t;
    }
    pictures = {};
    light = ScreenLight();
}

// The show's schedule: what buildShow creates, in which order, with which settings.
#include <gtest/gtest.h>

#include <cstring>
#include <typeinfo>
#include <vector>

#include "app/Demo.h"
#include "app/Show.h"
#include "fx/BkgImage.h"
#include "fx/HexFire.h"
#include "fx/HexSetter.h"
#include "fx/JuggleBall.h"

namespace {

// Builds the show in an empty folder: the pictures are missing, which the schedule does not look at.
class ShowTest : public testing::Test {
protected:
    Demo demo;
    std::vector<Fx*> fx;
    void SetUp() override
    {
        buildShow(&demo);
        fx.assign(demo.effects.begin(), demo.effects.end());
    }
    void TearDown() override { releaseShow(&demo); }
    template <typename T>
    T* as(size_t entry)
    {
        return dynamic_cast<T*>(fx.at(entry - 1));
    }
    // Which entries (1-based) answer active at `time`, one-shot setters left out.
    std::vector<int> activeAt(float time)
    {
        std::vector<int> entries;
        for (size_t i = 0; i < fx.size(); ++i)
            if (!dynamic_cast<HexSetter*>(fx[i]) && fx[i]->isActive(time)) entries.push_back(static_cast<int>(i + 1));
        return entries;
    }
};

uint32_t bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

TEST_F(ShowTest, HasNinetyTwoEffectsInOrder)
{
    ASSERT_EQ(fx.size(), 92u);
    int bkg = 0, grids = 0, setters = 0, balls = 0;
    for (Fx* f : fx) {
        bkg += dynamic_cast<BkgImage*>(f) != nullptr;
        grids += dynamic_cast<HexFire*>(f) != nullptr;
        setters += dynamic_cast<HexSetter*>(f) != nullptr;
        balls += dynamic_cast<JuggleBall*>(f) != nullptr;
    }
    EXPECT_EQ(bkg, 5);
    EXPECT_EQ(grids, 3);
    EXPECT_EQ(setters, 4);
    EXPECT_EQ(balls, 80);
    for (size_t e : {1, 2, 3, 4, 92}) EXPECT_NE(as<BkgImage>(e), nullptr) << e;
    for (size_t e : {5, 8, 10}) EXPECT_NE(as<HexFire>(e), nullptr) << e;
    for (size_t e : {6, 7, 9, 91}) EXPECT_NE(as<HexSetter>(e), nullptr) << e;
    for (size_t e = 11; e <= 90; ++e) EXPECT_NE(as<JuggleBall>(e), nullptr) << e;
}

TEST_F(ShowTest, BackgroundsShareTheirPictures)
{
    struct Row {
        size_t entry;
        float start, end;
    } rows[] = {{1, 12.0f, 27.3f}, {2, 27.3f, 54.0f}, {3, 54.0f, 76.0f}, {4, 76.0f, 144.5f}, {92, 146.0f, 151.0f}};
    for (const Row& r : rows) {
        EXPECT_EQ(as<BkgImage>(r.entry)->start, r.start);
        EXPECT_EQ(as<BkgImage>(r.entry)->end, r.end);
    }
    EXPECT_EQ(as<BkgImage>(1)->texture, as<BkgImage>(3)->texture);  // img1 twice
    EXPECT_NE(as<BkgImage>(1)->texture, as<BkgImage>(2)->texture);
    EXPECT_NE(as<BkgImage>(2)->texture, as<BkgImage>(4)->texture);
    EXPECT_NE(as<BkgImage>(4)->texture, as<BkgImage>(92)->texture);
    for (size_t g : {5, 8, 10}) EXPECT_EQ(&as<HexFire>(g)->texture, as<BkgImage>(1)->texture);
}

TEST_F(ShowTest, GridsStartDarkInTheirModes)
{
    HexFire *a = as<HexFire>(5), *b = as<HexFire>(8), *c = as<HexFire>(10);
    EXPECT_EQ(a->mode, 0);
    EXPECT_EQ(b->mode, 2);
    EXPECT_EQ(c->mode, 2);
    EXPECT_EQ(a->start, 0.0f);
    EXPECT_EQ(a->end, 38.8f);
    EXPECT_EQ(b->start, 38.8f);
    EXPECT_EQ(b->end, 68.8f);
    EXPECT_EQ(c->start, 68.8f);
    EXPECT_EQ(c->end, 149.0f);
    for (HexFire* g : {a, b, c})
        for (const HexCell& cell : g->cells) ASSERT_EQ(cell.current(), 0.0f);
}

TEST_F(ShowTest, SettersSwitchTheirGridsAtTheirTimes)
{
    struct Row {
        size_t entry, grid;
        int mode;
        float time;
    } rows[] = {{6, 5, 1, 12.0f}, {7, 5, 4, 27.3f}, {9, 8, 3, 53.2f}, {91, 10, 1, 106.8f}};
    for (const Row& r : rows) {
        HexSetter* s = as<HexSetter>(r.entry);
        EXPECT_EQ(s->target, as<HexFire>(r.grid)) << r.entry;
        EXPECT_EQ(s->mode, r.mode) << r.entry;
        EXPECT_EQ(s->triggerTime, r.time) << r.entry;
        EXPECT_FALSE(s->fired);
    }
}

TEST_F(ShowTest, BallsComeInPairsAcrossTheScreen)
{
    for (int i = 0; i < 40; ++i) {
        JuggleBall* high = as<JuggleBall>(11 + 2 * i);
        JuggleBall* low = as<JuggleBall>(12 + 2 * i);
        EXPECT_EQ(high->homeY, 0.35f);
        EXPECT_EQ(low->homeY, 0.65f);
        for (JuggleBall* b : {high, low}) {
            EXPECT_EQ(b->target, as<HexFire>(10));
            EXPECT_EQ(b->phase, b->start);
            EXPECT_EQ(b->x, b->homeX);
            EXPECT_EQ(b->y, b->homeY);
            EXPECT_EQ(b->vx, 0.0f);
            EXPECT_EQ(b->vy, 0.0f);
            EXPECT_EQ(b->lastStep, 0.0f);
            EXPECT_EQ(b->stepInterval, 0.02f);
            EXPECT_EQ(b->tracker.lastX, -4.0f);
        }
        EXPECT_EQ(bits(high->start), bits(low->start));
        EXPECT_EQ(bits(high->end), bits(low->end));
        EXPECT_EQ(bits(high->homeX), bits(low->homeX));
    }
}

TEST_F(ShowTest, BallTimesAndHomesAreRoundedOnce)
{
    struct Row {
        int i;
        double start, end, homeX;
    } rows[] = {
        {0, 106.0, 140.8000030517578, 0.10000000149011612},
        {1, 106.0999984741211, 140.90000915527344, 0.12000000476837158},
        {20, 108.0, 142.8000030517578, 0.5},
        {39, 109.9000015258789, 144.6999969482422, 0.8799999952316284},
    };
    for (const Row& r : rows) {
        JuggleBall* b = as<JuggleBall>(11 + 2 * r.i);
        EXPECT_EQ(static_cast<double>(b->start), r.start) << r.i;
        EXPECT_EQ(static_cast<double>(b->end), r.end) << r.i;
        EXPECT_EQ(static_cast<double>(b->homeX), r.homeX) << r.i;
    }
    // Forming them in single precision would land one unit off here.
    EXPECT_NE(bits(as<JuggleBall>(51)->homeX), bits(0.1f + 0.02f * 20.0f));
}

TEST_F(ShowTest, WhatIsActiveWhen)
{
    EXPECT_EQ(activeAt(0.0f), std::vector<int>{});
    EXPECT_EQ(activeAt(0.01f), std::vector<int>{5});
    EXPECT_EQ(activeAt(145.0f), std::vector<int>{10});
    EXPECT_EQ(activeAt(147.0f), (std::vector<int>{10, 92}));
    EXPECT_EQ(activeAt(150.0f), std::vector<int>{92});
    EXPECT_EQ(activeAt(151.5f), std::vector<int>{});
    std::vector<int> at120 = activeAt(120.0f);
    EXPECT_EQ(at120.size(), 2u + 80u);  // img5, grid C and every ball
}

}  // namespace
